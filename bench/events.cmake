# SPDX-License-Identifier: GPL-2.0-or-later
# New tab to a shell prompt, and output throughput beside a plain terminal.
include(${PROJECT_SOURCE_DIR}/tests/support/events_util.cmake)

# The comparison window; not named bench_*, so the runner leaves it alone.
add_executable(plainvte_window plainvte_window.cpp)
target_link_libraries(plainvte_window PRIVATE PkgConfig::VTE PkgConfig::GTK2)

add_executable(bench_events bench_events.cpp)
target_link_libraries(bench_events PRIVATE kv_events_util)
target_compile_definitions(bench_events PRIVATE
  PLAINVTE_WINDOW="$<TARGET_FILE:plainvte_window>")
add_dependencies(bench_events plainvte_window kavlor)
