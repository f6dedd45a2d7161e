# SPDX-License-Identifier: GPL-2.0-or-later
# A start under openbox: the window exists, hidden, and the program stays up.
kavlor_test(e2e_config GROUP e2e SPAWNS
  SOURCES e2e_config.cpp ${CMAKE_SOURCE_DIR}/tests/support/config_util.cpp
  LIBS kv_e2e_main)
