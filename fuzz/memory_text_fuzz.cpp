// The memory figures: the grouped digits are the kilobytes rounded half up,
// in groups of three; the load is the number and " %".
#include <cstring>

#include "core/memory_text.h"
#include "fuzz_support.h"

using namespace zovaz;
using zovaz::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::uint64_t bytes = 0;
  std::memcpy(&bytes, data, std::min(size, sizeof bytes));
  std::string separator;
  for (size_t i = sizeof bytes; i < size && separator.size() < 4; ++i)
    if (data[i] < '0' || data[i] > '9') separator += static_cast<char>(data[i]);

  const unsigned __int128 kilobytes = (static_cast<unsigned __int128>(bytes) + 512) / 1024;
  std::string digits;
  for (unsigned __int128 k = kilobytes; digits.empty() || k > 0; k /= 10)
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(k % 10)));

  const std::string text = FormatKilobytes(bytes, separator);
  Check(text.size() > 3 && text.compare(text.size() - 3, 3, " kB") == 0, "ends in \" kB\"");
  // Built from the right, three digits at a time.
  std::string expected;
  for (size_t end = digits.size(); end > 0; end = end > 3 ? end - 3 : 0) {
    const size_t start = end > 3 ? end - 3 : 0;
    expected = digits.substr(start, end - start) + (expected.empty() ? "" : separator) + expected;
  }
  Check(text == expected + " kB", "the digits are grouped in threes from the right");

  int percent = static_cast<int>(bytes);
  Check(FormatMemoryLoad(percent) == std::to_string(percent) + " %",
        "the load is the number and \" %\"");
  return 0;
}
