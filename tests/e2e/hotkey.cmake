# SPDX-License-Identifier: GPL-2.0-or-later
# The global hotkey, driven from outside with xdotool.
kavlor_test(e2e_hotkey GROUP e2e SPAWNS TIMEOUT 180
  SOURCES e2e_hotkey.cpp ${CMAKE_SOURCE_DIR}/tests/support/hotkey_util.cpp
  LIBS kv_e2e_main)
