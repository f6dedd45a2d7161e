// SPDX-License-Identifier: GPL-2.0-or-later
// A bare terminal window for comparison: the terminal widget with the same
// font, size and scrollback as kavlor's defaults, running the given shell,
// and none of kavlor's handlers.
//   plainvte_window SHELL
#include <cstdio>
#include <gtk/gtk.h>
#include "bare_terminal.h"

int main(int argc, char **argv)
{
  gtk_init(&argc, &argv);
  if (argc != 2) {
    fprintf(stderr, "usage: %s SHELL\n", argv[0]);
    return 1;
  }
  GtkWidget *window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_wmclass(GTK_WINDOW(window), "plainvte", "PlainVte");
  gtk_window_set_default_size(GTK_WINDOW(window), 800, 400);
  GtkWidget *terminal = bare_terminal_new(argv[1], "Monospace 10");
  if (!terminal)
    return 1;
  gtk_container_add(GTK_CONTAINER(window), terminal);
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
  gtk_widget_show_all(window);
  gtk_main();
  return 0;
}
