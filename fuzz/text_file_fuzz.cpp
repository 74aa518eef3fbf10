// Text files: the reader keeps to the line rules, joined lines split back
// into the same lines, and a file written atomically reads back whole.
#include "core/text_file.h"
#include "fuzz_support.h"

using namespace zovaz;
using zovaz::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> model = fuzz::ModelLines(bytes);
  Check(SplitTextLines(bytes) == model, "lines follow the line rules");

  TextReader reader(bytes);
  for (size_t i = 0; i < model.size(); ++i) reader.ReadLine();
  Check(reader.AtEnd() && reader.ReadLine().empty(), "past the end, lines are empty");

  // Any line without LF or 0x1A survives being written and read again.
  std::vector<std::string> lines = model;
  for (std::string& line : lines)
    std::erase_if(line, [](char c) { return c == '\n' || c == '\x1A'; });
  const std::string joined = JoinTextLines(lines);
  Check(SplitTextLines(joined) == lines, "written lines read back the same");

  const std::string path = fuzz::ScratchDir() + "/file.txt";
  WriteFileAtomically(path, bytes);
  Check(ReadFileBytes(path) == bytes, "a written file reads back byte for byte");
  return 0;
}
