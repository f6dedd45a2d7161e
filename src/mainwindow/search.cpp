// SPDX-License-Identifier: GPL-2.0-or-later
// Searching a terminal's scrollback from a bar under the tabs.
#include "mainwindow/mainwindow.h"

#include "gptr.h"

#include <gdk/gdkkeysyms.h>
#include <vte/vte.h>

SearchBar searchbar;

namespace {

// Each terminal keeps its own search: the bar shows the current tab's, so
// the page layout stays one box holding the terminal.
constexpr char OPEN_KEY[] = "kv-search-open";
constexpr char TEXT_KEY[] = "kv-search-text";

GtkWidget *current_terminal()
{
  return mainwindow.current_tab < 0 ? nullptr : mainwindow_terminal_at(mainwindow.current_tab);
}

void search_show_failed(bool failed)
{
  searchbar.failed = failed ? 1 : 0;
  static const GdkColor tint = {0, 0xffff, 0xc8c8, 0xc8c8};
  gtk_widget_modify_base(searchbar.entry, GTK_STATE_NORMAL, failed ? &tint : nullptr);
}

// Plain text, any case: "a.b" finds "a.b" and "A.B", nothing else.
void search_set_text(VteTerminal *terminal, const char *text)
{
  g_object_set_data_full(G_OBJECT(terminal), TEXT_KEY, g_strdup(text), g_free);
  if (!*text) {
    vte_terminal_search_set_gregex(terminal, nullptr);
    return;
  }
  GCharPtr escaped(g_regex_escape_string(text, -1));
  GRegex *regex = g_regex_new(escaped.get(), G_REGEX_CASELESS, static_cast<GRegexMatchFlags>(0),
                              nullptr);
  vte_terminal_search_set_gregex(terminal, regex);
  if (regex)
    g_regex_unref(regex);
  vte_terminal_search_set_wrap_around(terminal, TRUE);
}

void search_on_changed(GtkEditable *editable, gpointer)
{
  GtkWidget *widget = current_terminal();
  if (!widget)
    return;
  VteTerminal *terminal = VTE_TERMINAL(widget);
  const char *text = gtk_entry_get_text(GTK_ENTRY(editable));
  search_set_text(terminal, text);
  if (!*text) {
    search_show_failed(false);
    return;
  }
  // A new text is looked for from the foot of the view up, not above the
  // match of the text before it, which may be a match of this one too.
  vte_terminal_select_none(terminal);
  mainwindow_search_find(TRUE);
}

gboolean search_on_key(GtkWidget *, GdkEventKey *event, gpointer)
{
  switch (event->keyval) {
  case GDK_Escape:
    mainwindow_search_close();
    return TRUE;
  case GDK_Return:
  case GDK_KP_Enter:
  case GDK_ISO_Enter:
    mainwindow_search_find(!(event->state & GDK_SHIFT_MASK));
    return TRUE;
  default:
    return FALSE;
  }
}

void search_on_previous() { mainwindow_search_find(TRUE); }
void search_on_next() { mainwindow_search_find(FALSE); }

GtkWidget *search_button(const char *stock_id, const char *tip, GCallback handler)
{
  GtkWidget *button = gtk_button_new();
  gtk_button_set_image(GTK_BUTTON(button), gtk_image_new_from_stock(stock_id, GTK_ICON_SIZE_MENU));
  gtk_button_set_relief(GTK_BUTTON(button), GTK_RELIEF_NONE);
  gtk_button_set_focus_on_click(GTK_BUTTON(button), FALSE);
  gtk_widget_set_tooltip_text(button, tip);
  g_signal_connect(button, "clicked", handler, nullptr);
  gtk_box_pack_start(GTK_BOX(searchbar.bar), button, FALSE, FALSE, 0);
  return button;
}

// Made on first use, so a window nobody searches in carries nothing extra.
void search_build()
{
  SearchBar &sb = searchbar;
  sb.bar = gtk_hbox_new(FALSE, 0);
  sb.entry = gtk_entry_new();
  g_signal_connect(sb.entry, "changed", G_CALLBACK(search_on_changed), nullptr);
  g_signal_connect(sb.entry, "key-press-event", G_CALLBACK(search_on_key), nullptr);
  gtk_box_pack_start(GTK_BOX(sb.bar), sb.entry, TRUE, TRUE, 0);
  sb.previous = search_button(GTK_STOCK_GO_UP, "Previous", G_CALLBACK(search_on_previous));
  sb.next = search_button(GTK_STOCK_GO_DOWN, "Next", G_CALLBACK(search_on_next));
  sb.close = search_button(GTK_STOCK_CLOSE, "Close", G_CALLBACK(mainwindow_search_close));
  gtk_widget_show_all(sb.bar);
  gtk_widget_set_no_show_all(sb.bar, TRUE);
  gtk_widget_hide(sb.bar);
  GtkWidget *box = gtk_widget_get_parent(mainwindow.notebook);
  gtk_box_pack_start(GTK_BOX(box), sb.bar, FALSE, FALSE, 0);
}

} // namespace

void mainwindow_search_open()
{
  GtkWidget *terminal = current_terminal();
  if (!terminal)
    return;
  if (!searchbar.bar)
    search_build();
  g_object_set_data(G_OBJECT(terminal), OPEN_KEY, GINT_TO_POINTER(1));
  mainwindow_search_follow(mainwindow.current_tab);
  gtk_widget_grab_focus(searchbar.entry);
}

void mainwindow_search_close()
{
  if (GtkWidget *terminal = current_terminal())
    g_object_set_data(G_OBJECT(terminal), OPEN_KEY, nullptr);
  if (searchbar.bar)
    gtk_widget_hide(searchbar.bar);
  mainwindow_focus_terminal();
}

gboolean mainwindow_search_find(gboolean backward)
{
  GtkWidget *widget = current_terminal();
  if (!widget || !searchbar.entry || !*gtk_entry_get_text(GTK_ENTRY(searchbar.entry)))
    return FALSE;
  VteTerminal *terminal = VTE_TERMINAL(widget);
  auto find = backward ? vte_terminal_search_find_previous : vte_terminal_search_find_next;
  gboolean found = find(terminal);
  // Going around, the library skips the row it starts from: a sole match
  // is found again from the view, not reported missing.
  if (!found && vte_terminal_get_has_selection(terminal)) {
    vte_terminal_select_none(terminal);
    found = find(terminal);
  }
  search_show_failed(!found);
  return found;
}

void mainwindow_search_follow(int index)
{
  if (!searchbar.bar)
    return;
  GtkWidget *terminal = mainwindow_terminal_at(index);
  if (!terminal || !g_object_get_data(G_OBJECT(terminal), OPEN_KEY)) {
    gtk_widget_hide(searchbar.bar);
    return;
  }
  const char *text = static_cast<const char *>(g_object_get_data(G_OBJECT(terminal), TEXT_KEY));
  g_signal_handlers_block_by_func(searchbar.entry, gpointer(search_on_changed), nullptr);
  gtk_entry_set_text(GTK_ENTRY(searchbar.entry), text ? text : "");
  g_signal_handlers_unblock_by_func(searchbar.entry, gpointer(search_on_changed), nullptr);
  search_show_failed(false);
  gtk_widget_show(searchbar.bar);
}
