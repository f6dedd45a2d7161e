// SPDX-License-Identifier: GPL-2.0-or-later
// Terminal widgets: construction, appearance, links and their events.
#pragma once

#include <string>
#include <gtk/gtk.h>
#include <vte/vte.h>

constexpr int URL_PATTERN_COUNT = 4;

struct TermState {
  // Compiled once, attached to every terminal; null where a pattern failed.
  GRegex *url_regexes[URL_PATTERN_COUNT];
};

extern TermState term_state;

void term_compile_url_patterns();
GtkWidget *term_new();
void term_setup_transparency(GtkWidget *terminal);
void term_add_url_matches(GtkWidget *terminal);
void term_fork_shell(VteTerminal *terminal);
// One point larger (step 1), smaller (-1), or the configured font (0), in
// every terminal; later terminals open at that size.
void term_zoom(int step);
// Notes when a shell started, which tells quick failures from long runs.
void term_shell_started(VteTerminal *terminal, GPid pid);
// The process of the terminal's shell; 0 before one started.
GPid term_shell_pid(VteTerminal *terminal);

gboolean term_on_button_press(GtkWidget *terminal, GdkEventButton *event, gpointer data);
void term_on_child_exit(VteTerminal *terminal, gpointer data);
void term_on_destroy(GtkWidget *terminal, gpointer data);
// The requests of the programs in a terminal to iconify, raise, maximize
// or redraw the window, each row's signal to term_on_window_request.
void term_connect_window_requests(GtkWidget *terminal);
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
