// The machine's file system with faults a test asks for: reads that deliver few bytes at a time,
// a file that breaks after some bytes, and one call that fails with an I/O error.
#pragma once

#include <algorithm>
#include <cstddef>
#include <limits>
#include <memory>
#include <string>

#include "files.h"

namespace tolvane::test {

class FaultyFileSystem : public FileSystem {
 public:
  // Every Read delivers at most this many bytes.
  std::size_t read_limit = std::numeric_limits<std::size_t>::max();
  // Reads fail once this many bytes of a file were delivered.
  std::size_t break_after = std::numeric_limits<std::size_t>::max();
  // The call with this number (1 for the first, counting every call into the file system and its
  // files) throws IoError; 0 for none.
  int fail_at = 0;

  int calls = 0;
  // The name of the call that failed ("Create", "Write", ...), empty when none did.
  std::string failed;

  std::unique_ptr<InputFile> OpenRead(const std::wstring& path) override {
    Count("OpenRead");
    return std::make_unique<Input>(*this, MachineFileSystem().OpenRead(path));
  }
  std::unique_ptr<OutputFile> Create(const std::wstring& path) override {
    Count("Create");
    return std::make_unique<Output>(*this, MachineFileSystem().Create(path));
  }
  void Replace(const std::wstring& from, const std::wstring& to) override {
    Count("Replace");
    MachineFileSystem().Replace(from, to);
  }
  void Remove(const std::wstring& path) override {
    Count("Remove");
    MachineFileSystem().Remove(path);
  }
  bool Exists(const std::wstring& path) override {
    Count("Exists");
    return MachineFileSystem().Exists(path);
  }

 private:
  static constexpr int kInjectedError = 5;  // "access denied" on Windows

  void Count(const char* call) {
    if (++calls != fail_at) return;
    failed = call;
    throw IoError(kInjectedError, std::string("injected failure of ") + call);
  }

  class Input : public InputFile {
   public:
    Input(FaultyFileSystem& owner, std::unique_ptr<InputFile> file)
        : owner_(owner), file_(std::move(file)) {}
    std::size_t Read(char* buffer, std::size_t size) override {
      owner_.Count("Read");
      if (delivered_ == owner_.break_after) throw IoError(kInjectedError, "injected broken file");
      size = std::min({size, owner_.read_limit, owner_.break_after - delivered_});
      const std::size_t got = file_->Read(buffer, size);
      delivered_ += got;
      return got;
    }

   private:
    FaultyFileSystem& owner_;
    std::unique_ptr<InputFile> file_;
    std::size_t delivered_ = 0;
  };

  class Output : public OutputFile {
   public:
    Output(FaultyFileSystem& owner, std::unique_ptr<OutputFile> file)
        : owner_(owner), file_(std::move(file)) {}
    void Write(const char* data, std::size_t size) override {
      owner_.Count("Write");
      file_->Write(data, size);
    }
    void Commit() override {
      owner_.Count("Commit");
      file_->Commit();
    }

   private:
    FaultyFileSystem& owner_;
    std::unique_ptr<OutputFile> file_;
  };
};

}  // namespace tolvane::test
