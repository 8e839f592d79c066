// The ends of the program and what crosses threads: Exit and the close box both stop a
// running encoding (no cut-off MP3 left) and save what the run changed; the worker's end
// notice reaches the view; Help finds its page; no display means a clear message.
#include <chrono>
#include <filesystem>
#include <thread>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSignalSpy>
#include <QTest>

#include "engine/encodestatusdlg.h"
#include "engine/engine.h"
#include "frame/dirbar.h"
#include "guitests.h"
#include "guitestutil.h"
#include "res/ids.h"

namespace guitest {

namespace fs = std::filesystem;

namespace {

std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Starts encoding wav into mp3 and returns once the encoder is writing its output.
bool StartLongEncoding(qar::CMainFrame* frame, const std::string& wav, const std::string& mp3) {
    ClearEncodeQueue();
    SetEncodeOptions(128, 0, 1, 0, 0, 0);
    AddEncodeJob(wav.c_str(), mp3.c_str());
    if (StartEncodeWorker(frame->MakeEncodeNotify()) != 0)
        return false;
    const std::string folder = fs::path(mp3).parent_path().string();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        // The output is being written under a temporary name beside the WAV.
        if (Entries(folder).size() > 1 && IsEncodeWorkerRunning())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

}  // namespace

class TestLifecycle : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_tmp = std::make_unique<testutil::TempDir>();
        m_store = std::make_unique<TempStore>();
        m_src = m_tmp->file("src");
        fs::create_directories(m_src);
        m_store->store().WriteString("Path", "WavFileDir", m_src);
        m_store->store().WriteString("Path", "Mp3FileDir", m_src);
    }
    void cleanup() {
        LeaveTempFolders();
        if (IsEncodeWorkerRunning())
            StopEncodeWorker();
        m_app.reset();
        m_store.reset();
        m_tmp.reset();
    }

    void endingStopsTheEncodingAndSavesTheRun_data() {
        QTest::addColumn<bool>("byExitCommand");
        QTest::newRow("Exit command") << true;
        QTest::newRow("close box") << false;
    }
    void endingStopsTheEncodingAndSavesTheRun() {
        QFETCH(bool, byExitCommand);
        const std::string enc = m_tmp->file("enc");
        fs::create_directories(enc);
        testutil::WavSpec spec;
        spec.frames = 44100L * 60;
        testutil::WriteWav(enc + "/long.wav", spec);
        fs::create_directories(m_tmp->file("next"));

        m_store->store().WriteString("Option", "cdbase", "disc");
        m_app = std::make_unique<StartedApp>(m_store->store());
        Settle();
        qar::CMainFrame* frame = m_app->frame();
        // Things this run changes: a folder typed in, the subfolder switch, the priority
        // (as the status dialog would), the window's place.
        Find<QLineEdit>(frame->DirBar(), 1008)->setText(Q(m_tmp->file("next")));
        Settle();
        frame->DirBar()->SubdirBox()->click();
        SetEncodePriority(2);
        frame->setGeometry(30, 40, 700, 420);

        QVERIFY(StartLongEncoding(frame, enc + "/long.wav", enc + "/long.mp3"));
        if (byExitCommand)
            Find<QAction>(frame, qar::ID_APP_EXIT)->trigger();
        else
            QVERIFY(frame->close());
        QVERIFY(!IsEncodeWorkerRunning());
        QVERIFY(!frame->isVisible());
        // Nothing half-written is left: neither the MP3 nor its temporary file.
        QCOMPARE(Entries(enc), std::vector<std::string>{"long.wav"});

        m_app->Destroy();
        auto stored = m_store->Reopen();
        QCOMPARE(stored->ReadString("Path", "WavFileDir", ""), m_tmp->file("next"));
        QCOMPARE(stored->ReadString("Path", "Mp3FileDir", ""), m_src);
        QCOMPARE(stored->ReadString("Settings", "WindowPos", ""),
                 std::string("0:1:-1:-1:-1:-1:30:40:730:460"));
        QCOMPARE(stored->ReadInt("Path", "subdir", -1), 1);
        QCOMPARE(stored->ReadInt("Path", "samedir", -1), 1);
        QCOMPARE(stored->ReadInt("Option", "prior", -1), 2);
        QCOMPARE(stored->ReadString("Option", "cdbase", ""), std::string("disc"));
        // Closing never asks anything: no dialog is left waiting.
        QVERIFY(QApplication::activeModalWidget() == nullptr);
    }

    void endNoticeFromTheWorkerReachesTheView() {
        testutil::WriteWav(m_src + "/take1.wav");
        m_app = std::make_unique<StartedApp>(m_store->store());
        Settle();
        qar::CQarView* view = m_app->view();
        QCOMPARE(view->Rows().at(0).Text(qar::kColMp3Name), std::string("(none)"));

        qar::OpenEncodeStatusDlg(view);
        qar::CEncodeStatusDlg* dlg = qar::CEncodeStatusDlg::Registered();
        QVERIFY(dlg && dlg->isVisible());
        QSignalSpy refreshed(view, &qar::CQarView::listRefreshed);
        ClearEncodeQueue();
        SetEncodeOptions(128, 0, 1, 0, 0, 0);
        AddEncodeJob((m_src + "/take1.wav").c_str(), (m_src + "/take1.mp3").c_str());
        QCOMPARE(StartEncodeWorker(m_app->frame()->MakeEncodeNotify()), 0);
        QVERIFY(refreshed.wait(20000));
        QVERIFY(!IsEncodeWorkerRunning());
        QVERIFY(!dlg->isVisible());
        QVERIFY(!dlg->IsPolling());
        QCOMPARE(view->Rows().at(0).Text(qar::kColMp3Name), std::string("take1.mp3"));
    }

    void noticeFromAnotherThreadIsHandledOnTheUiThread() {
        m_app = std::make_unique<StartedApp>(m_store->store());
        Settle();
        testutil::WriteWav(m_src + "/late.wav");
        QSignalSpy refreshed(m_app->view(), &qar::CQarView::listRefreshed);
        qar::EncodeNotify notify = m_app->frame()->MakeEncodeNotify();
        std::thread worker([notify] { notify(qar::ID_ENCODE_FINISHED); });
        worker.join();
        QCOMPARE(refreshed.count(), 0);  // posted, not called on the worker
        QVERIFY(refreshed.wait(5000));
        QCOMPARE(m_app->view()->Rows().size(), std::size_t(1));

        // A notice after the window is gone is dropped without harm.
        m_app->Destroy();
        std::thread late([notify] { notify(qar::ID_ENCODE_FINISHED); });
        late.join();
        Settle();
    }

    void helpOpensThePage_data() {
        QTest::addColumn<bool>("beside");
        QTest::addColumn<bool>("installed");
        QTest::addColumn<QString>("opened");  // relative to the temporary folder; "" none
        QTest::newRow("beside the program") << true << true << U("bin/help/index.htm");
        QTest::newRow("installed") << false << true << U("share/qar/help/index.htm");
        QTest::newRow("missing") << false << false << QString();
    }
    void helpOpensThePage() {
        QFETCH(bool, beside);
        QFETCH(bool, installed);
        QFETCH(QString, opened);
        const std::string bin = m_tmp->file("bin");
        fs::create_directories(bin);
        if (beside) {
            fs::create_directories(bin + "/help");
            testutil::WriteFile(bin + "/help/index.htm", "<html></html>");
        }
        if (installed) {
            fs::create_directories(m_tmp->file("share/qar/help"));
            testutil::WriteFile(m_tmp->file("share/qar/help/index.htm"), "<html></html>");
        }
        OpenedUrls urls;
        m_app =
            std::make_unique<StartedApp>(m_store->store(), qar::FrameOptions{urls.Opener(), bin});
        Settle();
        Find<QAction>(m_app->frame(), qar::ID_HELP_SHOW)->trigger();
        if (opened.isEmpty()) {
            QVERIFY(urls.urls.empty());
        } else {
            QCOMPARE(urls.urls.size(), std::size_t(1));
            QCOMPARE(urls.urls[0],
                     QUrl::fromLocalFile(Q(m_tmp->path().string()) + U("/") + opened));
        }
    }

    void helpIsBesideTheBuiltProgram() {
        // The build copies the pages next to qar, where the Help command looks first.
        const fs::path page = fs::path(QAR_PROGRAM).parent_path() / "help" / "index.htm";
        QVERIFY2(fs::is_regular_file(page), page.c_str());
        const std::string html = testutil::ReadFile(page.string());
        QVERIFY(html.find("qar-cli") != std::string::npos);
    }

    void noDisplayPointsToTheCommandLine() {
        QProcess qar;
        QProcessEnvironment env;
        env.insert(U("PATH"), U("/usr/bin:/bin"));
        env.insert(U("HOME"), Q(m_tmp->path().string()));
        qar.setProcessEnvironment(env);
        qar.start(U(QAR_PROGRAM), {});
        QVERIFY(qar.waitForFinished(10000));
        QCOMPARE(qar.exitStatus(), QProcess::NormalExit);
        QVERIFY(qar.exitCode() != 0);
        const QString err = QString::fromUtf8(qar.readAllStandardError());
        QVERIFY2(err.contains(U("qar-cli --help")), qPrintable(err));
        QVERIFY(!fs::exists(m_tmp->file(".config/lomu-dar")));
    }

private:
    std::unique_ptr<testutil::TempDir> m_tmp;
    std::unique_ptr<TempStore> m_store;
    std::unique_ptr<StartedApp> m_app;
    std::string m_src;
};

QObject* MakeTestLifecycle() {
    return new TestLifecycle;
}

}  // namespace guitest

#include "test_lifecycle.moc"
