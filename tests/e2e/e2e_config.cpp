// SPDX-License-Identifier: GPL-2.0-or-later
// A plain start under a window manager: the window is built, named and kept
// hidden, and the program stays up waiting for the hotkey.
#include "kavlor_run.h"

#include <X11/Xutil.h>

TEST(E2eConfig, StartsHiddenAndKeepsRunning)
{
  KavlorRun run;
  ASSERT_TRUE(kavlor_run_setup(&run, XSessionOptions{}));
  Proc p = kavlor_start(run.x, run.home, {"-k", "f12"});
  const Window w = kavlor_wait_window(run.x.dpy, &p);
  ASSERT_NE(w, 0u) << "ended with " << proc_exit_code(p) << ", stderr: " << proc_err(p);

  XClassHint hint = {};
  ASSERT_TRUE(XGetClassHint(run.x.dpy, w, &hint));
  EXPECT_STREQ(hint.res_name, "kavlor");
  EXPECT_STREQ(hint.res_class, "Kavlor");
  XFree(hint.res_name);
  XFree(hint.res_class);

  // Nothing may show it or end it: give either a chance to happen.
  EXPECT_FALSE(wait_until([&] { return !proc_alive(&p) || x_is_viewable(run.x.dpy, w); }, 2.0));
  EXPECT_TRUE(proc_alive(&p));
  EXPECT_FALSE(x_is_viewable(run.x.dpy, w));
  EXPECT_EQ(proc_out(p), "");

  proc_kill(&p);
  kavlor_run_stop(&run);
}
