# SPDX-License-Identifier: GPL-2.0-or-later
# The drop-down on Wayland compositors through XWayland, one test per
# compositor; each binary has a PID, mount and network namespace of its
# own, so its --toggle sees only its own instance.
kavlor_test(e2e_wayland GROUP wayland TIMEOUT 150
  SOURCES e2e_wayland.cpp
  LIBS kv_e2e_main)
