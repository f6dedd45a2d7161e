# SPDX-License-Identifier: GPL-2.0-or-later
# Hotkey latency (key press to shown and focused, to hidden) and idle cost.
pkg_check_modules(XTST REQUIRED IMPORTED_TARGET xtst)
add_executable(bench_hotkey bench_hotkey.cpp ${CMAKE_SOURCE_DIR}/tests/support/hotkey_util.cpp)
target_link_libraries(bench_hotkey PRIVATE kv_harness PkgConfig::XTST)
