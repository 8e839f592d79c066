// The two folder edits: which texts count as an existing path, what the frame takes over and
// what the view then lists, typing one character at a time, the same-place box, folders the
// view chooses itself, and the folders kept between runs.
#include <filesystem>

#include <QCheckBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <unistd.h>

#include "frame/dirbar.h"
#include "frame/pathexists.h"
#include "guitests.h"
#include "guitestutil.h"
#include "res/ids.h"

namespace guitest {

namespace fs = std::filesystem;

class TestFolders : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_tmp = std::make_unique<testutil::TempDir>();
        m_store = std::make_unique<TempStore>();
        m_src = m_tmp->file("src");
        m_out = m_tmp->file("out");
        fs::create_directories(m_src);
        fs::create_directories(m_out);
        testutil::WriteWav(m_src + "/a.wav");
        m_store->store().WriteString("Path", "WavFileDir", m_src);
        m_store->store().WriteString("Path", "Mp3FileDir", m_out);
        m_store->store().WriteInt("Path", "samedir", 0);
    }
    void cleanup() {
        LeaveTempFolders();
        m_app.reset();
        m_store.reset();
        m_tmp.reset();
    }

    void pathExistsRules() {
        fs::create_directories(m_tmp->file("a*b"));
        testutil::WriteFile(m_tmp->file("what?"), "x");
        testutil::WriteFile(m_tmp->file("file.txt"), "x");
        const struct {
            std::string path;
            bool exists;
        } cases[] = {
            {"/", true},
            {"", false},
            {m_src, true},
            {m_src + "/", false},  // a file drop's folder text
            {m_src + "//", false},
            {m_tmp->file("file.txt"), true},
            {m_tmp->file("missing"), false},
            {m_tmp->file("a*b"), false},  // exists, but wildcards never name one thing
            {m_tmp->file("what?"), false},
            {m_tmp->file("*"), false},
            {std::string(m_src) + '\0' + "junk", false},
        };
        for (const auto& c : cases)
            QVERIFY2(qar::PathExists(c.path) == c.exists, c.path.c_str());
    }

    void storedFoldersAreShownAndListed() {
        Start();
        QCOMPARE(Edit(1008)->text(), Q(m_src));
        QCOMPARE(Edit(1009)->text(), Q(m_out));
        QCOMPARE(m_app->view()->SourceFolder(), m_src);
        QCOMPARE(m_app->view()->OutputFolder(), m_out);
        QCOMPARE(m_app->view()->Rows().size(), std::size_t(1));
        QVERIFY(Edit(1009)->isEnabled());  // samedir 0
    }

    void withoutStoredFoldersBothAreTheCurrentDirectory() {
        TempStore empty;
        const std::string cwd = fs::current_path().string();
        ChangeDir(m_src);
        m_app = std::make_unique<StartedApp>(empty.store());
        Settle();
        QCOMPARE(Edit(1008)->text(), Q(m_src));
        QCOMPARE(Edit(1009)->text(), Q(m_src));
        QCOMPARE(m_app->frame()->WavFileDir(), m_src);
        QVERIFY(!Edit(1009)->isEnabled());  // samedir defaults to on
        m_app.reset();
        ChangeDir(cwd);
    }

    void editRules_data() {
        // "@" stands for the test's temporary folder, which only exists once init() ran.
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("taken");
        QTest::newRow("source, existing folder") << 1008 << U("@/other") << true;
        QTest::newRow("output, existing folder") << 1009 << U("@/other") << true;
        QTest::newRow("source, a file") << 1008 << U("@/src/a.wav") << true;
        QTest::newRow("source, nothing there") << 1008 << U("@/nope") << false;
        QTest::newRow("source, trailing separator") << 1008 << U("@/other/") << false;
        QTest::newRow("output, trailing separator") << 1009 << U("@/other/") << false;
        QTest::newRow("source, wildcard") << 1008 << U("@/ot*") << false;
        QTest::newRow("source, the root") << 1008 << U("/") << true;
    }
    void editRules() {
        QFETCH(int, id);
        QFETCH(QString, text);
        QFETCH(bool, taken);
        text.replace(U("@"), Q(m_tmp->path().string()));
        fs::create_directories(m_tmp->file("other"));
        Start();
        QSignalSpy refreshed(m_app->view(), &qar::CQarView::listRefreshed);
        const std::string before = Folder(id);
        Edit(id)->setText(text);
        // Posted, not handled inside the change: the view has not rescanned yet.
        QCOMPARE(refreshed.count(), 0);
        Settle();
        QCOMPARE(Edit(id)->text(), text);
        if (taken) {
            QCOMPARE(Q(Folder(id)), text);
            QCOMPARE(refreshed.count(), 1);
            // A file is taken too; listing it falls back to the folder the scan was in.
            if (id == 1009)
                QCOMPARE(Q(m_app->view()->OutputFolder()), text);
            else if (fs::is_directory(QFile::encodeName(text).toStdString()))
                QCOMPARE(Q(m_app->view()->SourceFolder()), text);
        } else {
            QCOMPARE(Folder(id), before);
            QCOMPARE(refreshed.count(), 0);
        }
    }

    void relativeTextIsTakenFromTheListedFolder() {
        // ".." typed while src is listed means src's parent, at this rescan and every later
        // one, and it is stored as that folder.
        fs::create_directories(m_src + "/sub");
        Start();
        Edit(1008)->setText(U(".."));
        Settle();
        const std::string parent = m_tmp->path().string();
        QCOMPARE(m_app->frame()->WavFileDir(), parent);
        QCOMPARE(m_app->view()->SourceFolder(), parent);
        for (int i = 0; i < 2; ++i) {
            QVERIFY(m_app->frame()->RouteCommand(32772));  // Refresh
            Settle();
            QCOMPARE(m_app->view()->SourceFolder(), parent);
        }
        Edit(1009)->setText(U("src/sub"));
        Settle();
        QCOMPARE(m_app->frame()->Mp3FileDir(), m_src + "/sub");
        QVERIFY(m_app->frame()->close());
        QCOMPARE(m_store->store().ReadString("Path", "WavFileDir", ""), parent);
    }

    void typingOneCharacterAtATime() {
        // src/ab/cd: the view rescans exactly at "/", ".../src", ".../src/ab", ".../src/ab/cd".
        fs::create_directories(m_src + "/ab/cd");
        testutil::WriteWav(m_src + "/ab/cd/x.wav");
        Start();
        QLineEdit* edit = Edit(1008);
        edit->clear();
        Settle();
        QSignalSpy refreshed(m_app->view(), &qar::CQarView::listRefreshed);
        const std::string target = m_src + "/ab/cd";
        std::vector<std::string> rescannedAt;
        std::string typed;
        for (char c : target) {
            typed += c;
            const int before = int(refreshed.count());
            QTest::keyClick(edit, c);
            Settle();
            if (refreshed.count() != before) {
                QCOMPARE(refreshed.count(), before + 1);
                rescannedAt.push_back(typed);
                QCOMPARE(m_app->frame()->WavFileDir(), typed);
            }
        }
        std::vector<std::string> expected;
        std::string prefix;
        for (char c : target) {
            prefix += c;
            if (prefix.back() != '/' || prefix == "/") {
                if (fs::exists(prefix))
                    expected.push_back(prefix);
            }
        }
        QCOMPARE(rescannedAt, expected);
        QVERIFY(rescannedAt.size() >= 4);
        QCOMPARE(m_app->view()->SourceFolder(), target);
        QCOMPARE(m_app->view()->Rows().size(), std::size_t(1));
        QCOMPARE(m_app->view()->Rows()[0].name, std::string("x.wav"));
    }

    void sameDirBox() {
        Start();
        QCheckBox* box = m_app->frame()->DirBar()->SamedirBox();
        QVERIFY(!box->isChecked());
        QSignalSpy refreshed(m_app->view(), &qar::CQarView::listRefreshed);

        box->click();  // on
        Settle();
        QVERIFY(box->isChecked());
        QCOMPARE(Edit(1009)->text(), Q(m_src));
        QVERIFY(!Edit(1009)->isEnabled());
        QCOMPARE(m_app->frame()->Mp3FileDir(), m_src);
        QCOMPARE(m_app->view()->Samedir(), 1);
        QCOMPARE(m_app->view()->OutputFolder(), m_src);
        QCOMPARE(refreshed.count(), 1);  // the output edit's change rescans

        box->click();  // off: the output folder stays the source folder
        Settle();
        QVERIFY(!box->isChecked());
        QCOMPARE(Edit(1009)->text(), Q(m_src));
        QVERIFY(Edit(1009)->isEnabled());
        QCOMPARE(m_app->view()->Samedir(), 0);
        QCOMPARE(refreshed.count(), 2);
    }

    void subDirBoxRescansWithTheTree() {
        fs::create_directories(m_src + "/live");
        testutil::WriteWav(m_src + "/live/b.wav");
        Start();
        QCOMPARE(m_app->view()->Rows().size(), std::size_t(1));
        m_app->frame()->DirBar()->SubdirBox()->click();
        QCOMPARE(m_app->view()->Subdir(), 1);
        QCOMPARE(m_app->view()->Rows().size(), std::size_t(2));
        QCOMPARE(m_app->view()->Rows()[1].name, std::string("../live/b.wav"));
    }

    void folderChosenByTheViewReachesTheEdit() {
        fs::create_directories(m_tmp->file("picked"));
        testutil::WriteWav(m_tmp->file("picked/p.wav"));
        Start();
        QSignalSpy refreshed(m_app->view(), &qar::CQarView::listRefreshed);
        // What the folder browser does: a folder that exists is shown and then listed.
        m_app->frame()->SetWavFileDir(m_tmp->file("picked"));
        QTRY_COMPARE(Edit(1008)->text(), Q(m_tmp->file("picked")));
        Settle();
        QCOMPARE(refreshed.count(), 1);
        QCOMPARE(m_app->view()->SourceFolder(), m_tmp->file("picked"));
        // What a file drop leaves: the folder with its separator, shown but not rescanned.
        m_app->frame()->SetWavFileDir(m_tmp->file("picked") + "/");
        QTRY_COMPARE(Edit(1008)->text(), Q(m_tmp->file("picked") + "/"));
        Settle();
        QCOMPARE(refreshed.count(), 1);
        // The same for the output folder.
        m_app->frame()->SetMp3FileDir(m_src);
        QTRY_COMPARE(Edit(1009)->text(), Q(m_src));
        Settle();
        QCOMPARE(m_app->view()->OutputFolder(), m_src);
    }

    void foldersAreSavedAtClose() {
        fs::create_directories(m_tmp->file("next"));
        Start();
        Edit(1008)->setText(Q(m_tmp->file("next")));
        Edit(1009)->setText(Q(m_tmp->file("nothing here")));  // not taken
        Settle();
        QVERIFY(m_app->frame()->close());
        auto reopened = m_store->Reopen();
        QCOMPARE(reopened->ReadString("Path", "WavFileDir", ""), m_tmp->file("next"));
        QCOMPARE(reopened->ReadString("Path", "Mp3FileDir", ""), m_out);
    }

    void longAndNonUtf8FoldersSurvive() {
        // No length limit, and a name that is not UTF-8 keeps its own bytes.
        std::string deep = m_tmp->file(std::string(200, 'd'));
        deep += "/" + std::string(200, 'e');
        const std::string odd = m_tmp->file("caf\xe9");
        fs::create_directories(deep);
        fs::create_directories(odd);
        m_store->store().WriteString("Path", "WavFileDir", deep);
        m_store->store().WriteString("Path", "Mp3FileDir", odd);
        Start();
        QCOMPARE(m_app->view()->SourceFolder(), deep);
        QCOMPARE(m_app->view()->OutputFolder(), odd);
        QVERIFY(m_app->frame()->close());
        auto reopened = m_store->Reopen();
        QCOMPARE(reopened->ReadString("Path", "WavFileDir", ""), deep);
        QCOMPARE(reopened->ReadString("Path", "Mp3FileDir", ""), odd);
    }

private:
    static void ChangeDir(const std::string& dir) { QCOMPARE(chdir(dir.c_str()), 0); }

    void Start() {
        m_app = std::make_unique<StartedApp>(m_store->store());
        Settle();
    }
    QLineEdit* Edit(int id) { return Find<QLineEdit>(m_app->frame()->DirBar(), id); }
    std::string Folder(int id) {
        return id == 1008 ? m_app->frame()->WavFileDir() : m_app->frame()->Mp3FileDir();
    }

    std::unique_ptr<testutil::TempDir> m_tmp;
    std::unique_ptr<TempStore> m_store;
    std::unique_ptr<StartedApp> m_app;
    std::string m_src;
    std::string m_out;
};

QObject* MakeTestFolders() {
    return new TestFolders;
}

}  // namespace guitest

#include "test_folders.moc"
