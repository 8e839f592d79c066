// The engine: queue, worker, stop, late workers and priority, driven through a stand-in for
// the encoder library; one run through the real library at the end.
#include <gtest/gtest.h>

#include <sched.h>
#include <sys/resource.h>

#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "asnobody.h"
#include "engine/encodeengine.h"
#include "engine/engine.h"
#include "engine/threadpriority.h"
#include "fakeencoder.h"
#include "testutil.h"

namespace {

using enginetest::FakeLibrary;
using enginetest::Notices;
using qar::EncodeEngine;
using Args = std::vector<std::string>;
using namespace std::chrono_literals;

class EngineTest : public testing::Test {
protected:
    // Declared before the engine so they outlive it and any thread it leaves behind.
    std::shared_ptr<FakeLibrary> lib = std::make_shared<FakeLibrary>();
    Notices notices;
    std::unique_ptr<EncodeEngine> engine;

    void MakeEngine(std::chrono::milliseconds stopWait = EncodeEngine::kStopWait) {
        engine = std::make_unique<EncodeEngine>(lib->Factory(lib), stopWait);
        engine->SetPriority(0);
        engine->SetOptions(qar::EngineOptions{128, 0, 1, 0, 0, 0});
    }
    void SetUp() override { MakeEngine(); }

    void AddJobs(const std::vector<std::string>& names) {
        for (const std::string& n : names)
            engine->AddJob(("/in/" + n + ".wav").c_str(), ("/out/" + n + ".mp3").c_str());
    }
    bool WaitSteps(std::size_t n) {
        return lib->WaitFor([&] { return lib->steps.size() >= n; });
    }
    std::pair<int, int> Counts() {
        int taken = -1, total = -1;
        engine->GetCounts(&taken, &total);
        return {taken, total};
    }
    std::vector<std::string> BegunInputs() {
        std::lock_guard lock(lib->mutex);
        std::vector<std::string> v;
        for (const Args& a : lib->begun)
            v.push_back(a[a.size() - 2]);
        return v;
    }
    // Ends the engine (joining its threads), so no further notice can come.
    int FinalNoticeCount() {
        engine.reset();
        return notices.Count();
    }
};

TEST_F(EngineTest, TakesJobsInOrderWithTheirArguments) {
    std::vector<std::pair<std::string, std::string>> shown;
    engine->SetFilesSink([&](const std::string& s, const std::string& d) {
        shown.emplace_back(s, d);  // worker thread; read only after the run has ended
    });
    engine->SetOptions(qar::EngineOptions{160, 2, 0, 3, 1, 5});
    engine->AddJob("/in/a.wav", "/out/a.mp3");
    engine->AddJob("/in/b c.wav", "/out/b c.mp3");
    engine->AddJob("/in/d.wav", "/out/sub/d.mp3");
    EXPECT_EQ(Counts(), std::make_pair(0, 3));

    ASSERT_EQ(engine->Start(notices.Fn()), 0);
    ASSERT_TRUE(notices.WaitCount(1));
    // The run already counts as ended when its notice comes.
    EXPECT_FALSE(engine->IsRunning());
    EXPECT_EQ(notices.lastId, qar::ID_ENCODE_FINISHED);

    const Args opts{"-b 160", "-q3", "-ms", "-v3", "-ca", "-d1"};
    auto expected = [&](const std::string& in, const std::string& out) {
        Args a{"DUMMY"};
        a.insert(a.end(), opts.begin(), opts.end());
        a.push_back(in);
        a.push_back(out);
        return a;
    };
    {
        std::lock_guard lock(lib->mutex);
        ASSERT_EQ(lib->begun.size(), 3u);
        EXPECT_EQ(lib->begun[0], expected("/in/a.wav", "/out/a.mp3"));
        EXPECT_EQ(lib->begun[1], expected("/in/b c.wav", "/out/b c.mp3"));
        EXPECT_EQ(lib->begun[2], expected("/in/d.wav", "/out/sub/d.mp3"));
        ASSERT_EQ(lib->ends.size(), 3u);
        for (const auto& e : lib->ends)
            EXPECT_EQ(e.result, 0) << e.input;
        EXPECT_EQ(lib->steps.size(), 6u);
    }
    const std::vector<std::pair<std::string, std::string>> wantShown{
        {"/in/a.wav", "/out/a.mp3"},
        {"/in/b c.wav", "/out/b c.mp3"},
        {"/in/d.wav", "/out/sub/d.mp3"}};
    EXPECT_EQ(shown, wantShown);
    // The finished run's jobs stay in the queue until the next clear.
    EXPECT_EQ(Counts(), std::make_pair(3, 3));
    EXPECT_TRUE(engine->HasJobs());
    EXPECT_EQ(FinalNoticeCount(), 1);
}

TEST_F(EngineTest, CountsFollowTheJobBeingEncoded) {
    lib->blockAll = true;
    AddJobs({"a", "b"});
    ASSERT_EQ(engine->Start(notices.Fn()), 0);
    ASSERT_TRUE(WaitSteps(1));
    EXPECT_TRUE(engine->IsRunning());
    EXPECT_EQ(Counts(), std::make_pair(1, 2));
    lib->Release(2);  // both blocks of a
    ASSERT_TRUE(WaitSteps(3));
    EXPECT_EQ(Counts(), std::make_pair(2, 2));
    lib->Release(2);
    ASSERT_TRUE(notices.WaitCount(1));
    EXPECT_EQ(Counts(), std::make_pair(2, 2));
    EXPECT_EQ(FinalNoticeCount(), 1);
}

TEST_F(EngineTest, EmptyQueueEndsAtOnceWithOneNotice) {
    EXPECT_FALSE(engine->HasJobs());
    ASSERT_EQ(engine->Start(notices.Fn()), 0);
    ASSERT_TRUE(notices.WaitCount(1));
    EXPECT_FALSE(engine->IsRunning());
    // Starting again on the spent queue takes nothing and ends once more.
    ASSERT_EQ(engine->Start(notices.Fn()), 0);
    ASSERT_TRUE(notices.WaitCount(2));
    EXPECT_EQ(Counts(), std::make_pair(0, 0));
    EXPECT_TRUE(BegunInputs().empty());
    EXPECT_EQ(FinalNoticeCount(), 2);
}

TEST_F(EngineTest, FailingJobsAreFollowedByTheNext) {
    lib->failBegin = {"/in/b.wav"};
    lib->failStep = {"/in/c.wav"};
    AddJobs({"a", "b", "c", "d"});
    ASSERT_EQ(engine->Start(notices.Fn()), 0);
    ASSERT_TRUE(notices.WaitCount(1));
    EXPECT_EQ(BegunInputs(),
              (std::vector<std::string>{"/in/a.wav", "/in/b.wav", "/in/c.wav", "/in/d.wav"}));
    {
        std::lock_guard lock(lib->mutex);
        // b never opened, so it is not ended; c is ended (discarded) after its failed block.
        ASSERT_EQ(lib->ends.size(), 3u);
        EXPECT_EQ(lib->ends[0].input, "/in/a.wav");
        EXPECT_EQ(lib->ends[0].result, 0);
        EXPECT_EQ(lib->ends[1].input, "/in/c.wav");
        EXPECT_NE(lib->ends[1].result, 0);
        EXPECT_EQ(lib->ends[2].input, "/in/d.wav");
        EXPECT_EQ(lib->ends[2].result, 0);
    }
    EXPECT_EQ(Counts(), std::make_pair(4, 4));
    EXPECT_EQ(FinalNoticeCount(), 1);
}

TEST_F(EngineTest, AbortWithJobsLeftDropsExactlyOneMore) {
    lib->blockAll = true;
    AddJobs({"a", "b", "c"});
    ASSERT_EQ(engine->Start(notices.Fn()), 0);
    ASSERT_TRUE(WaitSteps(1));
    engine->Stop();  // the waiting block gives up on stop, so this returns once the run ended
    EXPECT_FALSE(engine->IsRunning());
    EXPECT_EQ(Counts(), std::make_pair(2, 3));
    EXPECT_EQ(BegunInputs(), std::vector<std::string>{"/in/a.wav"});
    {
        std::lock_guard lock(lib->mutex);
        ASSERT_EQ(lib->ends.size(), 1u);
        EXPECT_NE(lib->ends[0].result, 0);  // the unfinished file is discarded
    }
    ASSERT_TRUE(notices.WaitCount(1));
    EXPECT_EQ(FinalNoticeCount(), 1);
}

TEST_F(EngineTest, AbortOnTheLastJobEndsOnce) {
    lib->blockAll = true;
    AddJobs({"a", "b"});
    ASSERT_EQ(engine->Start(notices.Fn()), 0);
    lib->Release(2);
    ASSERT_TRUE(WaitSteps(3));  // first block of b
    engine->Stop();
    EXPECT_FALSE(engine->IsRunning());
    EXPECT_EQ(Counts(), std::make_pair(2, 2));
    EXPECT_EQ(BegunInputs(), (std::vector<std::string>{"/in/a.wav", "/in/b.wav"}));
    ASSERT_TRUE(notices.WaitCount(1));
    EXPECT_EQ(FinalNoticeCount(), 1);
}

TEST_F(EngineTest, StartWhileRunningChangesNeitherNoticeNorStop) {
    lib->blockAll = true;
    lib->obeyStop = false;  // the block stays until released, so the stop is still pending
    AddJobs({"a", "b", "c"});
    Notices other;
    ASSERT_EQ(engine->Start(notices.Fn()), 0);
    ASSERT_TRUE(WaitSteps(1));
    std::thread stopper([&] { engine->Stop(); });
    ASSERT_TRUE(lib->WaitFor([&] { return lib->stops >= 1; }));  // the stop flag is set
    EXPECT_EQ(engine->Start(other.Fn()), 1);
    lib->Release(100);
    stopper.join();
    // Had the second start cleared the stop flag, b and c would have been encoded.
    EXPECT_EQ(BegunInputs(), std::vector<std::string>{"/in/a.wav"});
    EXPECT_EQ(Counts(), std::make_pair(2, 3));
    ASSERT_TRUE(notices.WaitCount(1));
    EXPECT_EQ(FinalNoticeCount(), 1);
    EXPECT_EQ(other.Count(), 0);
}

TEST_F(EngineTest, WorkerAStopGaveUpOnCannotTouchTheNextRun) {
    MakeEngine(100ms);
    lib->blockInputs = {"/in/a.wav"};
    lib->obeyStop = false;  // stuck in a block, deaf to the stop
    std::vector<std::string> shown;
    std::mutex shownMutex;
    engine->SetFilesSink([&](const std::string& s, const std::string&) {
        std::lock_guard lock(shownMutex);
        shown.push_back(s);
    });
    AddJobs({"a", "b"});
    ASSERT_EQ(engine->Start(notices.Fn()), 0);
    ASSERT_TRUE(WaitSteps(1));
    engine->Stop();
    EXPECT_FALSE(engine->IsRunning());  // given up: idle although the worker still runs

    Notices second;
    engine->ClearQueue();
    AddJobs({"c"});
    ASSERT_EQ(engine->Start(second.Fn()), 0);
    ASSERT_TRUE(second.WaitCount(1));
    EXPECT_EQ(Counts(), std::make_pair(1, 1));

    // Now let the late worker out of its block and wait until it has let go of its run.
    lib->Release(100);
    ASSERT_TRUE(lib->WaitFor([&] { return lib->sessionsGone >= 1; }));
    EXPECT_EQ(BegunInputs(), (std::vector<std::string>{"/in/a.wav", "/in/c.wav"}));
    {
        std::lock_guard lock(shownMutex);
        EXPECT_EQ(shown, (std::vector<std::string>{"/in/a.wav", "/in/c.wav"}));
    }
    EXPECT_EQ(Counts(), std::make_pair(1, 1));
    EXPECT_FALSE(engine->IsRunning());
    EXPECT_EQ(FinalNoticeCount(), 0);  // the abandoned run sent no stale notice
    EXPECT_EQ(second.Count(), 1);
}

TEST_F(EngineTest, LateWorkerEndsTheSameQueueWithItsNotice) {
    // Given up on, but no newer run: when the worker finally ends, its notice still comes,
    // and a start on the same queue carries on where it stopped, in a run of its own.
    MakeEngine(100ms);
    lib->blockInputs = {"/in/a.wav"};
    lib->obeyStop = false;
    AddJobs({"a", "b"});
    ASSERT_EQ(engine->Start(notices.Fn()), 0);
    ASSERT_TRUE(WaitSteps(1));
    engine->Stop();
    EXPECT_EQ(Counts(), std::make_pair(1, 2));
    lib->Release(100);
    ASSERT_TRUE(notices.WaitCount(1));
    EXPECT_EQ(Counts(), std::make_pair(1, 2));  // it took nothing more after being given up

    ASSERT_EQ(engine->Start(notices.Fn()), 0);
    ASSERT_TRUE(notices.WaitCount(2));
    EXPECT_EQ(BegunInputs(), (std::vector<std::string>{"/in/a.wav", "/in/b.wav"}));
    EXPECT_EQ(Counts(), std::make_pair(2, 2));
    EXPECT_EQ(FinalNoticeCount(), 2);
}

TEST_F(EngineTest, StartWhileAGivenUpWorkerLingersGetsARunOfItsOwn) {
    MakeEngine(100ms);
    lib->blockInputs = {"/in/a.wav"};
    lib->obeyStop = false;
    AddJobs({"a", "b", "c"});
    ASSERT_EQ(engine->Start(notices.Fn()), 0);
    ASSERT_TRUE(WaitSteps(1));
    engine->Stop();
    // Same queue, no clear: the new run carries on with b and c while a is still stuck.
    Notices second;
    ASSERT_EQ(engine->Start(second.Fn()), 0);
    ASSERT_TRUE(second.WaitCount(1));
    EXPECT_EQ(Counts(), std::make_pair(3, 3));
    lib->Release(100);
    ASSERT_TRUE(lib->WaitFor([&] { return lib->sessionsGone >= 1; }));
    EXPECT_EQ(BegunInputs(), (std::vector<std::string>{"/in/a.wav", "/in/b.wav", "/in/c.wav"}));
    EXPECT_EQ(Counts(), std::make_pair(3, 3));
    EXPECT_EQ(FinalNoticeCount(), 0);
    EXPECT_EQ(second.Count(), 1);
}

TEST_F(EngineTest, DestroyingTheEngineStopsTheRunAndStrandsNothing) {
    MakeEngine(100ms);
    lib->blockAll = true;
    lib->obeyStop = false;
    AddJobs({"a", "b"});
    ASSERT_EQ(engine->Start(notices.Fn()), 0);
    ASSERT_TRUE(WaitSteps(1));
    engine.reset();  // gives up after the bound and leaves the thread to finish alone
    {
        std::lock_guard lock(lib->mutex);
        EXPECT_EQ(lib->stops, 1);
    }
    lib->Release(100);
    // The thread ends its job, drops the rest, sends nothing and frees the session.
    ASSERT_TRUE(lib->WaitFor([&] { return lib->sessionsGone >= 1; }));
    EXPECT_EQ(BegunInputs(), std::vector<std::string>{"/in/a.wav"});
    EXPECT_EQ(notices.Count(), 0);
}

// ---- priority ---------------------------------------------------------------------------

struct LevelCase {
    int index;
    int nice;
    int policy;
};

TEST_F(EngineTest, WorkerStartsAtTheMappedLevel) {
    const LevelCase cases[] = {{0, 0, SCHED_OTHER}, {1, 5, SCHED_OTHER}, {2, 10, SCHED_OTHER},
                               {3, 19, SCHED_IDLE}, {7, 0, SCHED_OTHER}, {-1, 0, SCHED_OTHER}};
    lib->stepsPerJob = 1;
    int runs = 0;
    for (const LevelCase& c : cases) {
        SCOPED_TRACE(c.index);
        engine->ClearQueue();
        engine->SetPriority(c.index);
        EXPECT_EQ(engine->GetPriority(), c.index);
        AddJobs({"a"});
        ASSERT_EQ(engine->Start(notices.Fn()), 0);
        ASSERT_TRUE(notices.WaitCount(++runs));
        std::lock_guard lock(lib->mutex);
        ASSERT_EQ(lib->steps.size(), std::size_t(runs));
        EXPECT_EQ(lib->steps.back().nice, c.nice);
        EXPECT_EQ(lib->steps.back().policy, c.policy);
    }
}

TEST(EngineStart, NoWorkerMeansFailureAndStillAnEnd) {
    // Without a session there is no worker; the caller has already opened its status
    // dialog, so the run must still end with its notice rather than hang "running".
    Notices notices;
    {
        EncodeEngine engine([] { return std::unique_ptr<qar::EncoderSession>(); });
        engine.AddJob("/in/a.wav", "/out/a.mp3");
        EXPECT_EQ(engine.Start(notices.Fn()), -1);
        EXPECT_FALSE(engine.IsRunning());
        EXPECT_EQ(notices.Count(), 1);
    }
    EXPECT_EQ(notices.Count(), 1);
}

TEST(EnginePriority, StartsIdleUntilSet) {
    EncodeEngine engine(nullptr);
    EXPECT_EQ(engine.GetPriority(), 3);
}

// Changes the priority back and forth during one job and checks, inside each block, the
// level the block ran at. Returns "" when all held, else what went wrong. No gtest
// assertions here: it also runs in a forked child.
std::string PriorityScenario() {
    std::ostringstream err;
    auto lib = std::make_shared<FakeLibrary>();
    lib->blockAll = true;
    lib->stepsPerJob = 6;
    Notices notices;
    {
        EncodeEngine engine(lib->Factory(lib));
        engine.SetPriority(0);
        engine.AddJob("/in/a.wav", "/out/a.mp3");
        if (engine.Start(notices.Fn()) != 0)
            return "start failed";
        auto waitSteps = [&](std::size_t n) {
            return lib->WaitFor([&] { return lib->steps.size() >= n; });
        };
        if (!waitSteps(1))
            return "first block never came";
        // The index set while a block waits, and what the next block must see.
        struct Change {
            int index;
            int nice;
            int policy;
            bool newThread;  // raising moves the job to a fresh thread
        };
        const Change changes[] = {{2, 10, SCHED_OTHER, false},
                                  {3, 19, SCHED_IDLE, false},
                                  {0, 0, SCHED_OTHER, true},
                                  {1, 5, SCHED_OTHER, false},
                                  {0, 0, SCHED_OTHER, true}};
        {
            std::lock_guard lock(lib->mutex);
            if (lib->steps[0].nice != 0 || lib->steps[0].policy != SCHED_OTHER)
                err << "block 1 at nice " << lib->steps[0].nice << "; ";
        }
        std::size_t n = 1;
        for (const Change& c : changes) {
            engine.SetPriority(c.index);
            if (!engine.IsRunning())
                err << "not running after index " << c.index << "; ";
            lib->Release(1);
            if (!waitSteps(++n))
                return err.str() + "block " + std::to_string(n) + " never came";
            std::lock_guard lock(lib->mutex);
            const FakeLibrary::Step& s = lib->steps[n - 1];
            const FakeLibrary::Step& before = lib->steps[n - 2];
            if (s.nice != c.nice || s.policy != c.policy)
                err << "index " << c.index << ": block " << n << " at nice " << s.nice << " policy "
                    << s.policy << "; ";
            if ((s.tid != before.tid) != c.newThread)
                err << "index " << c.index << ": thread " << (c.newThread ? "kept" : "changed")
                    << "; ";
        }
        lib->Release(1);  // the last block
        if (!notices.WaitCount(1))
            return err.str() + "no end notice";
        if (engine.IsRunning())
            err << "still running; ";
        std::lock_guard lock(lib->mutex);
        // One job, opened once and completed across three threads.
        if (lib->begun.size() != 1)
            err << lib->begun.size() << " begins; ";
        if (lib->steps.size() != 6)
            err << lib->steps.size() << " blocks; ";
        if (lib->ends.size() != 1 || lib->ends[0].result != 0)
            err << "job not completed; ";
    }
    if (notices.Count() != 1)
        err << notices.Count() << " notices; ";
    return err.str();
}

TEST(EnginePriority, LowerThenRaiseDuringARun) {
    EXPECT_EQ(PriorityScenario(), "");
}

// A direct raise must be impossible where the scenario runs, or it proves nothing.
std::string RaiseIsRefused() {
    std::string err;
    std::thread probe([&] {
        if (setpriority(PRIO_PROCESS, 0, 1) != 0)
            err += "cannot lower; ";
        if (setpriority(PRIO_PROCESS, 0, 0) == 0)
            err += "nice raise allowed; ";
        sched_param p{};
        if (sched_setscheduler(0, SCHED_IDLE, &p) != 0)
            err += "cannot go idle; ";
        if (sched_setscheduler(0, SCHED_OTHER, &p) == 0)
            err += "leaving idle allowed; ";
    });
    probe.join();
    return err;
}

TEST(EnginePriority, LowerThenRaiseDuringARunAsAnOrdinaryUser) {
    // Forked before this process makes any thread of its own here.
    const std::string result = testutil::RunAsNobody([] {
        // No raise at all, whatever the system's default limit.
        const rlimit noRaise{0, 0};
        if (setrlimit(RLIMIT_NICE, &noRaise) != 0)
            return std::string("cannot set RLIMIT_NICE");
        std::string err = RaiseIsRefused();
        return err.empty() ? PriorityScenario() : err;
    });
    EXPECT_EQ(result, "");
}

// ---- the real library ---------------------------------------------------------------------

std::string Probe(const std::string& file) {
    return testutil::Run(
               "ffprobe -v error -select_streams a:0 -show_entries "
               "stream=codec_name,sample_rate,channels,bit_rate -of default=nw=1 " +
               testutil::Sh(file))
        .out;
}

TEST(EngineEndToEnd, EncodesTwoWavsThroughTheLibrary) {
    testutil::TempDir dir;
    testutil::WavSpec stereo44;
    stereo44.frames = 22050;
    testutil::WavSpec mono48;
    mono48.sampleRate = 48000;
    mono48.channels = 1;
    mono48.frames = 24000;
    const std::string wav1 = dir.file("one.wav"), wav2 = dir.file("two.wav");
    const std::string mp31 = dir.file("one.mp3"), mp32 = dir.file("two.mp3");
    testutil::WriteWav(wav1, stereo44);
    testutil::WriteWav(wav2, mono48);

    std::mutex shownMutex;
    std::vector<std::string> shown;
    Notices notices;
    {
        // An engine of its own, so its threads are joined before the test ends.
        EncodeEngine engine(qar::VadavEncoderFactory());
        engine.SetFilesSink([&](const std::string& s, const std::string& d) {
            std::lock_guard lock(shownMutex);
            shown.push_back(s + " -> " + d);
        });
        engine.SetPriority(0);
        engine.SetOptions(qar::EngineOptions{128, 0, 1, 0, 0, 0});
        engine.AddJob(wav1.c_str(), mp31.c_str());
        engine.AddJob(wav2.c_str(), mp32.c_str());
        ASSERT_EQ(engine.Start(notices.Fn()), 0);
        ASSERT_TRUE(notices.WaitCount(1, std::chrono::seconds(60)));
        EXPECT_FALSE(engine.IsRunning());

        int taken = 0, total = 0;
        engine.GetCounts(&taken, &total);
        EXPECT_EQ(taken, 2);
        EXPECT_EQ(total, 2);
        vadav_status st{};
        EXPECT_NE(engine.GetStatus(&st), 0);
        EXPECT_EQ(st.percent, 100);
    }
    EXPECT_EQ(shown, (std::vector<std::string>{wav1 + " -> " + mp31, wav2 + " -> " + mp32}));

    const std::string p1 = Probe(mp31), p2 = Probe(mp32);
    EXPECT_NE(p1.find("codec_name=mp3"), std::string::npos) << p1;
    EXPECT_NE(p1.find("sample_rate=44100"), std::string::npos) << p1;
    EXPECT_NE(p1.find("channels=2"), std::string::npos) << p1;
    EXPECT_NE(p1.find("bit_rate=128000"), std::string::npos) << p1;
    EXPECT_NE(p2.find("codec_name=mp3"), std::string::npos) << p2;
    EXPECT_NE(p2.find("sample_rate=48000"), std::string::npos) << p2;
    EXPECT_NE(p2.find("channels=1"), std::string::npos) << p2;
    EXPECT_NE(p2.find("bit_rate=128000"), std::string::npos) << p2;
    EXPECT_EQ(notices.Count(), 1);
}

// The free functions share one process-wide engine. No run is started here, so the process
// keeps no worker thread behind.
TEST(EngineFreeFunctions, ReachOneEngine) {
    EXPECT_EQ(GetEncodePriority(), 3);  // idle until the settings are loaded
    SetEncodePriority(1);
    EXPECT_EQ(GetEncodePriority(), 1);
    ClearEncodeQueue();
    EXPECT_FALSE(EncodeQueueHasJobs());
    SetEncodeOptions(128, 3, 2, 0, 0, 0);
    EXPECT_EQ(GetEncodeStereo(), 2);
    EXPECT_EQ(GetEncodeQuickMode(), 3);
    AddEncodeJob("/in/a.wav", "/out/a.mp3");
    AddEncodeJob(nullptr, "/out/b.mp3");  // dropped
    int taken = -1, total = -1;
    GetEncodeCounts(&taken, &total);
    EXPECT_EQ(taken, 0);
    EXPECT_EQ(total, 1);
    EXPECT_TRUE(EncodeQueueHasJobs());
    EXPECT_FALSE(IsEncodeWorkerRunning());

    std::vector<std::string> shown;
    SetEncodeFilesSink([&](const std::string& s, const std::string& d) { shown.push_back(s + d); });
    ShowEncodeFiles("/in/x.wav", "/out/x.mp3");
    SetEncodeFilesSink(nullptr);
    ShowEncodeFiles("/in/y.wav", "/out/y.mp3");  // nobody registered: nothing happens
    EXPECT_EQ(shown, std::vector<std::string>{"/in/x.wav/out/x.mp3"});
    // Leave the process-wide engine as it was found, for a repeated run in one process.
    ClearEncodeQueue();
    SetEncodePriority(3);
}

}  // namespace
