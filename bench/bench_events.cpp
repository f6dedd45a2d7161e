// SPDX-License-Identifier: GPL-2.0-or-later
// Working in the terminal, in figures:
//   new tab to a shell prompt: Control+Shift+T (sent with XTest) until the
//   new interactive shell has read its start-up file (median of 10);
//   output throughput: cat of a 20 MB text file in a kavlor tab and in a
//   plain terminal window with the same font, size and scrollback, timed
//   by the shell around the cat (median of 3 each).
#include "kavlor_run.h"
#include "procfs.h"
#include "input.h"
#include "shells.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int TAB_RUNS = 10;
constexpr int CAT_RUNS = 3;
constexpr long BIG_BYTES = 20L * 1024 * 1024;

double median(std::vector<double> v)
{
  std::sort(v.begin(), v.end());
  return v.empty() ? -1 : v[v.size() / 2];
}

int count_prefixed(const std::string &dir, const std::string &prefix)
{
  int n = 0;
  if (DIR *d = opendir(dir.c_str())) {
    while (dirent *e = readdir(d))
      n += std::string(e->d_name).rfind(prefix, 0) == 0;
    closedir(d);
  }
  return n;
}

// A shell whose start-up file, read just before its first prompt, leaves
// a file prompt.PID behind.
ScriptShell prompt_shell()
{
  ScriptShell s = script_shell_make("ENV=@DIR@/rc exec /bin/sh");
  std::ofstream(s.dir + "/rc") << "touch '" << s.dir << "/prompt.'$$\n";
  return s;
}

void make_big_file(const std::string &path)
{
  std::ofstream out(path);
  long written = 0;
  char line[128];
  for (long i = 0; written < BIG_BYTES; i++) {
    const int n = snprintf(line, sizeof line,
                           "%08ld the quick brown fox jumps over the lazy dog 0123456789 abcdefghij\n", i);
    out.write(line, n);
    written += n;
  }
}

// Seconds the shell in the focused terminal takes to cat the big file.
double time_cat(Display *dpy, const ScriptShell &shell, int run)
{
  const std::string out = shell.dir + "/took." + std::to_string(run);
  input_type(dpy, "s=$(date +%s%N); cat " + shell.dir + "/big.txt; e=$(date +%s%N); echo $((e-s)) > " + out);
  if (!wait_until([&] { return file_read(out).find('\n') != std::string::npos; }, 600.0, 20))
    return -1;
  return atof(file_read(out).c_str()) / 1e9;
}

std::vector<pid_t> live_shells(pid_t parent, const ScriptShell &shell)
{
  const auto children = procfs_children(parent);
  std::vector<pid_t> out;
  for (const ShellStart &s : script_shell_starts(shell))
    if (std::find(children.begin(), children.end(), s.pid) != children.end())
      out.push_back(s.pid);
  return out;
}

} // namespace

int main()
{
  const ScriptShell shell = prompt_shell();
  make_big_file(shell.dir + "/big.txt");

  KavlorRun run;
  // Shown by its hotkey: --toggle would signal every kavlor on the machine.
  if (!kavlor_run_shown(&run, {"-sh", shell.path, "-fn", "Monospace 10", "-w", "800", "-h", "400",
                              "-ah", "false"}, "F12")) {
    fprintf(stderr, "bench_events: kavlor did not come up\n");
    return 1;
  }
  Display *dpy = run.x.dpy;
  wait_until([&] { return count_prefixed(shell.dir, "prompt.") == 1; }, 20.0);

  std::vector<double> tab_ms;
  for (int i = 0; i < TAB_RUNS; i++) {
    const int prompts = count_prefixed(shell.dir, "prompt.");
    const auto t0 = Clock::now();
    input_key(dpy, "ctrl+shift+t");
    if (!wait_until([&] { return count_prefixed(shell.dir, "prompt.") > prompts; }, 20.0, 1)) {
      fprintf(stderr, "bench_events: no prompt in the new tab\n");
      break;
    }
    tab_ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    input_key(dpy, "ctrl+shift+w");
    wait_until([&] { return live_shells(run.proc.pid, shell).size() == 1; }, 20.0);
  }

  std::vector<double> kavlor_s;
  for (int i = 0; i < CAT_RUNS; i++)
    kavlor_s.push_back(time_cat(dpy, shell, i));
  input_key(dpy, "ctrl+shift+q");
  proc_wait(&run.proc, 20.0);

  // The plain window on the same display, once kavlor is gone.
  Proc plain = proc_spawn({PLAINVTE_WINDOW, shell.path}, session_env(run.x, run.home));
  const int prompts = count_prefixed(shell.dir, "prompt.");
  Window w = 0;
  const bool up = wait_until([&] {
    w = x_find_client(dpy, "PlainVte", plain.pid);
    return w && x_is_viewable(dpy, w) && x_is_inside(dpy, x_focus_window(dpy), w) &&
           count_prefixed(shell.dir, "prompt.") > prompts;
  }, 20.0, 20);
  std::vector<double> plain_s;
  if (up)
    for (int i = 0; i < CAT_RUNS; i++)
      plain_s.push_back(time_cat(dpy, shell, 10 + i));
  else
    fprintf(stderr, "bench_events: the plain terminal window did not come up\n");
  proc_kill(&plain);
  kavlor_run_stop(&run);

  const double mb = static_cast<double>(BIG_BYTES) / (1024 * 1024);
  if (!tab_ms.empty())
    printf("new tab to shell prompt: median %.1f ms, min %.1f ms, max %.1f ms (%zu runs)\n",
           median(tab_ms), *std::min_element(tab_ms.begin(), tab_ms.end()),
           *std::max_element(tab_ms.begin(), tab_ms.end()), tab_ms.size());
  const double k = median(kavlor_s), p = median(plain_s);
  printf("cat of %.0f MB in a kavlor tab: median %.2f s (%.1f MB/s)\n", mb, k, k > 0 ? mb / k : 0);
  printf("cat of %.0f MB in a plain terminal window: median %.2f s (%.1f MB/s)\n", mb, p,
         p > 0 ? mb / p : 0);
  if (k > 0 && p > 0)
    printf("kavlor / plain time: %.2f\n", k / p);
  return 0;
}
