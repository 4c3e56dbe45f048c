#include "test_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace tolvane::peers {

TestFolder::TestFolder() {
  std::string pattern = "/tmp/tolvane-peers-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
  chmod(path_.c_str(), 0755);
}

TestFolder::~TestFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string TestFolder::MakeFolder(const std::string& name, unsigned mode) const {
  const std::string folder = *this / name;
  std::filesystem::create_directories(folder);
  // Set after creation: the process's umask would take bits away from mkdir's mode.
  chmod(folder.c_str(), static_cast<mode_t>(mode));
  return folder;
}

std::string TestFolder::Write(const std::string& name, const std::string& contents) const {
  const std::string file = *this / name;
  std::ofstream(file, std::ios::binary) << contents;
  chmod(file.c_str(), 0644);
  return file;
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream contents;
  contents << file.rdbuf();
  return contents.str();
}

}  // namespace tolvane::peers
