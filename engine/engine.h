// The encoding engine's public face: one process-wide job queue and worker.
// All functions are for the user-interface thread unless said otherwise.
#pragma once

#include <functional>
#include <string>

#include "vadav/vadav.h"

namespace qar {

// Command id the worker sends to the main window when a run has ended.
inline constexpr int ID_ENCODE_FINISHED = 32774;

// Receives the end notice. Called on the worker thread, under the engine's notice lock: it
// must only post, never touch a widget directly nor call back into the engine.
using EncodeNotify = std::function<void(int commandId)>;

// Receives the two paths of each job as the worker starts it (worker thread, under the status
// lock: clearing the registration waits for a call in progress).
using EncodeFilesSink = std::function<void(const std::string& source, const std::string& dest)>;

}  // namespace qar

// Copies the option values for the next run.
void SetEncodeOptions(int bitrate, int quickmode, int stereo, int vbr, int mmx, int bitcut);
// Empties the queue and resets its counts. A worker still on the old queue (one a stop gave
// up on) takes nothing more from it and sends no end notice.
void ClearEncodeQueue();
// Appends a job; copies both paths.
void AddEncodeJob(const char* source, const char* destination);
// Jobs taken in this run (counting the one being encoded) and jobs added since the last clear.
void GetEncodeCounts(int* taken, int* total);
// Starts the worker on the queue. 1 when a worker already runs (nothing changes); -1 when no
// worker could be started (the end notice is sent at once, so the run still ends); else 0.
int StartEncodeWorker(qar::EncodeNotify notify);
// Stops the running encoding; waits until the worker has ended, at most 3.5 s, after which
// the engine counts as idle.
void StopEncodeWorker();
// True while a worker runs.
bool IsEncodeWorkerRunning();
// Stores the priority index (0 normal, 1 below normal, 2 lowest, 3 idle); a running worker
// takes it at once.
void SetEncodePriority(int index);
int GetEncodePriority();
// The figures of the encoding in progress, as vadav reports them; 0 when there is nothing.
int GetEncodeStatus(vadav_status* status);
// The engine's copies of the stereo and quality mode of the run, and whether the queue holds
// any job; the status dialog shows them.
int GetEncodeStereo();
int GetEncodeQuickMode();
bool EncodeQueueHasJobs();
// Registers (or, with an empty function, clears) the receiver of each job's file names.
void SetEncodeFilesSink(qar::EncodeFilesSink sink);
// Called by the worker at the start of each job: hands the paths to the registered sink.
void ShowEncodeFiles(const char* source, const char* destination);
