// The main window: menu bar, status bar and directory bar around the file list. It owns the
// texts of the source and output folders, restores and saves them and the window placement,
// turns edits of the two folder fields into commands for the view, and handles Exit and Help.
#pragma once

#include <memory>
#include <string>

#include <QMainWindow>

#include "app/commandrouter.h"
#include "app/commandtarget.h"
#include "app/urlopener.h"
#include "engine/engine.h"

class QAction;
class QLineEdit;

namespace qar {

class CDirBar;
class SettingsStore;

// How the window is first shown, taken from how the program was started.
enum class StartShow { Normal, Minimized, Maximized };

// What the frame needs from outside that tests replace.
struct FrameOptions {
    // Opens the help page; the desktop's default browser unless replaced.
    UrlOpener openUrl;
    // Where the help folder is looked for; the executable's folder unless set.
    std::string programFolder;
};

class CMainFrame : public QMainWindow, public CommandTarget {
    Q_OBJECT

public:
    // Takes the current directory as both folders. The store must outlive the frame.
    explicit CMainFrame(SettingsStore& store, FrameOptions options = {}, QWidget* parent = nullptr);
    ~CMainFrame() override;
    CMainFrame(const CMainFrame&) = delete;
    CMainFrame& operator=(const CMainFrame&) = delete;

    // Builds the window around view: menus, status bar, placement, folders, directory bar,
    // and writes the folders into the edits (which, for existing folders, posts 1008/1009).
    void Create(QWidget* view);
    // Shows the window the way the program was started.
    void ShowAtStart(StartShow how);

    // Where commands go: view, then this frame, then the application.
    CommandRouter& Router() { return m_router; }
    // Offers a command to the view, the frame and the application in turn.
    bool RouteCommand(int id);
    // Frame commands: Exit, Help and the two bars' show/hide.
    bool OnCommand(int id) override;

    // The end notice for StartEncodeWorker: posts ID_ENCODE_FINISHED to this window from
    // any thread; a notice that comes after the window is gone is dropped.
    EncodeNotify MakeEncodeNotify() const;

    // The source and output folders as the frame holds them (file-system bytes).
    const std::string& WavFileDir() const { return m_wavFileDir; }
    const std::string& Mp3FileDir() const { return m_mp3FileDir; }
    // The view's own choice of a folder: stored at once and shown in its edit when the
    // window next updates its controls.
    void SetWavFileDir(const std::string& dir);
    void SetMp3FileDir(const std::string& dir);

    CDirBar* DirBar() const { return m_wndDirBar; }
    // The menu item or bar action of a command id (null when there is none).
    QAction* CommandAction(int id) const;

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    struct EditSource;
    struct NoticeGate;

    void BuildMenuBar();
    void BuildStatusBar();
    void LoadWindowPlacement();
    void SaveWindowPlacement();
    void OnBarCommand(int id);
    void OnEditChanged(int id);
    void OnSameDirClicked();
    void SetEditText(int id, const std::string& text);
    void ScheduleUpdate();
    void UpdateCommandUI();
    void UpdateDirEdits();
    void OnExit();
    void OnShowHelp();
    void StopEncodingForClose();

    SettingsStore& m_store;
    FrameOptions m_options;
    CommandRouter m_router;
    std::shared_ptr<NoticeGate> m_noticeGate;

    std::string m_wavFileDir;
    std::string m_mp3FileDir;
    bool m_wavDirChanged = false;
    bool m_mp3DirChanged = false;
    bool m_updatePending = false;
    bool m_restoreToMaximized = false;

    std::unique_ptr<EditSource> m_wavEditSource;
    std::unique_ptr<EditSource> m_mp3EditSource;

    CDirBar* m_wndDirBar = nullptr;
};

// The one main frame while it exists; null before and after.
extern CMainFrame* g_mainFrame;

}  // namespace qar
