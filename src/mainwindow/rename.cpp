// SPDX-License-Identifier: GPL-2.0-or-later
// Renaming a tab: its label gives way to an entry until Enter or Escape.
#include "mainwindow/mainwindow.h"
#include "config/config.h"

#include <cstring>
#include <gdk/gdkkeysyms.h>
#include <vte/vte.h>

namespace {

constexpr char RENAMED_KEY[] = "kv-renamed";  // on a label: the user named the tab
constexpr char FOLLOWED_KEY[] = "kv-followed";  // on a label: its text before the first name
constexpr char EDIT_KEY[] = "kv-rename";

// Lives as long as the entry: a tab closed while edited takes it along.
struct RenameEdit {
  GtkWidget *label;  // held while the entry stands in its place
  GtkWidget *page;
  bool done;
};

void rename_edit_free(gpointer data)
{
  auto *edit = static_cast<RenameEdit *>(data);
  g_object_unref(edit->label);
  g_free(edit);
}

GtkNotebook *notebook() { return GTK_NOTEBOOK(mainwindow.notebook); }

// The tab bar as the showtab setting has it for the tabs there are now.
void rename_restore_tab_bar()
{
  const int showtab = settings_get_showtab();
  gtk_notebook_set_show_tabs(notebook(), showtab == SHOWTAB_ALWAYS ||
                                             (showtab == SHOWTAB_ONE && mainwindow.tab_count >= 2));
}

bool rename_in_progress()
{
  GtkWidget *page;
  for (int i = 0; (page = gtk_notebook_get_nth_page(notebook(), i)); i++)
    if (!GTK_IS_LABEL(gtk_notebook_get_tab_label(notebook(), page)))
      return true;
  return false;
}

// A tab closed while edited leaves the tab bar as the edit showed it.
void rename_on_page_removed(GtkNotebook *, GtkWidget *, guint, gpointer)
{
  if (!rename_in_progress())
    rename_restore_tab_bar();
}

// An empty name hands the label back to the terminal's title.
void rename_apply(GtkWidget *label, GtkWidget *terminal, const char *name)
{
  GtkLabel *l = GTK_LABEL(label);
  if (*name) {
    if (!g_object_get_data(G_OBJECT(label), RENAMED_KEY))
      g_object_set_data_full(G_OBJECT(label), FOLLOWED_KEY, g_strdup(gtk_label_get_text(l)), g_free);
    g_object_set_data(G_OBJECT(label), RENAMED_KEY, GINT_TO_POINTER(1));
    gtk_label_set_text(l, name);
    return;
  }
  if (!g_object_get_data(G_OBJECT(label), RENAMED_KEY))
    return;
  g_object_set_data(G_OBJECT(label), RENAMED_KEY, nullptr);
  const char *title = terminal ? vte_terminal_get_window_title(VTE_TERMINAL(terminal)) : nullptr;
  const char *followed = static_cast<const char *>(g_object_get_data(G_OBJECT(label), FOLLOWED_KEY));
  gtk_label_set_text(l, title ? title : followed ? followed : "");
}

// Ends the edit once: a closed tab has already taken the entry away.
void rename_finish(GtkWidget *entry, bool keep, bool refocus)
{
  auto *edit = static_cast<RenameEdit *>(g_object_get_data(G_OBJECT(entry), EDIT_KEY));
  if (!edit || edit->done)
    return;
  edit->done = true;
  const int index = gtk_notebook_page_num(notebook(), edit->page);
  if (index < 0 || gtk_notebook_get_tab_label(notebook(), edit->page) != gtk_widget_get_parent(entry))
    return;
  if (keep)
    rename_apply(edit->label, mainwindow_terminal_at(index), gtk_entry_get_text(GTK_ENTRY(entry)));
  gtk_notebook_set_tab_label(notebook(), edit->page, edit->label);  // the entry goes
  rename_restore_tab_bar();
  if (refocus)
    mainwindow_focus_terminal();
}

void rename_on_activate(GtkWidget *entry, gpointer) { rename_finish(entry, true, true); }

gboolean rename_on_key(GtkWidget *entry, GdkEventKey *event, gpointer)
{
  if (event->keyval != GDK_Escape)
    return FALSE;
  rename_finish(entry, false, true);
  return TRUE;
}

// The focus went elsewhere, where the user wants it: the name is kept.
gboolean rename_on_focus_out(GtkWidget *entry, GdkEventFocus *, gpointer)
{
  rename_finish(entry, true, false);
  return FALSE;
}

} // namespace

void mainwindow_rename_tab(int index)
{
  GtkWidget *page = gtk_notebook_get_nth_page(notebook(), index);
  if (!page)
    return;
  GtkWidget *label = gtk_notebook_get_tab_label(notebook(), page);
  if (!GTK_IS_LABEL(label))
    return;  // being edited already
  static bool watching = false;
  if (!watching)
    g_signal_connect_after(notebook(), "page-removed", G_CALLBACK(rename_on_page_removed), nullptr);
  watching = true;
  auto *edit = g_new0(RenameEdit, 1);
  edit->label = GTK_WIDGET(g_object_ref(label));
  edit->page = page;
  GtkWidget *entry = gtk_entry_new();
  g_object_set_data_full(G_OBJECT(entry), EDIT_KEY, edit, rename_edit_free);
  const char *text = gtk_label_get_text(GTK_LABEL(label));
  gtk_entry_set_text(GTK_ENTRY(entry), text);
  gtk_entry_set_width_chars(GTK_ENTRY(entry), MAX(8, static_cast<int>(g_utf8_strlen(text, -1))));
  g_signal_connect(entry, "activate", G_CALLBACK(rename_on_activate), nullptr);
  g_signal_connect(entry, "key-press-event", G_CALLBACK(rename_on_key), nullptr);
  g_signal_connect(entry, "focus-out-event", G_CALLBACK(rename_on_focus_out), nullptr);
  // In a box without a window of its own: the notebook takes a tab label
  // with its own window for one in a drag and moves it on the button's
  // release, which would take the focus from the entry.
  GtkWidget *holder = gtk_hbox_new(FALSE, 0);
  gtk_box_pack_start(GTK_BOX(holder), entry, TRUE, TRUE, 0);
  gtk_widget_show_all(holder);
  gtk_notebook_set_tab_label(notebook(), page, holder);
  // A hidden tab bar would hide the entry too.
  gtk_notebook_set_show_tabs(notebook(), TRUE);
  gtk_notebook_set_current_page(notebook(), index);
  gtk_widget_grab_focus(entry);
}

gboolean mainwindow_tab_renamed(GtkWidget *label)
{
  return g_object_get_data(G_OBJECT(label), RENAMED_KEY) != nullptr;
}
