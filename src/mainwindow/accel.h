// SPDX-License-Identifier: GPL-2.0-or-later
// The window's keyboard accelerators, for the code that connects them and
// for the manual, which lists them.
#pragma once

#include <glib-object.h>

#include <span>

constexpr int KEYMOD = -1;  // stands for the keymod setting

struct Accelerator {
  guint keyval;
  int modifiers;
  GCallback handler;
  int data;
  const char *what;  // for the manual; "" continues the row above
};

extern const std::span<const Accelerator> mainwindow_accelerators;
