// SPDX-License-Identifier: GPL-2.0-or-later
// Keyboard accelerators and pointer presses on the tab bar.
#include "mainwindow/mainwindow.h"
#include "mainwindow/accel.h"
#include "config/config.h"
#include "popupmenu/popupmenu.h"
#include "term/term.h"

#include <gdk/gdkkeysyms.h>
#include <vte/vte.h>

static gboolean mainwindow_accel_new_tab()
{
  mainwindow_add_tab();
  mainwindow_focus_terminal();
  return TRUE;
}

static gboolean mainwindow_accel_close_tab()
{
  mainwindow_close_tab(nullptr);
  if (mainwindow.tab_count > 0)
    mainwindow_focus_terminal();
  return TRUE;
}

static void mainwindow_follow_notebook()
{
  mainwindow.current_tab = gtk_notebook_get_current_page(GTK_NOTEBOOK(mainwindow.notebook));
  mainwindow_focus_terminal();
}

static gboolean mainwindow_accel_next_tab()
{
  GtkNotebook *notebook = GTK_NOTEBOOK(mainwindow.notebook);
  if (gtk_notebook_get_current_page(notebook) == mainwindow.tab_count - 1)
    gtk_notebook_set_current_page(notebook, 0);
  else
    gtk_notebook_next_page(notebook);
  mainwindow_follow_notebook();
  return TRUE;
}

static gboolean mainwindow_accel_prev_tab()
{
  GtkNotebook *notebook = GTK_NOTEBOOK(mainwindow.notebook);
  if (gtk_notebook_get_current_page(notebook) != 0)
    gtk_notebook_prev_page(notebook);
  else
    gtk_notebook_set_current_page(notebook, mainwindow.tab_count - 1);
  mainwindow_follow_notebook();
  return TRUE;
}

static gboolean mainwindow_accel_goto_tab(gpointer index)
{
  gtk_notebook_set_current_page(GTK_NOTEBOOK(mainwindow.notebook), GPOINTER_TO_INT(index));
  mainwindow_follow_notebook();
  return TRUE;
}

gboolean mainwindow_copy()
{
  vte_terminal_copy_clipboard(VTE_TERMINAL(mainwindow_terminal_at(mainwindow.current_tab)));
  return TRUE;
}

gboolean mainwindow_paste()
{
  vte_terminal_paste_clipboard(VTE_TERMINAL(mainwindow_terminal_at(mainwindow.current_tab)));
  return TRUE;
}

static gboolean mainwindow_accel_find()
{
  mainwindow_search_open();
  return TRUE;
}

static gboolean mainwindow_accel_zoom(gpointer step)
{
  term_zoom(GPOINTER_TO_INT(step));
  return TRUE;
}

gboolean mainwindow_quit()
{
  gtk_main_quit();
  return TRUE;
}

namespace {

// key           modifiers      handler                                         data  what
const Accelerator accelerators[] = {
  {GDK_F11,       0,             G_CALLBACK(mainwindow_toggle_fullscreen),       0,    "Fullscreen on and off."},
  {GDK_t,         KEYMOD,        G_CALLBACK(mainwindow_accel_new_tab),           0,    "New tab."},
  {GDK_w,         KEYMOD,        G_CALLBACK(mainwindow_accel_close_tab),         0,    "Close the current tab; closing the last one opens a fresh one."},
  {GDK_Page_Up,   KEYMOD,        G_CALLBACK(mainwindow_accel_next_tab),          0,    "Next tab, from the last to the first."},
  {GDK_Page_Down, KEYMOD,        G_CALLBACK(mainwindow_accel_prev_tab),          0,    "Previous tab, from the first to the last."},
  {GDK_q,         KEYMOD,        G_CALLBACK(mainwindow_quit),                    0,    "Quit."},
  {GDK_1,         GDK_MOD1_MASK, G_CALLBACK(mainwindow_accel_goto_tab),          0,    "Tabs 1 to 10, whatever keymod says."},
  {GDK_2,         GDK_MOD1_MASK, G_CALLBACK(mainwindow_accel_goto_tab),          1,    ""},
  {GDK_3,         GDK_MOD1_MASK, G_CALLBACK(mainwindow_accel_goto_tab),          2,    ""},
  {GDK_4,         GDK_MOD1_MASK, G_CALLBACK(mainwindow_accel_goto_tab),          3,    ""},
  {GDK_5,         GDK_MOD1_MASK, G_CALLBACK(mainwindow_accel_goto_tab),          4,    ""},
  {GDK_6,         GDK_MOD1_MASK, G_CALLBACK(mainwindow_accel_goto_tab),          5,    ""},
  {GDK_7,         GDK_MOD1_MASK, G_CALLBACK(mainwindow_accel_goto_tab),          6,    ""},
  {GDK_8,         GDK_MOD1_MASK, G_CALLBACK(mainwindow_accel_goto_tab),          7,    ""},
  {GDK_9,         GDK_MOD1_MASK, G_CALLBACK(mainwindow_accel_goto_tab),          8,    ""},
  {GDK_0,         GDK_MOD1_MASK, G_CALLBACK(mainwindow_accel_goto_tab),          9,    ""},
  {GDK_c,         KEYMOD,        G_CALLBACK(mainwindow_copy),                    0,    "Copy the selection."},
  {GDK_v,         KEYMOD,        G_CALLBACK(mainwindow_paste),                   0,    "Paste."},
  {GDK_f,         KEYMOD,        G_CALLBACK(mainwindow_accel_find),              0,    "Search the scrollback of the current tab for plain text in any case: Enter goes to the older match, Shift+Enter to the newer one, around at either end; Escape closes the search. Matches are found one at a time: the terminal cannot highlight all of them at once."},
  {GDK_plus,      KEYMOD,        G_CALLBACK(mainwindow_accel_zoom),              1,    "Font one point larger in every tab, up to 72 points."},
  {GDK_equal,     KEYMOD,        G_CALLBACK(mainwindow_accel_zoom),              1,    "As keymod+plus."},
  {GDK_KP_Add,    KEYMOD,        G_CALLBACK(mainwindow_accel_zoom),              1,    "As keymod+plus."},
  {GDK_minus,     KEYMOD,        G_CALLBACK(mainwindow_accel_zoom),              -1,   "Font one point smaller in every tab, down to 4 points."},
  {GDK_KP_Subtract, KEYMOD,      G_CALLBACK(mainwindow_accel_zoom),              -1,   "As keymod+minus."},
  {GDK_0,         KEYMOD,        G_CALLBACK(mainwindow_accel_zoom),              0,    "Font back to the configured font."},
};

bool in_table(guint keyval)
{
  for (const Accelerator &a : accelerators)
    if (a.keyval == keyval)
      return true;
  return false;
}

// With Shift among the modifiers, the key of a sign or digit arrives as its
// shifted symbol (minus as underscore, 0 as a parenthesis on many layouts),
// which matches no row: the symbol the keyboard puts there is bound too.
guint shifted_keyval(guint keyval)
{
  GdkKeymap *keymap = gdk_keymap_get_default();
  GdkKeymapKey *keys = nullptr;
  gint n_keys = 0;
  if (!gdk_keymap_get_entries_for_keyval(keymap, keyval, &keys, &n_keys))
    return 0;
  guint shifted = 0;
  for (int i = 0; i < n_keys && !shifted; i++)
    if (keys[i].group == 0 && keys[i].level == 0) {
      GdkKeymapKey key = {keys[i].keycode, 0, 1};
      shifted = gdk_keymap_lookup_key(keymap, &key);
    }
  g_free(keys);
  if (shifted == keyval || gdk_keyval_to_lower(shifted) == keyval || in_table(shifted))
    return 0;
  return shifted;
}

} // namespace

const std::span<const Accelerator> mainwindow_accelerators(accelerators);

void mainwindow_connect_accelerators(GtkAccelGroup *group)
{
  const int keymod = settings_get_keymod();
  for (const Accelerator &a : accelerators) {
    const int mods = a.modifiers == KEYMOD ? keymod : a.modifiers;
    const guint shifted = mods & GDK_SHIFT_MASK ? shifted_keyval(a.keyval) : 0;
    for (guint keyval : {a.keyval, shifted})
      if (keyval)
        gtk_accel_group_connect(group, keyval, static_cast<GdkModifierType>(mods),
                                GTK_ACCEL_VISIBLE,
                                g_cclosure_new_swap(a.handler, GINT_TO_POINTER(a.data), nullptr));
  }
}

// The notebook is still handling the press that ends the double click: its
// tab label changes once it is done.
static gboolean mainwindow_rename_later(gpointer index)
{
  mainwindow_rename_tab(GPOINTER_TO_INT(index));
  return FALSE;
}

int mainwindow_tab_at_xy(GtkNotebook *notebook, int x, int y)
{
  const GtkPositionType pos = gtk_notebook_get_tab_pos(notebook);
  if (gtk_notebook_get_n_pages(notebook) == 0)
    return -1;
  GtkWidget *page;
  for (int i = 0; (page = gtk_notebook_get_nth_page(notebook, i)); i++) {
    GtkWidget *label = gtk_notebook_get_tab_label(notebook, page);
    if (!label) {
      // The documented warning of this case, word for word: its condition
      // text is what users and scripts have always seen, not the test above.
      g_return_if_fail_warning(nullptr, "mainwindow_tab_at_xy", "screen != NULL");
      return -1;
    }
    if (!gtk_widget_get_mapped(label))
      continue;
    const GtkAllocation &a = label->allocation;
    if (pos == GTK_POS_TOP || pos == GTK_POS_BOTTOM) {
      if (a.x + a.width >= x)
        return i;
    } else if (a.y + a.height >= y) {
      return i;
    }
  }
  return -1;
}

gboolean mainwindow_notebook_button_press(GtkWidget *notebook, GdkEventButton *event, gpointer)
{
  const int index = mainwindow_tab_at_xy(GTK_NOTEBOOK(notebook),
                                         static_cast<int>(event->x), static_cast<int>(event->y));
  if (index >= 0) {
    gtk_notebook_set_current_page(GTK_NOTEBOOK(notebook), index);
    if (event->type == GDK_2BUTTON_PRESS && event->button == 1)
      gdk_threads_add_idle(mainwindow_rename_later, GINT_TO_POINTER(index));
  } else if (event->type == GDK_2BUTTON_PRESS)
    mainwindow_add_tab();
  if (event->button == 3)
    popupmenu_popup(event->time);
  return FALSE;
}
