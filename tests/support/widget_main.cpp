// main() of the in-process widget tests: a private X server with a window
// manager comes up before the toolkit, and goes when the tests are done.
#include "harness.h"

#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <gtk/gtk.h>

int main(int argc, char **argv)
{
  bool listing = false;
  for (int i = 1; i < argc; i++)
    if (strcmp(argv[i], "--gtest_list_tests") == 0)
      listing = true;
  testing::InitGoogleTest(&argc, argv);
  if (listing)
    return RUN_ALL_TESTS();
  XSession session;
  if (!xsession_start(&session))
    return 1;
  setenv("DISPLAY", session.display.c_str(), 1);
  gdk_threads_init();
  gtk_init(&argc, &argv);
  const int rc = RUN_ALL_TESTS();
  xsession_stop(&session);
  return rc;
}
