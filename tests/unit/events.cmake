# SPDX-License-Identifier: GPL-2.0-or-later
kavlor_test(unit_links GROUP unit SOURCES unit_links.cpp LIBS kv_core)
