// The encoding status dialog, driven offscreen: over an engine with a stand-in encoder for
// the run's course, and over the process-wide engine with the real library for one run.
#include <QButtonGroup>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "engine/elidedlabel.h"
#include "engine/encodeengine.h"
#include "engine/encodestatusdlg.h"
#include "engine/engine.h"
#include "engine/statusdlgengine.h"
#include "fakeencoder.h"
#include "res/ids.h"
#include "testutil.h"

using enginetest::FakeLibrary;
using qar::CEncodeStatusDlg;
using qar::ElidedLabel;

namespace {

QString U8(const char* text) {
    return QString::fromUtf8(text);
}

// The figures the stand-in library reports to the dialog.
struct FakeFigures {
    std::mutex mutex;
    vadav_status status{};

    void Set(const vadav_status& s) {
        std::lock_guard lock(mutex);
        status = s;
    }
};

class FiguresSession : public enginetest::FakeSession {
public:
    FiguresSession(std::shared_ptr<FakeLibrary> lib, std::shared_ptr<FakeFigures> figures)
        : FakeSession(std::move(lib)), m_figures(std::move(figures)) {}
    int status(vadav_status& out) override {
        std::lock_guard lock(m_figures->mutex);
        out = m_figures->status;
        return out.active;
    }

private:
    std::shared_ptr<FakeFigures> m_figures;
};

vadav_status Figures(int kbps, int level, float errorRate, float average, int percent,
                     const char* time, const char* progress) {
    vadav_status s{};
    s.active = 1;
    s.running = 1;
    s.kbps = kbps;
    s.vbrLevel = level;
    s.errorRate = errorRate;
    s.averageKbps = average;
    s.percent = percent;
    qstrncpy(s.timeText, time, sizeof s.timeText);
    qstrncpy(s.progressText, progress, sizeof s.progressText);
    return s;
}

// Stands in for the main window: takes the worker's end notice as a posted call and closes
// the status dialog there, as the window does.
class NoticeReceiver : public QObject {
public:
    std::atomic<int> notices{0};

    qar::EncodeNotify Fn() {
        QPointer<NoticeReceiver> self(this);
        return [this, self](int id) {
            QMetaObject::invokeMethod(
                this,
                [this, id] {
                    if (id == qar::ID_ENCODE_FINISHED) {
                        ++notices;
                        qar::CloseEncodeStatusDlg();
                    }
                },
                Qt::QueuedConnection);
        };
    }
};

// One engine over the stand-in encoder, an owner window and the end notice's receiver.
struct Rig {
    std::shared_ptr<FakeLibrary> lib = std::make_shared<FakeLibrary>();
    std::shared_ptr<FakeFigures> figures = std::make_shared<FakeFigures>();
    NoticeReceiver receiver;
    std::unique_ptr<qar::EncodeEngine> engine;
    std::unique_ptr<QWidget> owner;

    explicit Rig(int priority = 0, qar::EngineOptions options = {128, 0, 1, 0, 0, 0}) {
        lib->blockAll = true;
        auto lib_ = lib;
        auto figures_ = figures;
        engine = std::make_unique<qar::EncodeEngine>(
            [lib_, figures_] { return std::make_unique<FiguresSession>(lib_, figures_); });
        engine->SetPriority(priority);
        engine->SetOptions(options);
        owner = std::make_unique<QWidget>();
        owner->setGeometry(200, 150, 800, 600);
        owner->show();
    }
    ~Rig() {
        // Dialogs first (they talk to the engine as they go), then the engine's threads.
        owner.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        lib->obeyStop = true;
        lib->Release(1000);
        engine.reset();
    }
    void AddJobs(int n) {
        for (int i = 1; i <= n; ++i) {
            const std::string name = std::to_string(i);
            engine->AddJob(("/in/" + name + ".wav").c_str(), ("/out/" + name + ".mp3").c_str());
        }
    }
    CEncodeStatusDlg* Open() {
        qar::OpenEncodeStatusDlg(owner.get(), qar::StatusDlgEngineFor(*engine));
        return CEncodeStatusDlg::Registered();
    }
    bool Start() { return engine->Start(receiver.Fn()) == 0; }
    // Waits until `n` steps have begun (each blocks until released).
    bool WaitSteps(std::size_t n) {
        return lib->WaitFor([&] { return lib->steps.size() >= n; });
    }
    std::pair<int, int> Counts() {
        int taken = 0, total = 0;
        engine->GetCounts(&taken, &total);
        return {taken, total};
    }
};

QString Text(QWidget* dlg, int id) {
    auto* label = dlg->findChild<ElidedLabel*>(QString::number(id));
    return label ? label->text() : QStringLiteral("<missing>");
}

QProgressBar* Progress(QWidget* dlg) {
    return dlg->findChild<QProgressBar*>(QString::number(qar::IDC_STATUS_PROGRESS));
}

QRadioButton* Radio(QWidget* dlg, int id) {
    return dlg->findChild<QRadioButton*>(QString::number(id));
}

}  // namespace

class TestStatusDlg : public QObject {
    Q_OBJECT

private slots:
    void opensAsAToolWindowWithItsControls();
    void radioOfTheStoredPriority_data();
    void radioOfTheStoredPriority();
    void radiosSetThePriorityAtOnce();
    void showsTheRunAsItGoesOn();
    void longPathsAreShortenedInTheMiddle();
    void abortStopsTheRunAndTheDialogGoes_data();
    void abortStopsTheRunAndTheDialogGoes();
    void escapeHidesWhileTheRunGoesOn();
    void nextDialogReplacesTheEndedOne();
    void workerNeverReachesADialogBeingDestroyed();
    void realRunClosesTheDialogByItsEndNotice();
};

void TestStatusDlg::opensAsAToolWindowWithItsControls() {
    Rig rig;
    CEncodeStatusDlg* dlg = rig.Open();
    QVERIFY(dlg);
    QVERIFY(dlg->isVisible());
    QCOMPARE(dlg->windowTitle(), U8("エンコード状況"));
    const Qt::WindowFlags flags = dlg->windowFlags();
    QCOMPARE(flags & Qt::WindowType_Mask, Qt::Tool);
    QVERIFY(!(flags & Qt::WindowCloseButtonHint));
    QVERIFY(!(flags & Qt::WindowSystemMenuHint));
    QVERIFY(flags & Qt::WindowTitleHint);

    QStringList labels;
    for (QLabel* l : dlg->findChildren<QLabel*>())
        labels << l->text();
    for (const char* text : {"WAVファイル名", "MP3ファイル名", "エンコード設定", "エンコード時間",
                             "進行状況", "エラーレート・その他情報", "エンコード優先度"})
        QVERIFY2(labels.contains(U8(text)), text);
    for (int id : {qar::IDC_STATUS_WAV, qar::IDC_STATUS_MP3, qar::IDC_STATUS_SETTINGS,
                   qar::IDC_STATUS_TIME, qar::IDC_STATUS_PROGRESS_TEXT, qar::IDC_STATUS_QUALITY})
        QCOMPARE(Text(dlg, id), QString());
    QCOMPARE(Radio(dlg, qar::IDC_PRIORITY_NORMAL)->text(), U8("普通"));
    QCOMPARE(Radio(dlg, qar::IDC_PRIORITY_LOW)->text(), U8("低"));
    QCOMPARE(Radio(dlg, qar::IDC_PRIORITY_LOWEST)->text(), U8("最低"));
    auto* abort = dlg->findChild<QPushButton*>(QString::number(qar::IDOK));
    QVERIFY(abort);
    QCOMPARE(abort->text(), U8("中止"));
    QVERIFY(abort->isDefault());
    QCOMPARE(Progress(dlg)->minimum(), 0);
    QCOMPARE(Progress(dlg)->maximum(), 100);
    QCOMPARE(Progress(dlg)->value(), 0);
    QVERIFY(dlg->IsPolling());

    // Centred over its owner.
    const QPoint offset = dlg->frameGeometry().center() - rig.owner->frameGeometry().center();
    QVERIFY2(offset.manhattanLength() <= 4,
             qPrintable(QStringLiteral("%1,%2").arg(offset.x()).arg(offset.y())));
}

void TestStatusDlg::radioOfTheStoredPriority_data() {
    QTest::addColumn<int>("priority");
    QTest::addColumn<int>("checked");  // id of the checked radio, 0 for none
    QTest::newRow("normal") << 0 << qar::IDC_PRIORITY_NORMAL;
    QTest::newRow("low") << 1 << qar::IDC_PRIORITY_LOW;
    QTest::newRow("lowest") << 2 << qar::IDC_PRIORITY_LOWEST;
    QTest::newRow("idle") << 3 << 0;
    QTest::newRow("unknown") << 7 << 0;
}

void TestStatusDlg::radioOfTheStoredPriority() {
    QFETCH(int, priority);
    QFETCH(int, checked);
    Rig rig(priority);
    CEncodeStatusDlg* dlg = rig.Open();
    for (int id : {qar::IDC_PRIORITY_NORMAL, qar::IDC_PRIORITY_LOW, qar::IDC_PRIORITY_LOWEST})
        QCOMPARE(Radio(dlg, id)->isChecked(), id == checked);
    // Opening changes nothing.
    QCOMPARE(rig.engine->GetPriority(), priority);
}

void TestStatusDlg::radiosSetThePriorityAtOnce() {
    Rig rig(3);
    rig.AddJobs(1);
    rig.lib->stepsPerJob = 3;
    CEncodeStatusDlg* dlg = rig.Open();
    QVERIFY(rig.Start());
    QVERIFY(rig.WaitSteps(1));

    QTest::mouseClick(Radio(dlg, qar::IDC_PRIORITY_LOWEST), Qt::LeftButton);
    QCOMPARE(rig.engine->GetPriority(), 2);
    rig.lib->Release();
    QVERIFY(rig.WaitSteps(2));
    QTest::mouseClick(Radio(dlg, qar::IDC_PRIORITY_LOW), Qt::LeftButton);
    QCOMPARE(rig.engine->GetPriority(), 1);
    QTest::mouseClick(Radio(dlg, qar::IDC_PRIORITY_NORMAL), Qt::LeftButton);
    QCOMPARE(rig.engine->GetPriority(), 0);
    rig.lib->Release();
    QVERIFY(rig.WaitSteps(3));
    {
        // The worker ran its blocks at the levels chosen meanwhile (nice 10 for "最低").
        std::lock_guard lock(rig.lib->mutex);
        QCOMPARE(rig.lib->steps[1].nice, 10);
        QCOMPARE(rig.lib->steps[2].nice, 0);
    }
    rig.lib->Release();
    QTRY_COMPARE(rig.receiver.notices.load(), 1);
}

void TestStatusDlg::showsTheRunAsItGoesOn() {
    Rig rig(0, qar::EngineOptions{192, 0, 2, 3, 0, 0});
    rig.AddJobs(10);
    rig.engine->AddJob("/in/曲 2.wav", "/out/曲 2.mp3");
    CEncodeStatusDlg* dlg = rig.Open();
    QVERIFY(rig.Start());
    QVERIFY(rig.WaitSteps(1));
    QCOMPARE(rig.Counts(), std::make_pair(1, 11));

    QTRY_COMPARE(dlg->windowTitle(), U8("エンコード状況 (1/11)"));
    QTRY_COMPARE(Text(dlg, qar::IDC_STATUS_WAV), QStringLiteral("/in/1.wav"));
    QCOMPARE(Text(dlg, qar::IDC_STATUS_MP3), QStringLiteral("/out/1.mp3"));

    rig.figures->Set(Figures(-192, 3, 0.0123f, 187.5f, 42, "00:07", "300 42%"));
    QTRY_COMPARE(Text(dlg, qar::IDC_STATUS_SETTINGS),
                 U8("192 kbps(可変 3), joint stereo, quality mode"));
    QCOMPARE(Text(dlg, qar::IDC_STATUS_QUALITY), U8("0.0123 (good) 平均187.50(kbps)"));
    QCOMPARE(Text(dlg, qar::IDC_STATUS_TIME), QStringLiteral("00:07"));
    QCOMPARE(Text(dlg, qar::IDC_STATUS_PROGRESS_TEXT), QStringLiteral("300 42%"));
    QCOMPARE(Progress(dlg)->value(), 42);

    // The title is rewritten only when a count changes: a title set meanwhile stays.
    dlg->setWindowTitle(QStringLiteral("elsewhere"));
    QTest::qWait(1200);
    QCOMPARE(dlg->windowTitle(), QStringLiteral("elsewhere"));

    // While the library reports nothing, the texts keep what they show; the next file
    // starts the bar again at 0 and the title gets the new count.
    vadav_status nothing{};
    rig.figures->Set(nothing);
    rig.lib->Release(2);
    QVERIFY(rig.WaitSteps(3));
    QTRY_COMPARE(Text(dlg, qar::IDC_STATUS_WAV), QStringLiteral("/in/2.wav"));
    QCOMPARE(Progress(dlg)->value(), 0);
    QTRY_COMPARE(dlg->windowTitle(), QStringLiteral("elsewhere (2/11)"));
    QCOMPARE(Text(dlg, qar::IDC_STATUS_SETTINGS),
             U8("192 kbps(可変 3), joint stereo, quality mode"));
    QCOMPARE(Text(dlg, qar::IDC_STATUS_TIME), QStringLiteral("00:07"));

    // A name in the file system's bytes (UTF-8 here) is shown as such.
    rig.lib->Release(2 * 9);
    QTRY_COMPARE(Text(dlg, qar::IDC_STATUS_WAV), U8("/in/曲 2.wav"));
    rig.lib->Release(2);
    QTRY_COMPARE(rig.receiver.notices.load(), 1);
    QVERIFY(!dlg->isVisible());
    QVERIFY(!dlg->IsPolling());
}

void TestStatusDlg::longPathsAreShortenedInTheMiddle() {
    Rig rig;
    const std::string deep = "/in/" + std::string(300, 'd') + "/end.wav";
    rig.engine->AddJob(deep.c_str(), "/out/end.mp3");
    CEncodeStatusDlg* dlg = rig.Open();
    const int width = dlg->width();
    QVERIFY(rig.Start());
    QVERIFY(rig.WaitSteps(1));
    auto* wav = dlg->findChild<ElidedLabel*>(QString::number(qar::IDC_STATUS_WAV));
    QTRY_COMPARE(wav->text(), QString::fromStdString(deep));
    QCOMPARE(dlg->width(), width);
    const QString shown = wav->displayedText();
    QVERIFY2(shown.startsWith(QStringLiteral("/in/dd")) &&
                 shown.endsWith(QStringLiteral("/end.wav")) && shown.contains(QChar(0x2026)),
             qPrintable(shown));
    QCOMPARE(wav->toolTip(), QString::fromStdString(deep));
}

void TestStatusDlg::abortStopsTheRunAndTheDialogGoes_data() {
    QTest::addColumn<int>("jobs");
    QTest::addColumn<bool>("byEnter");
    QTest::newRow("button, jobs left") << 3 << false;
    QTest::newRow("Enter, last job") << 1 << true;
}

void TestStatusDlg::abortStopsTheRunAndTheDialogGoes() {
    QFETCH(int, jobs);
    QFETCH(bool, byEnter);
    Rig rig;
    rig.AddJobs(jobs);
    QPointer<CEncodeStatusDlg> dlg = rig.Open();
    QVERIFY(rig.Start());
    QVERIFY(rig.WaitSteps(1));

    if (byEnter) {
        dlg->activateWindow();
        QTest::keyClick(dlg.data(), Qt::Key_Return);
    } else {
        QTest::mouseClick(dlg->findChild<QPushButton*>(QString::number(qar::IDOK)), Qt::LeftButton);
    }
    // The worker has let go by the time the abort returns.
    QVERIFY(!rig.engine->IsRunning());
    QVERIFY(!CEncodeStatusDlg::Registered());
    QTRY_VERIFY(dlg.isNull());
    QTRY_COMPARE(rig.receiver.notices.load(), 1);
    {
        std::lock_guard lock(rig.lib->mutex);
        QCOMPARE(rig.lib->begun.size(), std::size_t(1));
        QCOMPARE(rig.lib->ends.size(), std::size_t(1));
        QCOMPARE(rig.lib->ends[0].result, 1);  // discarded, not completed
    }
    // With jobs left, exactly one more is taken and dropped.
    QCOMPARE(rig.Counts().first, jobs > 1 ? 2 : 1);
    // No second notice ever comes.
    rig.engine.reset();
    QTest::qWait(100);
    QCOMPARE(rig.receiver.notices.load(), 1);
}

void TestStatusDlg::escapeHidesWhileTheRunGoesOn() {
    Rig rig;
    rig.AddJobs(2);
    CEncodeStatusDlg* dlg = rig.Open();
    QPointer<CEncodeStatusDlg> guard(dlg);
    QVERIFY(rig.Start());
    QVERIFY(rig.WaitSteps(1));
    QTRY_COMPARE(dlg->windowTitle(), U8("エンコード状況 (1/2)"));

    QTest::keyClick(dlg, Qt::Key_Escape);
    QVERIFY(!dlg->isVisible());
    QCOMPARE(CEncodeStatusDlg::Registered(), dlg);
    QVERIFY(dlg->IsPolling());
    QVERIFY(rig.engine->IsRunning());

    // Hidden, it still follows the run.
    rig.lib->Release(2);
    QVERIFY(rig.WaitSteps(3));
    QTRY_COMPARE(dlg->windowTitle(), U8("エンコード状況 (2/2)"));
    QCOMPARE(Text(dlg, qar::IDC_STATUS_WAV), QStringLiteral("/in/2.wav"));

    rig.lib->Release(2);
    QTRY_COMPARE(rig.receiver.notices.load(), 1);
    QVERIFY(!dlg->IsPolling());
    QVERIFY(!dlg->isVisible());
    QCOMPARE(CEncodeStatusDlg::Registered(), dlg);
    {
        std::lock_guard lock(rig.lib->mutex);
        QCOMPARE(rig.lib->ends.size(), std::size_t(2));
        QCOMPARE(rig.lib->ends[1].result, 0);
    }
    QVERIFY(!guard.isNull());
}

void TestStatusDlg::nextDialogReplacesTheEndedOne() {
    Rig rig;
    // A close from the window system ends it as the end of a run does.
    QPointer<CEncodeStatusDlg> first = rig.Open();
    first->close();
    QVERIFY(!first->isVisible());
    QVERIFY(!first->IsPolling());

    QPointer<CEncodeStatusDlg> second = rig.Open();
    QVERIFY(first.isNull());  // not one kept per run
    QVERIFY(second);
    QCOMPARE(CEncodeStatusDlg::Registered(), second.data());
    QVERIFY(second->isVisible());
    QVERIFY(second->IsPolling());
    // The engine's file texts now go to the second one.
    rig.engine->ShowFiles("/in/x.wav", "/out/x.mp3");
    QTRY_COMPARE(Text(second, qar::IDC_STATUS_WAV), QStringLiteral("/in/x.wav"));

    // An ended dialog goes with its owner, and the registration with it.
    qar::CloseEncodeStatusDlg();
    rig.owner.reset();
    QVERIFY(second.isNull());
    QVERIFY(!CEncodeStatusDlg::Registered());
    rig.engine->ShowFiles("/in/y.wav", "/out/y.mp3");  // nobody left to tell: nothing happens
    qar::CloseEncodeStatusDlg();                       // nothing registered: nothing happens
}

// The worker reports files while the user-interface thread opens and destroys dialogs; run
// under a sanitizer, any use of a destroyed dialog shows.
void TestStatusDlg::workerNeverReachesADialogBeingDestroyed() {
    Rig rig;
    std::atomic<bool> done{false};
    std::atomic<int> calls{0};
    std::thread worker([&] {
        while (!done) {
            rig.engine->ShowFiles("/in/w.wav", "/out/w.mp3");
            ++calls;
        }
    });
    for (int i = 0; i < 60; ++i) {
        rig.Open();
        QCoreApplication::processEvents();
        if (i % 3 == 0)
            delete CEncodeStatusDlg::Registered();  // destroyed while registered
        else if (i % 3 == 1)
            qar::CloseEncodeStatusDlg();  // ended; the next open replaces it
    }
    rig.owner.reset();
    QCoreApplication::processEvents();
    done = true;
    worker.join();
    QVERIFY(calls > 0);
    QVERIFY(!CEncodeStatusDlg::Registered());
}

void TestStatusDlg::realRunClosesTheDialogByItsEndNotice() {
    testutil::TempDir dir;
    const std::string wav1 = dir.file("one.wav"), wav2 = dir.file("two.wav");
    const std::string mp31 = dir.file("one.mp3"), mp32 = dir.file("two.mp3");
    testutil::WriteWav(wav1);
    testutil::WriteWav(wav2);

    QWidget owner;
    owner.setGeometry(100, 100, 640, 480);
    owner.show();
    NoticeReceiver receiver;
    SetEncodePriority(0);
    SetEncodeOptions(128, 0, 1, 0, 0, 0);
    ClearEncodeQueue();
    AddEncodeJob(wav1.c_str(), mp31.c_str());
    AddEncodeJob(wav2.c_str(), mp32.c_str());
    qar::OpenEncodeStatusDlg(&owner);
    QPointer<CEncodeStatusDlg> dlg = CEncodeStatusDlg::Registered();
    QVERIFY(dlg);
    QCOMPARE(StartEncodeWorker(receiver.Fn()), 0);

    QTRY_COMPARE_WITH_TIMEOUT(receiver.notices.load(), 1, 60000);
    QVERIFY(!IsEncodeWorkerRunning());
    QVERIFY(dlg);
    QVERIFY(!dlg->isVisible());
    QVERIFY(!dlg->IsPolling());
    QCOMPARE(Text(dlg, qar::IDC_STATUS_WAV), QString::fromStdString(wav2));
    QCOMPARE(Text(dlg, qar::IDC_STATUS_MP3), QString::fromStdString(mp32));

    // Both files came out whole, as a decoder we did not write sees them.
    for (const std::string& mp3 : {mp31, mp32}) {
        const testutil::RunResult r = testutil::Run(
            "ffprobe -v error -show_entries stream=codec_name,sample_rate,channels "
            "-of default=nw=1 " +
            testutil::Sh(mp3));
        QCOMPARE(r.status, 0);
        QCOMPARE(QString::fromStdString(r.out),
                 QStringLiteral("codec_name=mp3\nsample_rate=44100\nchannels=2\n"));
    }

    // Files this short are done before the first tick; the library keeps the figures of the
    // last one, so a dialog opened now shows what the library measured.
    qar::OpenEncodeStatusDlg(&owner);
    QVERIFY(dlg.isNull());
    dlg = CEncodeStatusDlg::Registered();
    QTRY_COMPARE(dlg->windowTitle(), U8("エンコード状況 (2/2)"));
    QTRY_COMPARE(Text(dlg, qar::IDC_STATUS_SETTINGS), U8("128 kbps, joint stereo, quality mode"));
    QCOMPARE(Progress(dlg)->value(), 100);
    QVERIFY(Text(dlg, qar::IDC_STATUS_PROGRESS_TEXT).endsWith(QStringLiteral("100%")));
    QVERIFY(!Text(dlg, qar::IDC_STATUS_TIME).isEmpty());
    // A clean sine at 128 kbps is coded well.
    QVERIFY2(Text(dlg, qar::IDC_STATUS_QUALITY).endsWith(QStringLiteral(" (good)")),
             qPrintable(Text(dlg, qar::IDC_STATUS_QUALITY)));
    qar::CloseEncodeStatusDlg();
}

QTEST_MAIN(TestStatusDlg)
#include "test_statusdlg.moc"
