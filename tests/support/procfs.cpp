// SPDX-License-Identifier: GPL-2.0-or-later
#include "procfs.h"
#include "harness.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <sstream>
#include <sys/syscall.h>

namespace {

std::string proc_dir(pid_t pid) { return "/proc/" + std::to_string(pid); }

std::string task_dir(pid_t pid, pid_t tid)
{
  return proc_dir(pid) + "/task/" + std::to_string(tid);
}

// Fields of a stat file after the command name, which may hold blanks:
// [0] is the state, [1] the parent, [11] and [12] utime and stime.
std::vector<std::string> stat_fields(const std::string &path)
{
  const std::string text = file_read(path);
  const size_t close = text.rfind(')');
  std::vector<std::string> out;
  if (close == std::string::npos)
    return out;
  std::istringstream in(text.substr(close + 1));
  for (std::string f; in >> f;)
    out.push_back(f);
  return out;
}

long ticks_of(const std::vector<std::string> &f)
{
  return f.size() > 12 ? atol(f[11].c_str()) + atol(f[12].c_str()) : -1;
}

// Numeric entries of a /proc directory.
std::vector<pid_t> numbered(const std::string &dir)
{
  std::vector<pid_t> out;
  DIR *d = opendir(dir.c_str());
  if (!d)
    return out;
  while (dirent *e = readdir(d))
    if (e->d_name[0] >= '0' && e->d_name[0] <= '9')
      out.push_back(static_cast<pid_t>(atoi(e->d_name)));
  closedir(d);
  return out;
}

std::string task_comm(pid_t pid, pid_t tid)
{
  std::string comm = file_read(task_dir(pid, tid) + "/comm");
  while (!comm.empty() && comm.back() == '\n')
    comm.pop_back();
  return comm;
}

// A blocked thread's syscall file starts with the call's number; a running
// one reads "running".
bool asleep_in_poll(pid_t pid, pid_t tid)
{
  const std::string text = file_read(task_dir(pid, tid) + "/syscall");
  if (text.empty() || text[0] < '0' || text[0] > '9')
    return false;
  const long nr = atol(text.c_str());
#ifdef SYS_poll
  if (nr == SYS_poll)
    return true;
#endif
  return nr == SYS_ppoll;
}

unsigned long long status_mask(const std::string &status, const char *field)
{
  const size_t at = status.find(field);
  if (at == std::string::npos)
    return 0;
  return strtoull(status.c_str() + at + strlen(field), nullptr, 16);
}

} // namespace

std::vector<pid_t> procfs_children(pid_t parent, const std::vector<pid_t> &except)
{
  std::vector<pid_t> out;
  for (pid_t pid : numbered("/proc")) {
    const auto f = stat_fields(proc_dir(pid) + "/stat");
    if (f.size() > 1 && f[0] != "Z" && atoi(f[1].c_str()) == parent) {
      bool skip = false;
      for (pid_t x : except)
        skip = skip || x == pid;
      if (!skip)
        out.push_back(pid);
    }
  }
  return out;
}

std::vector<std::string> procfs_child_cmdlines(pid_t parent)
{
  std::vector<std::string> out;
  for (pid_t pid : procfs_children(parent)) {
    std::string cmdline = file_read(proc_dir(pid) + "/cmdline");
    for (char &c : cmdline)
      if (c == '\0')
        c = ' ';
    while (!cmdline.empty() && cmdline.back() == ' ')
      cmdline.pop_back();
    out.push_back(cmdline);
  }
  return out;
}

bool procfs_alive(pid_t pid)
{
  const auto f = stat_fields(proc_dir(pid) + "/stat");
  return !f.empty() && f[0] != "Z";
}

long procfs_cpu_ticks(pid_t pid) { return ticks_of(stat_fields(proc_dir(pid) + "/stat")); }

long procfs_rss_kb(pid_t pid)
{
  const std::string status = file_read(proc_dir(pid) + "/status");
  const size_t at = status.find("\nVmRSS:");
  return at == std::string::npos ? -1 : atol(status.c_str() + at + 7);
}

bool procfs_signal_pending(pid_t pid, int sig)
{
  const std::string status = file_read(proc_dir(pid) + "/status");
  const unsigned long long bit = 1ULL << (sig - 1);
  return ((status_mask(status, "\nSigPnd:") | status_mask(status, "\nShdPnd:")) & bit) != 0;
}

bool procfs_signal_in(pid_t pid, const char *field, int sig)
{
  const std::string status = file_read(proc_dir(pid) + "/status");
  return (status_mask(status, field) & (1ULL << (sig - 1))) != 0;
}

bool procfs_signal_and_wait(pid_t pid, int sig, double timeout_s)
{
  // The one before may still be on its way in.
  if (!wait_until([&] { return !procfs_signal_pending(pid, sig); }, timeout_s, 0))
    return false;
  if (kill(pid, sig) != 0)
    return false;
  return wait_until([&] { return !procfs_signal_pending(pid, sig); }, timeout_s, 0);
}

pid_t procfs_hotkey_thread(pid_t pid)
{
  for (pid_t tid : numbered(proc_dir(pid) + "/task"))
    if (tid != pid && task_comm(pid, tid) == "kavlor")
      return tid;
  return 0;
}

int procfs_threads_named(pid_t pid, const std::string &name)
{
  int n = 0;
  for (pid_t tid : numbered(proc_dir(pid) + "/task"))
    n += task_comm(pid, tid) == name;
  return n;
}

bool procfs_idle(pid_t pid)
{
  const auto all = numbered(proc_dir(pid) + "/task");
  if (all.empty())
    return false;
  for (pid_t tid : all)
    if (!asleep_in_poll(pid, tid))
      return false;
  return true;
}

bool procfs_wait_idle(pid_t pid, double timeout_s)
{
  int streak = 0;
  return wait_until([&] {
    streak = procfs_idle(pid) ? streak + 1 : 0;
    return streak >= 5;
  }, timeout_s, 20);
}

long procfs_thread_ticks(pid_t pid, pid_t tid)
{
  return ticks_of(stat_fields(task_dir(pid, tid) + "/stat"));
}

long procfs_thread_wakeups(pid_t pid, pid_t tid)
{
  std::istringstream in(file_read(task_dir(pid, tid) + "/status"));
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("voluntary_ctxt_switches:", 0) == 0)
      return atol(line.c_str() + sizeof("voluntary_ctxt_switches:") - 1);
  return -1;
}
