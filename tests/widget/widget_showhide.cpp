// The show/hide toggle and autohide, in-process, with the window manager
// of the test session deciding about focus.
#include "harness.h"
#include "showhide_util.h"

#include "config/config.h"
#include "mainwindow/mainwindow.h"
#include "popupmenu/popupmenu.h"

#include <csignal>
#include <gdk/gdkx.h>
#include <string>
#include <utility>
#include <vector>

namespace {

using Options = std::vector<std::pair<std::string, std::string>>;

void pump()
{
  while (gtk_events_pending())
    gtk_main_iteration();
}

bool pump_until(const std::function<bool()> &cond, double timeout_s = 10.0)
{
  return wait_until([&] { pump(); return cond(); }, timeout_s);
}

void build(const Options &options = {})
{
  settings_defaults();
  Options all = {{"-sh", "/bin/sh"}};
  all.insert(all.end(), options.begin(), options.end());
  for (auto [name, value] : all)
    settings_apply_option(name.data(), value.data());
  settings_compute_geometry();
  mainwindow_create();
  // From here on the test is the main loop's thread: it holds the GDK lock
  // (the toolkit's iteration calls expect it) and lets go only to toggle.
  gdk_threads_enter();
  pump();
}

// The toggle comes from outside the lock, as from the hotkey thread.
void toggle(int reason)
{
  gdk_threads_leave();
  mainwindow_toggle(reason);
  gdk_threads_enter();
}

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
  Window w = sh_make_window(dpy, 600, 500, 100, 100);
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
  build();
  EXPECT_TRUE(gtk_widget_get_realized(mainwindow.window));
  EXPECT_FALSE(gtk_widget_get_visible(mainwindow.window));
  EXPECT_EQ(mainwindow.shown.load(), 0);
  XWindowAttributes a;
  ASSERT_TRUE(XGetWindowAttributes(gdk_xdisplay(), xid(), &a));
  EXPECT_EQ(a.map_state, IsUnmapped);
  EXPECT_EQ(mainwindow.focus_display, nullptr) << "recorded at the first show";
}

TEST(Toggle, SignalsShowAndHideByTheShownFlag)
{
  build();
  const Window x = xid();
  toggle(SIGUSR1);
  EXPECT_EQ(mainwindow.shown.load(), 1);
  EXPECT_TRUE(gtk_widget_get_visible(mainwindow.window));
  EXPECT_TRUE(pump_until(active)) << "shown windows get the focus";
  EXPECT_TRUE(server_viewable());
  EXPECT_EQ(mainwindow.window_xid, x);
  EXPECT_EQ(mainwindow.focus_display, gdk_xdisplay());

  toggle(SIGUSR1);
  EXPECT_EQ(mainwindow.shown.load(), 0);
  EXPECT_FALSE(gtk_widget_get_visible(mainwindow.window));
  EXPECT_FALSE(server_viewable()) << "the hide is flushed at once";

  // Shown again before the focus-out of the hide was read, as when signals
  // arrive together: that focus-out must not take the new show down.
  toggle(SIGUSR1);
  EXPECT_TRUE(pump_until(active));
  EXPECT_EQ(mainwindow.window_xid, x) << "the first show's window id stays";
}

TEST(Autohide, HidesWhenTheFocusLeavesAndTheNextShowTakesItBack)
{
  build();
  Other other;
  toggle(SIGUSR1);
  ASSERT_TRUE(pump_until(active));
  other.take_focus();
  EXPECT_TRUE(pump_until([] { return !gtk_widget_get_visible(mainwindow.window); }));
  EXPECT_EQ(mainwindow.shown.load(), 0);
  // The toolkit's own focus-out handling ran after ours.
  EXPECT_FALSE(gtk_window_is_active(window()));

  toggle(SIGUSR1);
  EXPECT_TRUE(pump_until(active)) << "presented and focused again";
  EXPECT_TRUE(pump_until([&] { return sh_has_focus(other.dpy, xid()); }));
}

TEST(Autohide, OffKeepsTheWindowWhenTheFocusLeaves)
{
  build({{"-ah", "false"}});
  Other other;
  toggle(SIGUSR1);
  ASSERT_TRUE(pump_until(active));
  other.take_focus();
  // Once the toolkit saw the focus go, any autohide would have run.
  ASSERT_TRUE(pump_until([] { return !gtk_window_is_active(window()); }));
  pump();
  EXPECT_TRUE(gtk_widget_get_visible(mainwindow.window));
  EXPECT_EQ(mainwindow.shown.load(), 1);
  toggle(SIGUSR1);
  EXPECT_FALSE(gtk_widget_get_visible(mainwindow.window)) << "the next signal hides";
}

// The window stays up while the popup menu is open and the focus leaves,
// but `shown` is cleared: what happens next depends on who asks.
struct StayedUpCase {
  const char *name;
  int reason;
  bool visible_after;
};

void PrintTo(const StayedUpCase &c, std::ostream *os) { *os << c.name; }

class StayedUp : public testing::TestWithParam<StayedUpCase> {};

TEST_P(StayedUp, ToggleDecidesByItsReason)
{
  const StayedUpCase &c = GetParam();
  build();
  Other other;
  toggle(SIGUSR1);
  ASSERT_TRUE(pump_until(active));
  popupmenu.popup_open = 1;
  other.take_focus();
  ASSERT_TRUE(pump_until([] { return mainwindow.shown.load() == 0; }));
  ASSERT_TRUE(gtk_widget_get_visible(mainwindow.window)) << "the menu keeps it up";
  popupmenu.popup_open = 0;

  toggle(c.reason);
  EXPECT_EQ(gtk_widget_get_visible(mainwindow.window), c.visible_after);
  EXPECT_EQ(mainwindow.shown.load(), c.visible_after ? 1 : 0);
  if (c.visible_after)
    EXPECT_TRUE(pump_until([&] { return sh_has_focus(other.dpy, xid()); }))
        << "the show path ran again and took the focus back";
  else
    EXPECT_TRUE(pump_until([] { return !server_viewable(); }));
}

INSTANTIATE_TEST_SUITE_P(Reasons, StayedUp,
                         testing::Values(StayedUpCase{"hotkey_hides", 0, false},
                                         StayedUpCase{"signal_shows_again", SIGUSR1, true}),
                         [](const testing::TestParamInfo<StayedUpCase> &i) {
                           return std::string(i.param.name);
                         });
