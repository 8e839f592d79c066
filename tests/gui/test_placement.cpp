// The window placement kept between runs: the stored text's form, where the window comes
// back, the maximized flag, texts that are not ten integers, and the show state, which comes
// from how the program was started and not from the store.
#include <QScreen>
#include <QTest>

#include "frame/windowplacement.h"
#include "guitests.h"
#include "guitestutil.h"

namespace QTest {
template <>
inline char* toString(const qar::WindowPlacement& p) {
    return qstrdup(qar::FormatWindowPlacement(p).c_str());
}
}  // namespace QTest

namespace guitest {

namespace {

qar::WindowPlacement Stored(qar::SettingsStore& store) {
    const std::string text = store.ReadString("Settings", "WindowPos", "");
    const std::optional<qar::WindowPlacement> p = qar::ParseWindowPlacement(text);
    if (!p)
        qWarning("stored placement \"%s\" does not read", text.c_str());
    return p.value_or(qar::WindowPlacement{-99, -99});
}

}  // namespace

class TestPlacement : public QObject {
    Q_OBJECT

private slots:
    void init() { m_store = std::make_unique<TempStore>(); }
    void cleanup() {
        LeaveTempFolders();
        m_app.reset();
        m_store.reset();
    }

    void parsing_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("reads");
        QTest::newRow("written form") << U("2:3:-1:-1:-8:-8:10:20:650:500") << true;
        QTest::newRow("blanks before numbers") << U("0: 1: -1:-1:-1:-1: 1:2:3:4") << true;
        QTest::newRow("nine") << U("0:1:-1:-1:-1:-1:10:20:650") << false;
        QTest::newRow("eleven") << U("0:1:-1:-1:-1:-1:10:20:650:500:7") << false;
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("words") << U("a:b:c:d:e:f:g:h:i:j") << false;
        QTest::newRow("commas") << U("0,1,-1,-1,-1,-1,10,20,650,500") << false;
        QTest::newRow("trailing text") << U("0:1:-1:-1:-1:-1:10:20:650:500x") << false;
        QTest::newRow("too big") << U("0:1:-1:-1:-1:-1:10:20:650:99999999999") << false;
        QTest::newRow("empty field") << U("0:1::-1:-1:-1:10:20:650:500") << false;
    }
    void parsing() {
        QFETCH(QString, text);
        QFETCH(bool, reads);
        const std::optional<qar::WindowPlacement> p = qar::ParseWindowPlacement(text.toStdString());
        QCOMPARE(p.has_value(), reads);
        if (p)
            QCOMPARE(qar::ParseWindowPlacement(qar::FormatWindowPlacement(*p)), p);
    }

    void formatIsTenIntegers() {
        qar::WindowPlacement p{2, 3, -1, -1, -8, -8, -10, 20, 650, 500};
        QCOMPARE(qar::FormatWindowPlacement(p), std::string("2:3:-1:-1:-8:-8:-10:20:650:500"));
    }

    void restoredAndSavedNormal() {
        m_store->store().WriteString("Settings", "WindowPos", "0:1:-1:-1:-1:-1:40:50:760:530");
        Start({});
        QCOMPARE(m_app->frame()->geometry(), QRect(40, 50, 720, 480));
        QVERIFY(!m_app->frame()->isMaximized());
        m_app->frame()->setGeometry(60, 70, 700, 400);
        QVERIFY(m_app->frame()->close());
        const qar::WindowPlacement p = Stored(m_store->store());
        QCOMPARE(p, (qar::WindowPlacement{0, 1, -1, -1, -1, -1, 60, 70, 760, 470}));
    }

    void maximizedIsStoredWithFlagTwoAndItsNormalRectangle() {
        m_store->store().WriteString("Settings", "WindowPos", "0:1:-1:-1:-1:-1:40:50:760:530");
        Start({});
        m_app->frame()->showMaximized();
        QTRY_VERIFY(m_app->frame()->isMaximized());
        QVERIFY(m_app->frame()->close());
        const qar::WindowPlacement p = Stored(m_store->store());
        QCOMPARE(p.flags, 2);
        QCOMPARE(p.showCmd, 3);
        QCOMPARE(QRect(QPoint(p.left, p.top), QPoint(p.right - 1, p.bottom - 1)),
                 QRect(40, 50, 720, 480));
    }

    void showStateComesFromTheStartNotTheStore() {
        // Stored maximized; started plainly: a normal window in the stored normal place.
        m_store->store().WriteString("Settings", "WindowPos", "2:3:-1:-1:-1:-1:40:50:760:530");
        Start({});
        QVERIFY(!m_app->frame()->isMaximized());
        QCOMPARE(m_app->frame()->geometry(), QRect(40, 50, 720, 480));
        m_app.reset();
        // Stored normal; started maximized.
        m_store->store().WriteString("Settings", "WindowPos", "0:1:-1:-1:-1:-1:40:50:760:530");
        Start({U("-showmaximized")});
        QTRY_VERIFY(m_app->frame()->isMaximized());
        m_app.reset();
        // Started minimized after a maximized close: it will come back maximized.
        m_store->store().WriteString("Settings", "WindowPos", "2:3:-1:-1:-1:-1:40:50:760:530");
        Start({U("-showminimized")});
        QVERIFY(m_app->frame()->windowState().testFlag(Qt::WindowMinimized));
        QVERIFY(m_app->frame()->windowState().testFlag(Qt::WindowMaximized));
    }

    void startArguments() {
        using qar::StartShow;
        QCOMPARE(qar::StartShowFromArguments({}), StartShow::Normal);
        QCOMPARE(qar::StartShowFromArguments({U("qar"), U("-showmaximized")}),
                 StartShow::Maximized);
        QCOMPARE(qar::StartShowFromArguments({U("qar"), U("-showminimized")}),
                 StartShow::Minimized);
        QCOMPARE(qar::StartShowFromArguments({U("-showmaximized"), U("-shownormal")}),
                 StartShow::Normal);
        QCOMPARE(qar::StartShowFromArguments({U("qar"), U("song.wav")}), StartShow::Normal);
    }

    void malformedTextIsIgnored() {
        // Where the window goes without a stored placement is the reference.
        Start({});
        const QRect byDefault = m_app->frame()->geometry();
        m_app.reset();
        for (const char* text : {"1:1:-1:-1:-1:-1:40:50:560", "0:1:-1:-1:-1:-1:40:50:760:530:9",
                                 "garbage", "40,50,560,430"}) {
            TempStore store;
            store.store().WriteString("Settings", "WindowPos", text);
            StartedApp app(store.store());
            QVERIFY2(app.frame()->geometry() == byDefault, text);
            QVERIFY2(!app.frame()->isMaximized(), text);
        }
    }

    void placementOffEveryScreenComesBack() {
        m_store->store().WriteString("Settings", "WindowPos",
                                     "0:1:-1:-1:-1:-1:30000:30000:30700:30300");
        Start({});
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(screen.intersects(m_app->frame()->geometry()));
        QCOMPARE(m_app->frame()->geometry().size(), QSize(700, 300));
    }

private:
    void Start(const QStringList& arguments) {
        m_app = std::make_unique<StartedApp>(m_store->store(), qar::FrameOptions{}, arguments);
        Settle();
    }

    std::unique_ptr<TempStore> m_store;
    std::unique_ptr<StartedApp> m_app;
};

QObject* MakeTestPlacement() {
    return new TestPlacement;
}

}  // namespace guitest

#include "test_placement.moc"
