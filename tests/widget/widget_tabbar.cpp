// SPDX-License-Identifier: GPL-2.0-or-later
// The tab bar under the pointer: which tab a point falls on, and what
// presses on the bar do.
#include "input.h"
#include "widget_util.h"

#include "config/config.h"
#include "mainwindow/mainwindow.h"
#include "popupmenu/popupmenu.h"

#include <string>
#include <vector>
#include <X11/Xlib.h>

namespace {

GtkNotebook *notebook() { return GTK_NOTEBOOK(mainwindow.notebook); }

GtkWidget *label_of(int index)
{
  return gtk_notebook_get_tab_label(notebook(), gtk_notebook_get_nth_page(notebook(), index));
}

// A shown window with `count` tabs and the bar always visible.
void build_bar(int count, const WidgetOptions &options)
{
  WidgetOptions all = {{"-st", "always"}};
  all.insert(all.end(), options.begin(), options.end());
  widget_build_no_autohide(all);
  while (mainwindow.tab_count < count)
    mainwindow_add_tab();
  ASSERT_TRUE(widget_show());
  ASSERT_TRUE(widget_pump_until([&] {
    for (int i = 0; i < count; i++)
      if (!gtk_widget_get_mapped(label_of(i)))
        return false;
    return true;
  })) << "tab labels not on screen";
}

int tab_at(int x, int y) { return mainwindow_tab_at_xy(notebook(), x, y); }

class Bar : public testing::TestWithParam<const char *> {
protected:
  bool horizontal() const { return std::string(GetParam()) == "top" || std::string(GetParam()) == "bottom"; }
};

TEST_P(Bar, OnlyTheFarEdgeAlongTheBarDecides)
{
  build_bar(3, {{"-tp", GetParam()}});
  const GtkAllocation first = label_of(0)->allocation, last = label_of(2)->allocation;
  for (int i = 0; i < 3; i++) {
    const GtkAllocation a = label_of(i)->allocation;
    const int cx = a.x + a.width / 2, cy = a.y + a.height / 2;
    // The other coordinate plays no part, however far off it is.
    if (horizontal()) {
      EXPECT_EQ(tab_at(cx, cy), i);
      EXPECT_EQ(tab_at(cx, -5000), i);
      EXPECT_EQ(tab_at(cx, 5000), i);
      EXPECT_EQ(tab_at(a.x + a.width, cy), i) << "the far edge belongs to the tab";
    } else {
      EXPECT_EQ(tab_at(cx, cy), i);
      EXPECT_EQ(tab_at(-5000, cy), i);
      EXPECT_EQ(tab_at(5000, cy), i);
      EXPECT_EQ(tab_at(cx, a.y + a.height), i) << "the far edge belongs to the tab";
    }
  }
  if (horizontal()) {
    EXPECT_EQ(tab_at(first.x - 20, first.y), 0) << "before the first tab";
    EXPECT_EQ(tab_at(last.x + last.width + 1, last.y), -1) << "beyond the last tab";
  } else {
    EXPECT_EQ(tab_at(first.x, first.y - 20), 0) << "before the first tab";
    EXPECT_EQ(tab_at(last.x, last.y + last.height + 1), -1) << "beyond the last tab";
  }
}

INSTANTIATE_TEST_SUITE_P(Positions, Bar, testing::Values("top", "bottom", "left", "right"),
                         [](const testing::TestParamInfo<const char *> &info) {
                           return std::string(info.param);
                         });

TEST(TabAt, LabelsScrolledOutOfTheBarAreNeverHit)
{
  // A narrow window holds only a few of the tabs; the bar scrolls.
  widget_build_no_autohide({{"-st", "always"}, {"-w", "300"}});
  for (int i = 1; i < 12; i++)
    mainwindow_add_tab();
  ASSERT_TRUE(widget_show());
  // Bring the first tab into view, remember where its label lay, then let
  // the bar scroll to the last tab.
  gtk_notebook_set_current_page(notebook(), 0);
  ASSERT_TRUE(widget_pump_until([] { return gtk_widget_get_mapped(label_of(0)); }));
  gtk_notebook_set_current_page(notebook(), 11);
  ASSERT_TRUE(widget_pump_until([] {
    return gtk_widget_get_mapped(label_of(11)) && !gtk_widget_get_mapped(label_of(0));
  }));
  int unmapped = 0;
  for (int i = 0; i < 12; i++) {
    GtkWidget *label = label_of(i);
    if (gtk_widget_get_mapped(label))
      continue;
    unmapped++;
    const GtkAllocation a = label->allocation;
    const int hit = tab_at(a.x + a.width / 2, a.y + a.height / 2);
    EXPECT_NE(hit, i);
    if (hit >= 0) {
      EXPECT_TRUE(gtk_widget_get_mapped(label_of(hit))) << "tab " << hit;
    }
  }
  EXPECT_GT(unmapped, 0);
}

struct LogCatch {
  std::vector<std::string> criticals;
  guint handler;
  LogCatch()
  {
    handler = g_log_set_handler(nullptr, G_LOG_LEVEL_CRITICAL, [](const gchar *, GLogLevelFlags,
                                                                  const gchar *message, gpointer data) {
      static_cast<LogCatch *>(data)->criticals.push_back(message);
    }, this);
  }
  ~LogCatch() { g_log_remove_handler(nullptr, handler); }
};

TEST(TabAt, EmptyBarAndAPageWithoutLabel)
{
  widget_build_no_autohide({});
  GtkNotebook *nb = GTK_NOTEBOOK(gtk_notebook_new());
  g_object_ref_sink(nb);
  EXPECT_EQ(mainwindow_tab_at_xy(nb, 0, 0), -1);

  // Without a shown bar the notebook makes no label of its own.
  gtk_notebook_set_show_tabs(nb, FALSE);
  GtkWidget *bare = gtk_label_new("bare");
  gtk_notebook_append_page(nb, bare, nullptr);
  gtk_notebook_set_tab_label(nb, bare, nullptr);
  gtk_notebook_append_page(nb, gtk_label_new("second"), gtk_label_new("tab"));
  ASSERT_EQ(gtk_notebook_get_tab_label(nb, bare), nullptr);
  LogCatch log;
  EXPECT_EQ(mainwindow_tab_at_xy(nb, 0, 0), -1);
  ASSERT_EQ(log.criticals.size(), 1u);
  EXPECT_NE(log.criticals[0].find("mainwindow_tab_at_xy"), std::string::npos) << log.criticals[0];
  EXPECT_NE(log.criticals[0].find("screen != NULL"), std::string::npos) << log.criticals[0];
  g_object_unref(nb);
}

// ---- presses on the bar, as the X server delivers them --------------------

class Presses : public testing::Test {
protected:
  Display *dpy = nullptr;
  void SetUp() override
  {
    dpy = XOpenDisplay(nullptr);
    ASSERT_NE(dpy, nullptr);
  }
  void TearDown() override
  {
    if (popupmenu.popup_menu && gtk_widget_get_mapped(popupmenu.popup_menu))
      gtk_menu_shell_cancel(GTK_MENU_SHELL(popupmenu.popup_menu));
    widget_pump();
    XCloseDisplay(dpy);
  }
  // Root coordinates of a point of a label's allocation.
  void at_label(int index, int dx, int *x, int *y)
  {
    GtkWidget *label = label_of(index);
    gdk_window_get_origin(label->window, x, y);
    *x += label->allocation.x + dx;
    *y += label->allocation.y + label->allocation.height / 2;
  }
  void beside_last(int *x, int *y)
  {
    at_label(mainwindow.tab_count - 1, label_of(mainwindow.tab_count - 1)->allocation.width + 60, x, y);
  }
};

bool menu_up() { return popupmenu.popup_open == 1 && gtk_widget_get_mapped(popupmenu.popup_menu); }

TEST_F(Presses, DoubleClickBesideTheTabsAddsOne)
{
  build_bar(2, {});
  int x, y;
  beside_last(&x, &y);
  input_click(dpy, x, y, 1, 2);
  EXPECT_TRUE(widget_pump_until([] { return mainwindow.tab_count == 3; }));
  EXPECT_EQ(gtk_notebook_get_n_pages(notebook()), 3);
}

TEST_F(Presses, DoubleClickOnATabSelectsItAndAddsNone)
{
  build_bar(3, {});
  ASSERT_EQ(mainwindow.current_tab, 2);
  int x, y;
  at_label(0, label_of(0)->allocation.width / 2, &x, &y);
  input_click(dpy, x, y, 1, 2);
  EXPECT_TRUE(widget_pump_until([] { return mainwindow.current_tab == 0; }));
  // A right click after it is the probe: once its menu is up, the double
  // click before it has been handled in full.
  beside_last(&x, &y);
  input_click(dpy, x, y, 3);
  ASSERT_TRUE(widget_pump_until(menu_up));
  EXPECT_EQ(mainwindow.tab_count, 3);
  EXPECT_EQ(mainwindow.current_tab, 0);
}

TEST_F(Presses, RightClickOnATabSelectsItAndOpensTheMenu)
{
  build_bar(3, {});
  int x, y;
  at_label(0, label_of(0)->allocation.width / 2, &x, &y);
  input_click(dpy, x, y, 3);
  EXPECT_TRUE(widget_pump_until(menu_up));
  EXPECT_EQ(mainwindow.current_tab, 0);
  EXPECT_EQ(gtk_notebook_get_current_page(notebook()), 0);
  EXPECT_EQ(mainwindow.tab_count, 3);
}

TEST_F(Presses, RightClickBesideTheTabsOpensTheMenuAndKeepsTheTab)
{
  build_bar(3, {});
  gtk_notebook_set_current_page(notebook(), 1);
  widget_pump();
  int x, y;
  beside_last(&x, &y);
  input_click(dpy, x, y, 3);
  EXPECT_TRUE(widget_pump_until(menu_up));
  EXPECT_EQ(mainwindow.current_tab, 1);
  EXPECT_EQ(mainwindow.tab_count, 3);
}

TEST_F(Presses, DoubleRightPressBesideTheTabsAddsATabAndOpensTheMenu)
{
  build_bar(2, {});
  // A real second right press would go to the menu the first one opened:
  // the double press event is handed to the notebook directly.
  GtkWidget *last = label_of(1);
  GdkEvent *event = gdk_event_new(GDK_2BUTTON_PRESS);
  event->button.window = GDK_WINDOW(g_object_ref(mainwindow.notebook->window));
  event->button.time = GDK_CURRENT_TIME;
  event->button.x = last->allocation.x + last->allocation.width + 60;
  event->button.y = last->allocation.y + 2;
  event->button.button = 3;
  event->button.device = gdk_device_get_core_pointer();
  gtk_widget_event(mainwindow.notebook, event);
  gdk_event_free(event);
  EXPECT_EQ(mainwindow.tab_count, 3);
  EXPECT_TRUE(widget_pump_until(menu_up));
}

} // namespace
