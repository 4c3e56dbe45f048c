// A temporary folder for one test, removed with everything in it when the test ends. Files are
// written and read as raw bytes; paths are handed to the launcher's code as wide texts.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>

namespace tolvane::test {

class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tolvane-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    root_ = pattern;
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }

  // The folder's path with a trailing separator, as the kit's AppDir has one.
  std::wstring Dir() const { return Wide(root_.string() + "/"); }
  std::wstring Path(const std::string& name) const { return Wide((root_ / name).string()); }

  void Write(const std::string& name, const std::string& bytes) const {
    std::filesystem::create_directories((root_ / name).parent_path());
    std::ofstream out(root_ / name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("can not write " + name);
  }

  std::string Read(const std::string& name) const {
    std::ifstream in(root_ / name, std::ios::binary);
    if (!in) throw std::runtime_error("can not read " + name);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  bool Has(const std::string& name) const { return std::filesystem::exists(root_ / name); }

  // The names of the entries directly in `folder` (relative to the root).
  std::set<std::string> Entries(const std::string& folder = ".") const {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(root_ / folder)) {
      names.insert(entry.path().filename().string());
    }
    return names;
  }

 private:
  // Test paths are ASCII.
  static std::wstring Wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());
  }

  std::filesystem::path root_;
};

}  // namespace tolvane::test
