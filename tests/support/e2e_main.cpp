// main() of the tests that run kavlor processes. "kavlor --toggle" counts
// and signals every process of that name, so as root each test binary runs
// in a PID namespace of its own, where it sees only its own instances.
// Without root the tests rely on running one at a time (a lock in CTest).
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <unistd.h>
#include <vector>

int main(int argc, char **argv)
{
  bool listing = false;
  for (int i = 1; i < argc; i++)
    if (strcmp(argv[i], "--gtest_list_tests") == 0)
      listing = true;
  if (!listing && geteuid() == 0 && !getenv("KV_PIDNS") && access("/usr/bin/unshare", X_OK) == 0) {
    setenv("KV_PIDNS", "1", 1);
    std::vector<char *> args = {const_cast<char *>("unshare"), const_cast<char *>("--pid"),
                                const_cast<char *>("--fork"), const_cast<char *>("--mount-proc"),
                                const_cast<char *>("--kill-child")};
    for (int i = 0; i < argc; i++)
      args.push_back(argv[i]);
    args.push_back(nullptr);
    execv("/usr/bin/unshare", args.data());
    // Fall through and run unisolated if unshare could not start.
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
