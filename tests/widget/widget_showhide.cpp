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

// The window goes off screen behind the toggle's back: a program's iconify
// request, another client asking the window manager to iconify it, another
// client unmapping it (the manager then withdraws it). The toolkit still
// counts it visible, and `shown` is still set. One toggle, by the key or by
// a signal, brings it back; it used to take two.
struct GoneCase {
  const char *name;
  void (*take_away)(Display *other, Window w);
  ToggleReason reason;
};

void PrintTo(const GoneCase &c, std::ostream *os) { *os << c.name; }

namespace {

void iconify_request(Display *, Window)
{
  GtkWidget *box = gtk_notebook_get_nth_page(GTK_NOTEBOOK(mainwindow.notebook), 0);
  GList *children = gtk_container_get_children(GTK_CONTAINER(box));
  g_signal_emit_by_name(children->data, "iconify-window");
  g_list_free(children);
}

void iconify_from_outside(Display *other, Window w)
{
  XIconifyWindow(other, w, DefaultScreen(other));
  XSync(other, False);
}

void unmap_from_outside(Display *other, Window w)
{
  XUnmapWindow(other, w);
  XSync(other, False);
}

} // namespace

class Gone : public testing::TestWithParam<GoneCase> {};

TEST_P(Gone, OneToggleShowsTheWindowAgain)
{
  const GoneCase &c = GetParam();
  widget_build({{"-ah", "false"}});
  Other other;
  widget_toggle(TOGGLE_SIGNAL);
  ASSERT_TRUE(widget_pump_until(active));
  static bool unmap_read;
  unmap_read = false;
  g_signal_connect(mainwindow.window, "unmap-event",
                   G_CALLBACK(+[](GtkWidget *, GdkEvent *, gpointer) {
                     unmap_read = true;
                     return FALSE;
                   }), nullptr);
  c.take_away(other.dpy, xid());
  // Off screen, and the toolkit has read it.
  ASSERT_TRUE(widget_pump_until([] { return !server_viewable() && unmap_read; }));
  ASSERT_TRUE(gtk_widget_get_visible(mainwindow.window));
  ASSERT_EQ(mainwindow.shown, 1);

  widget_toggle(c.reason);
  EXPECT_EQ(mainwindow.shown, 1);
  EXPECT_TRUE(widget_pump_until(server_viewable)) << "still off screen after one toggle";
  EXPECT_TRUE(widget_pump_until([] {
    return !(gdk_window_get_state(mainwindow.window->window) & GDK_WINDOW_STATE_ICONIFIED);
  }));
  // And the next toggle hides it as usual.
  widget_toggle(c.reason);
  EXPECT_FALSE(gtk_widget_get_visible(mainwindow.window));
  EXPECT_TRUE(widget_pump_until([] { return !server_viewable(); }));
}

INSTANTIATE_TEST_SUITE_P(
    Ways, Gone,
    testing::Values(GoneCase{"iconify_request_key", iconify_request, TOGGLE_HOTKEY},
                    GoneCase{"iconify_request_signal", iconify_request, TOGGLE_SIGNAL},
                    GoneCase{"iconified_from_outside_key", iconify_from_outside, TOGGLE_HOTKEY},
                    GoneCase{"iconified_from_outside_signal", iconify_from_outside, TOGGLE_SIGNAL},
                    GoneCase{"unmapped_from_outside_key", unmap_from_outside, TOGGLE_HOTKEY},
                    GoneCase{"unmapped_from_outside_signal", unmap_from_outside, TOGGLE_SIGNAL}),
    [](const testing::TestParamInfo<GoneCase> &i) { return std::string(i.param.name); });

namespace {

// Sends what a window manager sends for its close (Alt+F4, a close button).
void wm_delete(Display *other, Window w)
{
  XEvent e = {};
  e.xclient.type = ClientMessage;
  e.xclient.window = w;
  e.xclient.message_type = XInternAtom(other, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = static_cast<long>(XInternAtom(other, "WM_DELETE_WINDOW", False));
  e.xclient.data.l[1] = CurrentTime;
  XSendEvent(other, w, False, NoEventMask, &e);
  XSync(other, False);
}

} // namespace

// The window manager's close hides the drop-down as the key would; the
// window, its tabs and their shells stay. It used to destroy the window
// and end the run.
TEST(Close, WindowManagersCloseHides)
{
  widget_build();
  mainwindow_add_tab();
  Other other;
  Watch window(mainwindow.window);
  Watch terminal(mainwindow_terminal_at(1));
  widget_toggle(TOGGLE_SIGNAL);
  ASSERT_TRUE(widget_pump_until(active));
  wm_delete(other.dpy, xid());
  EXPECT_TRUE(widget_pump_until([&] {
    return !window.widget || !gtk_widget_get_visible(mainwindow.window);
  }));
  ASSERT_NE(window.widget, nullptr) << "destroyed";
  EXPECT_TRUE(widget_pump_until([] { return !server_viewable(); }));
  EXPECT_EQ(mainwindow.shown, 0);
  EXPECT_NE(terminal.widget, nullptr);
  EXPECT_EQ(mainwindow.tab_count, 2);
  // The next press shows it again, for both reasons.
  widget_toggle(TOGGLE_HOTKEY);
  EXPECT_TRUE(widget_pump_until(active));
  wm_delete(other.dpy, xid());
  EXPECT_TRUE(widget_pump_until([] { return !gtk_widget_get_visible(mainwindow.window); }));
  widget_toggle(TOGGLE_SIGNAL);
  EXPECT_TRUE(widget_pump_until(active));
}
