# SPDX-License-Identifier: GPL-2.0-or-later
# kavlor under pressure: toggle storms while shells end, request floods,
# sizes beyond what X can show.
include(${PROJECT_SOURCE_DIR}/tests/support/events_util.cmake)
pkg_check_modules(ROBUST_XRANDR REQUIRED IMPORTED_TARGET xrandr)

kavlor_test(e2e_robust GROUP e2e SPAWNS TIMEOUT 180
  SOURCES e2e_robust.cpp ${CMAKE_SOURCE_DIR}/tests/support/showhide_util.cpp
  LIBS kv_e2e_main kv_events_util PkgConfig::ROBUST_XRANDR)
