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
  saved_argc = argc;
  saved_argv = argv;
  settings_hold_toggle_requests();
  instance_adopt(toggle_decided != 0, election_fd);
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
