// The encoding engine: a job queue and the worker thread that encodes it, as one object so
// tests can make a fresh engine. The free functions of engine.h use one process-wide instance.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/encodeargs.h"
#include "engine/encodersession.h"
#include "engine/engine.h"

namespace qar {

struct EncodeRun;
struct EngineLink;
struct ThreadExit;

class EncodeEngine {
public:
    // How long StopEncodeWorker waits for the worker, and the destructor for all threads.
    static constexpr std::chrono::milliseconds kStopWait{3500};
    // The priority index before the settings are loaded: idle.
    static constexpr int kInitialPriority = 3;

    // Sessions come from `factory`, one per run.
    explicit EncodeEngine(EncoderFactory factory, std::chrono::milliseconds stopWait = kStopWait);
    // Stops a running encoding and waits up to the stop bound for every thread; threads that
    // do not end in time are left to finish on their own, touching only what they share.
    ~EncodeEngine();
    EncodeEngine(const EncodeEngine&) = delete;
    EncodeEngine& operator=(const EncodeEngine&) = delete;

    // Copies the option values for the next run.
    void SetOptions(const EngineOptions& options);
    // Starts a fresh, empty queue. A worker still holding the old one takes nothing more and
    // sends no end notice; a run still going is asked to stop.
    void ClearQueue();
    // Appends a job; copies both paths. Null paths are ignored.
    void AddJob(const char* source, const char* destination);
    // Jobs taken in this run (counting the one being encoded) and jobs added since the clear.
    void GetCounts(int* taken, int* total) const;
    // Starts the worker. 1 when one already runs (nothing changes); -1 when no thread could
    // be started (the end notice is sent at once); else 0.
    int Start(EncodeNotify notify);
    // Asks the run to stop and waits until its worker has ended, for at most the stop bound;
    // after that the engine counts as idle whatever the worker does.
    void Stop();
    // True while a run is going on.
    bool IsRunning() const;
    // Stores the priority index; a running worker takes it at once.
    void SetPriority(int index);
    // The stored priority index.
    int GetPriority() const;
    // The figures of the current (or last) encoding; 0 when there is nothing to show.
    int GetStatus(vadav_status* status) const;
    // The option copy's stereo and quality mode.
    int Stereo() const;
    int QuickMode() const;
    // True when the queue holds any job (taken or not).
    bool HasJobs() const;
    // Registers or (with an empty function) clears the receiver of each job's file names.
    void SetFilesSink(EncodeFilesSink sink);
    // Hands the paths to the registered receiver, under the status lock.
    void ShowFiles(const std::string& source, const std::string& destination);

private:
    struct WorkerThread {
        std::thread thread;
        std::shared_ptr<ThreadExit> exit;
    };

    bool LaunchThread(const std::shared_ptr<EncodeRun>& run, int serial);
    void ReapThreads();

    EncoderFactory m_factory;
    std::chrono::milliseconds m_stopWait;
    mutable std::mutex m_mutex;  // guards the members below
    std::shared_ptr<EncodeRun> m_run;
    std::shared_ptr<EngineLink> m_link;
    EngineOptions m_options;
    int m_priority = kInitialPriority;
    int m_nextSerial = 0;
    std::uint64_t m_nextNoticeId = 0;
    std::vector<WorkerThread> m_threads;
};

}  // namespace qar
