// The kit's files read, hashed, written, moved and removed with care: files held for a moment
// are tried again, files that are not plain local files are not read, and nothing setup writes
// goes through a link.
#include <windows.h>
// After windows.h:
#include <bcrypt.h>

#include "system.h"
#include "win32.h"

namespace tolvane::kitsetup {
namespace {

using win32::UniqueHandle;

// Errors that end when another program lets go of the file: retried a few times over a few
// seconds before the file counts as in use.
bool IsPassing(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
         error == ERROR_ACCESS_DENIED || error == ERROR_USER_MAPPED_FILE;
}

constexpr int kAttempts = 6;
constexpr DWORD kPause = 500;

template <typename Attempt>
bool Retrying(Attempt attempt) {
  for (int n = 1;; ++n) {
    if (attempt()) return true;
    const DWORD error = GetLastError();
    if (n == kAttempts || !IsPassing(error)) {
      SetLastError(error);
      return false;
    }
    Sleep(kPause);
  }
}

UniqueHandle OpenForReading(const std::wstring& path) {
  HANDLE file = INVALID_HANDLE_VALUE;
  Retrying([&] {
    file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    return file != INVALID_HANDLE_VALUE;
  });
  return UniqueHandle(file);
}

bool IsMissing(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// What an error of opening or reading a file says to the user.
Unreadable WhyUnread(DWORD error) {
  switch (error) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
      return Unreadable::kHeld;
    case ERROR_ACCESS_DENIED:
      return Unreadable::kDenied;
    default:
      return Unreadable::kFailed;
  }
}

// Not there, or there as a plain file whose bytes are on this computer; otherwise why not.
FileOnDisk PresenceOf(const std::wstring& path) {
  const std::optional<WIN32_FIND_DATAW> entry = win32::EntryOf(path);
  if (!entry) {
    const DWORD error = GetLastError();
    if (IsMissing(error) || error == ERROR_NO_MORE_FILES) return {};
    return {Presence::kUnreadable, L"", false, WhyUnread(error)};
  }
  // FILE_ATTRIBUTE_RECALL_ON_OPEN and _ON_DATA_ACCESS, which MinGW's headers lack: a cloud
  // file stored only online, which reading would download.
  constexpr DWORD kOnlineOnly = 0x00040000 | 0x00400000 | FILE_ATTRIBUTE_OFFLINE;
  const DWORD attributes = entry->dwFileAttributes;
  const bool read_only = attributes & FILE_ATTRIBUTE_READONLY;
  if (win32::IsNameSurrogate(*entry)) {
    return {Presence::kUnreadable, L"", read_only, Unreadable::kLink};
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    return {Presence::kUnreadable, L"", read_only, Unreadable::kFolder};
  }
  if (attributes & kOnlineOnly) {
    return {Presence::kUnreadable, L"", read_only, Unreadable::kOnlineOnly};
  }
  return {Presence::kThere, L"", read_only};
}

template <typename Consume>
bool ReadAll(HANDLE file, Consume consume) {
  std::vector<char> buffer(1 << 16);
  DWORD got = 0;
  while (ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
    if (got == 0) return true;
    consume(buffer.data(), got);
  }
  return false;
}

// bcrypt.dll is no known system library: the import table would look for it in the folder
// KitSetup runs from first, so it is loaded from System32, by name.
struct Cng {
  decltype(&BCryptOpenAlgorithmProvider) open = nullptr;
  decltype(&BCryptCloseAlgorithmProvider) close = nullptr;
  decltype(&BCryptCreateHash) create_hash = nullptr;
  decltype(&BCryptHashData) hash_data = nullptr;
  decltype(&BCryptFinishHash) finish_hash = nullptr;
  decltype(&BCryptDestroyHash) destroy_hash = nullptr;
  decltype(&BCryptGenRandom) random = nullptr;

  static const Cng* Get() {
    static const Cng cng = Load();
    return cng.random ? &cng : nullptr;
  }

 private:
  static Cng Load() {
    using win32::Find;
    Cng cng;
    const HMODULE library = LoadLibraryExW(L"bcrypt.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!library) return cng;
    cng.open = Find<decltype(open)>(library, "BCryptOpenAlgorithmProvider");
    cng.close = Find<decltype(close)>(library, "BCryptCloseAlgorithmProvider");
    cng.create_hash = Find<decltype(create_hash)>(library, "BCryptCreateHash");
    cng.hash_data = Find<decltype(hash_data)>(library, "BCryptHashData");
    cng.finish_hash = Find<decltype(finish_hash)>(library, "BCryptFinishHash");
    cng.destroy_hash = Find<decltype(destroy_hash)>(library, "BCryptDestroyHash");
    cng.random = Find<decltype(random)>(library, "BCryptGenRandom");
    if (!cng.open || !cng.close || !cng.create_hash || !cng.hash_data || !cng.finish_hash ||
        !cng.destroy_hash) {
      cng.random = nullptr;
    }
    return cng;
  }
};

std::optional<std::wstring> Sha256Of(HANDLE file) {
  const Cng* cng = Cng::Get();
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  if (!cng || cng->open(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) != 0) {
    return std::nullopt;
  }
  std::optional<std::wstring> hex;
  if (cng->create_hash(algorithm, &hash, nullptr, 0, nullptr, 0, 0) == 0) {
    const bool read = ReadAll(file, [&](char* data, DWORD size) {
      cng->hash_data(hash, reinterpret_cast<PUCHAR>(data), size, 0);
    });
    unsigned char digest[32];
    if (read && cng->finish_hash(hash, digest, sizeof(digest), 0) == 0) {
      constexpr wchar_t kDigits[] = L"0123456789abcdef";
      hex.emplace();
      for (unsigned char byte : digest) {
        hex->push_back(kDigits[byte >> 4]);
        hex->push_back(kDigits[byte & 15]);
      }
    }
    cng->destroy_hash(hash);
  }
  cng->close(algorithm, 0);
  return hex;
}

constexpr DWORD kMoveFlags = MOVEFILE_WRITE_THROUGH;

}  // namespace

FileOnDisk InspectFile(const std::wstring& path) {
  FileOnDisk file = PresenceOf(path);
  if (file.presence != Presence::kThere) return file;
  const UniqueHandle opened = OpenForReading(path);
  if (opened.get() == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (IsMissing(error)) return {};
    return {Presence::kUnreadable, L"", false, WhyUnread(error)};
  }
  const std::optional<std::wstring> hash = Sha256Of(opened.get());
  if (!hash) return {Presence::kUnreadable, L"", false, WhyUnread(GetLastError())};
  file.hash = *hash;
  return file;
}

std::optional<std::wstring> FlushedSha256(const std::wstring& path) {
  HANDLE opened = INVALID_HANDLE_VALUE;
  Retrying([&] {
    opened = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                         OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    return opened != INVALID_HANDLE_VALUE;
  });
  const UniqueHandle file(opened);
  if (file.get() == INVALID_HANDLE_VALUE) return std::nullopt;
  std::optional<std::wstring> hash = Sha256Of(file.get());
  return hash && FlushFileBuffers(file.get()) ? hash : std::nullopt;
}

std::pair<Presence, std::string> ReadFileBytes(const std::wstring& path) {
  const Presence presence = PresenceOf(path).presence;
  if (presence != Presence::kThere) return {presence, ""};
  const UniqueHandle file = OpenForReading(path);
  if (file.get() == INVALID_HANDLE_VALUE) {
    return {IsMissing(GetLastError()) ? Presence::kAbsent : Presence::kUnreadable, ""};
  }
  std::string bytes;
  if (!ReadAll(file.get(), [&](char* data, DWORD size) { bytes.append(data, size); })) {
    return {Presence::kUnreadable, ""};
  }
  return {Presence::kThere, bytes};
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  const std::wstring part = path + L".part";
  {
    // Made new, never opened: whatever holds the name (a link another account left there, a
    // file a power cut left) goes first, itself and not what it leads to, and a name taken again
    // in between makes the write fail rather than go through it.
    DeleteFileW(part.c_str());
    const UniqueHandle file(CreateFileW(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                                        nullptr));
    DWORD written = 0;
    if (file.get() == INVALID_HANDLE_VALUE ||
        !WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size() || !FlushFileBuffers(file.get())) {
      DeleteFileW(part.c_str());
      return false;
    }
  }
  // Setup's own files: a read-only one (copied from a CD, unpacked by a tool that keeps the
  // attribute) would refuse to be replaced. A link is replaced as it is.
  if (PresenceOf(path).presence == Presence::kThere) MakeWritable(path);
  return MoveReplacing(part, path);
}

bool WriteUtf16File(const std::wstring& path, const std::wstring& text) {
  const std::wstring marked = L"\xFEFF" + text;
  return WriteFileBytes(path, std::string(reinterpret_cast<const char*>(marked.data()),
                                          marked.size() * sizeof(wchar_t)));
}

bool MoveReplacing(const std::wstring& from, const std::wstring& to) {
  return Retrying([&] {
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | kMoveFlags) != 0;
  });
}

bool MoveAside(const std::wstring& from, const std::wstring& to) {
  return Retrying([&] { return MoveFileExW(from.c_str(), to.c_str(), kMoveFlags) != 0; });
}

bool DeleteKitFile(const std::wstring& path) {
  return Retrying([&] { return DeleteFileW(path.c_str()) != 0; });
}

bool MakeWritable(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         SetFileAttributesW(path.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY}) != 0;
}

std::uint64_t RandomNumber() {
  std::uint64_t number = 0;
  if (const Cng* cng = Cng::Get()) {
    cng->random(nullptr, reinterpret_cast<PUCHAR>(&number), sizeof(number),
                BCRYPT_USE_SYSTEM_PREFERRED_RNG);
  }
  // Without a random number the staging folder's name is still made exclusively, only guessable.
  return number ^ (static_cast<std::uint64_t>(GetTickCount64()) << 20) ^ GetCurrentProcessId();
}

}  // namespace tolvane::kitsetup
