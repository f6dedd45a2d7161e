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
