// SPDX-License-Identifier: GPL-2.0-or-later
// A bare terminal window for comparison: the terminal widget with the same
// font, size and scrollback as kavlor's defaults, running the given shell,
// and none of kavlor's handlers.
//   plainvte_window SHELL
#include <cstdio>
#include <gtk/gtk.h>
#include <vte/vte.h>

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
  GtkWidget *terminal = vte_terminal_new();
  VteTerminal *t = VTE_TERMINAL(terminal);
  vte_terminal_set_font_from_string(t, "Monospace 10");
  vte_terminal_set_scrollback_lines(t, 1000);
  vte_terminal_set_scroll_on_output(t, TRUE);
  char *child_argv[] = {argv[1], nullptr};
  GPid pid;
  if (!vte_terminal_fork_command_full(t, VTE_PTY_DEFAULT, nullptr, child_argv, nullptr,
                                      G_SPAWN_SEARCH_PATH, nullptr, nullptr, &pid, nullptr)) {
    fprintf(stderr, "plainvte_window: cannot start %s\n", argv[1]);
    return 1;
  }
  gtk_container_add(GTK_CONTAINER(window), terminal);
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
  gtk_widget_show_all(window);
  gtk_main();
  return 0;
}
