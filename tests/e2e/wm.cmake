# SPDX-License-Identifier: GPL-2.0-or-later
# The drop-down under each window manager of the matrix, one test per
# manager so that they run in parallel. Keys come through XTest, never
# --toggle, and each binary has a PID namespace of its own: no lock.
kavlor_test(e2e_wm GROUP wm TIMEOUT 150
  SOURCES e2e_wm.cpp ${CMAKE_SOURCE_DIR}/tests/support/hotkey_util.cpp
  LIBS kv_e2e_main)
