// The shape of the temporary files the atomic write makes and the start-up
// tidy removes: ".<name>.zovaz-tmp-" and six letters or digits.
#pragma once

#include <cstddef>

namespace zovaz {

// Only the atomic write makes names of this shape: a dot (hidden), the
// target's own name, the marker and six random characters. The tidy at
// start-up removes exactly that shape, so no file of the customer's is ever
// taken for a leftover.
inline constexpr char kTemporaryMarker[] = ".zovaz-tmp-";
inline constexpr std::size_t kRandomLength = 6;

}  // namespace zovaz
