// The Windows suite's entry. The default-browser cases register this very
// program as the browser: started that way (ZOVAZ_RECORD_ARGUMENTS names a
// file), it writes down the arguments it was given, one a line, and ends
// instead of running the suite.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

std::string Utf8(const wchar_t* text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(size > 0 ? size - 1 : 0, '\0');
  if (size > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
  return out;
}

// Whole or not at all: the waiting case reads the file as soon as it exists.
int RecordArguments(const std::wstring& file, int argc, wchar_t** argv) {
  const std::wstring partial = file + L".partial";
  {
    std::ofstream out(std::filesystem::path(partial), std::ios::binary | std::ios::trunc);
    for (int i = 1; i < argc; ++i) out << Utf8(argv[i]) << "\n";
    if (!out) return 1;
  }
  return MoveFileExW(partial.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (const wchar_t* record = _wgetenv(L"ZOVAZ_RECORD_ARGUMENTS"); record != nullptr && *record)
    return RecordArguments(record, argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
