// The application object: builds the main window with its file list, shows it the way the
// program was started, and answers the About command.
#pragma once

#include <memory>

#include <QStringList>

#include "app/commandtarget.h"
#include "frame/mainframe.h"

namespace qar {

class CQarView;
class SettingsStore;

// The argument that chose how the window first shows: the last of "-showmaximized",
// "-showminimized" and "-shownormal"; normal without any.
StartShow StartShowFromArguments(const QStringList& arguments);

class CQarApp : public CommandTarget {
public:
    // store must outlive the application object.
    explicit CQarApp(SettingsStore& store, FrameOptions options = {});
    ~CQarApp() override;
    CQarApp(const CQarApp&) = delete;
    CQarApp& operator=(const CQarApp&) = delete;

    // Builds frame and view, lists the folder and shows the window; true when it is up.
    bool InitInstance(const QStringList& arguments);

    // Command 57664: the About box, modal.
    bool OnCommand(int id) override;

    CMainFrame* MainFrame() const { return m_frame.get(); }
    CQarView* View() const { return m_view; }

private:
    SettingsStore& m_store;
    FrameOptions m_options;
    std::unique_ptr<CMainFrame> m_frame;
    CQarView* m_view = nullptr;  // owned by the frame
};

}  // namespace qar
