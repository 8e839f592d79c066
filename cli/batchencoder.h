// Encodes a list of files on several threads at once, each thread with its own encoder.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/encodeargs.h"
#include "vadav/vadav.h"

namespace qar {

struct BatchJob {
    std::string wav;
    std::string mp3;
    std::string label;         // how the job is named on screen (the row's relative name)
    std::uint64_t weight = 1;  // share of the whole batch's work (the WAV file's size)
};

enum class JobState { Pending, Running, Done, Failed, Stopped };

struct JobResult {
    JobState state = JobState::Pending;
    std::string error;  // the library's reason, when failed
};

struct BatchProgress {
    int done = 0;    // encoded
    int failed = 0;  // failed or stopped
    int total = 0;
    double fraction = 0;  // of the whole batch's weight, including the running jobs' parts
    std::vector<std::pair<std::string, int>> running;  // label and percent of each running job
};

class BatchEncoder {
public:
    BatchEncoder(std::vector<BatchJob> jobs, const EngineOptions& options, int threads);
    // Stops what still runs and waits for the threads.
    ~BatchEncoder();
    BatchEncoder(const BatchEncoder&) = delete;
    BatchEncoder& operator=(const BatchEncoder&) = delete;

    // Called once, on an encoding thread, when the last job has ended (so a caller waiting
    // on something else can wake up). Set it before Start.
    void SetOnFinished(std::function<void()> onFinished) { m_onFinished = std::move(onFinished); }

    // Starts the threads. False when no encoder could be made.
    bool Start();
    // Asks every running encoding to stop and no further job to start; any thread.
    void Stop();
    // Waits up to ms milliseconds; true once every job has ended.
    bool WaitFinished(int ms);
    bool Stopped() const { return m_stop.load(); }

    BatchProgress Progress() const;
    // Results of every job, in job order; final once WaitFinished returned true.
    std::vector<JobResult> Results() const;
    const std::vector<BatchJob>& Jobs() const { return m_jobs; }

private:
    struct Slot {
        vadav_encoder* encoder = nullptr;
        std::atomic<int> job{-1};  // the job this slot encodes, -1 between jobs
    };
    void Work(Slot& slot);
    void Finish(int job, JobState state, std::string error);

    std::vector<BatchJob> m_jobs;
    EngineOptions m_options;
    std::vector<std::unique_ptr<Slot>> m_slots;
    std::vector<std::thread> m_threads;
    std::atomic<int> m_next{0};
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    std::condition_variable m_finished;
    std::vector<JobResult> m_results;
    int m_ended = 0;
    std::uint64_t m_totalWeight = 0;
    std::function<void()> m_onFinished;
};

}  // namespace qar
