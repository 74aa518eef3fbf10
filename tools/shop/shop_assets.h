// The shop's static files (style sheet, images), compiled in from the
// client's shipped assets so that the two never drift apart.
#pragma once

#include <cstddef>
#include <string_view>

namespace zovaz::shop {

struct EmbeddedAsset {
  const char* path;  // below the assets folder, e.g. "styles/mainCompact.css"
  const unsigned char* data;
  std::size_t size;
};

// Null when no such file was compiled in.
const EmbeddedAsset* FindEmbeddedAsset(std::string_view path);

}  // namespace zovaz::shop
