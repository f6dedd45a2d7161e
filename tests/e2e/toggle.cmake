# SPDX-License-Identifier: GPL-2.0-or-later
# "--toggle" between processes: racing starts, early requests, look-alikes.
kavlor_test(e2e_toggle GROUP e2e SPAWNS TIMEOUT 300
  SOURCES e2e_toggle.cpp ${CMAKE_SOURCE_DIR}/tests/support/showhide_util.cpp
  LIBS kv_e2e_main PkgConfig::SHOWHIDE_XRANDR PkgConfig::XINERAMA)
