// SPDX-License-Identifier: GPL-2.0-or-later
#include "harness.h"
#include <gtest/gtest.h>
TEST(Harness, StartsXAndWindowManager)
{
  XSession s;
  ASSERT_TRUE(xsession_start(&s));
  EXPECT_NE(s.dpy, nullptr);
  xsession_stop(&s);
}
