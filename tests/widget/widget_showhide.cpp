// SPDX-License-Identifier: GPL-2.0-or-later
// The show/hide toggle and autohide, in-process, with the window manager
// of the test session deciding about focus.
#include "harness.h"
#include "xwindows.h"
#include "widget_util.h"

#include "config/config.h"
#include "mainwindow/mainwindow.h"
#include "popupmenu/popupmenu.h"

#include <csignal>
#include <gdk/gdkx.h>
#include <string>
#include <utility>
#include <vector>

namespace {

using Options = WidgetOptions;

GtkWindow *window() { return GTK_WINDOW(mainwindow.window); }
Window xid() { return gdk_x11_drawable_get_xid(mainwindow.window->window); }
Display *gdk_xdisplay() { return gdk_x11_display_get_xdisplay(gdk_display_get_default()); }

bool server_viewable()
{
  XWindowAttributes a;
  return XGetWindowAttributes(gdk_xdisplay(), xid(), &a) && a.map_state == IsViewable;
}

// Shown by the toggle and given the focus by the window manager.
bool active() { return gtk_widget_get_visible(mainwindow.window) && gtk_window_is_active(window()); }

// Another application's window takes the focus.
struct Other {
  Display *dpy = XOpenDisplay(nullptr);
  Window w = x_make_window(dpy, 600, 500, 100, 100);
  void take_focus()
  {
    XSetInputFocus(dpy, w, RevertToParent, CurrentTime);
    XSync(dpy, False);
  }
  ~Other() { XCloseDisplay(dpy); }
};

} // namespace

TEST(Construction, LeavesTheWindowRealizedAndHidden)
{
  widget_build();
  EXPECT_TRUE(gtk_widget_get_realized(mainwindow.window));
  EXPECT_FALSE(gtk_widget_get_visible(mainwindow.window));
  EXPECT_EQ(mainwindow.shown, 0);
  XWindowAttributes a;
  ASSERT_TRUE(XGetWindowAttributes(gdk_xdisplay(), xid(), &a));
  EXPECT_EQ(a.map_state, IsUnmapped);
  EXPECT_EQ(mainwindow.focus_display, nullptr) << "recorded at the first show";
}

TEST(Toggle, SignalsShowAndHideByTheShownFlag)
{
  widget_build();
  const Window x = xid();
  widget_toggle(TOGGLE_SIGNAL);
  EXPECT_EQ(mainwindow.shown, 1);
  EXPECT_TRUE(gtk_widget_get_visible(mainwindow.window));
  EXPECT_TRUE(widget_pump_until(active)) << "shown windows get the focus";
  EXPECT_TRUE(server_viewable());
  EXPECT_EQ(mainwindow.window_xid, x);
  EXPECT_EQ(mainwindow.focus_display, gdk_xdisplay());

  widget_toggle(TOGGLE_SIGNAL);
  EXPECT_EQ(mainwindow.shown, 0);
  EXPECT_FALSE(gtk_widget_get_visible(mainwindow.window));
  EXPECT_FALSE(server_viewable()) << "the hide is flushed at once";

  // Shown again before the focus-out of the hide was read, as when signals
  // arrive together: that focus-out must not take the new show down.
  widget_toggle(TOGGLE_SIGNAL);
  EXPECT_TRUE(widget_pump_until(active));
  EXPECT_EQ(mainwindow.window_xid, x) << "the first show's window id stays";
}

TEST(Autohide, HidesWhenTheFocusLeavesAndTheNextShowTakesItBack)
{
  widget_build();
  Other other;
  widget_toggle(TOGGLE_SIGNAL);
  ASSERT_TRUE(widget_pump_until(active));
  other.take_focus();
  EXPECT_TRUE(widget_pump_until([] { return !gtk_widget_get_visible(mainwindow.window); }));
  EXPECT_EQ(mainwindow.shown, 0);
  // The toolkit's own focus-out handling ran after ours.
  EXPECT_FALSE(gtk_window_is_active(window()));

  widget_toggle(TOGGLE_SIGNAL);
  EXPECT_TRUE(widget_pump_until(active)) << "presented and focused again";
  EXPECT_TRUE(widget_pump_until([&] { return x_has_focus(other.dpy, xid()); }));
}

TEST(Autohide, OffKeepsTheWindowWhenTheFocusLeaves)
{
  widget_build({{"-ah", "false"}});
  Other other;
  widget_toggle(TOGGLE_SIGNAL);
  ASSERT_TRUE(widget_pump_until(active));
  other.take_focus();
  // Once the toolkit saw the focus go, any autohide would have run.
  ASSERT_TRUE(widget_pump_until([] { return !gtk_window_is_active(window()); }));
  widget_pump();
  EXPECT_TRUE(gtk_widget_get_visible(mainwindow.window));
  EXPECT_EQ(mainwindow.shown, 1);
  widget_toggle(TOGGLE_SIGNAL);
  EXPECT_FALSE(gtk_widget_get_visible(mainwindow.window)) << "the next signal hides";
}

// The window stays up while the popup menu is open and the focus leaves,
// but `shown` is cleared: what happens next depends on who asks.
struct StayedUpCase {
  const char *name;
  ToggleReason reason;
  bool visible_after;
};

void PrintTo(const StayedUpCase &c, std::ostream *os) { *os << c.name; }

class StayedUp : public testing::TestWithParam<StayedUpCase> {};

TEST_P(StayedUp, ToggleDecidesByItsReason)
{
  const StayedUpCase &c = GetParam();
  widget_build();
  Other other;
  widget_toggle(TOGGLE_SIGNAL);
  ASSERT_TRUE(widget_pump_until(active));
  popupmenu.popup_open = 1;
  other.take_focus();
  ASSERT_TRUE(widget_pump_until([] { return mainwindow.shown == 0; }));
  ASSERT_TRUE(gtk_widget_get_visible(mainwindow.window)) << "the menu keeps it up";
  popupmenu.popup_open = 0;

  widget_toggle(c.reason);
  EXPECT_EQ(gtk_widget_get_visible(mainwindow.window), c.visible_after);
  EXPECT_EQ(mainwindow.shown, c.visible_after ? 1 : 0);
  if (c.visible_after)
    EXPECT_TRUE(widget_pump_until([&] { return x_has_focus(other.dpy, xid()); }))
        << "the show path ran again and took the focus back";
  else
    EXPECT_TRUE(widget_pump_until([] { return !server_viewable(); }));
}

INSTANTIATE_TEST_SUITE_P(Reasons, StayedUp,
                         testing::Values(StayedUpCase{"hotkey_hides", TOGGLE_HOTKEY, false},
                                         StayedUpCase{"signal_shows_again", TOGGLE_SIGNAL, true}),
                         [](const testing::TestParamInfo<StayedUpCase> &i) {
                           return std::string(i.param.name);
                         });
