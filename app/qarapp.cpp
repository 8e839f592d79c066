#include "app/qarapp.h"

#include "app/aboutdlg.h"
#include "res/ids.h"
#include "view/qarview.h"

namespace qar {

StartShow StartShowFromArguments(const QStringList& arguments) {
    StartShow show = StartShow::Normal;
    for (const QString& arg : arguments) {
        if (arg == QLatin1String("-showmaximized"))
            show = StartShow::Maximized;
        else if (arg == QLatin1String("-showminimized"))
            show = StartShow::Minimized;
        else if (arg == QLatin1String("-shownormal"))
            show = StartShow::Normal;
    }
    return show;
}

CQarApp::CQarApp(SettingsStore& store, FrameOptions options)
    : m_store(store), m_options(std::move(options)) {}

CQarApp::~CQarApp() {
    // The view saves its settings as the frame takes it down; both go before the store.
    m_view = nullptr;
    m_frame.reset();
}

bool CQarApp::InitInstance(const QStringList& arguments) {
    m_frame = std::make_unique<CMainFrame>(m_store, m_options);
    m_view = new CQarView(m_store, m_frame.get());
    CommandRouter& router = m_frame->Router();
    router.SetView(m_view);
    router.SetApp(this);
    m_frame->Create(m_view);
    m_view->OnInitialUpdate();
    m_frame->ShowAtStart(StartShowFromArguments(arguments));
    return true;
}

bool CQarApp::OnCommand(int id) {
    if (id != ID_APP_ABOUT)
        return false;
    CAboutDlg about(m_options.openUrl, m_frame.get());
    about.exec();
    return true;
}

}  // namespace qar
