# SPDX-License-Identifier: GPL-2.0-or-later
# Loading through the real program: resources, command line, action words
# and start-up checks, each run on a private X server with a private home.
kavlor_test(load_config GROUP load SPAWNS TIMEOUT 180
  SOURCES load_config.cpp ${CMAKE_SOURCE_DIR}/tests/support/config_util.cpp
  LIBS kv_e2e_main)
