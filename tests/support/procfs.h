// SPDX-License-Identifier: GPL-2.0-or-later
// What /proc tells about a process and its threads: children, CPU time,
// memory, signals and where each thread sleeps.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// Live processes (zombies left out) whose parent is `parent`; those in
// `except` left out too.
std::vector<pid_t> procfs_children(pid_t parent, const std::vector<pid_t> &except = {});
// Command lines of those children, arguments joined by blanks.
std::vector<std::string> procfs_child_cmdlines(pid_t parent);
// False once the process has ended, zombie or reaped.
bool procfs_alive(pid_t pid);

// User plus system CPU time in clock ticks; -1 when the process is gone.
long procfs_cpu_ticks(pid_t pid);
// Resident set (VmRSS) in kB; -1 when the process is gone.
long procfs_rss_kb(pid_t pid);

// Whether `sig` is pending for the process (shared or main-thread set).
bool procfs_signal_pending(pid_t pid, int sig);
// Whether `sig` is in a mask line of /proc/PID/status, such as "\nSigBlk:"
// (blocked) or "\nSigCgt:" (a handler is installed).
bool procfs_signal_in(pid_t pid, const char *field, int sig);
// Sends `sig` and waits until it is no longer pending, so that a later one
// cannot merge with it: every signal sent this way reaches its handler.
bool procfs_signal_and_wait(pid_t pid, int sig, double timeout_s = 10.0);

// kavlor's hotkey listener: a thread of `pid` named "kavlor" other than
// the main one; 0 when there is none.
pid_t procfs_hotkey_thread(pid_t pid);
// Number of threads of `pid` whose name is `name`.
int procfs_threads_named(pid_t pid, const std::string &name);
// True when every thread of `pid` sleeps in poll: each has read and handled
// all it was sent.
bool procfs_idle(pid_t pid);
// Waits until `pid` is idle on several samples in a row.
bool procfs_wait_idle(pid_t pid, double timeout_s = 20.0);
// CPU time (user + system, clock ticks) and voluntary context switches of
// one thread; -1 when it cannot be read.
long procfs_thread_ticks(pid_t pid, pid_t tid);
long procfs_thread_wakeups(pid_t pid, pid_t tid);
