// The hotkey meeting autohide, in-process: a press of a grabbed key makes
// the X server send the focused window a focus-out while the key is held,
// though the focus does not move. Autohide must not take that for the
// focus leaving, or the press would hide the window and the toggle show it
// again.
#include "harness.h"

#include "config/config.h"
#include "mainwindow/mainwindow.h"

#include <functional>
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

bool pump_until(const std::function<bool()> &cond, double timeout_s = 20.0)
{
  return wait_until([&] { pump(); return cond(); }, timeout_s);
}

void build(const Options &options)
{
  settings_defaults();
  Options all = {{"-sh", "/bin/sh"}};
  all.insert(all.end(), options.begin(), options.end());
  for (auto [name, value] : all)
    settings_apply_option(name.data(), value.data());
  settings_compute_geometry();
  mainwindow_create();
  // The test is the main loop's thread from here: it holds the GDK lock, as
  // the toolkit expects, and lets go only to toggle.
  gdk_threads_enter();
  pump();
}

// The toggle comes from outside the lock, as from the hotkey thread.
void toggle()
{
  gdk_threads_leave();
  mainwindow_toggle(0);
  gdk_threads_enter();
}

bool visible() { return gtk_widget_get_visible(mainwindow.window); }
bool active() { return gtk_window_is_active(GTK_WINDOW(mainwindow.window)); }

// Xlib ends the process when the test server goes after the tests, as the
// listener still reads its connection; that is no failure of ours.
int tests_result = 1;
int exit_with_result(Display *)
{
  fflush(stdout);
  _exit(tests_result);
}
class ServerGoesAway : public testing::Environment {
  void TearDown() override
  {
    tests_result = testing::UnitTest::GetInstance()->Passed() ? 0 : 1;
    XSetIOErrorHandler(exit_with_result);
  }
};
testing::Environment *const server_goes_away =
    testing::AddGlobalTestEnvironment(new ServerGoesAway);

TEST(HotkeyWhileShown, KeyboardGrabDoesNotAutohide)
{
  build({{"-k", "F9"}});
  ASSERT_TRUE(settings_get_autohide());
  toggle();
  ASSERT_TRUE(pump_until([] { return visible() && active(); }));

  // What the server does when the hotkey's passive grab activates.
  Display *other = XOpenDisplay(nullptr);
  ASSERT_NE(other, nullptr);
  ASSERT_EQ(XGrabKeyboard(other, DefaultRootWindow(other), False, GrabModeAsync, GrabModeAsync,
                          CurrentTime),
            GrabSuccess);
  XSync(other, False);
  // The toolkit has handled the focus-out once the window stops being active.
  ASSERT_TRUE(pump_until([] { return !active(); }));
  EXPECT_TRUE(visible()) << "autohide took the grab for the focus leaving";
  EXPECT_EQ(mainwindow.shown.load(), 1);

  XUngrabKeyboard(other, CurrentTime);
  XSync(other, False);
  EXPECT_TRUE(pump_until([] { return active(); }));
  EXPECT_TRUE(visible());
  XCloseDisplay(other);

  // So the press that caused the grab hides the window.
  toggle();
  pump();
  EXPECT_FALSE(visible());
}

} // namespace
