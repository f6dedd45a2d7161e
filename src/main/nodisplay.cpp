// SPDX-License-Identifier: GPL-2.0-or-later
// The texts of --help, --info and --version need no display: print them over
// ssh or in a package build too, instead of the toolkit's display message.
#include "main/nodisplay.h"
#include "main/actions.h"

#include <cstdlib>
#include <cstring>

#include <gdk/gdk.h>
#include <glib.h>

void main_fail_without_display(int argc, char **argv)
{
  // "--toggle" is passed over: there is no window to show and no instance
  // on this display to signal, so only a later printing word can run.
  for (int i = 1; i < argc; i++)
    for (const ActionWord &a : action_words)
      if (a.ends && strcmp(argv[i], a.word) == 0) {
        a.run(argv[0]);
        exit(1);
      }
  // The toolkit's own words and status, as gtk_init gives them.
  const char *name = gdk_get_display_arg_name();
  if (!name)
    name = getenv("DISPLAY");
  g_log("Gtk", G_LOG_LEVEL_WARNING, "cannot open display: %s", name ? name : "");
  exit(1);
}
