# SPDX-License-Identifier: GPL-2.0-or-later
# The X error handler and the hotkey grabs, in-process.
kavlor_test(widget_xerror GROUP widget
  SOURCES widget_xerror.cpp ${CMAKE_SOURCE_DIR}/tests/support/hotkey_util.cpp
  LIBS kv_widget_main kv_core)

kavlor_test(widget_hotkey GROUP widget
  SOURCES widget_hotkey.cpp
  LIBS kv_widget_main kv_core)
