// SPDX-License-Identifier: GPL-2.0-or-later
// main() of the tests that run kavlor processes: each test binary sees only
// its own instances when run as root (see harness_isolate_pids). Without
// root the tests rely on running one at a time (a lock in CTest).
#include "harness.h"

int main(int argc, char **argv)
{
  if (!harness_listing_only(argc, argv))
    harness_isolate_pids(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
