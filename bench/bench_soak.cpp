// SPDX-License-Identifier: GPL-2.0-or-later
// A long day in a few minutes: resident memory after start, after many
// toggles and after many tabs opened and closed (also with a long
// scrollback full of output), the growth per cycle, and what is left open
// afterwards: descriptors, shells, ptys, zombies.
#include "kavlor_run.h"
#include "procfs.h"
#include "xwindows.h"
#include "input.h"
#include "shells.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Leftovers {
  int fds = 0, ptys = 0, live_children = 0, zombies = 0;
};

Leftovers leftovers(pid_t pid)
{
  Leftovers l;
  const std::string fd_dir = "/proc/" + std::to_string(pid) + "/fd";
  if (DIR *d = opendir(fd_dir.c_str())) {
    while (dirent *e = readdir(d)) {
      if (e->d_name[0] == '.')
        continue;
      l.fds++;
      char target[256] = {};
      const std::string link = fd_dir + "/" + e->d_name;
      if (readlink(link.c_str(), target, sizeof target - 1) > 0 &&
          std::string(target) == "/dev/ptmx")
        l.ptys++;
    }
    closedir(d);
  }
  if (DIR *d = opendir("/proc")) {
    while (dirent *e = readdir(d)) {
      const int child = atoi(e->d_name);
      if (child <= 0)
        continue;
      const std::string stat = file_read("/proc/" + std::to_string(child) + "/stat");
      const size_t close = stat.rfind(')');
      if (close == std::string::npos)
        continue;
      std::istringstream in(stat.substr(close + 1));
      std::string state;
      int parent = 0;
      in >> state >> parent;
      if (parent != pid)
        continue;
      (state == "Z" ? l.zombies : l.live_children)++;
    }
    closedir(d);
  }
  return l;
}

void print_leftovers(const char *when, const Leftovers &l)
{
  printf("  %-34s %3d descriptors, %d ptys, %d shells, %d zombies\n", when, l.fds, l.ptys,
         l.live_children, l.zombies);
}

double seconds_since(Clock::time_point t0)
{
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

// Lets kavlor settle, then reads its resident set in kB.
long settled_rss(KavlorRun &r)
{
  x_settle(r.x.dpy, r.win, 20.0);
  return procfs_rss_kb(r.proc.pid);
}

bool shells_become(KavlorRun &r, size_t n)
{
  return wait_until([&] { return procfs_children(r.proc.pid).size() == n; }, 20.0, 2);
}

int lines_in(const std::string &path)
{
  const std::string text = file_read(path);
  int n = 0;
  for (char c : text)
    n += c == '\n';
  return n;
}

bool toggles(KavlorRun &r, int count)
{
  bool up = true;
  for (int i = 0; i < count; i++) {
    up = !up;
    if (!procfs_signal_and_wait(r.proc.pid, SIGUSR1) ||
        !wait_until([&] { return x_is_viewable(r.x.dpy, r.win) == up; }, 20.0, 1)) {
      fprintf(stderr, "toggle %d did not act\n", i + 1);
      return false;
    }
  }
  return true;
}

// Opens a tab with the new-tab key, waits for its shell (and, when `printed`
// is given, for its output to be written), closes it with the close-tab key
// and waits for its shell to end. The RSS every 100 cycles goes to `marks`.
bool tab_cycles(KavlorRun &r, int count, const std::string &printed, std::vector<long> *marks,
                Leftovers *worst)
{
  for (int i = 0; i < count; i++) {
    input_key(r.x.dpy, "ctrl+shift+t");
    if (!shells_become(r, 2)) {
      fprintf(stderr, "cycle %d: no new shell\n", i + 1);
      return false;
    }
    if (!printed.empty() &&
        !wait_until([&] { return lines_in(printed) >= i + 2; }, 60.0, 2)) {
      fprintf(stderr, "cycle %d: the output did not end\n", i + 1);
      return false;
    }
    input_key(r.x.dpy, "ctrl+shift+w");
    if (!shells_become(r, 1)) {
      fprintf(stderr, "cycle %d: the closed tab's shell did not end\n", i + 1);
      return false;
    }
    const Leftovers l = leftovers(r.proc.pid);
    worst->fds = std::max(worst->fds, l.fds);
    worst->ptys = std::max(worst->ptys, l.ptys);
    worst->live_children = std::max(worst->live_children, l.live_children);
    worst->zombies = std::max(worst->zombies, l.zombies);
    if ((i + 1) % 100 == 0)
      marks->push_back(settled_rss(r));
  }
  return true;
}

void print_cycles(const char *what, long before, const std::vector<long> &marks, int count)
{
  printf("  %-34s %6ld kB before", what, before);
  for (size_t i = 0; i < marks.size(); i++)
    printf(", %ld kB after %zu", marks[i], (i + 1) * 100);
  printf("\n");
  if (marks.empty())
    return;
  printf("  %-34s %+8.2f kB per cycle overall, %+8.2f kB per cycle after the first 100\n", "",
         static_cast<double>(marks.back() - before) / count,
         marks.size() > 1 ? static_cast<double>(marks.back() - marks.front()) /
                                (100.0 * static_cast<double>(marks.size() - 1))
                          : 0.0);
}

constexpr int TOGGLES = 2000;
constexpr int CYCLES = 300;

// The tab cycles that end each phase, their report, and the end of that kavlor.
bool tab_cycles_phase(KavlorRun &r, bool ok, const std::string &printed, const char *what,
                      Clock::time_point t0)
{
  std::vector<long> marks;
  Leftovers worst;
  const long before = settled_rss(r);
  ok = ok && tab_cycles(r, CYCLES, printed, &marks, &worst);
  print_cycles(what, before, marks, CYCLES);
  print_leftovers("most seen after a cycle", worst);
  print_leftovers("after the cycles", leftovers(r.proc.pid));
  printf("  %-34s %6.1f s\n", "phase took", seconds_since(t0));
  kavlor_run_stop(&r);
  return ok;
}

// One kavlor through one phase; false when it failed on the way.
bool phase_toggles_and_tabs()
{
  KavlorRun r;
  const ScriptShell shell = script_shell_make();
  const auto t0 = Clock::now();
  if (!kavlor_run_shown(&r, {"-sh", shell.path, "-ah", "false"})) {
    kavlor_run_stop(&r);
    return false;
  }
  bool ok = shells_become(r, 1);
  const long at_start = settled_rss(r);
  printf("  %-34s %6ld kB\n", "resident after start", at_start);
  print_leftovers("after start", leftovers(r.proc.pid));
  ok = ok && toggles(r, TOGGLES);
  const long after_toggles = settled_rss(r);
  printf("  %-34s %6ld kB (%+ld kB, %+.3f kB per toggle)\n", "after 2,000 toggles",
         after_toggles, after_toggles - at_start,
         static_cast<double>(after_toggles - at_start) / TOGGLES);
  return tab_cycles_phase(r, ok, "", "300 new-tab/close-tab cycles", t0);
}

bool phase_full_scrollback()
{
  KavlorRun r;
  const ScriptShell shell = script_shell_make("seq 1 5000\necho $$ >> @DIR@/printed\nexec /bin/sh");
  const auto t0 = Clock::now();
  if (!kavlor_run_shown(&r, {"-sh", shell.path, "-ah", "false", "-l", "10000"})) {
    kavlor_run_stop(&r);
    return false;
  }
  const std::string printed = shell.dir + "/printed";
  bool ok = shells_become(r, 1) && wait_until([&] { return lines_in(printed) >= 1; }, 60.0);
  print_leftovers("after start", leftovers(r.proc.pid));
  return tab_cycles_phase(r, ok, printed, "300 cycles, -l 10000, 5,000 lines", t0);
}

} // namespace

int main(int argc, char **argv)
{
  harness_isolate_pids(argc, argv);  // --toggle must see only our kavlor
  printf("soak: memory and leftovers of one kavlor over many toggles and tabs\n");
  const bool first = phase_toggles_and_tabs();
  const bool second = phase_full_scrollback();
  return first && second ? 0 : 1;
}
