// SPDX-License-Identifier: GPL-2.0-or-later
// The process-wide X error handler and the hotkey grabs, in-process: only a
// grab error on the hotkey's own connection ends the program; errors on the
// toolkit's connection are ignored, and the toolkit's error traps still see
// theirs.
#include "harness.h"
#include "procfs.h"
#include "xwindows.h"
#include "widget_util.h"

#include "config/config.h"
#include "hotkey/hotkey.h"
#include "mainwindow/mainwindow.h"

#include <functional>
#include <gdk/gdkx.h>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>
#include <X11/keysym.h>

namespace {

using Options = WidgetOptions;

const char kGrabMessageRegex[] =
    "^error: unable to grab key, is kavlor is already running with the same key\\?\n$";

// Errors are provoked from this thread without the GDK lock.
void build_window(const Options &options)
{
  widget_configure(options);
  mainwindow_create();
}

Display *gdk_xdisplay() { return gdk_x11_display_get_xdisplay(gdk_display_get_default()); }

XErrorHandler current_handler()
{
  XErrorHandler h = XSetErrorHandler(nullptr);
  XSetErrorHandler(h);
  return h;
}

// A window id that named a window once and names none now.
Window dead_window(Display *d)
{
  const Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 10, 10, 0, 0, 0);
  XDestroyWindow(d, w);
  XSync(d, False);
  return w;
}

struct Provocation {
  const char *name;
  int code;
  std::function<void(Display *, Window dead)> run;
};

// Requests on the toolkit's connection that fail with the codes that mean a
// refused grab on the hotkey connection, and some others.
std::vector<Provocation> provocations()
{
  return {
      {"GetAttributesOfDeadWindow", BadWindow,
       [](Display *d, Window dead) {
         XWindowAttributes a;
         XGetWindowAttributes(d, dead, &a);
       }},
      {"DestroyDeadWindow", BadWindow, [](Display *d, Window dead) { XDestroyWindow(d, dead); }},
      {"MapDeadWindow", BadWindow, [](Display *d, Window dead) { XMapWindow(d, dead); }},
      {"CopyFromDeadWindow", BadDrawable,
       [](Display *d, Window dead) {
         XCopyArea(d, dead, DefaultRootWindow(d), DefaultGC(d, DefaultScreen(d)), 0, 0, 5, 5, 0, 0);
       }},
      {"ZeroSizedWindow", BadValue,
       [](Display *d, Window) {
         XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 0, 0, 0, 0, 0);
       }},
      // The hotkey connection holds F9.
      {"GrabTheHotkeyAgain", BadAccess,
       [](Display *d, Window) {
         XGrabKey(d, x_keycode(d, "F9"), 0, DefaultRootWindow(d), True, GrabModeAsync,
                  GrabModeAsync);
       }},
      {"FreeDeadPixmap", BadPixmap, [](Display *d, Window dead) { XFreePixmap(d, dead); }},
  };
}

TEST(XError, UntrappedToolkitErrorsLeaveTheProgramRunning)
{
  build_window({{"-k", "F9"}});
  ASSERT_NE(hotkey.display, nullptr);
  ASSERT_EQ(current_handler(), hotkey_error_handler);
  Display *d = gdk_xdisplay();
  const Window dead = dead_window(d);
  for (const auto &p : provocations()) {
    SCOPED_TRACE(p.name);
    p.run(d, dead);
    XSync(d, False);
  }
  // Still here, with the same handler and a working connection.
  EXPECT_EQ(current_handler(), hotkey_error_handler);
  XWindowAttributes a;
  EXPECT_TRUE(XGetWindowAttributes(d, DefaultRootWindow(d), &a));
  gdk_threads_enter();
  while (gtk_events_pending())
    gtk_main_iteration();
  gdk_threads_leave();
}

TEST(XError, TrappedToolkitErrorsAreStillReported)
{
  build_window({{"-k", "F9"}});
  Display *d = gdk_xdisplay();
  const Window dead = dead_window(d);
  for (const auto &p : provocations()) {
    SCOPED_TRACE(p.name);
    gdk_error_trap_push();
    p.run(d, dead);
    XSync(d, False);
    EXPECT_EQ(gdk_error_trap_pop(), p.code);
    // Popping the trap gives the handler back.
    EXPECT_EQ(current_handler(), hotkey_error_handler);
  }
}

struct GrabCase {
  const char *name;
  Options options;
  unsigned mod;
};
void PrintTo(const GrabCase &c, std::ostream *os) { *os << c.name; }

class XErrorGrabs : public testing::TestWithParam<GrabCase> {};

// Num Lock sits on Mod2 in the test server's keymap. Another client may
// still take every other combination of the key.
TEST_P(XErrorGrabs, KeyIsHeldWithCapsLockAndNumLockOnly)
{
  const GrabCase &c = GetParam();
  build_window(c.options);
  EXPECT_EQ(hotkey.numlock_mask, unsigned(Mod2Mask));
  EXPECT_EQ(hotkey.modmask, c.mod);
  Display *other = XOpenDisplay(nullptr);
  ASSERT_NE(other, nullptr);
  const KeyCode f9 = x_keycode(other, "F9");
  for (unsigned locks : {0u, unsigned(LockMask), unsigned(Mod2Mask), unsigned(Mod2Mask | LockMask)})
    EXPECT_EQ(x_try_grab(other, f9, c.mod | locks), BadAccess) << "locks " << locks;
  for (unsigned m : {unsigned(ShiftMask), unsigned(ControlMask), unsigned(Mod1Mask),
                     unsigned(Mod4Mask), unsigned(Mod5Mask)})
    if (m != c.mod) {
      EXPECT_EQ(x_try_grab(other, f9, c.mod | m), 0) << "modifiers " << (c.mod | m);
    }
  EXPECT_EQ(x_try_grab(other, x_keycode(other, "F10"), c.mod), 0);
  XCloseDisplay(other);
}

INSTANTIATE_TEST_SUITE_P(Mods, XErrorGrabs,
                         testing::Values(GrabCase{"Bare", {{"-k", "F9"}}, 0},
                                         GrabCase{"Alt", {{"-k", "F9"}, {"-m", "alt"}},
                                                  unsigned(Mod1Mask)}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(XError, WithoutKeyHandlerIsInstalledButNoListener)
{
  build_window({});
  EXPECT_EQ(current_handler(), hotkey_error_handler);
  EXPECT_EQ(hotkey.display, nullptr);
  EXPECT_EQ(procfs_threads_named(getpid(), "kavlor"), 0);
  Display *d = gdk_xdisplay();
  const Window dead = dead_window(d);
  for (const auto &p : provocations()) {
    SCOPED_TRACE(p.name);
    p.run(d, dead);
    XSync(d, False);
  }
  XErrorEvent e = {};
  e.type = 0;
  e.display = d;
  e.error_code = BadAccess;
  EXPECT_EQ(hotkey_error_handler(d, &e), 0);
}

TEST(XError, WithKeyOneListenerThread)
{
  build_window({{"-k", "F9"}});
  // The thread names itself once it runs.
  EXPECT_TRUE(wait_until([] { return procfs_threads_named(getpid(), "kavlor") == 1; }));
}

// NoSymbol maps to some keycode with an empty slot; that key stays free.
TEST(XError, GrabWithoutKeyTakesNoKey)
{
  widget_configure({});
  hotkey_open_display();
  hotkey_grab();
  Display *other = XOpenDisplay(nullptr);
  ASSERT_NE(other, nullptr);
  const KeyCode code = XKeysymToKeycode(other, NoSymbol);
  for (unsigned m : {0u, unsigned(LockMask)})
    EXPECT_EQ(x_try_grab(other, code, m), 0) << "keycode " << int(code);
  XCloseDisplay(other);
}

XErrorEvent fake_error(Display *d, int code)
{
  XErrorEvent e = {};
  e.type = 0;
  e.display = d;
  e.error_code = static_cast<unsigned char>(code);
  return e;
}

TEST(XErrorHandlerDeathTest, GrabErrorsOnTheHotkeyConnectionExit)
{
  widget_configure({{"-k", "F9"}});
  hotkey_open_display();
  for (int code : {BadValue, BadWindow, BadAccess}) {
    SCOPED_TRACE(code);
    XErrorEvent e = fake_error(hotkey.display, code);
    EXPECT_EXIT(hotkey_error_handler(hotkey.display, &e), testing::ExitedWithCode(1),
                kGrabMessageRegex);
  }
}

TEST(XErrorHandlerDeathTest, OtherErrorsAreIgnored)
{
  widget_configure({{"-k", "F9"}});
  hotkey_open_display();
  for (int code : {BadRequest, BadPixmap, BadAtom, BadMatch, BadDrawable, BadAlloc, BadIDChoice,
                   BadImplementation}) {
    XErrorEvent e = fake_error(hotkey.display, code);
    EXPECT_EQ(hotkey_error_handler(hotkey.display, &e), 0) << "code " << code;
  }
  Display *other = XOpenDisplay(nullptr);
  ASSERT_NE(other, nullptr);
  for (Display *d : {gdk_xdisplay(), other})
    for (int code : {BadValue, BadWindow, BadAccess}) {
      XErrorEvent e = fake_error(d, code);
      EXPECT_EQ(hotkey_error_handler(d, &e), 0) << "code " << code;
    }
  XCloseDisplay(other);
}

} // namespace
