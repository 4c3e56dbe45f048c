// A throw-away folder for one test's servers: configuration, documents, logs, pid files.
#pragma once

#include <string>

namespace tolvane::peers {

class TestFolder {
 public:
  // A new folder under /tmp, searchable by everyone: the web servers' workers run as www-data
  // when the tests run as root, and must reach the documents inside.
  TestFolder();
  ~TestFolder();
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;

  const std::string& path() const { return path_; }
  // path() + "/" + name
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  // Creates a sub-folder with the given permissions.
  std::string MakeFolder(const std::string& name, unsigned mode = 0755) const;
  std::string Write(const std::string& name, const std::string& contents) const;

 private:
  std::string path_;
};

std::string ReadFile(const std::string& path);

}  // namespace tolvane::peers
