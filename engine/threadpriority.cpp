#include "engine/threadpriority.h"

#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

namespace qar {

namespace {
constexpr int kNiceBelowNormal = 5;
constexpr int kNiceLowest = 10;
constexpr int kNiceIdle = 19;
constexpr int kRankIdle = 20;  // below every nice value
}  // namespace

ThreadPriority PriorityForIndex(int index) {
    switch (index) {
        case 1:
            return {kNiceBelowNormal, false};
        case 2:
            return {kNiceLowest, false};
        case 3:
            return {kNiceIdle, true};
        default:
            return {0, false};
    }
}

int PriorityRank(int index) {
    const ThreadPriority p = PriorityForIndex(index);
    return p.idle ? kRankIdle : p.nice;
}

bool ApplyThreadPriority(int tid, int index) {
    const ThreadPriority p = PriorityForIndex(index);
    // With PRIO_PROCESS and a thread id, Linux sets that one thread's nice value.
    const int target = tid != 0 ? tid : CurrentThreadId();
    bool ok = true;
    sched_param param{};
    param.sched_priority = 0;
    if (p.idle) {
        ok = sched_setscheduler(target, SCHED_IDLE, &param) == 0;
        ok = setpriority(PRIO_PROCESS, static_cast<id_t>(target), p.nice) == 0 && ok;
    } else {
        // Nice first: leaving SCHED_IDLE is only allowed at a nice value the thread may have.
        ok = setpriority(PRIO_PROCESS, static_cast<id_t>(target), p.nice) == 0;
        if (sched_getscheduler(target) != SCHED_OTHER)
            ok = sched_setscheduler(target, SCHED_OTHER, &param) == 0 && ok;
    }
    return ok;
}

int CurrentThreadId() {
    return static_cast<int>(gettid());
}

int CurrentThreadNice() {
    return getpriority(PRIO_PROCESS, 0);
}

int CurrentThreadPolicy() {
    return sched_getscheduler(0);
}

}  // namespace qar
