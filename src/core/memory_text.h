// How the About dialog writes the machine's memory figures.
#pragma once

#include <cstdint>
#include <string>

namespace zovaz {

// `bytes` in whole kilobytes of 1024 bytes, half a kilobyte rounded up,
// with the digits grouped in threes by `thousandsSeparator` (none when it is
// empty) and followed by " kB": 8,356,036,608 bytes with "," is
// "8,160,192 kB".
std::string FormatKilobytes(std::uint64_t bytes, const std::string& thousandsSeparator);

// The share of memory in use as a bare number, a space and "%": "42 %".
std::string FormatMemoryLoad(int percent);

}  // namespace zovaz
