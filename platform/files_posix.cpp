// The native build's file access, used by the unit tests. Linux has no share modes, so a file
// another handle holds open for writing can still be read here; only the Windows build refuses it.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "files.h"

namespace tolvane {
namespace {

// The launcher's text files have full paths of at most 259 characters, as on Windows.
constexpr std::size_t kMaxPath = 259;

[[noreturn]] void Fail(int code, const char* operation) {
  throw IoError(code, std::string(operation) + ": " + std::strerror(code));
}

void AppendUtf8(std::string& out, wchar_t ch) {
  auto code = static_cast<unsigned long>(ch);
  if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = '?';
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (code >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (code >> 18)));
    out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

// The kit's paths use backslashes; Linux file names are UTF-8. A path that is too long or holds a
// NUL (which would cut it short) names no file.
std::string NativePath(const std::wstring& path, const char* operation) {
  if (path.size() > kMaxPath) Fail(ENAMETOOLONG, operation);
  std::string native;
  for (wchar_t ch : path) {
    if (ch == L'\0') Fail(EINVAL, operation);
    AppendUtf8(native, ch == L'\\' ? L'/' : ch);
  }
  return native;
}

class UniqueFd {
 public:
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  // Closes now and reports whether the close succeeded.
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

class PosixInputFile : public InputFile {
 public:
  explicit PosixInputFile(UniqueFd fd) : fd_(std::move(fd)) {}

  std::size_t Read(char* buffer, std::size_t size) override {
    for (;;) {
      const ssize_t got = ::read(fd_.get(), buffer, size);
      if (got >= 0) return static_cast<std::size_t>(got);
      if (errno != EINTR) Fail(errno, "read");
    }
  }

 private:
  UniqueFd fd_;
};

class PosixOutputFile : public OutputFile {
 public:
  explicit PosixOutputFile(UniqueFd fd) : fd_(std::move(fd)) {}

  void Write(const char* data, std::size_t size) override {
    while (size > 0) {
      const ssize_t put = ::write(fd_.get(), data, size);
      if (put < 0) {
        if (errno == EINTR) continue;
        Fail(errno, "write");
      }
      data += put;
      size -= static_cast<std::size_t>(put);
    }
  }

  void Commit() override {
    if (::fsync(fd_.get()) != 0) Fail(errno, "fsync");
    if (!fd_.Close()) Fail(errno, "close");
  }

 private:
  UniqueFd fd_;
};

class PosixFileSystem : public FileSystem {
 public:
  std::unique_ptr<InputFile> OpenRead(const std::wstring& path) override {
    const std::string native = NativePath(path, "open");
    UniqueFd fd(::open(native.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) Fail(errno, "open");
    // Opening a directory succeeds on Linux; refuse it as Windows does.
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) Fail(errno, "fstat");
    if (S_ISDIR(info.st_mode)) Fail(EISDIR, "open");
    return std::make_unique<PosixInputFile>(std::move(fd));
  }

  std::unique_ptr<OutputFile> Create(const std::wstring& path) override {
    const std::string native = NativePath(path, "open");
    UniqueFd fd(::open(native.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (fd.get() < 0) Fail(errno, "open");
    return std::make_unique<PosixOutputFile>(std::move(fd));
  }

  void Replace(const std::wstring& from, const std::wstring& to) override {
    const std::string source = NativePath(from, "rename");
    const std::string target = NativePath(to, "rename");
    if (::rename(source.c_str(), target.c_str()) != 0) Fail(errno, "rename");
  }

  void Remove(const std::wstring& path) override {
    const std::string native = NativePath(path, "unlink");
    if (::unlink(native.c_str()) != 0) Fail(errno, "unlink");
  }

  bool Exists(const std::wstring& path) override {
    try {
      const std::string native = NativePath(path, "stat");
      struct stat info {};
      return ::stat(native.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
    } catch (const IoError&) {
      return false;
    }
  }
};

}  // namespace

FileSystem& MachineFileSystem() {
  static PosixFileSystem file_system;
  return file_system;
}

}  // namespace tolvane
