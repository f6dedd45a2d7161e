# SPDX-License-Identifier: GPL-2.0-or-later
# Writes OUT from IN with the installation paths under PREFIX filled in.
# Run for the build tree and again at install time, so that
# `cmake --install --prefix` gives files that name where they are.
#   cmake -DIN=... -DOUT=... -DPREFIX=... -DBINDIR=... -DDATADIR=... -DDOCDIR=... -P paths.cmake
foreach(dir BINDIR DATADIR DOCDIR)
  if(IS_ABSOLUTE "${${dir}}")
    set(KAVLOR_${dir} "${${dir}}")
  else()
    set(KAVLOR_${dir} "${PREFIX}/${${dir}}")
  endif()
endforeach()
configure_file("${IN}" "${OUT}" @ONLY)
