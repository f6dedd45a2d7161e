// SPDX-License-Identifier: GPL-2.0-or-later
// Helpers of the in-process widget tests: building the window as start-up
// does, running the main loop until a condition holds, toggling as the
// hotkey thread would.
#pragma once

#include "harness.h"
#include "mainwindow/mainwindow.h"

#include <functional>
#include <gtk/gtk.h>
#include <string>
#include <utility>
#include <vector>

using WidgetOptions = std::vector<std::pair<std::string, std::string>>;

// The defaults, a login shell of /bin/sh, then `options`, as the parser gets
// them from the command line.
void widget_configure(const WidgetOptions &options = {});
// widget_configure, then the window. From then on the test is the main
// loop's thread: it holds the GDK lock, as the toolkit's iterations expect.
void widget_build(const WidgetOptions &options = {});
// widget_build with autohide off, for tests that move the pointer and the
// focus around the window.
void widget_build_no_autohide(const WidgetOptions &options = {});
void widget_pump();
bool widget_pump_until(const std::function<bool()> &cond, double timeout_s = 15.0);
// The toggle comes from outside the lock, as from the hotkey thread.
void widget_toggle(ToggleReason reason);
// Shows the main window and waits until the toolkit has it on screen.
bool widget_show();

// Watches a widget: the pointer turns null when the widget is destroyed.
struct Watch {
  GtkWidget *widget;
  explicit Watch(GtkWidget *w) : widget(w)
  {
    g_object_add_weak_pointer(G_OBJECT(widget), reinterpret_cast<gpointer *>(&widget));
  }
  ~Watch()
  {
    if (widget)
      g_object_remove_weak_pointer(G_OBJECT(widget), reinterpret_cast<gpointer *>(&widget));
  }
  Watch(const Watch &) = delete;
  Watch &operator=(const Watch &) = delete;
};
