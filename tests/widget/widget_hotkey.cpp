// SPDX-License-Identifier: GPL-2.0-or-later
// The hotkey meeting autohide, in-process: a press of a grabbed key makes
// the X server send the focused window a focus-out while the key is held,
// though the focus does not move. Autohide must not take that for the
// focus leaving, or the press would hide the window and the toggle show it
// again.
#include "harness.h"
#include "widget_util.h"

#include "config/config.h"
#include "mainwindow/mainwindow.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

using Options = WidgetOptions;

bool visible() { return gtk_widget_get_visible(mainwindow.window); }
bool active() { return gtk_window_is_active(GTK_WINDOW(mainwindow.window)); }

TEST(HotkeyWhileShown, KeyboardGrabDoesNotAutohide)
{
  widget_build({{"-k", "F9"}});
  ASSERT_TRUE(settings_get_autohide());
  widget_toggle(TOGGLE_HOTKEY);
  ASSERT_TRUE(widget_pump_until([] { return visible() && active(); }));

  // What the server does when the hotkey's passive grab activates.
  Display *other = XOpenDisplay(nullptr);
  ASSERT_NE(other, nullptr);
  ASSERT_EQ(XGrabKeyboard(other, DefaultRootWindow(other), False, GrabModeAsync, GrabModeAsync,
                          CurrentTime),
            GrabSuccess);
  XSync(other, False);
  // The toolkit has handled the focus-out once the window stops being active.
  ASSERT_TRUE(widget_pump_until([] { return !active(); }));
  EXPECT_TRUE(visible()) << "autohide took the grab for the focus leaving";
  EXPECT_EQ(mainwindow.shown, 1);

  XUngrabKeyboard(other, CurrentTime);
  XSync(other, False);
  EXPECT_TRUE(widget_pump_until([] { return active(); }));
  EXPECT_TRUE(visible());
  XCloseDisplay(other);

  // So the press that caused the grab hides the window.
  widget_toggle(TOGGLE_HOTKEY);
  widget_pump();
  EXPECT_FALSE(visible());
}

} // namespace
