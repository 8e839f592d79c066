#include "cli/batchencoder.h"

#include <chrono>
#include <string>

namespace qar {

BatchEncoder::BatchEncoder(std::vector<BatchJob> jobs, const EngineOptions& options, int threads)
    : m_jobs(std::move(jobs)), m_options(options), m_results(m_jobs.size()) {
    const int n = std::max(1, std::min<int>(threads, int(m_jobs.size())));
    for (int i = 0; i < n; ++i)
        m_slots.push_back(std::make_unique<Slot>());
    for (const BatchJob& j : m_jobs)
        m_totalWeight += j.weight;
}

BatchEncoder::~BatchEncoder() {
    Stop();
    for (std::thread& t : m_threads) {
        if (t.joinable())
            t.join();
    }
    for (auto& s : m_slots)
        vadav_encoder_free(s->encoder);
}

bool BatchEncoder::Start() {
    for (auto& s : m_slots) {
        s->encoder = vadav_encoder_new();
        if (!s->encoder)
            return false;
    }
    for (auto& s : m_slots)
        m_threads.emplace_back([this, slot = s.get()] { Work(*slot); });
    return true;
}

void BatchEncoder::Stop() {
    m_stop = true;
    for (auto& s : m_slots) {
        if (s->encoder)
            vadav_encoder_stop(s->encoder);
    }
}

void BatchEncoder::Finish(int job, JobState state, std::string error) {
    std::lock_guard lock(m_mutex);
    m_results[size_t(job)] = {state, std::move(error)};
    ++m_ended;
    if (m_ended == int(m_jobs.size())) {
        m_finished.notify_all();
        if (m_onFinished)
            m_onFinished();
    }
}

void BatchEncoder::Work(Slot& slot) {
    for (;;) {
        const int job = m_next.fetch_add(1);
        if (job >= int(m_jobs.size()))
            return;
        if (m_stop) {
            Finish(job, JobState::Stopped, "stopped");
            continue;
        }
        {
            std::lock_guard lock(m_mutex);
            m_results[size_t(job)].state = JobState::Running;
        }
        slot.job = job;
        const BatchJob& j = m_jobs[size_t(job)];
        std::vector<std::string> args = BuildEncodeArgs(m_options, j.wav, j.mp3);
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        int r = vadav_encoder_begin(slot.encoder, int(args.size()), argv.data());
        if (r == 0) {
            // Our own flag too: a stop that came just before begin would otherwise be lost.
            while (!m_stop && (r = vadav_encoder_step(slot.encoder)) == 1) {
            }
            if (m_stop && r == 1)
                r = -1;
            r = vadav_encoder_end(slot.encoder);
        }
        slot.job = -1;
        if (r == 0)
            Finish(job, JobState::Done, {});
        else if (m_stop)
            Finish(job, JobState::Stopped, "stopped");
        else
            Finish(job, JobState::Failed, vadav_encoder_error(slot.encoder));
    }
}

bool BatchEncoder::WaitFinished(int ms) {
    std::unique_lock lock(m_mutex);
    return m_finished.wait_for(lock, std::chrono::milliseconds(ms),
                               [this] { return m_ended == int(m_jobs.size()); });
}

BatchProgress BatchEncoder::Progress() const {
    BatchProgress p;
    p.total = int(m_jobs.size());
    double weightDone = 0;
    {
        std::lock_guard lock(m_mutex);
        for (size_t i = 0; i < m_results.size(); ++i) {
            const JobState s = m_results[i].state;
            if (s == JobState::Done)
                ++p.done;
            if (s == JobState::Failed || s == JobState::Stopped)
                ++p.failed;
            if (s == JobState::Done || s == JobState::Failed || s == JobState::Stopped)
                weightDone += double(m_jobs[i].weight);
        }
    }
    for (const auto& s : m_slots) {
        const int job = s->job.load();
        if (job < 0 || !s->encoder)
            continue;
        vadav_status st{};
        vadav_encoder_status(s->encoder, &st);
        const int percent = st.running ? st.percent : 0;
        p.running.emplace_back(m_jobs[size_t(job)].label, percent);
        weightDone += double(m_jobs[size_t(job)].weight) * percent / 100.0;
    }
    p.fraction = m_totalWeight ? std::min(1.0, weightDone / double(m_totalWeight)) : 1.0;
    return p;
}

std::vector<JobResult> BatchEncoder::Results() const {
    std::lock_guard lock(m_mutex);
    return m_results;
}

}  // namespace qar
