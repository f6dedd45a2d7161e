// SPDX-License-Identifier: GPL-2.0-or-later
// The terminal of the benchmarks' comparison windows: kavlor's default
// scrollback, the given font, running `shell`; null when it cannot start.
#pragma once

#include <cstdio>
#include <vte/vte.h>

inline GtkWidget *bare_terminal_new(const char *shell, const char *font)
{
  GtkWidget *terminal = vte_terminal_new();
  VteTerminal *t = VTE_TERMINAL(terminal);
  vte_terminal_set_font_from_string(t, font);
  vte_terminal_set_scrollback_lines(t, 1000);
  vte_terminal_set_scroll_on_output(t, TRUE);
  char *child_argv[] = {const_cast<char *>(shell), nullptr};
  GPid pid;
  if (!vte_terminal_fork_command_full(t, VTE_PTY_DEFAULT, nullptr, child_argv, nullptr,
                                      G_SPAWN_SEARCH_PATH, nullptr, nullptr, &pid, nullptr)) {
    fprintf(stderr, "cannot start %s\n", shell);
    return nullptr;
  }
  return terminal;
}
