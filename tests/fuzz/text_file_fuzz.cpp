// The launcher's readers of outside files against any bytes: the text reader never yields a
// line with a line break in it, and neither the settings nor the Java report reader crashes.
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "javareport.h"
#include "settings.h"
#include "textfile.h"

namespace {

const std::string& Folder() {
  static const std::string folder = [] {
    char pattern[] = "/tmp/tolvane-fuzz-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (!made) std::abort();
    const std::string path = std::string(made) + "/tools";
    if (mkdir(path.c_str(), 0700) != 0) std::abort();
    return std::string(made) + "/";
  }();
  // Registered after the folder's name, so it runs while the name still exists.
  static const bool cleanup = std::atexit([] { std::filesystem::remove_all(Folder()); }) == 0;
  (void)cleanup;
  return folder;
}

void Write(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tolvane;
  FileSystem& files = MachineFileSystem();
  const std::string settings = Folder() + "tools/config.txt";
  Write(settings, data, size);

  TextReader reader(files, Wide(settings));
  for (int lines = 0; !reader.AtEnd() && lines < 100000; ++lines) {
    if (reader.ReadLine().find_first_of(L"\r\n") != std::wstring::npos) __builtin_trap();
  }

  TMachineSettings loaded;
  LoadSettings(files, Wide(settings), loaded);

  JavaDetection detection;
  DetectJava(
      files,
      [&](const std::wstring&) {
        Write(Folder() + "tools/javaversion.txt", data, size);
        return 0;
      },
      Wide(Folder()), detection);
  return 0;
}
