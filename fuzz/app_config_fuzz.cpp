// app.cfg: any four values without a line break round-trip through the
// file, which is readable by its owner only; any file reads as its first
// four lines.
#include <sys/stat.h>

#include "core/app_config.h"
#include "core/text_file.h"
#include "fuzz_support.h"

using namespace zovaz;
using zovaz::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> values = fuzz::Fields(data, size, 4);
  for (std::string& value : values)
    std::erase_if(value, [](char c) { return c == '\n' || c == '\x1A'; });
  const AppConfig config{values[0], values[1], values[2], values[3]};
  const std::string path = fuzz::ScratchDir() + "/app.cfg";
  Check(WriteAppConfig(path, config), "the file can be written");
  const AppConfig back = ReadAppConfig(path);
  Check(back.serverUrl == config.serverUrl && back.userName == config.userName &&
            back.passwordHash == config.passwordHash && back.autoLogin == config.autoLogin,
        "the four values read back the same");
  struct stat st {};
  Check(::stat(path.c_str(), &st) == 0 && (st.st_mode & 0777) == 0600, "the file is mode 0600");

  const std::string raw(reinterpret_cast<const char*>(data), size);
  WriteFileAtomically(path, raw, 0600, true);
  std::vector<std::string> lines = fuzz::ModelLines(raw);
  lines.resize(4);
  const AppConfig read = ReadAppConfig(path);
  Check(read.serverUrl == lines[0] && read.userName == lines[1] && read.passwordHash == lines[2] &&
            read.autoLogin == lines[3],
        "any file reads as its first four lines");
  return 0;
}
