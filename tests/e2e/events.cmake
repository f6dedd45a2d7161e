# SPDX-License-Identifier: GPL-2.0-or-later
include(${PROJECT_SOURCE_DIR}/tests/support/events_util.cmake)

kavlor_test(e2e_events GROUP e2e SPAWNS SOURCES e2e_events.cpp
  LIBS kv_e2e_main kv_events_util)
