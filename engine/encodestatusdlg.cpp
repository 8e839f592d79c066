#include "engine/encodestatusdlg.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QFile>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <mutex>
#include <utility>

#include "engine/elidedlabel.h"
#include "engine/statusdlgengine.h"
#include "engine/statusformat.h"
#include "res/ids.h"

namespace qar {

// The worker's way to a dialog. The worker posts through it under its lock; the dialog
// cuts it under the same lock before it goes away, so a worker never reaches a dialog that
// is being destroyed, whichever engine it belongs to.
struct FilesMailbox {
    std::mutex mutex;
    CEncodeStatusDlg* target = nullptr;
};

namespace {

// The one registered dialog.
QPointer<CEncodeStatusDlg> g_statusDlg;

// Texts that size the controls: the widest each is expected to show.
const char kSettingsSample[] = "320 kbps(可変 5), joint stereo, high speed mode";
const char kTimeSample[] = "000:00";
const char kProgressSample[] = "00000 100%";
const char kQualitySample[] = "0.0000 (normal) 平均320.00(kbps)";

QString Id(int id) {
    return QString::number(id);
}

QString Utf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

ElidedLabel* MakeText(QWidget* parent, int id, Qt::TextElideMode mode, const char* sample) {
    auto* text = new ElidedLabel(mode, parent);
    text->setObjectName(Id(id));
    text->setSampleText(QString::fromUtf8(sample));
    return text;
}

}  // namespace

CEncodeStatusDlg::CEncodeStatusDlg(std::shared_ptr<StatusDlgEngine> engine, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_engine(std::move(engine)),
      m_mailbox(std::make_shared<FilesMailbox>()) {
    m_mailbox->target = this;
    setWindowTitle(QStringLiteral("エンコード状況"));
    BuildWidgets();
    adjustSize();
    CenterOverOwner();

    // Idle (index 3) and anything unknown have no radio: none is checked then.
    const int priority = m_engine->GetPriority();
    if (QAbstractButton* radio = m_priority->button(priority))
        radio->setChecked(true);

    m_timer.setInterval(kStatusTimerMs);
    connect(&m_timer, &QTimer::timeout, this, &CEncodeStatusDlg::OnTimer);
    m_timer.start();
}

CEncodeStatusDlg::~CEncodeStatusDlg() {
    {
        std::lock_guard lock(m_mailbox->mutex);
        m_mailbox->target = nullptr;
    }
    Unregister();
}

void CEncodeStatusDlg::BuildWidgets() {
    auto label = [this](const char* text) { return new QLabel(QString::fromUtf8(text), this); };

    m_wavText = MakeText(this, IDC_STATUS_WAV, Qt::ElideMiddle, kSettingsSample);
    m_mp3Text = MakeText(this, IDC_STATUS_MP3, Qt::ElideMiddle, kSettingsSample);
    m_settingsText = MakeText(this, IDC_STATUS_SETTINGS, Qt::ElideRight, kSettingsSample);
    m_timeText = MakeText(this, IDC_STATUS_TIME, Qt::ElideRight, kTimeSample);
    m_progressText = MakeText(this, IDC_STATUS_PROGRESS_TEXT, Qt::ElideRight, kProgressSample);
    m_qualityText = MakeText(this, IDC_STATUS_QUALITY, Qt::ElideRight, kQualitySample);
    // Paths and the settings line take whatever width the window has.
    for (ElidedLabel* wide : {m_wavText, m_mp3Text, m_settingsText, m_qualityText})
        wide->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(Id(IDC_STATUS_PROGRESS));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);
    grid->addWidget(label("WAVファイル名"), 0, 0);
    grid->addWidget(m_wavText, 0, 1, 1, 2);
    grid->addWidget(label("MP3ファイル名"), 1, 0);
    grid->addWidget(m_mp3Text, 1, 1, 1, 2);
    grid->addWidget(label("エンコード設定"), 2, 0);
    grid->addWidget(m_settingsText, 2, 1, 1, 2);
    grid->addWidget(label("エンコード時間"), 3, 0);
    grid->addWidget(m_timeText, 3, 1, Qt::AlignLeft);
    grid->addWidget(label("エラーレート・その他情報"), 3, 2, Qt::AlignLeft | Qt::AlignBottom);
    grid->addWidget(label("進行状況"), 4, 0);
    grid->addWidget(m_progressText, 4, 1);
    grid->addWidget(m_qualityText, 4, 2);
    grid->addWidget(m_progress, 5, 0, 1, 3);
    grid->setColumnStretch(2, 1);

    m_priority = new QButtonGroup(this);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(label("エンコード優先度"));
    const struct {
        int id;
        const char* text;
    } radios[] = {
        {IDC_PRIORITY_NORMAL, "普通"}, {IDC_PRIORITY_LOW, "低"}, {IDC_PRIORITY_LOWEST, "最低"}};
    for (int index = 0; index < 3; ++index) {
        auto* radio = new QRadioButton(QString::fromUtf8(radios[index].text), this);
        radio->setObjectName(Id(radios[index].id));
        m_priority->addButton(radio, index);
        bottom->addWidget(radio);
    }
    connect(m_priority, &QButtonGroup::idClicked, this, &CEncodeStatusDlg::OnPriority);
    bottom->addStretch(1);

    m_abort = new QPushButton(QStringLiteral("中止"), this);
    m_abort->setObjectName(Id(IDOK));
    m_abort->setDefault(true);
    connect(m_abort, &QPushButton::clicked, this, &CEncodeStatusDlg::accept);
    bottom->addWidget(m_abort);

    auto* top = new QVBoxLayout(this);
    top->addLayout(grid);
    top->addSpacing(2);
    top->addLayout(bottom);
    top->setSizeConstraint(QLayout::SetFixedSize);
}

void CEncodeStatusDlg::CenterOverOwner() {
    if (!parentWidget())
        return;
    const QRect owner = parentWidget()->window()->frameGeometry();
    move(owner.center() - QPoint(width() / 2, height() / 2));
}

CEncodeStatusDlg* CEncodeStatusDlg::Registered() {
    return g_statusDlg.data();
}

void CEncodeStatusDlg::Register() {
    g_statusDlg = this;
    // Called on the worker thread: only posts to the dialog, never touches a widget.
    std::shared_ptr<FilesMailbox> mailbox = m_mailbox;
    m_engine->SetFilesSink([mailbox](const std::string& source, const std::string& dest) {
        std::lock_guard lock(mailbox->mutex);
        CEncodeStatusDlg* dlg = mailbox->target;
        if (!dlg)
            return;
        QMetaObject::invokeMethod(
            dlg, [dlg, source, dest] { dlg->ShowFiles(source, dest); }, Qt::QueuedConnection);
    });
}

void CEncodeStatusDlg::Unregister() {
    if (g_statusDlg != this)
        return;  // a newer dialog has taken the registration and the sink over
    m_engine->SetFilesSink(nullptr);
    g_statusDlg = nullptr;
}

void CEncodeStatusDlg::accept() {
    // The user waits here (up to a few seconds) until the worker has let go of its file.
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    m_engine->Stop();
    QGuiApplication::restoreOverrideCursor();
    m_timer.stop();
    Unregister();
    hide();
    deleteLater();
}

void CEncodeStatusDlg::EndRun() {
    m_timer.stop();
    reject();
}

void CEncodeStatusDlg::closeEvent(QCloseEvent* event) {
    m_timer.stop();
    QDialog::closeEvent(event);
}

void CEncodeStatusDlg::OnTimer() {
    int taken = 0;
    int total = 0;
    m_engine->GetCounts(&taken, &total);
    // Only a change rewrites the title, so a title set meanwhile by anyone else stays.
    if (taken != m_shownTaken || total != m_shownTotal) {
        const QByteArray title = windowTitle().toUtf8();
        setWindowTitle(Utf8(TitleWithCounts(title.toStdString(), taken, total)));
        m_shownTaken = taken;
        m_shownTotal = total;
    }

    if (g_statusDlg != this)
        return;
    vadav_status status{};
    if (m_engine->GetStatus(&status) == 0)
        return;  // nothing to show yet: the texts keep what they have
    const EncodeDisplay d =
        FormatEncodeDisplay(status, m_engine->Stereo(), m_engine->QuickMode(), m_engine->HasJobs());
    m_timeText->setText(Utf8(d.timeText));
    m_progress->setValue(d.percent);
    m_progressText->setText(Utf8(d.progressText));
    m_settingsText->setText(Utf8(d.settings));
    m_qualityText->setText(Utf8(d.quality));
}

void CEncodeStatusDlg::OnPriority(int index) {
    m_engine->SetPriority(index);
}

void CEncodeStatusDlg::ShowFiles(const std::string& source, const std::string& destination) {
    // Paths are the file system's bytes; decodeName shows them as the file system means them.
    m_wavText->setText(QFile::decodeName(QByteArray::fromStdString(source)));
    m_mp3Text->setText(QFile::decodeName(QByteArray::fromStdString(destination)));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
}

void OpenEncodeStatusDlg(QWidget* parent) {
    OpenEncodeStatusDlg(parent, ProcessStatusDlgEngine());
}

void OpenEncodeStatusDlg(QWidget* parent, std::shared_ptr<StatusDlgEngine> engine) {
    // The previous run's dialog, ended but kept, goes now rather than with its owner.
    QPointer<CEncodeStatusDlg> previous = g_statusDlg;
    auto* dlg = new CEncodeStatusDlg(std::move(engine), parent);
    dlg->Register();
    delete previous.data();
    dlg->show();
}

void CloseEncodeStatusDlg() {
    if (CEncodeStatusDlg* dlg = g_statusDlg.data())
        dlg->EndRun();
}

}  // namespace qar
