# SPDX-License-Identifier: GPL-2.0-or-later
# Support code of the terminal-events tests and benchmark, shared by the
# group files that include this one.
include_guard(GLOBAL)
add_library(kv_events_util STATIC ${CMAKE_CURRENT_LIST_DIR}/events_util.cpp)
target_include_directories(kv_events_util PUBLIC ${CMAKE_CURRENT_LIST_DIR})
find_library(KV_XTST_LIB Xtst REQUIRED)
target_link_libraries(kv_events_util PUBLIC kv_harness kv_widget_util kv_core
  ${KV_XTST_LIB} PkgConfig::GTK2)
