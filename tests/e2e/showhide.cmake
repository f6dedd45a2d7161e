# SPDX-License-Identifier: GPL-2.0-or-later
# The drop-down seen from outside: kavlor processes under Xvfb and openbox.
pkg_check_modules(SHOWHIDE_XRANDR REQUIRED IMPORTED_TARGET xrandr)

kavlor_test(e2e_showhide GROUP e2e SPAWNS TIMEOUT 180
  SOURCES e2e_showhide.cpp ${CMAKE_SOURCE_DIR}/tests/support/showhide_util.cpp
  LIBS kv_e2e_main PkgConfig::SHOWHIDE_XRANDR PkgConfig::XINERAMA)
