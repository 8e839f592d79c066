// The main window as the user meets it: caption, menus with their ids, mnemonics and key
// hints, the prompts in the status bar and the tooltips, the directory bar and the two
// bars' show/hide, F5, and the routing of commands view -> frame -> application.
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>

#include "app/commandrouter.h"
#include "frame/dirbar.h"
#include "guitests.h"
#include "guitestutil.h"
#include "res/ids.h"

namespace guitest {

namespace {

struct ExpectedItem {
    int id;  // 0 for a separator
    const char* text;
};

struct ExpectedMenu {
    const char* title;
    std::vector<ExpectedItem> items;
};

const std::vector<ExpectedMenu> kExpectedMenus = {
    {"ファイル(&F)", {{57665, "終了(&X)"}}},
    {"編集(&E)", {{32771, "すべて選択(&L)"}, {32773, "クリア(&A)"}}},
    {"表示(&V)",
     {{103, "ディレクトリバー(&D)"},
      {59393, "ステータスバー(&S)"},
      {0, ""},
      {32772, "最新の情報に更新(&R)"}}},
    {"操作(&A)",
     {{1004, "エンコード開始(&E)..."},
      {32776, "オプション(&O)..."},
      {0, ""},
      {1005, "WAVEディレクトリの選択(&W)..."},
      {1006, "出力ディレクトリの選択(&M)..."},
      {0, ""},
      {32778, "プレイリストを作成(&P)\tm"},
      {32782, "プレイリストを作成(.WAV付き)(&B)\tM"},
      {32779, "MP3ファイルを再生(&P)\tp"},
      {32781, "WAVファイルを再生(W)\tw"}}},
    {"ヘルプ(&H)", {{32775, "ヘルプの表示(&H)"}, {57664, "バージョン情報(&A)"}}},
};

struct ExpectedPrompt {
    int id;
    const char* status;
    const char* tooltip;
};

const std::vector<ExpectedPrompt> kExpectedPrompts = {
    {103, "ディレクトリバーを表示します", "ディレクトリバーの表示"},
    {1004, "エンコードを開始します", "エンコード開始"},
    {1005, "入力ファイルのディレクトリを選択", "ＷＡＶディレクトリ選択"},
    {1006, "出力ディレクトリ選択", "ディレクトリ選択"},
    {32771, "すべてのファイルを選択します", "全て選択"},
    {32772, "表示内容を最新の情報に更新します", "更新"},
    {32773, "何も選択されていない状態にします", "クリア"},
    {32775, "ヘルプを開きます", ""},
    {32776, "エンコードオプションの指定を行います", "オプション設定"},
    {32778, "プレイリストを作成して演奏開始", ""},
    {32779, "MP3ファイルを再生します", ""},
    {32781, "WAVファイルを再生します", ""},
    {57664, "プログラムの情報、バージョンを表示します", ""},
    {57665, "アプリケーションを終了します", "終了"},
    {59393, "ステータスバーを表示します", "ステータスバーの表示"},
    {32782, "", ""},
};

// A command target that records what it was offered and takes only its own ids.
class RecordingTarget : public qar::CommandTarget {
public:
    explicit RecordingTarget(std::vector<int> takes) : m_takes(std::move(takes)) {}
    bool OnCommand(int id) override {
        offered.push_back(id);
        return std::find(m_takes.begin(), m_takes.end(), id) != m_takes.end();
    }
    std::vector<int> offered;

private:
    std::vector<int> m_takes;
};

}  // namespace

class TestMainFrame : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_store = std::make_unique<TempStore>();
        m_folder = std::make_unique<testutil::TempDir>();
        m_store->store().WriteString("Path", "WavFileDir", m_folder->path().string());
        m_store->store().WriteString("Path", "Mp3FileDir", m_folder->path().string());
        m_app = std::make_unique<StartedApp>(m_store->store());
        Settle();
    }
    void cleanup() {
        LeaveTempFolders();
        m_app.reset();
        m_store.reset();
        m_folder.reset();
    }

    void captionAndMenus() {
        qar::CMainFrame* frame = m_app->frame();
        QCOMPARE(frame->windowTitle(), U("qar (MP3 Encoder)"));
        QVERIFY(frame->isVisible());

        const QList<QAction*> menus = frame->menuBar()->actions();
        QCOMPARE(menus.size(), qsizetype(kExpectedMenus.size()));
        for (std::size_t m = 0; m < kExpectedMenus.size(); ++m) {
            const ExpectedMenu& expected = kExpectedMenus[m];
            QCOMPARE(menus[qsizetype(m)]->text(), U(expected.title));
            const QList<QAction*> items = menus[qsizetype(m)]->menu()->actions();
            QCOMPARE(items.size(), qsizetype(expected.items.size()));
            for (std::size_t i = 0; i < expected.items.size(); ++i) {
                QAction* item = items[qsizetype(i)];
                const ExpectedItem& e = expected.items[i];
                if (e.id == 0) {
                    QVERIFY2(item->isSeparator(), expected.title);
                    continue;
                }
                QCOMPARE(item->text(), U(e.text));
                QCOMPARE(item->objectName(), Id(e.id));
                QCOMPARE(item->data().toInt(), e.id);
            }
        }
        // F5 is a real shortcut; the letter hints are not (the list answers those keys).
        QCOMPARE(Find<QAction>(frame, qar::ID_VIEW_REFRESH)->shortcut(), QKeySequence(Qt::Key_F5));
        QVERIFY(Find<QAction>(frame, qar::ID_PLAYLIST)->shortcut().isEmpty());
        QVERIFY(Find<QAction>(frame, qar::ID_VIEW_DIRBAR)->isCheckable());
        QVERIFY(Find<QAction>(frame, qar::ID_VIEW_STATUS_BAR)->isCheckable());
    }

    void promptsOfMenuItemsAndButtons() {
        qar::CMainFrame* frame = m_app->frame();
        for (const ExpectedPrompt& p : kExpectedPrompts) {
            QAction* action = Find<QAction>(frame, p.id);
            QVERIFY2(action, qPrintable(Id(p.id)));
            QCOMPARE(action->statusTip(), U(p.status));
            // Without a second line Qt falls back to the item's text; only real ones count.
            if (*p.tooltip)
                QCOMPARE(action->toolTip(), U(p.tooltip));
        }
        // Hovering a bar button shows its first line; leaving it brings "Ready" back.
        QStatusBar* status = frame->statusBar();
        auto* ready = status->findChild<QLabel*>(QStringLiteral("ready"));
        QVERIFY(ready);
        QCOMPARE(ready->text(), U("Ready"));
        QVERIFY(ready->isVisible());
        for (int id : {qar::ID_ENCODE, qar::ID_OPTIONS, qar::ID_WAV_DIR, qar::ID_MP3_DIR}) {
            auto* button = Find<QPushButton>(frame->DirBar(), id);
            QVERIFY(button);
            const ExpectedPrompt& p =
                *std::find_if(kExpectedPrompts.begin(), kExpectedPrompts.end(),
                              [id](const ExpectedPrompt& e) { return e.id == id; });
            QCOMPARE(button->toolTip(), U(p.tooltip));
            QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
            QCoreApplication::sendEvent(button, &enter);
            QCOMPARE(status->currentMessage(), U(p.status));
            QVERIFY(!ready->isVisible());
            QEvent leave(QEvent::Leave);
            QCoreApplication::sendEvent(button, &leave);
            QCOMPARE(status->currentMessage(), QString());
            QVERIFY(ready->isVisible());
        }
        // A highlighted menu item shows its prompt the same way.
        QMenu* menu = frame->menuBar()->actions().at(3)->menu();
        frame->menuBar()->setActiveAction(frame->menuBar()->actions().at(3));
        QVERIFY(QTest::qWaitForWindowExposed(menu));
        QAction* options = Find<QAction>(frame, qar::ID_OPTIONS);
        QTest::mouseMove(menu, menu->actionGeometry(options).center());
        QTRY_COMPARE(status->currentMessage(), U("エンコードオプションの指定を行います"));
        menu->close();
    }

    void directoryBarControls() {
        qar::CMainFrame* frame = m_app->frame();
        qar::CDirBar* bar = frame->DirBar();
        QCOMPARE(bar->objectName(), Id(103));
        QCOMPARE(bar->allowedAreas(), Qt::TopToolBarArea | Qt::BottomToolBarArea);
        QVERIFY(bar->isMovable());
        QCOMPARE(frame->toolBarArea(bar), Qt::TopToolBarArea);

        const std::vector<std::pair<int, const char*>> buttons = {
            {1004, "エンコード..."}, {32776, "設定..."}, {1005, "..."}, {1006, "..."}};
        for (const auto& [id, text] : buttons) {
            auto* b = Find<QPushButton>(bar, id);
            QVERIFY2(b, qPrintable(Id(id)));
            QCOMPARE(b->text(), U(text));
        }
        QCOMPARE(Find<QCheckBox>(bar, 1020)->text(),
                 U("ソースディレクトリと同じ場所に作成する(&M)"));
        QCOMPARE(Find<QCheckBox>(bar, 1019)->text(), U("サブディレクトリも検索(&S)"));
        QVERIFY(Find<QLineEdit>(bar, 1008));
        QVERIFY(Find<QLineEdit>(bar, 1009));
        QStringList labels;
        for (QLabel* l : bar->findChildren<QLabel*>())
            labels << l->text();
        QVERIFY(labels.contains(U("ソースディレクトリ(&W):")));
        QVERIFY(labels.contains(U("出力ディレクトリ(&M)")));
        // Every control is shown, and no button or box cuts its text off.
        for (QAbstractButton* b : bar->findChildren<QAbstractButton*>()) {
            if (!qobject_cast<QPushButton*>(b) && !qobject_cast<QCheckBox*>(b))
                continue;
            const QString visible = QString(b->text()).remove(QLatin1Char('&'));
            QVERIFY2(b->isVisible(), qPrintable(b->objectName()));
            QVERIFY2(b->width() > b->fontMetrics().horizontalAdvance(visible),
                     qPrintable(b->objectName()));
        }
        for (QLineEdit* e : bar->findChildren<QLineEdit*>())
            QVERIFY(e->isVisible() && e->width() >= e->minimumWidth());
    }

    void viewMenuShowsAndHidesTheBars() {
        qar::CMainFrame* frame = m_app->frame();
        struct Case {
            int id;
            QWidget* bar;
        };
        for (const Case& c : {Case{103, frame->DirBar()}, Case{59393, frame->statusBar()}}) {
            QAction* action = Find<QAction>(frame, c.id);
            QVERIFY(action->isChecked());
            QVERIFY(c.bar->isVisible());
            action->trigger();
            QVERIFY(!c.bar->isVisible());
            QVERIFY(!action->isChecked());
            action->trigger();
            QVERIFY(c.bar->isVisible());
            QVERIFY(action->isChecked());
        }
        // Hidden some other way (the bar's context menu): the check mark follows.
        frame->DirBar()->hide();
        QVERIFY(!Find<QAction>(frame, 103)->isChecked());
        frame->DirBar()->show();
        QVERIFY(Find<QAction>(frame, 103)->isChecked());
    }

    void f5RefreshesTheList() {
        qar::CMainFrame* frame = m_app->frame();
        QCOMPARE(m_app->view()->Rows().size(), std::size_t(0));
        testutil::WriteWav(m_folder->file("new.wav"));
        frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(frame));
        QSignalSpy refreshed(m_app->view(), &qar::CQarView::listRefreshed);
        QTest::keyClick(frame, Qt::Key_F5);
        QCOMPARE(refreshed.count(), 1);
        QCOMPARE(m_app->view()->Rows().size(), std::size_t(1));
        QCOMPARE(m_app->view()->Rows()[0].name, std::string("new.wav"));
    }

    void routerOffersViewThenFrameThenApp() {
        RecordingTarget view({1});
        RecordingTarget frame({1, 2});
        RecordingTarget app({3});
        qar::CommandRouter router;
        router.SetView(&view);
        router.SetFrame(&frame);
        router.SetApp(&app);
        QVERIFY(router.Route(1));
        QVERIFY(router.Route(2));
        QVERIFY(router.Route(3));
        QVERIFY(!router.Route(4));
        QCOMPARE(view.offered, (std::vector<int>{1, 2, 3, 4}));
        QCOMPARE(frame.offered, (std::vector<int>{2, 3, 4}));
        QCOMPARE(app.offered, (std::vector<int>{3, 4}));
    }

    void barButtonsRouteTheirIds() {
        // The commands of later work (Encode, Options, the browsers) are routed but taken by
        // nobody yet; check the route itself with a recording view in front.
        RecordingTarget recorder({});
        qar::CMainFrame* frame = m_app->frame();
        frame->Router().SetView(&recorder);
        for (int id : {qar::ID_ENCODE, qar::ID_OPTIONS, qar::ID_WAV_DIR, qar::ID_MP3_DIR})
            Find<QPushButton>(frame->DirBar(), id)->click();
        Find<QAction>(frame, qar::ID_EDIT_SELECT_ALL)->trigger();
        frame->Router().SetView(m_app->view());
        QCOMPARE(recorder.offered, (std::vector<int>{1004, 32776, 1005, 1006, 32771}));
    }

private:
    std::unique_ptr<TempStore> m_store;
    std::unique_ptr<testutil::TempDir> m_folder;
    std::unique_ptr<StartedApp> m_app;
};

QObject* MakeTestMainFrame() {
    return new TestMainFrame;
}

}  // namespace guitest

#include "test_mainframe.moc"
