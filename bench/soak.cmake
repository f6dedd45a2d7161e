# SPDX-License-Identifier: GPL-2.0-or-later
# Memory growth and leftovers over many toggles and tab cycles.
include(${PROJECT_SOURCE_DIR}/tests/support/events_util.cmake)
pkg_check_modules(SOAK_XRANDR REQUIRED IMPORTED_TARGET xrandr)
add_executable(bench_soak bench_soak.cpp ${CMAKE_SOURCE_DIR}/tests/support/showhide_util.cpp)
target_link_libraries(bench_soak PRIVATE kv_events_util PkgConfig::SOAK_XRANDR)
add_dependencies(bench_soak kavlor)
