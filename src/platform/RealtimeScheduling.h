#pragma once

#include <sys/types.h>

// Real-time scheduling for the audio thread, so that a busy machine does not delay its
// refills: directly where the process may (its RLIMIT_RTPRIO or privileges allow), else
// through RealtimeKit on the system bus where that service runs. Neither is needed:
// without them the thread keeps its ordinary scheduling and its deep buffer.
//
// Contract: call from any thread but the audio thread itself (the request may block on a
// short D-Bus call, a quarter of a second at most). `thread` is a kernel thread id of this
// process. Answers whether the thread now runs real-time; the policy is not inherited by
// children.
namespace RealtimeScheduling {

constexpr int audioPriority = 5;

bool makeRealtime(pid_t thread, int priority = audioPriority);

}
