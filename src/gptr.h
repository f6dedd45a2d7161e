// SPDX-License-Identifier: GPL-2.0-or-later
// Owning pointers for GLib temporaries.
#pragma once

#include <glib.h>
#include <memory>

struct GFreeDeleter { void operator()(gpointer p) const { g_free(p); } };
struct GStrvDeleter { void operator()(gchar **v) const { g_strfreev(v); } };

using GCharPtr = std::unique_ptr<gchar, GFreeDeleter>;
using GStrvPtr = std::unique_ptr<gchar *, GStrvDeleter>;
