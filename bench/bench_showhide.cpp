// SPDX-License-Identifier: GPL-2.0-or-later
// Figures for the drop-down beside a floor, a bare window with one terminal
// run at the same time on the same display: show (SIGUSR1 and hotkey) to
// mapped and focused, hide to unmapped, also as seen by a client that polls
// the server; the toggle command beside kill -USR1; resident memory and
// start-up, then kavlor's memory with ten tabs and its CPU while idle.
// Times come from our own X connection: the events that the server sends
// us when a window is mapped, focused or unmapped.
#include "harness.h"
#include "kavlor_run.h"
#include "procfs.h"
#include "xwindows.h"

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
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

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
};

// One start of `argv` (kavlor --toggle, or the floor with --shown) from
// fork to its window mapped and focused.
bool startup_once(XSession &s, const TestHome &h, const std::vector<std::string> &argv,
                  double *map_ms, double *focus_ms)
{
  Display *d = s.dpy;
  const Window root = DefaultRootWindow(d);
  XSelectInput(d, root, SubstructureNotifyMask);
  drain(d);
  std::set<Window> created;
  Window mapped = 0;
  Clock::time_point t_map, t_focus;
  const std::vector<std::string> env = session_env(s, h);
  const auto t0 = Clock::now();
  Proc k = proc_spawn(argv, env);
  // Every new top-level is watched as soon as it exists; the window is mapped
  // only after a good deal more work, so nothing is missed.
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

// Who is toggled and how: by SIGUSR1, or by a hotkey (key not 0) pressed
// with XTest on our own connection.
struct Subject {
  const char *name;
  pid_t pid;
  Window w;
  KeyCode key;
  Figures show_map, show_focus, hide;
  // When set, the trigger is this command run through sh -c with `env`.
  std::string command;
  std::vector<std::string> env;
};

// Shell commands still to be reaped once their effect is seen.
std::vector<Proc> commands;

void reap_commands()
{
  for (Proc &p : commands)
    proc_wait(&p, 20.0);
  commands.clear();
}

void trigger(Display *d, const Subject &s)
{
  if (!s.command.empty()) {
    commands.push_back(proc_spawn({"/bin/sh", "-c", s.command}, s.env));
  } else if (s.key) {
    const KeyCode key = s.key;
    XTestFakeKeyEvent(d, key, True, 0);
    XTestFakeKeyEvent(d, key, False, 0);
    XFlush(d);
  } else {
    kill(s.pid, SIGUSR1);
  }
}

// Lets the subject finish with what it was sent before the next figure.
void settle(Display *d, const Subject &s)
{
  reap_commands();
  x_settle(d, s.w);
  if (s.key)
    procfs_wait_idle(s.pid);
}

// One show and one hide of a hidden window; false when an event was missed.
bool cycle(Display *d, Subject *s, bool keep)
{
  drain(d);
  Clock::time_point t_map = {}, t_focus;
  bool mapped = false;
  auto t0 = Clock::now();
  trigger(d, *s);
  if (!wait_event(d, [&](const XEvent &e) {
        if (e.type == MapNotify && e.xmap.window == s->w && !mapped) {
          mapped = true;
          t_map = Clock::now();
        }
        return mapped && is_focus_in(e, s->w);
      }, &t_focus))
    return false;
  if (keep) {
    s->show_map.v.push_back(ms_since(t0, t_map));
    s->show_focus.v.push_back(ms_since(t0, t_focus));
  }
  settle(d, *s);

  drain(d);
  Clock::time_point t_hide;
  t0 = Clock::now();
  trigger(d, *s);
  if (!wait_event(d, [&](const XEvent &e) {
        return e.type == UnmapNotify && e.xunmap.window == s->w && !e.xunmap.send_event;
      }, &t_hide))
    return false;
  if (keep)
    s->hide.v.push_back(ms_since(t0, t_hide));
  settle(d, *s);
  return true;
}

constexpr int kBatches = 6, kPerBatch = 6, kStarts = 10;

// Seen from outside, as a user or a test script sees it: a client that
// selects no events fires the trigger and asks the server, round trip
// after round trip, until the window is viewable and holds the focus (or,
// for a hide, is no longer viewable).
bool polled_state(Display *p, Window w, bool want_shown)
{
  XWindowAttributes a;
  if (!XGetWindowAttributes(p, w, &a))
    return false;
  if (!want_shown)
    return a.map_state != IsViewable;
  if (a.map_state != IsViewable)
    return false;
  return x_has_focus(p, w);
}

bool poll_until(Display *p, Window w, bool want_shown, Clock::time_point *when)
{
  const auto deadline = Clock::now() + std::chrono::seconds(20);
  while (Clock::now() < deadline)
    if (polled_state(p, w, want_shown)) {
      *when = Clock::now();
      return true;
    }
  return false;
}

bool cycle_polled(Display *d, Display *p, Subject *s, bool keep)
{
  Clock::time_point t;
  auto t0 = Clock::now();
  trigger(p, *s);
  if (!poll_until(p, s->w, true, &t))
    return false;
  if (keep)
    s->show_focus.v.push_back(ms_since(t0, t));
  settle(d, *s);
  t0 = Clock::now();
  trigger(p, *s);
  if (!poll_until(p, s->w, false, &t))
    return false;
  if (keep)
    s->hide.v.push_back(ms_since(t0, t));
  settle(d, *s);
  return true;
}

bool measure_polled(Display *d, Display *p, std::vector<Subject *> subjects)
{
  for (Subject *s : subjects) {
    settle(d, *s);
    if (!cycle_polled(d, p, s, false))
      return false;
  }
  for (int b = 0; b < kBatches; b++)
    for (size_t j = 0; j < subjects.size(); j++) {
      Subject *s = subjects[(b + j) % subjects.size()];
      for (int i = 0; i < kPerBatch; i++)
        if (!cycle_polled(d, p, s, true)) {
          fprintf(stderr, "bench_showhide: %s: polled toggle %d of batch %d not seen\n", s->name,
                  i, b);
          return false;
        }
    }
  return true;
}

// Spread of a figure over the batches: the lowest and highest batch median.
void print_spread(const char *what, const Subject &s, const Figures Subject::*f)
{
  const std::vector<double> &v = (s.*f).v;
  const size_t per = v.size() / kBatches;
  if (per == 0)
    return;
  double lo = 1e9, hi = 0;
  for (int b = 0; b < kBatches; b++) {
    Figures batch;
    // Figures are stored in the order taken: batch b holds [b*per, (b+1)*per).
    batch.v.assign(v.begin() + b * per, v.begin() + (b + 1) * per);
    const double m = batch.median();
    lo = std::min(lo, m);
    hi = std::max(hi, m);
  }
  printf("    %-26s %-16s batch medians %.2f to %.2f ms\n", s.name, what, lo, hi);
}

// The part of the hotkey path that is the server's and not kavlor's: from
// the XTest press to the KeyPress of a key grabbed on a connection of ours.
struct KeyDelivery {
  Display *grabber = nullptr;
  KeyCode key = 0;
  Figures ms;
};

bool key_delivery_open(KeyDelivery *k, const std::string &display)
{
  k->grabber = XOpenDisplay(display.c_str());
  if (!k->grabber)
    return false;
  k->key = XKeysymToKeycode(k->grabber, XK_F10);
  XGrabKey(k->grabber, k->key, 0, DefaultRootWindow(k->grabber), True, GrabModeAsync,
           GrabModeAsync);
  XSync(k->grabber, False);
  return true;
}

void key_delivery_once(Display *d, KeyDelivery *k)
{
  drain(k->grabber);
  Clock::time_point t;
  const auto t0 = Clock::now();
  XTestFakeKeyEvent(d, k->key, True, 0);
  XTestFakeKeyEvent(d, k->key, False, 0);
  XFlush(d);
  if (wait_event(k->grabber, [&](const XEvent &e) { return e.type == KeyPress; }, &t, 10.0))
    k->ms.v.push_back(ms_since(t0, t));
  XSync(d, False);
  drain(k->grabber);
}

// Batches of each subject in turn, the order rotating from batch to batch,
// so that load on the machine falls on all of them alike.
bool measure(Display *d, std::vector<Subject *> subjects, KeyDelivery *delivery = nullptr)
{
  for (Subject *s : subjects) {
    XSelectInput(d, s->w, StructureNotifyMask | FocusChangeMask);
    settle(d, *s);
    // The first show also has the window manager take the window in.
    if (!cycle(d, s, false)) {
      fprintf(stderr, "bench_showhide: %s: first show/hide not seen\n", s->name);
      return false;
    }
  }
  for (int b = 0; b < kBatches; b++)
    for (size_t j = 0; j < subjects.size(); j++) {
      Subject *s = subjects[(b + j) % subjects.size()];
      for (int i = 0; i < kPerBatch; i++)
        if (!cycle(d, s, true)) {
          fprintf(stderr, "bench_showhide: %s: toggle %d of batch %d not seen\n", s->name, i, b);
          return false;
        }
    }
  for (int b = 0; delivery && b < kBatches; b++)
    for (int i = 0; i < kPerBatch; i++)
      key_delivery_once(d, delivery);
  for (Subject *s : subjects)
    XSelectInput(d, s->w, NoEventMask);
  drain(d);
  return true;
}

void print_ratio_row(const char *what, double floor, const std::vector<double> &others)
{
  printf("  %-28s %8.2f ms", what, floor);
  for (double v : others)
    printf("   %8.2f ms (x%.2f)", v, floor > 0 ? v / floor : 0.0);
  printf("\n");
}

void print_table(const char *title, Subject &floor, const std::vector<Subject *> &others,
                 const char *target)
{
  printf("%s, %d batches of %d toggles, medians:\n", title, kBatches, kPerBatch);
  printf("  %-28s %11s", "", floor.name);
  for (const Subject *s : others)
    printf("   %19s", s->name);
  printf("\n");
  auto row = [&](const char *what, Figures Subject::*f) {
    std::vector<double> v;
    for (Subject *s : others)
      v.push_back((s->*f).median());
    print_ratio_row(what, (floor.*f).median(), v);
  };
  row("show -> mapped", &Subject::show_map);
  row("show -> viewable and focused", &Subject::show_focus);
  row("hide -> unmapped", &Subject::hide);
  printf("  (target %s)\n", target);
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
  printf("beside the floor: %s, one terminal, shown and hidden on SIGUSR1 with the bare calls\n",
         FLOOR_WINDOW);

  // Start-up first, while no other kavlor runs for --toggle to find.
  Figures start_map[2], start_focus[2];
  const std::vector<std::string> start_argv[2] = {{FLOOR_WINDOW, "/bin/sh", "--shown"},
                                                  {kavlor_path(), "--toggle"}};
  for (int run = 0; run < 2 * kStarts; run++) {
    const int who = run % 2;
    double map_ms, focus_ms;
    if (startup_once(s, h, start_argv[who], &map_ms, &focus_ms)) {
      start_map[who].v.push_back(map_ms);
      start_focus[who].v.push_back(focus_ms);
    } else {
      fprintf(stderr, "bench_showhide: start-up run %d saw no focused window\n", run);
    }
  }

  Proc fl = proc_spawn({FLOOR_WINDOW, "/bin/sh", "--key"}, session_env(s, h));
  Proc k = kavlor_start(s, h, {"-k", "F12"});
  Window fw = 0;
  wait_until([&] { return (fw = x_find_client(d, "FloorWindow", fl.pid)) != 0; }, 20.0, 20);
  const Window w = kavlor_wait_window(d, &k);
  if (!w || !fw || !procfs_wait_idle(k.pid) || !procfs_wait_idle(fl.pid)) {
    fprintf(stderr, "bench_showhide: no kavlor or floor window\n%s%s", proc_err(k).c_str(),
            proc_err(fl).c_str());
    return 1;
  }
  Subject floor = {"floor", fl.pid, fw, 0, {}, {}, {}, {}, {}};
  Subject floor_key = {"floor hotkey", fl.pid, fw, XKeysymToKeycode(d, XK_F11), {}, {}, {}, {}, {}};
  Subject by_signal = {"kavlor SIGUSR1", k.pid, w, 0, {}, {}, {}, {}, {}};
  Subject by_key = {"kavlor hotkey", k.pid, w, XKeysymToKeycode(d, XK_F12), {}, {}, {}, {}, {}};
  KeyDelivery delivery;
  if (!key_delivery_open(&delivery, s.display) ||
      !measure(d, {&floor, &by_signal, &by_key, &floor_key}, &delivery))
    return 1;
  print_table("show/hide, both on one display", floor, {&by_signal, &by_key, &floor_key},
              "x1.05 of the floor");
  printf("  kavlor hotkey beside the floor's own hotkey (F11 grabbed in its main loop):\n");
  print_ratio_row("show -> viewable and focused", floor_key.show_focus.median(),
                  {by_key.show_focus.median()});
  print_ratio_row("hide -> unmapped", floor_key.hide.median(), {by_key.hide.median()});
  printf("  key press delivered by the server to a grab of ours (XTest to KeyPress): %.2f ms\n"
         "  (part of each hotkey figure and of none of the floor's)\n",
         delivery.ms.median());

  // The same four from outside, polled by a client of its own.
  Display *poller = XOpenDisplay(s.display.c_str());
  Subject o_floor = {"floor", fl.pid, fw, 0, {}, {}, {}, {}, {}};
  Subject o_signal = {"kavlor SIGUSR1", k.pid, w, 0, {}, {}, {}, {}, {}};
  Subject o_key = {"kavlor hotkey", k.pid, w, by_key.key, {}, {}, {}, {}, {}};
  Subject o_floor_key = {"floor hotkey", fl.pid, fw, floor_key.key, {}, {}, {}, {}, {}};
  if (!poller || !measure_polled(d, poller, {&o_floor, &o_signal, &o_key, &o_floor_key}))
    return 1;
  printf("seen from outside (a client that fires the trigger and polls the server until\n"
         "viewable and focused, or unmapped), %d batches of %d toggles, medians:\n",
         kBatches, kPerBatch);
  printf("  %-28s %11s   %19s\n", "", "floor", "kavlor SIGUSR1");
  print_ratio_row("show -> viewable and focused", o_floor.show_focus.median(),
                  {o_signal.show_focus.median()});
  print_ratio_row("hide -> unmapped", o_floor.hide.median(), {o_signal.hide.median()});
  printf("  %-28s %11s   %19s\n", "", "floor hotkey", "kavlor hotkey");
  print_ratio_row("show -> viewable and focused", o_floor_key.show_focus.median(),
                  {o_key.show_focus.median()});
  print_ratio_row("hide -> unmapped", o_floor_key.hide.median(), {o_key.hide.median()});
  printf("  (target x1.05 of the floor)\n");
  for (const Subject *o : {&o_floor, &o_signal, &o_floor_key, &o_key})
    print_spread("show", *o, &Subject::show_focus);

  // The toggle command against a signal sent by hand, both through sh -c,
  // to the same instance.
  const std::vector<std::string> cmd_env = session_env(s, h);
  Subject by_kill = {"sh -c kill -USR1", k.pid, w, 0, {}, {}, {},
                     "kill -USR1 " + std::to_string(k.pid), cmd_env};
  Subject by_toggle = {"sh -c kavlor --toggle", k.pid, w, 0, {}, {}, {},
                       "exec " + kavlor_path() + " --toggle", cmd_env};
  if (!measure(d, {&by_kill, &by_toggle}))
    return 1;
  print_table("the toggle command beside kill -USR1, same instance", by_kill, {&by_toggle},
              "x3 of kill -USR1");
  for (const Subject *o : {&by_kill, &by_toggle}) {
    print_spread("show", *o, &Subject::show_map);
    print_spread("hide", *o, &Subject::hide);
  }
  if (access("/usr/bin/guake", X_OK) == 0)
    printf("  (guake is installed; not measured here)\n");

  // Both shown, one terminal each.
  long rss[2];
  const Subject *shown[2] = {&floor, &by_signal};
  for (int i = 0; i < 2; i++) {
    kill(shown[i]->pid, SIGUSR1);
    wait_until([&] { return x_shown_and_focused(d, shown[i]->w); }, 20.0);
    x_settle(d, shown[i]->w);
    rss[i] = procfs_rss_kb(shown[i]->pid);
    kill(shown[i]->pid, SIGUSR1);
    wait_until([&] { return !x_is_viewable(d, shown[i]->w); }, 20.0);
  }
  printf("resident memory (VmRSS), one terminal:\n");
  printf("  %-28s %8.1f MB   %8.1f MB (%+.1f MB, target +2 MB)\n", "", rss[0] / 1024.0,
         rss[1] / 1024.0, (rss[1] - rss[0]) / 1024.0);
  printf("start-up to the first shown window, from fork, medians of %zu each:\n",
         start_focus[0].v.size());
  print_ratio_row("to window mapped", start_map[0].median(), {start_map[1].median()});
  print_ratio_row("to mapped and focused", start_focus[0].median(), {start_focus[1].median()});
  printf("  (floor_window --shown, kavlor --toggle; target x1.2 of the floor)\n");
  proc_kill(&fl);

  // Ten tabs through the new-tab accelerator, shown.
  kill(k.pid, SIGUSR1);
  wait_until([&] { return x_shown_and_focused(d, w); }, 20.0);
  x_settle(d, w);
  for (int i = 0; i < 9; i++)
    run_capture({"xdotool", "key", "ctrl+shift+t"}, {"DISPLAY=" + s.display});
  const bool ten = wait_until([&] { return procfs_children(k.pid).size() >= 10; }, 30.0);
  x_settle(d, w);
  const long rss_ten = procfs_rss_kb(k.pid);
  printf("  %-28s %8.1f MB   (%s)\n", "kavlor, ten tabs", rss_ten / 1024.0,
         ten ? "10 shells running" : "fewer than 10 shells started");

  // Idle: no input, no output, the window shown, then hidden.
  const long hz = sysconf(_SC_CLK_TCK);
  auto idle = [&](const char *what, int seconds) {
    x_settle(d, w);
    const long before = procfs_cpu_ticks(k.pid);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));  // the measuring span
    const long used = procfs_cpu_ticks(k.pid) - before;
    printf("  %-28s %5ld ticks = %6.1f ms over %d s   (target 0)\n", what, used,
           used * 1000.0 / hz, seconds);
  };
  printf("CPU while idle (utime+stime):\n");
  idle("shown, ten tabs", 5);
  kill(k.pid, SIGUSR1);
  wait_until([&] { return !x_is_viewable(d, w); }, 20.0);
  idle("hidden, ten tabs", 5);

  proc_kill(&k);
  xsession_stop(&s);

  // The same without a window manager: what is left is the programs' own part.
  XSessionOptions bare;
  bare.window_manager = false;
  XSession b;
  if (xsession_start(&b, bare)) {
    Proc fb = proc_spawn({FLOOR_WINDOW, "/bin/sh"}, session_env(b, h));
    Proc kb = kavlor_start(b, h, {});
    Window fwb = 0;
    wait_until([&] { return (fwb = x_find_client(b.dpy, "FloorWindow", fb.pid)) != 0; }, 20.0, 20);
    const Window wb = kavlor_wait_window(b.dpy, &kb);
    Subject floor_b = {"floor", fb.pid, fwb, 0, {}, {}, {}, {}, {}};
    Subject signal_b = {"kavlor SIGUSR1", kb.pid, wb, 0, {}, {}, {}, {}, {}};
    if (wb && fwb && measure(b.dpy, {&floor_b, &signal_b}))
      print_table("without a window manager (the programs' own share)", floor_b, {&signal_b}, "-");
    proc_kill(&fb);
    proc_kill(&kb);
    xsession_stop(&b);
  }
  home_remove(&h);
  return 0;
}
