#include "engine/encodeengine.h"

#include <atomic>
#include <condition_variable>
#include <exception>
#include <utility>

#include "engine/threadpriority.h"

namespace qar {

namespace {

struct EncodeJob {
    std::string source;
    std::string destination;
};

}  // namespace

// What the engine shares with every thread it starts. It lives as long as the longest of
// them, so a worker the engine gave up on never reaches into a destroyed engine.
struct EngineLink {
    // The status lock: the worker hands each job's paths to the sink under it, and whoever
    // clears the sink under it knows no call is still running.
    std::mutex statusMutex;
    EncodeFilesSink sink;

    // Only the latest run may send an end notice: a late one from an abandoned run would
    // close the new run's status dialog.
    std::mutex noticeMutex;
    std::uint64_t currentNotice = 0;
    bool closed = false;  // the engine is gone

    void ShowFiles(const std::string& source, const std::string& destination) {
        std::lock_guard lock(statusMutex);
        if (sink)
            sink(source, destination);
    }
};

// Lets the engine wait a bounded time for a thread before joining it.
struct ThreadExit {
    std::mutex mutex;
    std::condition_variable cv;
    bool exited = false;

    void Mark() {
        {
            std::lock_guard lock(mutex);
            exited = true;
        }
        cv.notify_all();
    }
    bool Exited() {
        std::lock_guard lock(mutex);
        return exited;
    }
    bool WaitUntil(std::chrono::steady_clock::time_point deadline) {
        std::unique_lock lock(mutex);
        return cv.wait_until(lock, deadline, [this] { return exited; });
    }
};

// One run: its queue, option copy, encoder session and the thread working it. Threads hold
// it by shared_ptr, so a fresh queue is a fresh run that no older thread can reach.
//
// One thread at a time holds the run (`owner`); only that thread touches the session's
// begin/step/end and `jobOpen`. A thread asked to hand over does so at the next block
// boundary; the receiving thread takes over mid-file.
struct EncodeRun {
    std::mutex mutex;
    std::condition_variable changed;

    // Guarded by mutex.
    std::vector<EncodeJob> jobs;
    std::size_t cursor = 0;  // next job to take; also the number taken
    bool active = false;     // counts as running for the engine
    bool finished = true;    // no thread works the run any more
    bool abandoned = false;  // the engine let go of it: take no further job
    int owner = 0;           // serial of the thread that works the run
    int handoverTo = 0;      // serial of a thread waiting to take over, 0 when none
    int tid = 0;             // kernel id of the owner once it runs, else 0
    int applied = 0;         // priority index the owner runs at
    int wanted = 0;          // priority index asked for
    EngineOptions options;

    // Written by Start under the link's notice lock, read there by the ending thread.
    EncodeNotify notify;
    std::uint64_t noticeId = 0;

    // Set once by the first Start, under the engine's lock, before any thread of the run.
    std::unique_ptr<EncoderSession> session;

    std::atomic<bool> stop{false};

    // The owner's alone.
    bool jobOpen = false;
};

namespace {

// Waits until this thread owns the run, then sets its priority. False when the run ended
// before the hand-over happened.
bool TakeOwnership(EncodeRun& run, int serial) {
    std::unique_lock lock(run.mutex);
    run.changed.wait(lock, [&] { return run.owner == serial || run.finished; });
    if (run.owner != serial)
        return false;
    run.tid = CurrentThreadId();
    run.applied = run.wanted;
    // Under the lock, so a priority change cannot slip in between reading and applying.
    ApplyThreadPriority(0, run.wanted);
    return true;
}

bool HandOverIfAsked(EncodeRun& run) {
    std::lock_guard lock(run.mutex);
    if (run.handoverTo == 0)
        return false;
    run.owner = run.handoverTo;
    run.handoverTo = 0;
    run.tid = 0;
    run.changed.notify_all();
    return true;
}

bool TakeJob(EncodeRun& run, EncodeJob& job, EngineOptions& options) {
    std::lock_guard lock(run.mutex);
    if (run.abandoned || run.cursor >= run.jobs.size())
        return false;
    job = run.jobs[run.cursor++];
    options = run.options;
    return true;
}

void FinishRun(EncodeRun& run, EngineLink& link) {
    // Ending the run and sending its notice under one lock: no new run can begin in
    // between, and whoever handles the notice already finds the engine idle.
    std::lock_guard notice(link.noticeMutex);
    {
        std::lock_guard lock(run.mutex);
        run.finished = true;
        run.active = false;
        run.owner = 0;
        run.tid = 0;
    }
    run.changed.notify_all();
    if (!link.closed && link.currentNotice == run.noticeId && run.notify)
        run.notify(ID_ENCODE_FINISHED);
}

void WorkRun(std::shared_ptr<EncodeRun> runHold, std::shared_ptr<EngineLink> linkHold,
             std::shared_ptr<ThreadExit> exit, int serial) {
    EncodeRun& run = *runHold;
    if (TakeOwnership(run, serial)) {
        bool handedOver = false;
        for (;;) {
            if (HandOverIfAsked(run)) {
                handedOver = true;
                break;
            }
            if (!run.jobOpen) {
                EncodeJob job;
                EngineOptions options;
                if (!TakeJob(run, job, options))
                    break;
                // Checked after taking: an abort with jobs left drops exactly one of them.
                if (run.stop)
                    break;
                const std::vector<std::string> args =
                    BuildEncodeArgs(options, job.source, job.destination);
                linkHold->ShowFiles(job.source, job.destination);
                // A job that fails to open is followed by the next one.
                run.jobOpen = run.session->begin(args) == 0;
                continue;
            }
            if (run.stop || run.session->step() != 1) {
                run.session->end();
                run.jobOpen = false;
            }
        }
        if (!handedOver)
            FinishRun(run, *linkHold);
    }
    exit->Mark();
}

}  // namespace

EncodeEngine::EncodeEngine(EncoderFactory factory, std::chrono::milliseconds stopWait)
    : m_factory(std::move(factory)),
      m_stopWait(stopWait),
      m_run(std::make_shared<EncodeRun>()),
      m_link(std::make_shared<EngineLink>()) {}

EncodeEngine::~EncodeEngine() {
    std::shared_ptr<EncodeRun> run;
    EncoderSession* session = nullptr;
    {
        std::lock_guard lock(m_mutex);
        run = m_run;
        session = run->session.get();
    }
    {
        std::lock_guard lock(m_link->noticeMutex);
        m_link->closed = true;
    }
    SetFilesSink(nullptr);
    // A run still going is ended cleanly rather than cut off with the process, so no
    // half-written file is left behind.
    run->stop = true;
    if (session)
        session->stop();
    const auto deadline = std::chrono::steady_clock::now() + m_stopWait;
    for (WorkerThread& w : m_threads) {
        if (w.exit->WaitUntil(deadline))
            w.thread.join();
        else
            w.thread.detach();  // it holds everything it touches
    }
}

void EncodeEngine::SetOptions(const EngineOptions& options) {
    std::lock_guard lock(m_mutex);
    m_options = options;
}

void EncodeEngine::ClearQueue() {
    std::lock_guard lock(m_mutex);
    bool live = false;
    {
        std::lock_guard runLock(m_run->mutex);
        live = !m_run->finished;
        // A worker still on the old queue takes nothing more from it.
        m_run->abandoned = true;
        m_run->active = false;
    }
    if (live) {
        m_run->stop = true;
        if (m_run->session)
            m_run->session->stop();
    }
    {
        std::lock_guard notice(m_link->noticeMutex);
        m_link->currentNotice = ++m_nextNoticeId;
    }
    m_run = std::make_shared<EncodeRun>();
}

void EncodeEngine::AddJob(const char* source, const char* destination) {
    if (!source || !destination)
        return;
    EncodeJob job{source, destination};
    std::lock_guard lock(m_mutex);
    std::lock_guard runLock(m_run->mutex);
    m_run->jobs.push_back(std::move(job));
}

void EncodeEngine::GetCounts(int* taken, int* total) const {
    std::lock_guard lock(m_mutex);
    std::lock_guard runLock(m_run->mutex);
    if (taken)
        *taken = static_cast<int>(m_run->cursor);
    if (total)
        *total = static_cast<int>(m_run->jobs.size());
}

int EncodeEngine::Start(EncodeNotify notify) {
    std::unique_lock lock(m_mutex);
    ReapThreads();
    {
        const std::shared_ptr<EncodeRun> old = m_run;
        std::lock_guard runLock(old->mutex);
        if (old->active)
            return 1;
        if (!old->finished) {
            // A worker an earlier stop gave up on still holds this run: carry the queue over
            // to a fresh run out of its reach.
            auto fresh = std::make_shared<EncodeRun>();
            fresh->jobs = old->jobs;
            fresh->cursor = old->cursor;
            m_run = std::move(fresh);
        }
    }
    EncodeRun& run = *m_run;
    if (!run.session && m_factory)
        run.session = m_factory();
    const int serial = ++m_nextSerial;
    {
        std::lock_guard notice(m_link->noticeMutex);
        m_link->currentNotice = run.noticeId = ++m_nextNoticeId;
        run.notify = notify;
    }
    {
        std::lock_guard runLock(run.mutex);
        run.options = m_options;
        run.active = true;
        run.finished = false;
        run.abandoned = false;
        run.owner = serial;
        run.handoverTo = 0;
        run.tid = 0;
        run.wanted = run.applied = m_priority;
        run.jobOpen = false;
        run.stop = false;
    }
    if (run.session && LaunchThread(m_run, serial))
        return 0;

    // No worker: end the run at once, so whoever waits for its end is not left waiting.
    {
        std::lock_guard runLock(run.mutex);
        run.active = false;
        run.finished = true;
        run.owner = 0;
    }
    lock.unlock();
    if (notify)
        notify(ID_ENCODE_FINISHED);
    return -1;
}

void EncodeEngine::Stop() {
    std::shared_ptr<EncodeRun> run;
    EncoderSession* session = nullptr;
    {
        std::lock_guard lock(m_mutex);
        run = m_run;
        session = run->session.get();
    }
    // The flag first: once the session gives up its block, the worker must already see it,
    // or it would open the next job.
    run->stop = true;
    if (session)
        session->stop();
    std::unique_lock runLock(run->mutex);
    if (!run->changed.wait_for(runLock, m_stopWait, [&] { return run->finished; })) {
        run->abandoned = true;
        run->active = false;
    }
}

bool EncodeEngine::IsRunning() const {
    std::lock_guard lock(m_mutex);
    std::lock_guard runLock(m_run->mutex);
    return m_run->active;
}

void EncodeEngine::SetPriority(int index) {
    std::lock_guard lock(m_mutex);
    m_priority = index;
    EncodeRun& run = *m_run;
    std::lock_guard runLock(run.mutex);
    run.wanted = index;
    // A thread that has yet to start (or to take over) applies `wanted` itself.
    if (!run.active || run.tid == 0 || run.handoverTo != 0)
        return;
    if (PriorityRank(index) >= PriorityRank(run.applied)) {
        ApplyThreadPriority(run.tid, index);
        run.applied = index;
        return;
    }
    // Linux does not let an ordinary user raise a thread's priority again. A thread started
    // here inherits this (normal) thread's level, so the run moves to it and it lowers itself
    // to exactly the level wanted.
    const int serial = ++m_nextSerial;
    run.handoverTo = serial;
    if (!LaunchThread(m_run, serial))
        run.handoverTo = 0;
}

int EncodeEngine::GetPriority() const {
    std::lock_guard lock(m_mutex);
    return m_priority;
}

int EncodeEngine::GetStatus(vadav_status* status) const {
    if (!status)
        return 0;
    std::shared_ptr<EncodeRun> run;
    EncoderSession* session = nullptr;
    {
        std::lock_guard lock(m_mutex);
        run = m_run;
        session = run->session.get();
    }
    if (!session) {
        *status = vadav_status{};
        return 0;
    }
    return session->status(*status);
}

int EncodeEngine::Stereo() const {
    std::lock_guard lock(m_mutex);
    return m_options.stereo;
}

int EncodeEngine::QuickMode() const {
    std::lock_guard lock(m_mutex);
    return m_options.quickmode;
}

bool EncodeEngine::HasJobs() const {
    std::lock_guard lock(m_mutex);
    std::lock_guard runLock(m_run->mutex);
    return !m_run->jobs.empty();
}

void EncodeEngine::SetFilesSink(EncodeFilesSink sink) {
    std::lock_guard lock(m_link->statusMutex);
    m_link->sink = std::move(sink);
}

void EncodeEngine::ShowFiles(const std::string& source, const std::string& destination) {
    m_link->ShowFiles(source, destination);
}

bool EncodeEngine::LaunchThread(const std::shared_ptr<EncodeRun>& run, int serial) {
    auto exit = std::make_shared<ThreadExit>();
    try {
        m_threads.reserve(m_threads.size() + 1);
        std::thread thread(WorkRun, run, m_link, exit, serial);
        m_threads.push_back(WorkerThread{std::move(thread), std::move(exit)});
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

void EncodeEngine::ReapThreads() {
    for (auto it = m_threads.begin(); it != m_threads.end();) {
        if (it->exit->Exited()) {
            it->thread.join();
            it = m_threads.erase(it);
        } else {
            ++it;
        }
    }
}

}  // namespace qar
