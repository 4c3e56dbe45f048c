#include <windows.h>

#include <algorithm>
#include <utility>

#include "files.h"

namespace tolvane {
namespace {

// The launcher's text files have full paths of at most MAX_PATH - 1 characters; longer ones are
// refused here rather than handed to the system with the \\?\ prefix.
constexpr std::size_t kMaxPath = MAX_PATH - 1;

// The largest piece handed to one ReadFile or WriteFile call.
constexpr std::size_t kMaxTransfer = 1u << 30;

[[noreturn]] void Fail(DWORD code, const char* operation) {
  throw IoError(static_cast<int>(code),
                std::string(operation) + " failed, error " + std::to_string(code));
}

[[noreturn]] void FailLast(const char* operation) { Fail(GetLastError(), operation); }

// A NUL inside the text would silently cut the path short, so such a path names no file.
const wchar_t* CheckedPath(const std::wstring& path, const char* operation) {
  if (path.size() > kMaxPath) Fail(ERROR_FILENAME_EXCED_RANGE, operation);
  if (path.find(L'\0') != std::wstring::npos) Fail(ERROR_INVALID_NAME, operation);
  return path.c_str();
}

class UniqueHandle {
 public:
  explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
  UniqueHandle(UniqueHandle&& other) noexcept
      : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  HANDLE get() const { return handle_; }
  // Closes now and reports whether the close succeeded.
  bool Close() { return CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE)) != FALSE; }

 private:
  HANDLE handle_;
};

UniqueHandle OpenFile(const std::wstring& path, DWORD access, DWORD share, DWORD disposition) {
  UniqueHandle file(CreateFileW(CheckedPath(path, "CreateFileW"), access, share, nullptr,
                                disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) FailLast("CreateFileW");
  return file;
}

class Win32InputFile : public InputFile {
 public:
  explicit Win32InputFile(UniqueHandle file) : file_(std::move(file)) {}

  std::size_t Read(char* buffer, std::size_t size) override {
    DWORD got = 0;
    const auto wanted = static_cast<DWORD>(std::min(size, kMaxTransfer));
    if (!ReadFile(file_.get(), buffer, wanted, &got, nullptr)) FailLast("ReadFile");
    return got;
  }

 private:
  UniqueHandle file_;
};

class Win32OutputFile : public OutputFile {
 public:
  explicit Win32OutputFile(UniqueHandle file) : file_(std::move(file)) {}

  void Write(const char* data, std::size_t size) override {
    while (size > 0) {
      DWORD put = 0;
      const auto piece = static_cast<DWORD>(std::min(size, kMaxTransfer));
      if (!WriteFile(file_.get(), data, piece, &put, nullptr)) FailLast("WriteFile");
      data += put;
      size -= put;
    }
  }

  void Commit() override {
    if (!FlushFileBuffers(file_.get())) FailLast("FlushFileBuffers");
    if (!file_.Close()) FailLast("CloseHandle");
  }

 private:
  UniqueHandle file_;
};

class Win32FileSystem : public FileSystem {
 public:
  // Read sharing only: a file that another handle holds open for writing can not be opened.
  std::unique_ptr<InputFile> OpenRead(const std::wstring& path) override {
    return std::make_unique<Win32InputFile>(
        OpenFile(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
  }

  std::unique_ptr<OutputFile> Create(const std::wstring& path) override {
    return std::make_unique<Win32OutputFile>(OpenFile(path, GENERIC_WRITE, 0, CREATE_ALWAYS));
  }

  // A rename within the folder: the target holds either its old or its new content, never a mix.
  void Replace(const std::wstring& from, const std::wstring& to) override {
    if (!MoveFileExW(CheckedPath(from, "MoveFileExW"), CheckedPath(to, "MoveFileExW"),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      FailLast("MoveFileExW");
    }
  }

  void Remove(const std::wstring& path) override {
    if (!DeleteFileW(CheckedPath(path, "DeleteFileW"))) FailLast("DeleteFileW");
  }

  bool Exists(const std::wstring& path) override {
    try {
      const DWORD attributes = GetFileAttributesW(CheckedPath(path, "GetFileAttributesW"));
      return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    } catch (const IoError&) {
      return false;
    }
  }
};

}  // namespace

FileSystem& MachineFileSystem() {
  static Win32FileSystem file_system;
  return file_system;
}

}  // namespace tolvane
