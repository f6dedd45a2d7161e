# SPDX-License-Identifier: GPL-2.0-or-later
# Show/hide latency, start-up and memory of kavlor beside a bare window of
# the toolkit (the floor), then its idle CPU, under Xvfb.
pkg_check_modules(SHOWHIDE_XRANDR REQUIRED IMPORTED_TARGET xrandr)
pkg_check_modules(SHOWHIDE_XTST REQUIRED IMPORTED_TARGET xtst)

# The floor; not named bench_*, so the runner leaves it alone.
add_executable(floor_window floor_window.cpp)
target_link_libraries(floor_window PRIVATE PkgConfig::VTE PkgConfig::GTK2)

add_executable(bench_showhide bench_showhide.cpp
  ${CMAKE_SOURCE_DIR}/tests/support/showhide_util.cpp
  ${CMAKE_SOURCE_DIR}/tests/support/hotkey_util.cpp)
target_include_directories(bench_showhide PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
target_link_libraries(bench_showhide PRIVATE kv_harness PkgConfig::SHOWHIDE_XRANDR
  PkgConfig::XINERAMA PkgConfig::SHOWHIDE_XTST)
target_compile_definitions(bench_showhide PRIVATE FLOOR_WINDOW="$<TARGET_FILE:floor_window>")
add_dependencies(bench_showhide floor_window kavlor)
