#include "settings/qsettingsstore.h"

#include <QByteArray>
#include <QFile>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "settings/settingskeys.h"

namespace qar {

namespace {

QString Key(const char* section, const char* key) {
    return QString::fromUtf8(section) + QLatin1Char('/') + QString::fromUtf8(key);
}

}  // namespace

QSettingsStore::QSettingsStore()
    : m_settings(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                             QString::fromUtf8(kSettingsOrganisation),
                                             QString::fromUtf8(kSettingsApplication))) {}

QSettingsStore::QSettingsStore(const std::string& filePath)
    : m_settings(std::make_unique<QSettings>(QFile::decodeName(QByteArray::fromStdString(filePath)),
                                             QSettings::IniFormat)) {}

QSettingsStore::~QSettingsStore() = default;

int QSettingsStore::ReadInt(const char* section, const char* key, int def) const {
    const QVariant v = m_settings->value(Key(section, key));
    if (!v.isValid())
        return def;
    // A hand-edited text that is no number reads as missing.
    bool ok = false;
    const int n = v.toInt(&ok);
    return ok ? n : def;
}

void QSettingsStore::WriteInt(const char* section, const char* key, int value) {
    m_settings->setValue(Key(section, key), value);
    // Written at once, so what was saved survives a program that ends without cleaning up;
    // a failure is ignored like every failed write.
    m_settings->sync();
}

std::string QSettingsStore::ReadString(const char* section, const char* key,
                                       const std::string& def) const {
    const QVariant v = m_settings->value(Key(section, key));
    if (!v.isValid())
        return def;
    if (v.userType() == QMetaType::QByteArray)
        return v.toByteArray().toStdString();
    // An unquoted text with commas in a hand-edited file comes back as a list.
    if (v.userType() == QMetaType::QStringList)
        return v.toStringList().join(QStringLiteral(", ")).toUtf8().toStdString();
    if (!v.canConvert<QString>())
        return def;
    return v.toString().toUtf8().toStdString();
}

void QSettingsStore::WriteString(const char* section, const char* key, const std::string& value) {
    // Texts are kept readable in the file; a path whose bytes are not UTF-8 would be
    // changed by a text conversion, so it is kept as raw bytes instead.
    const QByteArray bytes = QByteArray::fromStdString(value);
    const QString text = QString::fromUtf8(bytes);
    if (text.toUtf8() == bytes)
        m_settings->setValue(Key(section, key), text);
    else
        m_settings->setValue(Key(section, key), bytes);
    m_settings->sync();
}

std::string QSettingsStore::FileName() const {
    return QFile::encodeName(m_settings->fileName()).toStdString();
}

}  // namespace qar
