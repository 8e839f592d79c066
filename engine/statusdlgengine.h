// What the encoding status dialog asks of the engine. The program's dialog talks to the
// process-wide engine; a test can put an engine object of its own behind the same face.
#pragma once

#include <memory>

#include "engine/engine.h"

namespace qar {

class EncodeEngine;

class StatusDlgEngine {
public:
    virtual ~StatusDlgEngine() = default;
    // Jobs taken (counting the one being encoded) and jobs queued in the run.
    virtual void GetCounts(int* taken, int* total) = 0;
    // The library's figures of the current encoding; 0 when there is nothing to show.
    virtual int GetStatus(vadav_status* status) = 0;
    // The run's stereo and quality mode.
    virtual int Stereo() = 0;
    virtual int QuickMode() = 0;
    // True when the queue holds any job.
    virtual bool HasJobs() = 0;
    // The worker's priority index.
    virtual int GetPriority() = 0;
    virtual void SetPriority(int index) = 0;
    // Stops the run; waits a bounded time for the worker.
    virtual void Stop() = 0;
    // Registers (or, with an empty function, clears) the receiver of each job's paths,
    // under the lock the worker holds while it calls the receiver.
    virtual void SetFilesSink(EncodeFilesSink sink) = 0;
};

// The process-wide engine behind the free functions of engine.h.
std::shared_ptr<StatusDlgEngine> ProcessStatusDlgEngine();
// An engine object of the caller's; it must outlive everything that holds the result.
std::shared_ptr<StatusDlgEngine> StatusDlgEngineFor(EncodeEngine& engine);

}  // namespace qar
