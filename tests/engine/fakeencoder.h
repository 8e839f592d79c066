// A stand-in for the encoder library: records what the engine asks of it, and lets a test
// hold each block of input until it releases it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "engine/encodersession.h"
#include "engine/threadpriority.h"

namespace enginetest {

struct FakeLibrary {
    struct Step {
        std::string input;
        int tid = 0;
        int nice = 0;
        int policy = 0;
    };
    struct End {
        std::string input;
        int result = 0;
    };

    std::mutex mutex;
    std::condition_variable cv;

    // Set up before the run.
    int stepsPerJob = 2;
    bool blockAll = false;              // every step waits for Release
    std::set<std::string> blockInputs;  // steps of these inputs wait for Release
    bool obeyStop = true;               // stop wakes a waiting step, which then fails
    std::set<std::string> failBegin;    // inputs whose begin fails
    std::set<std::string> failStep;     // inputs whose first step fails

    // What happened.
    std::vector<std::vector<std::string>> begun;
    std::vector<Step> steps;
    std::vector<End> ends;
    int stops = 0;
    int sessionsMade = 0;
    int sessionsGone = 0;
    int permits = 0;

    // Lets `n` waiting (or future) blocking steps go on.
    void Release(int n = 1) {
        {
            std::lock_guard lock(mutex);
            permits += n;
        }
        cv.notify_all();
    }

    // Waits (generously) until `done` holds; false on time-out.
    template <class Pred>
    bool WaitFor(Pred done, std::chrono::seconds limit = std::chrono::seconds(20)) {
        std::unique_lock lock(mutex);
        return cv.wait_for(lock, limit, done);
    }

    qar::EncoderFactory Factory(const std::shared_ptr<FakeLibrary>& self);
};

class FakeSession : public qar::EncoderSession {
public:
    explicit FakeSession(std::shared_ptr<FakeLibrary> lib) : m_lib(std::move(lib)) {}
    ~FakeSession() override {
        {
            std::lock_guard lock(m_lib->mutex);
            ++m_lib->sessionsGone;
        }
        m_lib->cv.notify_all();
    }

    int begin(const std::vector<std::string>& args) override {
        std::lock_guard lock(m_lib->mutex);
        m_lib->begun.push_back(args);
        m_input = args.size() >= 2 ? args[args.size() - 2] : std::string();
        m_done = 0;
        m_stopped = false;
        m_open = m_lib->failBegin.count(m_input) == 0;
        m_lib->cv.notify_all();
        return m_open ? 0 : -1;
    }

    int step() override {
        // Read on the calling thread: nice and policy are per thread on Linux.
        FakeLibrary::Step rec{m_input, qar::CurrentThreadId(), qar::CurrentThreadNice(),
                              qar::CurrentThreadPolicy()};
        std::unique_lock lock(m_lib->mutex);
        m_lib->steps.push_back(rec);
        m_lib->cv.notify_all();
        if (m_lib->failStep.count(m_input))
            return -2;
        const bool blocks = m_lib->blockAll || m_lib->blockInputs.count(m_input) != 0;
        if (blocks) {
            m_lib->cv.wait(lock,
                           [&] { return m_lib->permits > 0 || (m_lib->obeyStop && m_stopped); });
        }
        if (m_lib->obeyStop && m_stopped)
            return -1;
        if (blocks)
            --m_lib->permits;
        ++m_done;
        return m_done < m_lib->stepsPerJob ? 1 : 0;
    }

    int end() override {
        std::lock_guard lock(m_lib->mutex);
        const int result = m_open && m_done >= m_lib->stepsPerJob ? 0 : 1;
        m_lib->ends.push_back({m_input, result});
        m_open = false;
        m_lib->cv.notify_all();
        return result;
    }

    void stop() override {
        std::lock_guard lock(m_lib->mutex);
        m_stopped = true;
        ++m_lib->stops;
        m_lib->cv.notify_all();
    }

    int status(vadav_status& out) override {
        std::lock_guard lock(m_lib->mutex);
        out = vadav_status{};
        out.active = m_lib->begun.empty() ? 0 : 1;
        out.running = m_open ? 1 : 0;
        return out.active;
    }

private:
    std::shared_ptr<FakeLibrary> m_lib;
    std::string m_input;  // guarded by the library's mutex, like the rest
    int m_done = 0;
    bool m_stopped = false;
    bool m_open = false;
};

inline qar::EncoderFactory FakeLibrary::Factory(const std::shared_ptr<FakeLibrary>& self) {
    return [self]() -> std::unique_ptr<qar::EncoderSession> {
        {
            std::lock_guard lock(self->mutex);
            ++self->sessionsMade;
        }
        return std::make_unique<FakeSession>(self);
    };
}

// Counts the end notices a run sends.
struct Notices {
    std::mutex mutex;
    std::condition_variable cv;
    int count = 0;
    int lastId = 0;

    qar::EncodeNotify Fn() {
        // Notified under the lock: a waiter that sees the count may destroy this at once.
        return [this](int id) {
            std::lock_guard lock(mutex);
            ++count;
            lastId = id;
            cv.notify_all();
        };
    }
    bool WaitCount(int n, std::chrono::seconds limit = std::chrono::seconds(20)) {
        std::unique_lock lock(mutex);
        return cv.wait_for(lock, limit, [&] { return count >= n; });
    }
    int Count() {
        std::lock_guard lock(mutex);
        return count;
    }
};

}  // namespace enginetest
