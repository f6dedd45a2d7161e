// SPDX-License-Identifier: GPL-2.0-or-later
// Terminal widgets: construction, appearance, links and their events.
#pragma once

#include <string>
#include <gtk/gtk.h>
#include <vte/vte.h>

void term_compile_url_patterns();
GtkWidget *term_new();
void term_setup_transparency(GtkWidget *terminal);
void term_add_url_matches(GtkWidget *terminal);
void term_fork_shell(VteTerminal *terminal);
// Notes when a shell started, which tells quick failures from long runs.
void term_shell_started(VteTerminal *terminal);

gboolean term_on_button_press(gpointer data, GdkEventButton *event, GtkWidget *terminal);
void term_on_child_exit(VteTerminal *terminal, gpointer data);
void term_on_destroy(GtkWidget *terminal, gpointer data);
void term_on_window_request(VteTerminal *terminal, gpointer code);
void term_on_title_changed(VteTerminal *terminal, GtkWidget *label);
// A title as its tab label shows it: at most TAB_TITLE_MAX characters, the
// rest cut at a character boundary and marked by an ellipsis.
constexpr size_t TAB_TITLE_MAX = 256;
std::string term_tab_title(const char *title);

// The URI handed to the desktop for the text a pattern slot matched: host
// names and bare mail addresses get the scheme they lack.
std::string term_uri_for_match(int slot, const char *text);
// The pattern slot of a match tag (slots that failed to compile have none).
int term_slot_for_tag(int tag);
