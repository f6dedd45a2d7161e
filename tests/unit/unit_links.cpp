// SPDX-License-Identifier: GPL-2.0-or-later
// Links under the pointer: which URI a matched text becomes, and which
// pattern slot a match tag stands for.
#include <gtest/gtest.h>

#include "term/term.h"

#include <cstring>
#include <string>

namespace {

struct UriCase {
  int slot;
  const char *text;
  const char *uri;
};

// slot  matched text                    URI handed to the desktop
const UriCase uri_cases[] = {
  {1, "http://example.com/a?b=1",       "http://example.com/a?b=1"},
  {1, "https://example.com",            "https://example.com"},
  {1, "ftp://ftp.gnu.org/pub",          "ftp://ftp.gnu.org/pub"},
  {2, "www.example.org/path",           "http://www.example.org/path"},
  {2, "WWW.Example.org",                "http://WWW.Example.org"},
  {2, "www2.example.org",               "http://www2.example.org"},
  {2, "ftp.gnu.org/pub/gnu",            "ftp://ftp.gnu.org/pub/gnu"},
  {2, "FTP.gnu.org",                    "ftp://FTP.gnu.org"},
  {3, "someone@example.net",            "mailto:someone@example.net"},
  {3, "mailto:someone@example.net",     "mailto:someone@example.net"},
  {3, "MAILTO:someone@example.net",     "MAILTO:someone@example.net"},
  {0, "news:comp.lang.c",               "news:comp.lang.c"},
};

TEST(LinkUri, EachSlotGetsTheSchemeItLacks)
{
  for (const UriCase &c : uri_cases)
    EXPECT_EQ(term_uri_for_match(c.slot, c.text), c.uri) << "slot " << c.slot << ": " << c.text;
}

// The slot a terminal would report for `text` printed alone: the first
// pattern, in slot order, that matches all of it.
int first_slot_matching_all(const char *text)
{
  for (int slot = 0; slot < URL_PATTERN_COUNT; slot++) {
    GRegex *regex = term_state.url_regexes[slot];
    GMatchInfo *info = nullptr;
    bool whole = false;
    if (regex && g_regex_match(regex, text, static_cast<GRegexMatchFlags>(0), &info)) {
      int start, end;
      whole = g_match_info_fetch_pos(info, 0, &start, &end) && start == 0 &&
              end == static_cast<int>(strlen(text));
    }
    g_match_info_free(info);
    if (whole)
      return slot;
  }
  return -1;
}

class LinkPatterns : public testing::Test {
protected:
  void SetUp() override
  {
    term_compile_url_patterns();
  }
};

TEST_F(LinkPatterns, PrintedLinksBecomeTheUriTheUserMeant)
{
  struct { const char *text; const char *uri; } const cases[] = {
    {"http://www.example.org/docs", "http://www.example.org/docs"},
    {"www.example.org/index.html", "http://www.example.org/index.html"},
    {"ftp.gnu.org",               "ftp://ftp.gnu.org"},
    {"someone@example.net",       "mailto:someone@example.net"},
    {"mailto:someone@example.net", "mailto:someone@example.net"},
    {"news:comp.os.linux",        "news:comp.os.linux"},
  };
  for (const auto &c : cases) {
    const int slot = first_slot_matching_all(c.text);
    ASSERT_GE(slot, 0) << c.text;
    EXPECT_EQ(term_uri_for_match(slot, c.text), c.uri) << c.text;
  }
}

TEST_F(LinkPatterns, TagsNumberOnlyTheCompiledSlots)
{
  for (int tag = 0; tag < URL_PATTERN_COUNT; tag++)
    EXPECT_EQ(term_slot_for_tag(tag), tag);
  EXPECT_EQ(term_slot_for_tag(URL_PATTERN_COUNT), -1);
  EXPECT_EQ(term_slot_for_tag(-1), -1);

  // A pattern that failed to compile gets no tag: the later ones move up.
  g_regex_unref(term_state.url_regexes[1]);
  term_state.url_regexes[1] = nullptr;
  EXPECT_EQ(term_slot_for_tag(0), 0);
  EXPECT_EQ(term_slot_for_tag(1), 2);
  EXPECT_EQ(term_slot_for_tag(2), 3);
  EXPECT_EQ(term_slot_for_tag(3), -1);
}

} // namespace
