# SPDX-License-Identifier: GPL-2.0-or-later
# Tabs and the show/hide toggle, driven in-process.
set(SHOWHIDE_PRODUCT_LIBS kv_core)

kavlor_test(widget_tabs GROUP widget
  SOURCES widget_tabs.cpp
  LIBS kv_widget_main ${SHOWHIDE_PRODUCT_LIBS})

pkg_check_modules(SHOWHIDE_XRANDR REQUIRED IMPORTED_TARGET xrandr)
kavlor_test(widget_showhide GROUP widget
  SOURCES widget_showhide.cpp ${CMAKE_SOURCE_DIR}/tests/support/showhide_util.cpp
  LIBS kv_widget_main ${SHOWHIDE_PRODUCT_LIBS} PkgConfig::SHOWHIDE_XRANDR)
