// SPDX-License-Identifier: GPL-2.0-or-later
// The window-manager and compositor matrices: each row names the checks it
// cannot make, with the reason, and every outcome goes into one result line
// that the test prints.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

struct CheckNote {
  char check;
  const char *reason;
};

// False for a check the row makes impossible; the result line says why.
inline bool matrix_applies(std::string *results, const std::vector<CheckNote> &not_applicable,
                           char check)
{
  for (const CheckNote &na : not_applicable)
    if (na.check == check) {
      *results += std::string(" ") + check + "=n/a(" + na.reason + ")";
      return false;
    }
  return true;
}

// Records the outcome of one check.
inline void matrix_record(std::string *results, char check, bool ok, const std::string &what)
{
  EXPECT_TRUE(ok) << "(" << check << ") " << what;
  *results += std::string(" ") + check + "=" + (ok ? "pass" : "FAIL");
}
