#include <windows.h>
// After windows.h:
#include <bcrypt.h>
#include <sddl.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <memory>

#include "system.h"

namespace tolvane::kitsetup {
namespace {

struct HandleCloser {
  void operator()(HANDLE handle) const {
    if (handle != INVALID_HANDLE_VALUE && handle != nullptr) CloseHandle(handle);
  }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

struct LocalFreer {
  void operator()(void* memory) const { LocalFree(memory); }
};

UniqueHandle OpenForReading(const std::wstring& path) {
  return UniqueHandle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

std::optional<std::string> ReadBytes(const std::wstring& path) {
  const UniqueHandle file = OpenForReading(path);
  if (file.get() == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string bytes;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file.get(), buffer, sizeof(buffer), &got, nullptr) && got > 0) {
    bytes.append(buffer, got);
  }
  return bytes;
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  const std::wstring part = path + L".part";
  {
    const UniqueHandle file(CreateFileW(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (file.get() == INVALID_HANDLE_VALUE ||
        !WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size()) {
      DeleteFileW(part.c_str());
      return false;
    }
  }
  return MoveReplacing(part, path);
}

}  // namespace

std::optional<std::wstring> Sha256OfFile(const std::wstring& path) {
  const UniqueHandle file = OpenForReading(path);
  if (file.get() == INVALID_HANDLE_VALUE) return std::nullopt;
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  if (BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) != 0) {
    return std::nullopt;
  }
  std::optional<std::wstring> hex;
  if (BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0) == 0) {
    std::vector<unsigned char> buffer(1 << 16);
    DWORD got = 0;
    bool read = true;
    while ((read = ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got,
                            nullptr)) &&
           got > 0) {
      BCryptHashData(hash, buffer.data(), got, 0);
    }
    unsigned char digest[32];
    if (read && BCryptFinishHash(hash, digest, sizeof(digest), 0) == 0) {
      constexpr wchar_t kDigits[] = L"0123456789abcdef";
      hex.emplace();
      for (unsigned char byte : digest) {
        hex->push_back(kDigits[byte >> 4]);
        hex->push_back(kDigits[byte & 15]);
      }
    }
    BCryptDestroyHash(hash);
  }
  BCryptCloseAlgorithmProvider(algorithm, 0);
  return hex;
}

std::optional<std::wstring> ReadUtf8File(const std::wstring& path) {
  const std::optional<std::string> bytes = ReadBytes(path);
  if (!bytes) return std::nullopt;
  if (bytes->empty()) return std::wstring();
  const int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes->data(),
                                       static_cast<int>(bytes->size()), nullptr, 0);
  if (size == 0) return std::nullopt;
  std::wstring text(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes->data(), static_cast<int>(bytes->size()), text.data(),
                      size);
  return text;
}

bool WriteUtf8File(const std::wstring& path, const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size,
                      nullptr, nullptr);
  return WriteBytes(path, bytes);
}

bool WriteUtf16File(const std::wstring& path, const std::wstring& text) {
  const std::wstring marked = L"\xFEFF" + text;
  return WriteBytes(path, std::string(reinterpret_cast<const char*>(marked.data()),
                                      marked.size() * sizeof(wchar_t)));
}

bool MoveReplacing(const std::wstring& from, const std::wstring& to) {
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool CanWriteIn(const std::wstring& folder) {
  if (GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES) {
    const UniqueHandle probe(
        CreateFileW((folder + L"\\tolvane-setup-probe.tmp").c_str(), GENERIC_WRITE, 0, nullptr,
                    CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    return probe.get() != INVALID_HANDLE_VALUE;
  }
  const std::wstring highest = HighestMissingFolder(folder);
  if (highest.empty() || !CreateDirectoryW(highest.c_str(), nullptr)) return false;
  RemoveDirectoryW(highest.c_str());
  return true;
}

std::wstring HighestMissingFolder(const std::wstring& folder) {
  std::wstring highest;
  for (std::wstring at = folder; GetFileAttributesW(at.c_str()) == INVALID_FILE_ATTRIBUTES;) {
    highest = at;
    const std::size_t parent = at.find_last_of(L'\\');
    if (parent == std::wstring::npos || parent < 3) break;
    at = at.substr(0, parent);
  }
  return highest;
}

bool MakeFolders(const std::wstring& folder) {
  const DWORD attributes = GetFileAttributesW(folder.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) return attributes & FILE_ATTRIBUTE_DIRECTORY;
  const std::size_t parent = folder.find_last_of(L'\\');
  if (parent != std::wstring::npos && parent > 2 && !MakeFolders(folder.substr(0, parent))) {
    return false;
  }
  return CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

namespace {

// A folder that is a link (a junction or a symbolic link) leads out of the tree: another account
// that can write in an older kit folder could point one at the user's documents. It is never
// gone into; RemoveTree removes the link alone.
bool IsFolder(const WIN32_FIND_DATAW& entry) {
  return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
         !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool IsLink(const WIN32_FIND_DATAW& entry) {
  return entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT;
}

// Calls `visit` for each entry of `folder` but "." and "..".
template <typename Visit>
void ForEachEntry(const std::wstring& folder, Visit visit) {
  WIN32_FIND_DATAW entry;
  const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
  for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &entry)) {
    const std::wstring name = entry.cFileName;
    if (name != L"." && name != L"..") visit(name, entry);
  }
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
}

}  // namespace

void RemoveTree(const std::wstring& folder) {
  const DWORD attributes = GetFileAttributesW(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    ForEachEntry(folder, [&folder](const std::wstring& name, const WIN32_FIND_DATAW& entry) {
      const std::wstring path = folder + L"\\" + name;
      if (IsFolder(entry)) {
        RemoveTree(path);
      } else if (IsLink(entry) && (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        RemoveDirectoryW(path.c_str());
      } else {
        DeleteFileW(path.c_str());
      }
    });
  }
  RemoveDirectoryW(folder.c_str());
}

std::vector<std::wstring> FilesUnder(const std::wstring& folder) {
  std::vector<std::wstring> files;
  ForEachEntry(folder, [&](const std::wstring& name, const WIN32_FIND_DATAW& entry) {
    if (IsFolder(entry)) {
      for (const std::wstring& file : FilesUnder(folder + L"\\" + name)) {
        files.push_back(name + L"\\" + file);
      }
    } else if (!IsLink(entry) || !(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      files.push_back(name);
    }
  });
  return files;
}

std::vector<std::wstring> RunningImages() {
  const UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  std::vector<PROCESSENTRY32W> processes;
  PROCESSENTRY32W entry = {sizeof(entry)};
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
       more = Process32NextW(snapshot.get(), &entry)) {
    processes.push_back(entry);
  }
  // Setup, or the uninstaller, that runs this tool may itself have been started from the kit.
  const DWORD self = GetCurrentProcessId();
  DWORD parent = self;
  for (const PROCESSENTRY32W& process : processes) {
    if (process.th32ProcessID == self) parent = process.th32ParentProcessID;
  }
  std::vector<std::wstring> images;
  std::wstring image(32768, L'\0');  // the longest path Windows has
  for (const PROCESSENTRY32W& process : processes) {
    if (process.th32ProcessID == self || process.th32ProcessID == parent) continue;
    const UniqueHandle handle(
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process.th32ProcessID));
    DWORD size = static_cast<DWORD>(image.size());
    if (handle && QueryFullProcessImageNameW(handle.get(), 0, image.data(), &size)) {
      images.push_back(image.substr(0, size));
    }
  }
  return images;
}

std::vector<std::wstring> SystemFolders() {
  std::vector<std::wstring> folders;
  for (const KNOWNFOLDERID& id :
       {FOLDERID_ProgramFiles, FOLDERID_ProgramFilesX86, FOLDERID_Windows}) {
    wchar_t* path = nullptr;
    if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path))) folders.emplace_back(path);
    CoTaskMemFree(path);
  }
  return folders;
}

std::wstring FullPath(const std::wstring& path) {
  std::wstring full(GetFullPathNameW(path.c_str(), 0, nullptr, nullptr), L'\0');
  const DWORD length =
      GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  full.resize(length > 0 && length < full.size() ? length : 0);
  if (full.empty()) full = path;
  while (full.size() > 3 && full.back() == L'\\') full.pop_back();
  return full;
}

std::wstring CurrentUserSid() {
  HANDLE raw = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return L"";
  const UniqueHandle token(raw);
  DWORD size = 0;
  GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
  std::string buffer(size, '\0');
  wchar_t* text = nullptr;
  if (!GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size) ||
      !ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) {
    return L"";
  }
  const std::unique_ptr<void, LocalFreer> owner(text);
  return text;
}

std::optional<std::wstring> MakeFolderWithAccessList(const std::wstring& folder,
                                                     const std::wstring& sddl) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                            &descriptor, nullptr)) {
    return std::nullopt;
  }
  const std::unique_ptr<void, LocalFreer> owner(descriptor);
  wchar_t* passed = nullptr;
  if (!ConvertSecurityDescriptorToStringSecurityDescriptorW(
          descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &passed, nullptr)) {
    return std::nullopt;
  }
  const std::unique_ptr<void, LocalFreer> text(passed);
  SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor, FALSE};
  if (!CreateDirectoryW(folder.c_str(), &attributes)) return std::nullopt;
  return passed;
}

}  // namespace tolvane::kitsetup
