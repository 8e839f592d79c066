// What the window tests share: a program started on a throw-away settings store, a way to
// find controls by id, and a way to wait for posted commands to be handled.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QStringList>
#include <QTest>
#include <QUrl>

#include "app/qarapp.h"
#include "frame/mainframe.h"
#include "settings/qsettingsstore.h"
#include "testutil.h"
#include "view/qarview.h"

// Readable failure messages for the byte strings the frame and view hold.
namespace QTest {
template <>
inline char* toString(const std::string& s) {
    return qstrdup(s.c_str());
}
}  // namespace QTest

namespace guitest {

// A store file in its own temporary folder, never the user's own store.
class TempStore {
public:
    TempStore() : m_store(std::make_unique<qar::QSettingsStore>(m_dir.file("qar.conf"))) {}
    qar::QSettingsStore& store() { return *m_store; }
    // A fresh store object on the same file: what the next start of the program reads.
    std::unique_ptr<qar::QSettingsStore> Reopen() const {
        return std::make_unique<qar::QSettingsStore>(m_dir.file("qar.conf"));
    }

private:
    testutil::TempDir m_dir;
    std::unique_ptr<qar::QSettingsStore> m_store;
};

// Records every address handed to the desktop instead of opening it.
struct OpenedUrls {
    std::vector<QUrl> urls;
    qar::UrlOpener Opener() {
        return [this](const QUrl& url) { urls.push_back(url); };
    }
};

// The whole program started as main() starts it, on a given store.
class StartedApp {
public:
    explicit StartedApp(qar::SettingsStore& store, qar::FrameOptions options = {},
                        const QStringList& arguments = {})
        : m_app(std::make_unique<qar::CQarApp>(store, std::move(options))) {
        m_app->InitInstance(arguments);
    }
    qar::CQarApp& app() { return *m_app; }
    qar::CMainFrame* frame() { return m_app->MainFrame(); }
    qar::CQarView* view() { return m_app->View(); }
    // Ends the program: the frame and the view go, and the view saves its settings.
    void Destroy() { m_app.reset(); }

private:
    std::unique_ptr<qar::CQarApp> m_app;
};

inline QString Id(int id) {
    return QString::number(id);
}

inline QString Q(const std::string& bytes) {
    return QFile::decodeName(QByteArray::fromStdString(bytes));
}

inline QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// A control or action of the window by its id.
template <class T>
T* Find(QObject* root, int id) {
    return root->findChild<T*>(Id(id));
}

// Every scan leaves the process in the folder it listed; step out of the test's temporary
// folders before they are removed, so later tests do not run in a deleted folder.
inline void LeaveTempFolders() {
    std::error_code ec;
    std::filesystem::current_path(std::filesystem::temp_directory_path(ec), ec);
}

// Lets the event loop handle what is queued (posted commands, zero timers).
inline void Settle() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

}  // namespace guitest
