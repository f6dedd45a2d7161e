// SPDX-License-Identifier: GPL-2.0-or-later
// The program itself, loaded by the starter once no running instance took
// the request.
#include "config/config.h"
#include "main/actions.h"
#include "main/instance.h"
#include "main/nodisplay.h"
#include "main/program.h"
#include "mainwindow/mainwindow.h"

#include <gtk/gtk.h>

int kavlor_program_main(int argc, char **argv, int toggle_decided, int election_fd)
{
  // A toggle request that comes before its watch waits, blocked.
  mainwindow_hold_toggle_requests();
  instance_adopt(toggle_decided != 0, election_fd);
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
  instance_register(gdk_display_get_name(gdk_display_get_default()));
  mainwindow_create();
  gdk_threads_enter();
  gtk_main();
  gdk_threads_leave();
  return 0;
}
