// SPDX-License-Identifier: GPL-2.0-or-later
#include "config/config.h"
#include "main/actions.h"
#include "main/nodisplay.h"
#include "mainwindow/mainwindow.h"

#include <gtk/gtk.h>

int main(int argc, char **argv)
{
  // A toggle request that comes before its watch waits, blocked.
  mainwindow_hold_toggle_requests();
  gdk_threads_init();
  // The toolkit takes its own options out of the vector: what is left is ours.
  if (!gtk_init_check(&argc, &argv))
    main_fail_without_display(argc, argv);
  settings_load();
  // After ~/.Xdefaults, so its options win; an action word may end here.
  actions_read_command_line(argc, argv);
  settings_check();
  mainwindow_watch_toggle_requests();
  // A --toggle starter after this one now finds an instance able to listen.
  instance_lock_release();
  mainwindow_create();
  gdk_threads_enter();
  gtk_main();
  gdk_threads_leave();
  return 0;
}
