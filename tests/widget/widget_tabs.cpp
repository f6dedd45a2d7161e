// SPDX-License-Identifier: GPL-2.0-or-later
// Tabs of the main window, driven in-process through the tab operations.
#include "harness.h"
#include "widget_util.h"

#include "config/config.h"
#include "mainwindow/mainwindow.h"
#include "popupmenu/popupmenu.h"

#include <string>
#include <utility>
#include <vector>
#include <vte/vte.h>

namespace {

using Options = WidgetOptions;

GtkNotebook *notebook() { return GTK_NOTEBOOK(mainwindow.notebook); }
int pages() { return gtk_notebook_get_n_pages(notebook()); }

std::vector<std::string> labels()
{
  std::vector<std::string> out;
  for (int i = 0; i < pages(); i++) {
    GtkWidget *page = gtk_notebook_get_nth_page(notebook(), i);
    out.push_back(gtk_label_get_text(GTK_LABEL(gtk_notebook_get_tab_label(notebook(), page))));
  }
  return out;
}

bool close_sensitive() { return gtk_widget_get_sensitive(popupmenu.close_tab_item); }

// Shows the window the way the user gets it and lets the toolkit settle.
void show_window()
{
  widget_toggle(TOGGLE_AT_START);
  wait_until([] { widget_pump(); return gtk_widget_get_mapped(mainwindow.window); }, 10.0);
  widget_pump();
}

bool tab_bar_visible()
{
  GtkWidget *page = gtk_notebook_get_nth_page(notebook(), mainwindow.current_tab);
  GtkWidget *label = gtk_notebook_get_tab_label(notebook(), page);
  return gtk_notebook_get_show_tabs(notebook()) && gtk_widget_get_mapped(label);
}

} // namespace

TEST(Tabs, LabelsCarryTheCountAtCreation)
{
  widget_build({});
  EXPECT_EQ(labels(), (std::vector<std::string>{"term 0"}));
  mainwindow_add_tab();
  mainwindow_add_tab();
  EXPECT_EQ(labels(), (std::vector<std::string>{"term 0", "term 1", "term 2"}));
  mainwindow_close_tab(mainwindow_terminal_at(1));
  EXPECT_EQ(labels(), (std::vector<std::string>{"term 0", "term 2"}));
  mainwindow_add_tab();
  EXPECT_EQ(labels(), (std::vector<std::string>{"term 0", "term 2", "term 2"}));
  EXPECT_EQ(mainwindow.tab_count, 3);
  EXPECT_EQ(mainwindow.current_tab, 2);
  EXPECT_EQ(gtk_notebook_get_current_page(notebook()), 2);
}

TEST(Tabs, LabelUsesTheConfiguredText)
{
  widget_build({{"-tl", "shell"}});
  mainwindow_add_tab();
  EXPECT_EQ(labels(), (std::vector<std::string>{"shell 0", "shell 1"}));
}

TEST(Tabs, ClosingTheLastTabReplacesIt)
{
  widget_build({});
  mainwindow_add_tab();
  EXPECT_TRUE(close_sensitive());
  mainwindow_close_tab(nullptr);
  EXPECT_FALSE(close_sensitive());
  ASSERT_EQ(pages(), 1);

  GtkWidget *old = mainwindow_terminal_at(0);
  g_object_add_weak_pointer(G_OBJECT(old), reinterpret_cast<gpointer *>(&old));
  mainwindow_close_tab(old);
  widget_pump();
  EXPECT_EQ(old, nullptr) << "the old terminal went with its tab";
  EXPECT_EQ(pages(), 1);
  EXPECT_EQ(mainwindow.tab_count, 1);
  EXPECT_EQ(mainwindow.current_tab, 0);
  EXPECT_EQ(labels(), (std::vector<std::string>{"term 0"}));
  EXPECT_TRUE(VTE_IS_TERMINAL(mainwindow_terminal_at(0)));
  EXPECT_FALSE(close_sensitive());

  mainwindow_add_tab();
  EXPECT_TRUE(close_sensitive()) << "a second tab makes Close Tab usable again";
}

struct ShowtabCase {
  const char *value;  // nullptr keeps the default
  bool one_tab, two_tabs, back_to_one;
};

void PrintTo(const ShowtabCase &c, std::ostream *os) { *os << (c.value ? c.value : "one"); }

class TabBar : public testing::TestWithParam<ShowtabCase> {};

TEST_P(TabBar, FollowsShowtab)
{
  const ShowtabCase &c = GetParam();
  widget_build(c.value ? Options{{"-st", c.value}} : Options{});
  show_window();
  EXPECT_EQ(tab_bar_visible(), c.one_tab);
  mainwindow_add_tab();
  widget_pump();
  EXPECT_EQ(tab_bar_visible(), c.two_tabs);
  mainwindow_add_tab();
  widget_pump();
  EXPECT_EQ(tab_bar_visible(), c.two_tabs);
  mainwindow_close_tab(nullptr);
  widget_pump();
  EXPECT_EQ(tab_bar_visible(), c.two_tabs) << "two tabs left";
  mainwindow_close_tab(nullptr);
  widget_pump();
  EXPECT_EQ(tab_bar_visible(), c.back_to_one);
}

INSTANTIATE_TEST_SUITE_P(Showtab, TabBar,
                         testing::Values(ShowtabCase{"never", false, false, false},
                                         ShowtabCase{nullptr, false, true, false},
                                         ShowtabCase{"always", true, true, true}),
                         [](const testing::TestParamInfo<ShowtabCase> &i) {
                           return std::string(i.param.value ? i.param.value : "one");
                         });

struct ScrollbarCase {
  const char *value;
  int children;
  int terminal_child;  // index of the terminal among the box's children
};

void PrintTo(const ScrollbarCase &c, std::ostream *os) { *os << c.value; }

class Scrollbar : public testing::TestWithParam<ScrollbarCase> {};

TEST_P(Scrollbar, TerminalIsFoundBesideIt)
{
  const ScrollbarCase &c = GetParam();
  widget_build({{"-s", c.value}});
  mainwindow_add_tab();
  show_window();
  for (int tab = 0; tab < 2; tab++) {
    GtkWidget *page = gtk_notebook_get_nth_page(notebook(), tab);
    GList *children = gtk_container_get_children(GTK_CONTAINER(page));
    ASSERT_EQ(static_cast<int>(g_list_length(children)), c.children);
    GtkWidget *terminal = mainwindow_terminal_at(tab);
    EXPECT_EQ(terminal, g_list_nth_data(children, c.terminal_child));
    ASSERT_TRUE(VTE_IS_TERMINAL(terminal));
    if (c.children == 2) {
      GtkWidget *bar = GTK_WIDGET(g_list_nth_data(children, 1 - c.terminal_child));
      ASSERT_TRUE(GTK_IS_VSCROLLBAR(bar));
      EXPECT_EQ(gtk_range_get_adjustment(GTK_RANGE(bar)),
                vte_terminal_get_adjustment(VTE_TERMINAL(terminal)));
      if (tab == mainwindow.current_tab) {
        // On screen: the scrollbar is on the side the setting names.
        const bool bar_left = bar->allocation.x < terminal->allocation.x;
        EXPECT_EQ(bar_left, c.terminal_child == 1);
      }
    }
    g_list_free(children);
  }
  EXPECT_NE(mainwindow_terminal_at(0), mainwindow_terminal_at(1));
}

INSTANTIATE_TEST_SUITE_P(Positions, Scrollbar,
                         testing::Values(ScrollbarCase{"left", 2, 1},
                                         ScrollbarCase{"right", 2, 0},
                                         ScrollbarCase{"none", 1, 0}),
                         [](const testing::TestParamInfo<ScrollbarCase> &i) {
                           return std::string(i.param.value);
                         });

TEST(Tabs, ClosingAnotherTabByTerminalKeepsTheCurrentOne)
{
  widget_build({});
  mainwindow_add_tab();
  mainwindow_add_tab();
  GtkWidget *first = mainwindow_terminal_at(0), *second = mainwindow_terminal_at(1),
            *third = mainwindow_terminal_at(2);
  ASSERT_EQ(mainwindow.current_tab, 2);

  mainwindow_close_tab(first);
  ASSERT_EQ(pages(), 2);
  EXPECT_EQ(mainwindow_terminal_at(0), second);
  EXPECT_EQ(mainwindow_terminal_at(1), third);
  EXPECT_EQ(mainwindow.current_tab, 1);
  EXPECT_EQ(mainwindow_terminal_at(mainwindow.current_tab), third);

  gtk_notebook_set_current_page(notebook(), 0);
  EXPECT_EQ(mainwindow.current_tab, 0);
  mainwindow_close_tab(third);
  ASSERT_EQ(pages(), 1);
  EXPECT_EQ(mainwindow.current_tab, 0);
  EXPECT_EQ(mainwindow_terminal_at(0), second);
}

TEST(Tabs, ClosingAForeignTerminalClosesTheCurrentTab)
{
  widget_build({});
  mainwindow_add_tab();
  mainwindow_add_tab();
  gtk_notebook_set_current_page(notebook(), 1);
  GtkWidget *first = mainwindow_terminal_at(0), *third = mainwindow_terminal_at(2);
  GtkWidget *stray = GTK_WIDGET(g_object_ref_sink(vte_terminal_new()));
  mainwindow_close_tab(stray);
  ASSERT_EQ(pages(), 2);
  EXPECT_EQ(mainwindow_terminal_at(0), first);
  EXPECT_EQ(mainwindow_terminal_at(1), third);
  EXPECT_EQ(mainwindow.current_tab, gtk_notebook_get_current_page(notebook()));
  gtk_widget_destroy(stray);
  g_object_unref(stray);
}

TEST(Tabs, CurrentTabFollowsAReorder)
{
  widget_build({});
  mainwindow_add_tab();
  mainwindow_add_tab();
  ASSERT_EQ(mainwindow.current_tab, 2);
  GtkWidget *visible = gtk_notebook_get_nth_page(notebook(), 2);
  GtkWidget *terminal = mainwindow_terminal_at(2);

  gtk_notebook_reorder_child(notebook(), visible, 0);
  EXPECT_EQ(mainwindow.current_tab, 0);
  EXPECT_EQ(mainwindow_terminal_at(mainwindow.current_tab), terminal);

  // Moving another page in front of the visible one shifts it too.
  gtk_notebook_reorder_child(notebook(), gtk_notebook_get_nth_page(notebook(), 2), 0);
  EXPECT_EQ(mainwindow.current_tab, 1);
  EXPECT_EQ(mainwindow_terminal_at(mainwindow.current_tab), terminal);

  // Closing the current tab now closes the one the user sees.
  mainwindow_close_tab(nullptr);
  for (int i = 0; i < pages(); i++)
    EXPECT_NE(mainwindow_terminal_at(i), terminal);
}
