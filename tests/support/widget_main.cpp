// SPDX-License-Identifier: GPL-2.0-or-later
// main() of the in-process widget tests: a private X server with a window
// manager comes up before the toolkit, and goes when the tests are done.
#include "harness.h"

#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>

namespace {

// A hotkey listener keeps reading its connection until the process ends, so
// it sees the server go away after the tests and Xlib would exit(1) from
// there: that exit carries the tests' result instead.
int tests_result = 1;

int exit_with_result(Display *)
{
  fflush(stdout);
  _exit(tests_result);
}

} // namespace

int main(int argc, char **argv)
{
  const bool listing = harness_listing_only(argc, argv);
  if (!listing)
    harness_isolate_pids(argc, argv);  // an X server of its own, out of others' reach
  testing::InitGoogleTest(&argc, argv);
  if (listing)
    return RUN_ALL_TESTS();
  XSession session;
  if (!xsession_start(&session))
    return 1;
  setenv("DISPLAY", session.display.c_str(), 1);
  gdk_threads_init();
  gtk_init(&argc, &argv);
  tests_result = RUN_ALL_TESTS();
  XSetIOErrorHandler(exit_with_result);
  xsession_stop(&session);
  return tests_result;
}
