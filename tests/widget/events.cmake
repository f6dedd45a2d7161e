# SPDX-License-Identifier: GPL-2.0-or-later
include(${PROJECT_SOURCE_DIR}/tests/support/events_util.cmake)

foreach(t widget_popupmenu widget_accel widget_tabbar widget_term_events)
  kavlor_test(${t} GROUP widget SOURCES ${t}.cpp
    LIBS kv_widget_main kv_events_util kv_core)
endforeach()
