// Linux thread priorities for the engine's priority index. Each thread has its own nice value
// and scheduling policy on Linux, so these work on single threads, not the whole process.
#pragma once

namespace qar {

// The nice value and policy an index stands for.
struct ThreadPriority {
    int nice = 0;
    bool idle = false;  // SCHED_IDLE instead of SCHED_OTHER
};

// 0 normal (nice 0), 1 below normal (nice 5), 2 lowest (nice 10), 3 idle (SCHED_IDLE, nice 19);
// any other index is normal.
ThreadPriority PriorityForIndex(int index);
// Larger means less CPU for the thread; moving to a larger rank is "lowering".
int PriorityRank(int index);
// Applies an index's level to thread `tid` (0: the calling thread). True when fully applied;
// raising fails for an unprivileged user.
bool ApplyThreadPriority(int tid, int index);
// The calling thread's kernel thread id.
int CurrentThreadId();
// The calling thread's nice value.
int CurrentThreadNice();
// The calling thread's scheduling policy (SCHED_OTHER, SCHED_IDLE, ...).
int CurrentThreadPolicy();

}  // namespace qar
