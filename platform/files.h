// File access for the launcher's two text files (settings, Java report). Every failure throws
// IoError carrying the platform's error number; the callers decide what to swallow.
#pragma once

#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>

namespace tolvane {

class IoError : public std::runtime_error {
 public:
  IoError(int code, const std::string& what) : std::runtime_error(what), code_(code) {}
  int code() const { return code_; }

 private:
  int code_;
};

class InputFile {
 public:
  virtual ~InputFile() = default;
  // Reads up to `size` bytes; 0 means the end of the file.
  virtual std::size_t Read(char* buffer, std::size_t size) = 0;
};

class OutputFile {
 public:
  virtual ~OutputFile() = default;
  virtual void Write(const char* data, std::size_t size) = 0;
  // Flushes to the disk and closes; a file not committed is closed without the flush.
  virtual void Commit() = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Opens an existing file for reading, sharing it for reading only: a file another handle holds
  // open for writing can not be opened.
  virtual std::unique_ptr<InputFile> OpenRead(const std::wstring& path) = 0;
  // Creates the file or empties an existing one.
  virtual std::unique_ptr<OutputFile> Create(const std::wstring& path) = 0;
  // Puts `from` in the place of `to` in one step, replacing `to` if it exists.
  virtual void Replace(const std::wstring& from, const std::wstring& to) = 0;
  virtual void Remove(const std::wstring& path) = 0;
  // True when `path` names an entry that is not a directory.
  virtual bool Exists(const std::wstring& path) = 0;
};

// The machine's own file system. On Linux, backslashes in paths are taken as separators so that
// the kit's Windows-style relative paths work in native tests.
FileSystem& MachineFileSystem();

}  // namespace tolvane
