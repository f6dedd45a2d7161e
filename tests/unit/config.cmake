# SPDX-License-Identifier: GPL-2.0-or-later
# Settings record, option parser and geometry arithmetic: no X server needed.
kavlor_test(unit_config GROUP unit
  SOURCES config_parser.cpp config_options.cpp config_settings.cpp config_geometry.cpp
  LIBS kv_config)
