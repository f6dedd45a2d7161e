// SPDX-License-Identifier: GPL-2.0-or-later
// The texts of --help, --info and --version need no display: print them over
// ssh or in a package build too, instead of the toolkit's display message.
#include "main/nodisplay.h"
#include "main/actions.h"

#include <cstdlib>
#include <cstring>

#include <gdk/gdk.h>
#include <glib.h>

namespace {

// word         text
const struct { const char *word; void (*print)(); } printing_actions[] = {
  {"--help",    print_help},
  {"--info",    print_info},
  {"--version", print_version},
};

} // namespace

void main_fail_without_display(int argc, char **argv)
{
  // "--toggle" is passed over: there is no window to show and no instance
  // on this display to signal, so only a later printing word can run.
  for (int i = 1; i < argc; i++)
    for (const auto &a : printing_actions)
      if (strcmp(argv[i], a.word) == 0) {
        a.print();
        exit(1);
      }
  // The toolkit's own words and status, as gtk_init gives them.
  const char *name = gdk_get_display_arg_name();
  if (!name)
    name = getenv("DISPLAY");
  g_log("Gtk", G_LOG_LEVEL_WARNING, "cannot open display: %s", name ? name : "");
  exit(1);
}
