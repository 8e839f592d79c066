#include "frame/mainframe.h"

#include <cstdlib>
#include <mutex>

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>

#include <unistd.h>

#include "app/commandevent.h"
#include "engine/encodestatusdlg.h"
#include "frame/dirbar.h"
#include "frame/helppage.h"
#include "frame/pathexists.h"
#include "frame/prompts.h"
#include "frame/windowplacement.h"
#include "res/ids.h"
#include "res/resources.h"
#include "settings/optionsettings.h"
#include "settings/settingsstore.h"
#include "view/programfolder.h"

#ifndef QAR_HELP_FROM_BIN
#define QAR_HELP_FROM_BIN "../share/qar/help"
#endif

namespace qar {

namespace {
// The window's size at the first start, before any placement was stored.
constexpr QSize kFirstStartSize(860, 540);
}  // namespace

CMainFrame* g_mainFrame = nullptr;

namespace {

constexpr const char* kWindowTitle = "qar (MP3 Encoder)";
constexpr const char* kIdleMessage = "Ready";
constexpr int kSeparatorItem = 0;

struct MenuItemDef {
    int id;  // kSeparatorItem for a separator
    const char* text;
};

struct MenuDef {
    const char* title;
    std::initializer_list<MenuItemDef> items;
};

// Menu 128. A text's part after the tab is a key hint the view answers (or, for F5, the
// shortcut set below); the menus show it right-aligned.
const MenuDef kMenus[] = {
    {"ファイル(&F)", {{ID_APP_EXIT, "終了(&X)"}}},
    {"編集(&E)", {{ID_EDIT_SELECT_ALL, "すべて選択(&L)"}, {ID_EDIT_CLEAR, "クリア(&A)"}}},
    {"表示(&V)",
     {{ID_VIEW_DIRBAR, "ディレクトリバー(&D)"},
      {ID_VIEW_STATUS_BAR, "ステータスバー(&S)"},
      {kSeparatorItem, nullptr},
      {ID_VIEW_REFRESH, "最新の情報に更新(&R)"}}},
    {"操作(&A)",
     {{ID_ENCODE, "エンコード開始(&E)..."},
      {ID_OPTIONS, "オプション(&O)..."},
      {kSeparatorItem, nullptr},
      {ID_WAV_DIR, "WAVEディレクトリの選択(&W)..."},
      {ID_MP3_DIR, "出力ディレクトリの選択(&M)..."},
      {kSeparatorItem, nullptr},
      {ID_PLAYLIST, "プレイリストを作成(&P)\tm"},
      {ID_PLAYLIST_WITH_WAV, "プレイリストを作成(.WAV付き)(&B)\tM"},
      {ID_PLAY_MP3, "MP3ファイルを再生(&P)\tp"},
      {ID_PLAY_WAV, "WAVファイルを再生(W)\tw"}}},
    {"ヘルプ(&H)", {{ID_HELP_SHOW, "ヘルプの表示(&H)"}, {ID_APP_ABOUT, "バージョン情報(&A)"}}},
};

QString FromBytes(const std::string& bytes) {
    return QFile::decodeName(QByteArray::fromStdString(bytes));
}

// A stored rectangle that lies on no screen (a monitor since unplugged) would open the
// window out of reach: bring it back to the primary screen.
QRect OnSomeScreen(const QRect& rect) {
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen->availableGeometry().intersects(rect))
            return rect;
    }
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary)
        return rect;
    QRect moved = rect;
    moved.moveTopLeft(primary->availableGeometry().topLeft());
    return moved;
}

}  // namespace

// The bytes the program last put into an edit and the text that showed them, so a folder
// whose name is not valid UTF-8 is still taken with its own bytes when the edit reports it.
struct CMainFrame::EditSource {
    QString shown;
    std::string bytes;
};

// The worker's way to the window: cleared under its lock when the window goes, so a notice
// is either posted while the window exists or dropped.
struct CMainFrame::NoticeGate {
    std::mutex mutex;
    QObject* target = nullptr;
};

CMainFrame::CMainFrame(SettingsStore& store, FrameOptions options, QWidget* parent)
    : QMainWindow(parent),
      m_store(store),
      m_options(std::move(options)),
      m_noticeGate(std::make_shared<NoticeGate>()),
      m_wavEditSource(std::make_unique<EditSource>()),
      m_mp3EditSource(std::make_unique<EditSource>()) {
    if (!m_options.openUrl)
        m_options.openUrl = DesktopUrlOpener();
    if (m_options.programFolder.empty())
        m_options.programFolder = GetProgramFolder();
    InitQarResources();
    setWindowTitle(QString::fromUtf8(kWindowTitle));
    setWindowIcon(QIcon(QString::fromUtf8(kAppIconResource)));
    m_wavFileDir = CurrentDirectory();
    m_mp3FileDir = m_wavFileDir;
    m_router.SetFrame(this);
    m_noticeGate->target = this;
    g_mainFrame = this;
}

CMainFrame::~CMainFrame() {
    // Children go after this body; their last signals must not reach a half-gone frame.
    if (m_wndDirBar)
        disconnect(m_wndDirBar, nullptr, this, nullptr);
    {
        std::lock_guard lock(m_noticeGate->mutex);
        m_noticeGate->target = nullptr;
    }
    if (g_mainFrame == this)
        g_mainFrame = nullptr;
    m_router.SetView(nullptr);
}

void CMainFrame::Create(QWidget* view) {
    if (view) {
        setCentralWidget(view);
        // The keys of the list (space, the play letters) work from the start.
        view->setFocus();
    }
    BuildMenuBar();
    BuildStatusBar();
    LoadWindowPlacement();

    const std::string wavDir = LoadWavFileDir(m_store);
    if (!wavDir.empty())
        m_wavFileDir = wavDir;
    const std::string mp3Dir = LoadMp3FileDir(m_store);
    if (!mp3Dir.empty())
        m_mp3FileDir = mp3Dir;

    m_wndDirBar = new CDirBar(this);
    addToolBar(Qt::TopToolBarArea, m_wndDirBar);
    connect(m_wndDirBar, &CDirBar::commandRequested, this, &CMainFrame::OnBarCommand);
    connect(m_wndDirBar, &CDirBar::editChanged, this, &CMainFrame::OnEditChanged);
    // Hiding the bar from its own context menu must also clear the View menu's check mark.
    connect(m_wndDirBar, &QToolBar::visibilityChanged, this, [this] { UpdateCommandUI(); });

    SetEditText(ID_WAV_DIR_EDIT, m_wavFileDir);
    SetEditText(ID_MP3_DIR_EDIT, m_mp3FileDir);
    UpdateCommandUI();
}

void CMainFrame::BuildMenuBar() {
    QMenuBar* bar = menuBar();
    for (const MenuDef& menuDef : kMenus) {
        QMenu* menu = bar->addMenu(QString::fromUtf8(menuDef.title));
        // Check marks and folder texts are brought up to date whenever a menu opens.
        connect(menu, &QMenu::aboutToShow, this, [this] {
            UpdateCommandUI();
            UpdateDirEdits();
        });
        for (const MenuItemDef& item : menuDef.items) {
            if (item.id == kSeparatorItem) {
                menu->addSeparator();
                continue;
            }
            QAction* action = menu->addAction(QString::fromUtf8(item.text));
            action->setObjectName(QString::number(item.id));
            action->setData(item.id);
            const CommandPrompt prompt = PromptFor(item.id);
            action->setStatusTip(prompt.status);
            action->setToolTip(prompt.tooltip);
            const int id = item.id;
            connect(action, &QAction::triggered, this, [this, id] { RouteCommand(id); });
        }
    }
    for (int id : {ID_VIEW_DIRBAR, ID_VIEW_STATUS_BAR})
        CommandAction(id)->setCheckable(true);
    CommandAction(ID_VIEW_REFRESH)->setShortcut(QKeySequence(Qt::Key_F5));
}

void CMainFrame::BuildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QString::number(ID_VIEW_STATUS_BAR));
    // An ordinary status-bar widget hides while a prompt is shown and comes back after it,
    // which is exactly the idle message's part.
    auto* ready = new QLabel(QString::fromUtf8(kIdleMessage), bar);
    ready->setObjectName(QStringLiteral("ready"));
    bar->addWidget(ready, 1);
}

QAction* CMainFrame::CommandAction(int id) const {
    return findChild<QAction*>(QString::number(id));
}

void CMainFrame::LoadWindowPlacement() {
    const std::optional<WindowPlacement> placement = ParseWindowPlacement(LoadWindowPos(m_store));
    if (!placement) {
        // Nothing stored: the window manager places it, at a size that shows every column.
        resize(kFirstStartSize);
        return;
    }
    // The stored show command is not used: the window shows as the program was started.
    m_restoreToMaximized = (placement->flags & kPlacementRestoreToMaximized) != 0;
    const QRect normal(placement->left, placement->top, placement->right - placement->left,
                       placement->bottom - placement->top);
    if (normal.width() > 0 && normal.height() > 0)
        setGeometry(OnSomeScreen(normal));
}

void CMainFrame::SaveWindowPlacement() {
    const Qt::WindowStates state = windowState();
    const bool maximized = state.testFlag(Qt::WindowMaximized);
    const bool minimized = state.testFlag(Qt::WindowMinimized);
    WindowPlacement p;
    p.flags = maximized ? kPlacementRestoreToMaximized : 0;
    p.showCmd = minimized ? kShowMinimized : (maximized ? kShowMaximized : kShowNormal);
    // A window started maximized has never had a normal rectangle; its current one is the
    // best guess for where it should come back.
    QRect normal = normalGeometry();
    if (!normal.isValid() || normal.isEmpty())
        normal = geometry();
    p.left = normal.x();
    p.top = normal.y();
    p.right = normal.x() + normal.width();
    p.bottom = normal.y() + normal.height();
    SaveWindowPos(m_store, FormatWindowPlacement(p));
}

void CMainFrame::ShowAtStart(StartShow how) {
    switch (how) {
        case StartShow::Maximized:
            showMaximized();
            break;
        case StartShow::Minimized:
            // Restoring goes back to maximized if the window was maximized when it closed.
            setWindowState(m_restoreToMaximized ? (Qt::WindowMinimized | Qt::WindowMaximized)
                                                : Qt::WindowMinimized);
            show();
            break;
        case StartShow::Normal:
            show();
            break;
    }
}

bool CMainFrame::RouteCommand(int id) {
    return m_router.Route(id);
}

bool CMainFrame::OnCommand(int id) {
    switch (id) {
        case ID_APP_EXIT:
            OnExit();
            return true;
        case ID_HELP_SHOW:
            OnShowHelp();
            return true;
        case ID_VIEW_DIRBAR:
            if (m_wndDirBar)
                m_wndDirBar->setVisible(m_wndDirBar->isHidden());
            UpdateCommandUI();
            return true;
        case ID_VIEW_STATUS_BAR:
            statusBar()->setVisible(statusBar()->isHidden());
            UpdateCommandUI();
            return true;
        default:
            return false;
    }
}

EncodeNotify CMainFrame::MakeEncodeNotify() const {
    std::shared_ptr<NoticeGate> gate = m_noticeGate;
    return [gate](int id) {
        std::lock_guard lock(gate->mutex);
        if (gate->target)
            PostCommand(gate->target, id);
    };
}

void CMainFrame::SetWavFileDir(const std::string& dir) {
    m_wavFileDir = dir;
    m_wavDirChanged = true;
    ScheduleUpdate();
}

void CMainFrame::SetMp3FileDir(const std::string& dir) {
    m_mp3FileDir = dir;
    m_mp3DirChanged = true;
    ScheduleUpdate();
}

bool CMainFrame::event(QEvent* event) {
    if (event->type() == CommandEvent::EventType()) {
        RouteCommand(static_cast<CommandEvent*>(event)->Id());
        return true;
    }
    return QMainWindow::event(event);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    StopEncodingForClose();
    SaveWindowPlacement();
    SaveFolders(m_store, m_wavFileDir, m_mp3FileDir);
    event->accept();
}

void CMainFrame::OnBarCommand(int id) {
    // The frame acts on the same-place box before the view hears of it.
    if (id == IDC_SAMEDIR)
        OnSameDirClicked();
    RouteCommand(id);
}

void CMainFrame::OnEditChanged(int id) {
    QLineEdit* edit = id == ID_WAV_DIR_EDIT ? m_wndDirBar->WavDirEdit() : m_wndDirBar->Mp3DirEdit();
    const EditSource& source = id == ID_WAV_DIR_EDIT ? *m_wavEditSource : *m_mp3EditSource;
    const QString text = edit->text();
    const std::string path =
        text == source.shown ? source.bytes : QFile::encodeName(text).toStdString();
    // A text that names nothing yet (half typed, or a file drop's folder with its trailing
    // separator) leaves the folder as it was.
    if (!PathExists(path))
        return;
    // A relative text names a place seen from the folder being listed (the current
    // directory); kept absolute, later rescans and the next start find the same place.
    (id == ID_WAV_DIR_EDIT ? m_wavFileDir : m_mp3FileDir) = AbsolutePath(path);
    // Posted, so the view rescans after this change has been dealt with, not inside it.
    PostCommand(this, id);
}

void CMainFrame::OnSameDirClicked() {
    // The output folder becomes the source folder whichever way the box was switched.
    m_mp3FileDir = m_wavFileDir;
    SetEditText(ID_MP3_DIR_EDIT, m_mp3FileDir);
    m_wndDirBar->Mp3DirEdit()->setEnabled(!m_wndDirBar->SamedirBox()->isChecked());
}

void CMainFrame::SetEditText(int id, const std::string& text) {
    QLineEdit* edit = id == ID_WAV_DIR_EDIT ? m_wndDirBar->WavDirEdit() : m_wndDirBar->Mp3DirEdit();
    EditSource& source = id == ID_WAV_DIR_EDIT ? *m_wavEditSource : *m_mp3EditSource;
    source.bytes = text;
    source.shown = FromBytes(text);
    // Setting an edit counts as a change even when the text stays the same, so the view
    // takes the folder over every time the program writes it.
    if (edit->text() == source.shown)
        OnEditChanged(id);
    else
        edit->setText(source.shown);
}

void CMainFrame::ScheduleUpdate() {
    if (m_updatePending)
        return;
    m_updatePending = true;
    QTimer::singleShot(0, this, [this] {
        m_updatePending = false;
        UpdateDirEdits();
    });
}

void CMainFrame::UpdateCommandUI() {
    if (QAction* a = CommandAction(ID_VIEW_DIRBAR))
        a->setChecked(m_wndDirBar && !m_wndDirBar->isHidden());
    if (QAction* a = CommandAction(ID_VIEW_STATUS_BAR))
        a->setChecked(!statusBar()->isHidden());
}

void CMainFrame::UpdateDirEdits() {
    if (!m_wndDirBar)
        return;
    if (m_wavDirChanged) {
        m_wavDirChanged = false;
        SetEditText(ID_WAV_DIR_EDIT, m_wavFileDir);
    }
    if (m_mp3DirChanged) {
        m_mp3DirChanged = false;
        SetEditText(ID_MP3_DIR_EDIT, m_mp3FileDir);
    }
}

void CMainFrame::OnExit() {
    // Exit ends the program the way closing the window does, so the folders, placement,
    // switches and priority of this run are kept, and a running encoding is stopped first.
    if (close())
        QCoreApplication::quit();
}

void CMainFrame::OnShowHelp() {
    const std::string page = FindHelpPage(m_options.programFolder, QAR_HELP_FROM_BIN);
    // A missing help page is not reported.
    if (!page.empty())
        m_options.openUrl(QUrl::fromLocalFile(FromBytes(page)));
}

void CMainFrame::StopEncodingForClose() {
    // Ending with the worker still writing would leave a cut-off MP3 behind.
    if (!IsEncodeWorkerRunning())
        return;
    StopEncodeWorker();
    CloseEncodeStatusDlg();
}

}  // namespace qar
