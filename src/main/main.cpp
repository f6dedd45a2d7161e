// SPDX-License-Identifier: GPL-2.0-or-later
#include "config/config.h"
#include "main/actions.h"
#include "main/instance.h"
#include "main/nodisplay.h"
#include "mainwindow/mainwindow.h"

#include <gtk/gtk.h>

int main(int argc, char **argv)
{
  saved_argc = argc;
  saved_argv = argv;
  settings_hold_toggle_requests();
  instance_toggle_early(argc, argv);
  gdk_threads_init();
  if (!gtk_init_check(&argc, &argv))
    main_fail_without_display(argc, argv);
  // The toolkit took its own options out of the vector: scan only what is left.
  saved_argc = argc;
  settings_load();
  mainwindow_create();
  gdk_threads_enter();
  gtk_main();
  gdk_threads_leave();
  return 0;
}
