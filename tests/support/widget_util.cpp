// SPDX-License-Identifier: GPL-2.0-or-later
#include "widget_util.h"

#include "config/config.h"
#include "mainwindow/mainwindow.h"

void widget_configure(const WidgetOptions &options)
{
  settings_defaults();
  WidgetOptions all = {{"-sh", "/bin/sh"}};
  all.insert(all.end(), options.begin(), options.end());
  for (auto [name, value] : all)  // the parser trims in place: copies
    settings_apply_option(name.data(), value.data());
}

void widget_build(const WidgetOptions &options)
{
  widget_configure(options);
  mainwindow_create();
  gdk_threads_enter();
  widget_pump();
}

void widget_build_no_autohide(const WidgetOptions &options)
{
  WidgetOptions all = {{"-ah", "false"}};
  all.insert(all.end(), options.begin(), options.end());
  widget_build(all);
}

void widget_pump()
{
  while (gtk_events_pending())
    gtk_main_iteration();
}

bool widget_pump_until(const std::function<bool()> &cond, double timeout_s)
{
  return wait_until([&] { widget_pump(); return cond(); }, timeout_s);
}

void widget_toggle(ToggleReason reason)
{
  gdk_threads_leave();
  mainwindow_toggle(reason);
  gdk_threads_enter();
}

bool widget_show()
{
  widget_toggle(TOGGLE_AT_START);
  // Focused too: until the window manager has given the focus, it may
  // take a first click for itself.
  const bool shown = widget_pump_until([] {
    return gtk_widget_get_mapped(mainwindow.window) &&
           gdk_window_is_viewable(mainwindow.window->window) &&
           gtk_window_has_toplevel_focus(GTK_WINDOW(mainwindow.window));
  });
  // Let the first allocation and expose go through.
  widget_pump();
  return shown;
}
