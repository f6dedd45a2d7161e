// SPDX-License-Identifier: GPL-2.0-or-later
// The global hotkey from outside: kavlor runs on a private display with a
// window manager, keys come from xdotool, and a window of our own holds the
// focus to show which keys kavlor leaves to other applications.
#include "harness.h"
#include "kavlor_run.h"
#include "procfs.h"
#include "xwindows.h"
#include "input.h"

#include <csignal>
#include <deque>
#include <string>
#include <vector>
#include <X11/keysym.h>

namespace {

constexpr double kDeadline = 20.0;
const std::string kGrabMessage =
    "error: unable to grab key, is kavlor is already running with the same key?\n";

class HotkeyE2E : public testing::Test {
protected:
  XSession x;
  TestHome home;
  std::deque<Proc> procs;

  virtual XSessionOptions session() { return {}; }

  void SetUp() override
  {
    ASSERT_TRUE(xsession_start(&x, session()));
    home_make(&home);
  }

  void TearDown() override
  {
    for (auto &p : procs)
      proc_kill(&p);
    xsession_stop(&x);
    home_remove(&home);
  }

  Proc &start(const std::vector<std::string> &args)
  {
    procs.push_back(kavlor_start(x, home, args));
    return procs.back();
  }

  // The instance's window once it exists and, when `listener`, once its
  // listener thread runs: the grabs are in place by then.
  Window ready(Proc &p, bool listener = true)
  {
    const Window w = listener ? kavlor_wait_listening(x.dpy, &p, kDeadline)
                              : kavlor_wait_window(x.dpy, &p, kDeadline);
    EXPECT_NE(w, 0u) << "kavlor did not come up; stderr: " << proc_err(p);
    return w;
  }

  bool key(const std::string &combo) { return input_xdotool(x.display, {"key", combo}); }

  bool shown(Window w)
  {
    return wait_until([&] { return x_is_viewable(x.dpy, w); }, kDeadline);
  }
  bool hidden(Window w)
  {
    return wait_until([&] { return !x_is_viewable(x.dpy, w); }, kDeadline);
  }

  // One press shows the window, the next hides it.
  void expect_toggles(Window w, const std::string &combo)
  {
    ASSERT_TRUE(key(combo));
    EXPECT_TRUE(shown(w)) << combo << " did not show the window";
    ASSERT_TRUE(key(combo));
    EXPECT_TRUE(hidden(w)) << combo << " did not hide the window";
  }

  // The press reaches the focused application instead of kavlor.
  void expect_passed_on(Window w, Window probe, const std::string &combo)
  {
    ASSERT_TRUE(key_probe_focus(x.dpy, probe));
    const std::string last = combo.substr(combo.rfind('+') + 1);
    ASSERT_TRUE(key(combo));
    EXPECT_TRUE(key_probe_wait(x.dpy, probe, x_keycode(x.dpy, last.c_str())))
        << combo << " was taken from the focused window";
    EXPECT_FALSE(x_is_viewable(x.dpy, w)) << combo << " showed the window";
  }
};

struct ComboCase {
  const char *name;
  std::vector<std::string> args;
  std::string hotkey;                  // toggles
  std::vector<std::string> passed_on;  // reach the focused window
};
void PrintTo(const ComboCase &c, std::ostream *os) { *os << c.name; }

class HotkeyCombo : public HotkeyE2E, public testing::WithParamInterface<ComboCase> {};

TEST_P(HotkeyCombo, OnlyTheConfiguredCombinationToggles)
{
  const ComboCase &c = GetParam();
  Proc &p = start(c.args);
  const Window w = ready(p);
  ASSERT_NE(w, 0u);
  EXPECT_FALSE(x_is_viewable(x.dpy, w));
  const Window probe = key_probe_create(x.dpy);
  for (const auto &combo : c.passed_on)
    expect_passed_on(w, probe, combo);
  // From the probe's focus too: the key works whoever has the focus.
  ASSERT_TRUE(key_probe_focus(x.dpy, probe));
  expect_toggles(w, c.hotkey);
  EXPECT_TRUE(proc_alive(&p));
}

INSTANTIATE_TEST_SUITE_P(
    Keys, HotkeyCombo,
    testing::Values(
        ComboCase{"BareKey", {"-k", "F12"}, "F12", {"shift+F12", "ctrl+F12", "alt+F12"}},
        ComboCase{"Alt", {"-k", "F12", "-m", "alt"}, "alt+F12", {"F12", "shift+alt+F12"}},
        ComboCase{"NoneIsTheKeyAlone", {"-k", "F12", "-m", "none"}, "F12", {"ctrl+F12"}},
        ComboCase{"UnknownWordMeansControl", {"-k", "F12", "-m", "hyper"}, "ctrl+F12", {"F12"}},
        ComboCase{"Windows", {"-k", "F12", "-m", "win"}, "super+F12", {"F12"}},
        ComboCase{"CapitalLetterIsTheLetterKey", {"-k", "A"}, "a", {"shift+a"}}),
    [](const testing::TestParamInfo<ComboCase> &info) { return std::string(info.param.name); });

struct LockCase {
  const char *name;
  std::vector<std::string> args;
  std::string hotkey;
};
void PrintTo(const LockCase &c, std::ostream *os) { *os << c.name; }

class HotkeyLocks : public HotkeyE2E, public testing::WithParamInterface<LockCase> {};

// Num Lock sits on Mod2 in the test server's keymap.
TEST_P(HotkeyLocks, TogglesWithCapsLockAndNumLockOn)
{
  const LockCase &c = GetParam();
  Proc &p = start(c.args);
  const Window w = ready(p);
  ASSERT_NE(w, 0u);
  struct Locks {
    std::vector<std::string> keys;
    unsigned mask;
  };
  const Locks sets[] = {{{"Caps_Lock"}, LockMask},
                        {{"Num_Lock"}, Mod2Mask},
                        {{"Caps_Lock", "Num_Lock"}, LockMask | Mod2Mask}};
  for (const auto &locks : sets) {
    SCOPED_TRACE(locks.keys.back());
    ASSERT_EQ(x_locked_mods(x.dpy) & (LockMask | Mod2Mask), 0u);
    for (const auto &k : locks.keys)
      ASSERT_TRUE(key(k));
    ASSERT_TRUE(wait_until([&] { return (x_locked_mods(x.dpy) & locks.mask) == locks.mask; }));
    expect_toggles(w, c.hotkey);
    for (const auto &k : locks.keys)
      ASSERT_TRUE(key(k));
    ASSERT_TRUE(wait_until([&] { return (x_locked_mods(x.dpy) & locks.mask) == 0; }));
  }
  EXPECT_TRUE(proc_alive(&p));
}

INSTANTIATE_TEST_SUITE_P(
    Keys, HotkeyLocks,
    testing::Values(LockCase{"BareKey", {"-k", "F12"}, "F12"},
                    LockCase{"Alt", {"-k", "F12", "-m", "alt"}, "alt+F12"}),
    [](const testing::TestParamInfo<LockCase> &info) { return std::string(info.param.name); });

TEST_F(HotkeyE2E, SecondInstanceWithTheSameKeyStopsWithTheMessage)
{
  Proc &first = start({"-k", "F12"});
  const Window w = ready(first);
  ASSERT_NE(w, 0u);

  // Windows the second instance makes show up as CreateNotify on the root;
  // its main window is the one of the size it is given.
  const Window root = DefaultRootWindow(x.dpy);
  XSelectInput(x.dpy, root, SubstructureNotifyMask);
  XSync(x.dpy, False);
  Proc &second = start({"-k", "F12", "-w", "613", "-h", "517"});
  ASSERT_TRUE(proc_wait(&second, kDeadline));
  EXPECT_EQ(proc_exit_code(second), 1);
  const std::string err = proc_err(second);
  EXPECT_EQ(err, kGrabMessage);
  EXPECT_EQ(err.size(), 75u);
  EXPECT_EQ(proc_out(second), "");

  XSync(x.dpy, False);
  bool built = false;
  XEvent ev;
  while (XCheckWindowEvent(x.dpy, root, SubstructureNotifyMask, &ev))
    if (ev.type == CreateNotify && ev.xcreatewindow.width == 613 &&
        ev.xcreatewindow.height == 517)
      built = true;
  XSelectInput(x.dpy, root, NoEventMask);
  EXPECT_TRUE(built) << "the second instance ended before its window was built";

  // The first instance keeps its key.
  EXPECT_TRUE(proc_alive(&first));
  expect_toggles(w, "F12");
}

TEST_F(HotkeyE2E, InstancesWithDifferentKeysBothRun)
{
  Proc &a = start({"-k", "F12"});
  const Window wa = ready(a);
  Proc &b = start({"-k", "F11"});
  const Window wb = ready(b);
  ASSERT_NE(wa, 0u);
  ASSERT_NE(wb, 0u);
  expect_toggles(wb, "F11");
  EXPECT_FALSE(x_is_viewable(x.dpy, wa));
  expect_toggles(wa, "F12");
  EXPECT_TRUE(proc_alive(&a));
  EXPECT_TRUE(proc_alive(&b));
  EXPECT_EQ(proc_err(b).find("error:"), std::string::npos) << proc_err(b);
}

// Without a window manager no one else holds a key, so a grab of AnyKey
// from here fails if kavlor holds any key at all.
class HotkeyAlone : public HotkeyE2E {
protected:
  XSessionOptions session() override
  {
    XSessionOptions o;
    o.window_manager = false;
    return o;
  }

  void expect_nothing_grabbed()
  {
    const KeyCode codes[] = {AnyKey, XKeysymToKeycode(x.dpy, NoSymbol), x_keycode(x.dpy, "F12"),
                             x_keycode(x.dpy, "a")};
    const unsigned mods[] = {0, LockMask, Mod2Mask, Mod2Mask | LockMask, ControlMask};
    for (KeyCode code : codes)
      for (unsigned m : mods)
        EXPECT_EQ(x_try_grab(x.dpy, code, m), 0)
            << "keycode " << int(code) << " with modifiers " << m << " is held";
  }
};

// Without a key nothing is grabbed (keycode 0 would be every key, and the
// keycode the server gives for NoSymbol is some unused key), there is no
// listener, and SIGUSR1 still toggles.
TEST_F(HotkeyAlone, WithoutKeyNothingIsGrabbed)
{
  Proc &p = start({});
  const Window w = ready(p, false);
  ASSERT_NE(w, 0u);
  // A toggle from the main loop: construction is over.
  ASSERT_EQ(kill(p.pid, SIGUSR1), 0);
  ASSERT_TRUE(shown(w));
  EXPECT_EQ(procfs_hotkey_thread(p.pid), 0);
  EXPECT_EQ(procfs_threads_named(p.pid, "kavlor"), 1);
  expect_nothing_grabbed();
  ASSERT_EQ(kill(p.pid, SIGUSR1), 0);
  EXPECT_TRUE(hidden(w));
  EXPECT_TRUE(proc_alive(&p));
}

// A key that X knows but this keyboard lacks has keycode 0, AnyKey.
TEST_F(HotkeyAlone, KeyMissingFromTheKeyboardIsNotGrabbed)
{
  ASSERT_EQ(XKeysymToKeycode(x.dpy, XK_F35), 0);
  Proc &p = start({"-k", "F35"});
  ASSERT_NE(ready(p), 0u);
  expect_nothing_grabbed();
  EXPECT_TRUE(proc_alive(&p));
}

// The probe above does see a key held by kavlor.
TEST_F(HotkeyAlone, GrabProbeSeesTheHotkey)
{
  Proc &p = start({"-k", "F12"});
  ASSERT_NE(ready(p), 0u);
  EXPECT_EQ(x_try_grab(x.dpy, AnyKey, 0), BadAccess);
  EXPECT_EQ(x_try_grab(x.dpy, x_keycode(x.dpy, "F12"), 0), BadAccess);
  EXPECT_EQ(x_try_grab(x.dpy, x_keycode(x.dpy, "F12"), ShiftMask), 0);
}

// "none" is the key alone: grabbed without a modifier, and not with Control.
TEST_F(HotkeyAlone, ModNoneGrabsTheKeyAlone)
{
  Proc &p = start({"-k", "F12", "-m", "none"});
  ASSERT_NE(ready(p), 0u);
  const KeyCode f12 = x_keycode(x.dpy, "F12");
  EXPECT_EQ(x_try_grab(x.dpy, f12, 0), BadAccess);
  EXPECT_EQ(x_try_grab(x.dpy, f12, ControlMask), 0);
}

// The keymap changes under a running instance, as a virtual keyboard or
// xmodmap change it: the grabs follow the key and Num Lock.
class HotkeyKeymap : public HotkeyAlone {
protected:
  KeyCode f12 = 0;

  // Moves Num Lock from one modifier row to another, as
  // xmodmap -e "clear mod2" -e "add mod3 = Num_Lock" does.
  void move_numlock(int from, int to)
  {
    const KeyCode numlock = XKeysymToKeycode(x.dpy, XK_Num_Lock);
    XModifierKeymap *map = XGetModifierMapping(x.dpy);
    map = XDeleteModifiermapEntry(map, numlock, from);
    map = XInsertModifiermapEntry(map, numlock, to);
    ASSERT_TRUE(wait_until([&] { return XSetModifierMapping(x.dpy, map) == MappingSuccess; }));
    XFreeModifiermap(map);
    XSync(x.dpy, False);
  }

  // A key code that carries no symbol on this keyboard.
  KeyCode free_keycode()
  {
    int min, max, per;
    XDisplayKeycodes(x.dpy, &min, &max);
    KeySym *syms = XGetKeyboardMapping(x.dpy, static_cast<KeyCode>(min), max - min + 1, &per);
    KeyCode found = 0;
    for (int c = max; c >= min && !found; c--) {
      bool empty = true;
      for (int i = 0; i < per; i++)
        empty = empty && syms[(c - min) * per + i] == NoSymbol;
      if (empty)
        found = static_cast<KeyCode>(c);
    }
    XFree(syms);
    return found;
  }

  void set_key(KeyCode code, KeySym sym)
  {
    XChangeKeyboardMapping(x.dpy, code, 1, &sym, 1);
    XSync(x.dpy, False);
  }

  bool held(KeyCode code, unsigned mods)
  {
    return wait_until([&] { return x_try_grab(x.dpy, code, mods) == BadAccess; }, kDeadline);
  }
  bool released(KeyCode code, unsigned mods)
  {
    return wait_until([&] { return x_try_grab(x.dpy, code, mods) == 0; }, kDeadline);
  }
};

TEST_F(HotkeyKeymap, NumLockMovedToAnotherModifier)
{
  Proc &p = start({"-k", "F12"});
  const Window w = ready(p);
  ASSERT_NE(w, 0u);
  f12 = x_keycode(x.dpy, "F12");
  ASSERT_TRUE(held(f12, Mod2Mask));
  move_numlock(Mod2MapIndex, Mod3MapIndex);
  EXPECT_TRUE(held(f12, Mod3Mask)) << "no grab with Num Lock's new modifier";
  EXPECT_TRUE(held(f12, Mod3Mask | LockMask));
  EXPECT_TRUE(released(f12, Mod2Mask)) << "the grab with the old modifier stayed";

  ASSERT_TRUE(key("Num_Lock"));
  ASSERT_TRUE(wait_until([&] { return (x_locked_mods(x.dpy) & Mod3Mask) != 0; }));
  expect_toggles(w, "F12");
  ASSERT_TRUE(key("Num_Lock"));
  EXPECT_TRUE(proc_alive(&p));
  EXPECT_EQ(proc_err(p).find("error:"), std::string::npos) << proc_err(p);
}

// The key moves to another key code, then a whole keymap is loaded again
// (setxkbmap), which puts it back.
TEST_F(HotkeyKeymap, KeyMovedToAnotherKeycodeAndBack)
{
  Proc &p = start({"-k", "F12"});
  const Window w = ready(p);
  ASSERT_NE(w, 0u);
  f12 = x_keycode(x.dpy, "F12");
  const KeyCode moved = free_keycode();
  ASSERT_NE(moved, 0);
  ASSERT_TRUE(held(f12, 0));

  set_key(moved, XK_F12);
  set_key(f12, NoSymbol);
  EXPECT_TRUE(held(moved, 0)) << "the key's new code is not grabbed";
  EXPECT_TRUE(held(moved, LockMask));
  EXPECT_TRUE(released(f12, 0)) << "the old key code is still grabbed";
  EXPECT_TRUE(released(f12, LockMask));
  ASSERT_EQ(x_keycode(x.dpy, "F12"), moved);
  expect_toggles(w, "F12");

  int code = -1;
  run_capture({"setxkbmap", "-display", x.display, "us"}, {}, &code);
  ASSERT_EQ(code, 0);
  const KeyCode again = x_keycode(x.dpy, "F12");
  ASSERT_NE(again, moved);
  EXPECT_TRUE(held(again, 0)) << "the key is not grabbed after a new keymap";
  EXPECT_TRUE(held(again, Mod2Mask));
  EXPECT_TRUE(released(moved, 0));
  expect_toggles(w, "F12");
  EXPECT_TRUE(proc_alive(&p));
  EXPECT_EQ(proc_err(p).find("error:"), std::string::npos) << proc_err(p);
}

// A grab refused after a keymap change ends the instance like one refused
// at start-up.
TEST_F(HotkeyKeymap, GrabRefusedAfterAChangeIsReported)
{
  Proc &p = start({"-k", "F12"});
  ASSERT_NE(ready(p), 0u);
  f12 = x_keycode(x.dpy, "F12");
  const KeyCode moved = free_keycode();
  ASSERT_NE(moved, 0);
  // Someone else holds the code the key is about to move to.
  const Window root = DefaultRootWindow(x.dpy);
  XGrabKey(x.dpy, moved, 0, root, True, GrabModeAsync, GrabModeAsync);
  set_key(moved, XK_F12);
  set_key(f12, NoSymbol);
  ASSERT_TRUE(proc_wait(&p, kDeadline)) << "kavlor went on without its key";
  EXPECT_EQ(proc_exit_code(p), 1);
  EXPECT_EQ(proc_err(p), kGrabMessage);
  XUngrabKey(x.dpy, moved, 0, root);
}

// Nothing filters fast presses: each one toggles, so an even number leaves
// the window as it was.
TEST_F(HotkeyE2E, ManyFastPressesKeepParity)
{
  // Without autohide only the key decides what is on screen.
  Proc &p = start({"-k", "F12", "-ah", "false"});
  const Window w = ready(p);
  ASSERT_NE(w, 0u);
  std::vector<std::string> args = {"key", "--delay", "5"};
  for (int i = 0; i < 300; i++)
    args.push_back("F12");
  ASSERT_TRUE(input_xdotool(x.display, args));
  XSync(x.dpy, False);
  ASSERT_TRUE(procfs_wait_idle(p.pid, 60.0)) << "kavlor did not catch up with the presses";
  ASSERT_TRUE(proc_alive(&p));
  EXPECT_TRUE(hidden(w));
  EXPECT_TRUE(procfs_wait_idle(p.pid));
  EXPECT_FALSE(x_is_viewable(x.dpy, w));

  ASSERT_TRUE(key("F12"));
  EXPECT_TRUE(shown(w));
  ASSERT_TRUE(procfs_wait_idle(p.pid));
  EXPECT_TRUE(x_is_viewable(x.dpy, w));
  EXPECT_TRUE(proc_alive(&p));
  EXPECT_EQ(proc_err(p).find("error:"), std::string::npos) << proc_err(p);
}

} // namespace
