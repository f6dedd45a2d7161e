// Figures for the drop-down: start-up to a focused window, SIGUSR1 to shown
// and to hidden, resident memory with one and ten tabs, CPU while idle.
// Times come from our own X connection: the events that the server sends
// us when kavlor's window is mapped, focused or unmapped.
#include "harness.h"
#include "showhide_util.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <poll.h>
#include <set>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point t0, Clock::time_point t)
{
  return std::chrono::duration<double, std::milli>(t - t0).count();
}

// Reads events until `match` accepts one; the time it was read, or none.
bool wait_event(Display *d, const std::function<bool(const XEvent &)> &match,
                Clock::time_point *when, double timeout_s = 20.0)
{
  const auto deadline = Clock::now() + std::chrono::duration<double>(timeout_s);
  for (;;) {
    while (XPending(d)) {
      XEvent e;
      XNextEvent(d, &e);
      if (match(e)) {
        *when = Clock::now();
        return true;
      }
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0)
      return false;
    pollfd pfd = {ConnectionNumber(d), POLLIN, 0};
    poll(&pfd, 1, static_cast<int>(left.count()));
  }
}

void drain(Display *d)
{
  XSync(d, False);
  while (XPending(d)) {
    XEvent e;
    XNextEvent(d, &e);
  }
}

bool is_focus_in(const XEvent &e, Window w)
{
  return e.type == FocusIn && e.xfocus.window == w && e.xfocus.detail != NotifyPointer;
}

struct Figures {
  std::vector<double> v;
  double median()
  {
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
  }
  double worst() { return v.empty() ? -1 : *std::max_element(v.begin(), v.end()); }
};

void print_row(const char *what, Figures &f, const char *target)
{
  printf("  %-34s median %7.2f ms   worst %7.2f ms   (target %s, %zu runs)\n", what, f.median(),
         f.worst(), target, f.v.size());
}

// One `kavlor --toggle` from fork to its window mapped and focused.
bool startup_once(XSession &s, const TestHome &h, double *map_ms, double *focus_ms)
{
  Display *d = s.dpy;
  const Window root = DefaultRootWindow(d);
  XSelectInput(d, root, SubstructureNotifyMask);
  drain(d);
  std::set<Window> created;
  Window mapped = 0;
  Clock::time_point t_map, t_focus;
  const auto t0 = Clock::now();
  Proc k = sh_start_kavlor(s, h, {"--toggle"});
  // Every new top-level is watched as soon as it exists; kavlor maps its
  // window only after a good deal more work, so nothing is missed.
  const bool ok = wait_event(d, [&](const XEvent &e) {
    if (e.type == CreateNotify && e.xcreatewindow.parent == root &&
        !e.xcreatewindow.override_redirect) {
      created.insert(e.xcreatewindow.window);
      XSelectInput(d, e.xcreatewindow.window, StructureNotifyMask | FocusChangeMask);
      XFlush(d);
    } else if (e.type == MapNotify && created.count(e.xmap.window) && !mapped) {
      mapped = e.xmap.window;
      t_map = Clock::now();
    } else if (e.type == FocusIn && created.count(e.xfocus.window) &&
               e.xfocus.detail != NotifyPointer) {
      return true;
    }
    return false;
  }, &t_focus);
  XSelectInput(d, root, NoEventMask);
  for (Window w : created)
    XSelectInput(d, w, NoEventMask);
  drain(d);
  proc_kill(&k);
  if (!ok || !mapped)
    return false;
  *map_ms = ms_since(t0, t_map);
  *focus_ms = ms_since(t0, t_focus);
  return true;
}

struct Toggles {
  Figures show_map, show_focus, hide;
};

// 20 rounds of SIGUSR1 to a hidden kavlor: shown and focused, then hidden.
Toggles measure_toggles(Display *d, Window w, pid_t pid)
{
  XSelectInput(d, w, StructureNotifyMask | FocusChangeMask);
  sh_sync(d, w);
  Toggles t;
  for (int i = 0; i < 20; i++) {
    drain(d);
    Clock::time_point t_map = {}, t_focus;
    bool mapped = false;
    auto t0 = Clock::now();
    kill(pid, SIGUSR1);
    const bool focused = wait_event(d, [&](const XEvent &e) {
      if (e.type == MapNotify && e.xmap.window == w && !mapped) {
        mapped = true;
        t_map = Clock::now();
      }
      return mapped && is_focus_in(e, w);
    }, &t_focus);
    if (!focused) {
      fprintf(stderr, "bench_showhide: show %d not seen\n", i);
      break;
    }
    t.show_map.v.push_back(ms_since(t0, t_map));
    t.show_focus.v.push_back(ms_since(t0, t_focus));
    sh_sync(d, w);

    drain(d);
    Clock::time_point t_hide;
    t0 = Clock::now();
    kill(pid, SIGUSR1);
    if (!wait_event(d, [&](const XEvent &e) {
          return e.type == UnmapNotify && e.xunmap.window == w && !e.xunmap.send_event;
        }, &t_hide)) {
      fprintf(stderr, "bench_showhide: hide %d not seen\n", i);
      break;
    }
    t.hide.v.push_back(ms_since(t0, t_hide));
    sh_sync(d, w);
  }
  XSelectInput(d, w, NoEventMask);
  drain(d);
  return t;
}

} // namespace

int main(int argc, char **argv)
{
  harness_isolate_pids(argc, argv);  // --toggle must see only our kavlor

  XSession s;
  if (!xsession_start(&s)) {
    fprintf(stderr, "bench_showhide: no X session\n");
    return 1;
  }
  TestHome h;
  home_make(&h, "/bin/sh");
  Display *d = s.dpy;
  printf("kavlor show/hide under Xvfb with openbox (%s)\n", kavlor_path().c_str());

  Figures startup_map, startup_focus;
  for (int run = 0; run < 5; run++) {
    double map_ms, focus_ms;
    if (startup_once(s, h, &map_ms, &focus_ms)) {
      startup_map.v.push_back(map_ms);
      startup_focus.v.push_back(focus_ms);
    } else {
      fprintf(stderr, "bench_showhide: start-up run %d saw no focused window\n", run);
    }
  }
  printf("start-up (kavlor --toggle, from fork):\n");
  print_row("to window mapped", startup_map, "-");
  print_row("to window mapped and focused", startup_focus, "< 100 ms");

  Proc k = sh_start_kavlor(s, h, {});
  const Window w = sh_wait_client(d, k.pid);
  if (!w) {
    fprintf(stderr, "bench_showhide: no kavlor window\n%s", proc_err(k).c_str());
    return 1;
  }
  Toggles t = measure_toggles(d, w, k.pid);
  printf("SIGUSR1 (kill() to the event on our connection):\n");
  print_row("to shown (mapped)", t.show_map, "-");
  print_row("to shown and focused", t.show_focus, "3 ms");
  print_row("to hidden (unmapped)", t.hide, "1 ms");

  // Shown, one tab, then ten through the new-tab accelerator.
  kill(k.pid, SIGUSR1);
  wait_until([&] { return sh_shown_and_focused(d, w); }, 20.0);
  sh_sync(d, w);
  const long rss_one = sh_rss_kb(k.pid);
  for (int i = 0; i < 9; i++)
    run_capture({"xdotool", "key", "ctrl+shift+t"}, {"DISPLAY=" + s.display});
  const bool ten = wait_until([&] { return sh_child_count(k.pid) >= 10; }, 30.0);
  sh_sync(d, w);
  const long rss_ten = sh_rss_kb(k.pid);
  printf("resident memory (VmRSS):\n");
  printf("  %-34s %7.1f MB   (target < 30 MB)\n", "one tab", rss_one / 1024.0);
  printf("  %-34s %7.1f MB   (%s)\n", "ten tabs", rss_ten / 1024.0,
         ten ? "10 shells running" : "fewer than 10 shells started");

  // Idle: no input, no output, the window shown, then hidden.
  const long hz = sysconf(_SC_CLK_TCK);
  auto idle = [&](const char *what, int seconds) {
    sh_sync(d, w);
    const long before = sh_cpu_ticks(k.pid);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));  // the measuring span
    const long used = sh_cpu_ticks(k.pid) - before;
    printf("  %-34s %5ld ticks = %6.1f ms over %d s   (target 0)\n", what, used,
           used * 1000.0 / hz, seconds);
  };
  printf("CPU while idle (utime+stime):\n");
  idle("shown, ten tabs", 5);
  kill(k.pid, SIGUSR1);
  wait_until([&] { return !x_is_viewable(d, w); }, 20.0);
  idle("hidden, ten tabs", 5);

  proc_kill(&k);
  xsession_stop(&s);

  // The same without a window manager: what is left is kavlor's own part.
  XSessionOptions bare;
  bare.window_manager = false;
  XSession b;
  if (xsession_start(&b, bare)) {
    Proc kb = sh_start_kavlor(b, h, {});
    const Window wb = sh_wait_client(b.dpy, kb.pid);
    if (wb) {
      Toggles tb = measure_toggles(b.dpy, wb, kb.pid);
      printf("SIGUSR1 without a window manager (kavlor's own share):\n");
      print_row("to shown and focused", tb.show_focus, "-");
      print_row("to hidden (unmapped)", tb.hide, "-");
    }
    proc_kill(&kb);
    xsession_stop(&b);
  }
  home_remove(&h);
  return 0;
}
