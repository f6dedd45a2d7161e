// SPDX-License-Identifier: GPL-2.0-or-later
// libFuzzer target for settings_apply_option. The input is split at line
// feeds into name, value, name, value, ... and the pairs are applied in
// order to a record reset to the defaults, so options can meet each other.
#include "config/config.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

Settings pristine;
constexpr size_t MAX_PAIRS = 16;

// Heap buffers of the exact size, so the sanitizer sees any write past the
// end of a string the parser rewrites in place.
std::unique_ptr<char[]> piece(const uint8_t *data, size_t size)
{
  std::unique_ptr<char[]> s(new char[size + 1]);
  memcpy(s.get(), data, size);
  s[size] = '\0';
  return s;
}

void check_text(const char (&field)[SETTINGS_TEXT_SIZE])
{
  if (memchr(field, '\0', sizeof field) == nullptr)
    abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
  settings_defaults();
  pristine = settings;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
  std::vector<std::unique_ptr<char[]>> pieces;
  size_t start = 0;
  for (size_t i = 0; i <= size && pieces.size() < 2 * MAX_PAIRS; i++)
    if (i == size || data[i] == '\n') {
      pieces.push_back(piece(data + start, i - start));
      start = i + 1;
    }

  settings = pristine;
  size_t pairs = 0;
  for (; 2 * pairs + 1 < pieces.size(); pairs++)
    settings_apply_option(pieces[2 * pairs].get(), pieces[2 * pairs + 1].get());

  check_text(settings.font);
  check_text(settings.bgimage);
  check_text(settings.shell);
  check_text(settings.emulation);
  check_text(settings.tablabel);
  // Each option counts at most once; no option starts the window shown.
  if (settings.palette_count < 0 || static_cast<size_t>(settings.palette_count) > pairs)
    abort();
  if (settings.start_toggled != pristine.start_toggled)
    abort();
  return 0;
}
