#include <windows.h>
// After windows.h:
#include <aclapi.h>
#include <bcrypt.h>
#include <restartmanager.h>
#include <sddl.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <memory>
#include <type_traits>

#include "names.h"
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

std::wstring SidText(PSID sid) {
  wchar_t* text = nullptr;
  if (!sid || !ConvertSidToStringSidW(sid, &text)) return L"";
  const std::unique_ptr<void, LocalFreer> owner(text);
  return text;
}

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

// The folder's entry for `path`, as a listing shows it: the attributes and reparse tag of the
// entry itself, not of what a link leads to, and the cloud attributes only a listing carries.
std::optional<WIN32_FIND_DATAW> EntryOf(const std::wstring& path) {
  WIN32_FIND_DATAW entry;
  const HANDLE search = FindFirstFileW(path.c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return std::nullopt;
  FindClose(search);
  return entry;
}

// A link, junction or mount point names another place; other reparse points (cloud files,
// deduplicated or compressed files) are the file itself. An entry without its tag (Wine's Unix
// links) counts as a link.
bool IsNameSurrogate(const WIN32_FIND_DATAW& entry) {
  return (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
         (entry.dwReserved0 == 0 || IsReparseTagNameSurrogate(entry.dwReserved0));
}

// Not there, or there as a plain file whose bytes are on this computer.
Presence PresenceOf(const std::wstring& path, DWORD* attributes_out = nullptr) {
  const std::optional<WIN32_FIND_DATAW> entry = EntryOf(path);
  if (!entry) {
    const DWORD error = GetLastError();
    return IsMissing(error) || error == ERROR_NO_MORE_FILES ? Presence::kAbsent
                                                            : Presence::kUnreadable;
  }
  if (attributes_out) *attributes_out = entry->dwFileAttributes;
  // FILE_ATTRIBUTE_RECALL_ON_OPEN and _ON_DATA_ACCESS, which MinGW's headers lack: a cloud
  // file stored only online, which reading would download.
  constexpr DWORD kOnlineOnly = 0x00040000 | 0x00400000;
  constexpr DWORD kNotHere = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_OFFLINE | kOnlineOnly;
  return entry->dwFileAttributes & kNotHere || IsNameSurrogate(*entry) ? Presence::kUnreadable
                                                                       : Presence::kThere;
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

template <typename Function>
Function Find(HMODULE library, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
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
  DWORD attributes = 0;
  const Presence presence = PresenceOf(path, &attributes);
  if (presence != Presence::kThere) return {presence, L"", false};
  const UniqueHandle file = OpenForReading(path);
  if (file.get() == INVALID_HANDLE_VALUE) {
    return {IsMissing(GetLastError()) ? Presence::kAbsent : Presence::kUnreadable, L"", false};
  }
  const std::optional<std::wstring> hash = Sha256Of(file.get());
  if (!hash) return {Presence::kUnreadable, L"", false};
  return {Presence::kThere, *hash, (attributes & FILE_ATTRIBUTE_READONLY) != 0};
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
  const Presence presence = PresenceOf(path);
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
    const UniqueHandle file(CreateFileW(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (file.get() == INVALID_HANDLE_VALUE ||
        !WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size() || !FlushFileBuffers(file.get())) {
      DeleteFileW(part.c_str());
      return false;
    }
  }
  // Setup's own files: a read-only one (copied from a CD, unpacked by a tool that keeps the
  // attribute) would refuse to be replaced.
  MakeWritable(path);
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

bool IsLink(const std::wstring& path) {
  // Wine shows a Unix link in the attributes alone, without a tag in the listing.
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    return false;
  }
  const std::optional<WIN32_FIND_DATAW> entry = EntryOf(path);
  return !entry || !(entry->dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
         IsNameSurrogate(*entry);
}

bool FolderPins::Pin(const std::wstring& folder) {
  // Sharing is enforced only against a handle with data access: listing the folder is one.
  const HANDLE handle = CreateFileW(
      folder.c_str(), FILE_LIST_DIRECTORY | FILE_TRAVERSE, FILE_SHARE_READ | FILE_SHARE_WRITE,
      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return !IsLink(folder);
  handles_.push_back(handle);
  // What is held now is what is judged: it can no longer be swapped.
  FILE_ATTRIBUTE_TAG_INFO tag = {};
  const bool held_link =
      GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof(tag)) &&
      (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
      (tag.ReparseTag == 0 || IsReparseTagNameSurrogate(tag.ReparseTag));
  return !held_link && !IsLink(folder);
}

void FolderPins::Release() {
  for (void* handle : handles_) CloseHandle(handle);
  handles_.clear();
}

bool CanWriteIn(const std::wstring& folder) {
  if (GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES) {
    // A name of its own each time: one a power cut left behind must not refuse the folder.
    const std::wstring name = L"\\~setup-probe." + std::to_wstring(RandomNumber()) + L".tmp";
    const UniqueHandle probe(
        CreateFileW((folder + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
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
  return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !IsNameSurrogate(entry);
}

bool IsFolderLink(const WIN32_FIND_DATAW& entry) {
  return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsNameSurrogate(entry);
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

void RemoveTree(const std::wstring& folder, const std::wstring& last) {
  if (GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES) return;
  if (!IsLink(folder)) {
    ForEachEntry(folder, [&](const std::wstring& name, const WIN32_FIND_DATAW& entry) {
      const std::wstring path = folder + L"\\" + name;
      if (IsFolder(entry)) {
        RemoveTree(path);
      } else if (IsFolderLink(entry)) {
        RemoveDirectoryW(path.c_str());
      } else if (!SameName(name, last)) {
        DeleteFileW(path.c_str());
      }
    });
    if (!last.empty()) DeleteFileW((folder + L"\\" + last).c_str());
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
    } else if (!IsFolderLink(entry)) {
      files.push_back(name);
    }
  });
  return files;
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

// The lock file goes when its handle closes, even when the tool is killed; one a power cut left,
// which nobody holds, is taken over. Held by another, it can not be opened: no sharing.
KitLock::KitLock(const std::wstring& folder) {
  const std::wstring path = folder + L"\\" + kLockFile;
  // The link itself if one were put there, never what it leads to: deleting it on close must
  // not delete a file elsewhere.
  const HANDLE file = CreateFileW(
      path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, OPEN_ALWAYS,
      FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  FILE_ATTRIBUTE_TAG_INFO tag = {};
  if (GetFileInformationByHandleEx(file, FileAttributeTagInfo, &tag, sizeof(tag)) &&
      (tag.FileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY))) {
    // Not a lock file of setup's: it stays, and the folder stays refused.
    FILE_DISPOSITION_INFO keep = {FALSE};
    SetFileInformationByHandle(file, FileDispositionInfo, &keep, sizeof(keep));
    CloseHandle(file);
    return;
  }
  handle_ = file;
}

KitLock::~KitLock() {
  if (handle_) CloseHandle(handle_);
}

namespace {

// Setup, or the uninstaller, that runs this tool may itself have been started from the kit.
std::pair<DWORD, DWORD> ThisAndParent() {
  const UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry = {sizeof(entry)};
  const DWORD self = GetCurrentProcessId();
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
       more = Process32NextW(snapshot.get(), &entry)) {
    if (entry.th32ProcessID == self) return {self, entry.th32ParentProcessID};
  }
  return {self, self};
}

struct LibraryFreer {
  void operator()(HMODULE library) const { FreeLibrary(library); }
};

}  // namespace

std::vector<std::wstring> RunningImages() {
  const auto [self, parent] = ThisAndParent();
  const UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  std::vector<std::wstring> images;
  std::wstring image(32768, L'\0');  // the longest path Windows has
  PROCESSENTRY32W entry = {sizeof(entry)};
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
       more = Process32NextW(snapshot.get(), &entry)) {
    if (entry.th32ProcessID == self || entry.th32ProcessID == parent) continue;
    const UniqueHandle handle(
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
    DWORD size = static_cast<DWORD>(image.size());
    if (handle && QueryFullProcessImageNameW(handle.get(), 0, image.data(), &size)) {
      images.push_back(image.substr(0, size));
    }
  }
  return images;
}

std::vector<std::wstring> ProgramsUsing(const std::vector<std::wstring>& files) {
  const std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryFreer> library(
      LoadLibraryExW(L"rstrtmgr.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  if (!library || files.empty()) return {};
  using Start = DWORD(WINAPI*)(DWORD*, DWORD, WCHAR*);
  using Register = DWORD(WINAPI*)(DWORD, UINT, LPCWSTR*, UINT, RM_UNIQUE_PROCESS*, UINT, LPCWSTR*);
  using List = DWORD(WINAPI*)(DWORD, UINT*, UINT*, RM_PROCESS_INFO*, LPDWORD);
  using End = DWORD(WINAPI*)(DWORD);
  const auto start = Find<Start>(library.get(), "RmStartSession");
  const auto add = Find<Register>(library.get(), "RmRegisterResources");
  const auto list = Find<List>(library.get(), "RmGetList");
  const auto end = Find<End>(library.get(), "RmEndSession");
  DWORD session = 0;
  WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
  if (!start || !add || !list || !end || start(&session, 0, key) != ERROR_SUCCESS) return {};
  std::vector<LPCWSTR> names;
  for (const std::wstring& file : files) names.push_back(file.c_str());
  std::vector<RM_PROCESS_INFO> found;
  if (add(session, static_cast<UINT>(names.size()), names.data(), 0, nullptr, 0, nullptr) ==
      ERROR_SUCCESS) {
    // The list may grow between the two calls.
    bool listed = false;
    for (int attempt = 0; attempt < 3 && !listed; ++attempt) {
      UINT needed = 0, count = static_cast<UINT>(found.size());
      DWORD reasons = 0;
      const DWORD result = list(session, &needed, &count, found.data(), &reasons);
      if (result == ERROR_SUCCESS) {
        found.resize(count);
        listed = true;
      } else if (result == ERROR_MORE_DATA) {
        found.resize(needed);
      } else {
        break;
      }
    }
    if (!listed) found.clear();
  }
  end(session);
  const auto [self, parent] = ThisAndParent();
  std::vector<std::wstring> programs;
  for (const RM_PROCESS_INFO& process : found) {
    const DWORD id = process.Process.dwProcessId;
    if (id == self || id == parent) continue;
    programs.push_back(std::wstring(process.strAppName) + L" (process " + std::to_wstring(id) +
                       L")");
  }
  return programs;
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

std::optional<std::wstring> CanonicalFolder(const std::wstring& path) {
  const std::wstring named = WithoutVerbatimPrefix(path);
  if (!IsAbsolute(named) || HasStrippedPart(named)) return std::nullopt;
  std::wstring full(GetFullPathNameW(named.c_str(), 0, nullptr, nullptr), L'\0');
  const DWORD length =
      GetFullPathNameW(named.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (length == 0 || length >= full.size()) return std::nullopt;
  full.resize(length);
  // The long names of the deepest folder that is there; the rest as it was given.
  std::wstring existing = full, rest;
  while (GetFileAttributesW(existing.c_str()) == INVALID_FILE_ATTRIBUTES) {
    const std::size_t parent = existing.find_last_of(L'\\');
    if (parent == std::wstring::npos || parent < 2) break;
    rest = existing.substr(parent) + rest;
    existing.resize(parent);
  }
  std::wstring long_name(GetLongPathNameW(existing.c_str(), nullptr, 0), L'\0');
  const DWORD long_length =
      GetLongPathNameW(existing.c_str(), long_name.data(), static_cast<DWORD>(long_name.size()));
  if (long_length > 0 && long_length < long_name.size()) {
    long_name.resize(long_length);
    full = long_name + rest;
  }
  while (full.size() > 3 && full.back() == L'\\') full.pop_back();
  return WithoutVerbatimPrefix(full);
}

namespace {

Elevation ElevationOf(HANDLE process) {
  HANDLE raw = nullptr;
  if (!OpenProcessToken(process, TOKEN_QUERY, &raw)) return Elevation::kDefault;
  const UniqueHandle token(raw);
  TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
  DWORD size = 0;
  GetTokenInformation(token.get(), TokenElevationType, &type, sizeof(type), &size);
  return type == TokenElevationTypeFull      ? Elevation::kFull
         : type == TokenElevationTypeLimited ? Elevation::kLimited
                                             : Elevation::kDefault;
}

}  // namespace

Elevation ThisProcessElevation() { return ElevationOf(GetCurrentProcess()); }

std::optional<bool> SameUserAsSession() {
  // wtsapi32.dll is no known system library: loaded from System32, by name.
  const std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryFreer> library(
      LoadLibraryExW(L"wtsapi32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  if (!library) return std::nullopt;
  using Query = BOOL(WINAPI*)(HANDLE, DWORD, int, LPWSTR*, DWORD*);
  using Free = void(WINAPI*)(PVOID);
  const auto query = Find<Query>(library.get(), "WTSQuerySessionInformationW");
  const auto free = Find<Free>(library.get(), "WTSFreeMemory");
  if (!query || !free) return std::nullopt;
  const auto session_text = [&](int what) -> std::optional<std::wstring> {
    wchar_t* text = nullptr;
    DWORD size = 0;
    // WTS_CURRENT_SERVER_HANDLE, WTS_CURRENT_SESSION; 5 and 7 are WTSUserName, WTSDomainName.
    if (!query(nullptr, static_cast<DWORD>(-1), what, &text, &size) || !text) return std::nullopt;
    const std::wstring value = text;
    free(text);
    return value;
  };
  const std::optional<std::wstring> user = session_text(5), domain = session_text(7);
  if (!user || user->empty()) return std::nullopt;
  const std::wstring account = domain && !domain->empty() ? *domain + L"\\" + *user : *user;
  DWORD sid_size = 0, domain_size = 0;
  SID_NAME_USE use;
  LookupAccountNameW(nullptr, account.c_str(), nullptr, &sid_size, nullptr, &domain_size, &use);
  std::string sid(sid_size, '\0');
  std::wstring found_domain(domain_size, L'\0');
  if (sid_size == 0 || !LookupAccountNameW(nullptr, account.c_str(), sid.data(), &sid_size,
                                           found_domain.data(), &domain_size, &use)) {
    return std::nullopt;
  }
  return SidText(sid.data()) == CurrentUserSid();
}

std::optional<Elevation> ShellElevation() {
  DWORD id = 0;
  const HWND shell = GetShellWindow();
  if (!shell || !GetWindowThreadProcessId(shell, &id)) return std::nullopt;
  const UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
  if (!process) return std::nullopt;
  return ElevationOf(process.get());
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

FolderSecurity SecurityOf(void* descriptor) {
  PSID owner = nullptr;
  PACL list = nullptr;
  BOOL defaulted = FALSE, present = FALSE;
  GetSecurityDescriptorOwner(descriptor, &owner, &defaulted);
  GetSecurityDescriptorDacl(descriptor, &present, &list, &defaulted);
  FolderSecurity security{SidText(owner), present && list != nullptr, {}};
  for (DWORD i = 0; security.has_access_list && i < list->AceCount; ++i) {
    ACE_HEADER* header = nullptr;
    if (!GetAce(list, i, reinterpret_cast<void**>(&header))) continue;
    // Allowed and denied entries share their layout up to the SID. Any other kind that allows
    // (with a condition, for an object type) counts as allowing anybody anything.
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE && header->AceType != ACCESS_DENIED_ACE_TYPE) {
      const bool allows = header->AceType == ACCESS_ALLOWED_COMPOUND_ACE_TYPE ||
                          header->AceType == ACCESS_ALLOWED_OBJECT_ACE_TYPE ||
                          header->AceType == ACCESS_ALLOWED_CALLBACK_ACE_TYPE ||
                          header->AceType == ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE;
      if (allows) security.entries.push_back({true, L"", 0xFFFFFFFF});
      continue;
    }
    const auto* entry = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
    security.entries.push_back({header->AceType == ACCESS_ALLOWED_ACE_TYPE,
                                SidText(const_cast<DWORD*>(&entry->SidStart)), entry->Mask});
  }
  return security;
}

std::optional<FolderSecurity> ReadFolderSecurity(const std::wstring& folder) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoW(folder.c_str(), SE_FILE_OBJECT,
                            OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr,
                            nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  const std::unique_ptr<void, LocalFreer> held(descriptor);
  return SecurityOf(descriptor);
}

bool KeepsAccessLists(const std::wstring& folder) {
  wchar_t volume[MAX_PATH + 1] = {};
  DWORD flags = 0;
  return GetVolumePathNameW(folder.c_str(), volume, static_cast<DWORD>(std::size(volume))) &&
         GetVolumeInformationW(volume, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) &&
         (flags & FILE_PERSISTENT_ACLS);
}

bool ProtectFolder(const std::wstring& folder, const std::wstring& sddl) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                            &descriptor, nullptr)) {
    return false;
  }
  const std::unique_ptr<void, LocalFreer> held(descriptor);
  BOOL present = FALSE, defaulted = FALSE;
  PACL list = nullptr;
  return GetSecurityDescriptorDacl(descriptor, &present, &list, &defaulted) && present &&
         SetNamedSecurityInfoW(const_cast<wchar_t*>(folder.c_str()), SE_FILE_OBJECT,
                               DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                               nullptr, nullptr, list, nullptr) == ERROR_SUCCESS;
}

bool InheritOnly(const std::wstring& folder) {
  ACL empty;
  return InitializeAcl(&empty, sizeof(empty), ACL_REVISION) &&
         SetNamedSecurityInfoW(const_cast<wchar_t*>(folder.c_str()), SE_FILE_OBJECT,
                               DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION,
                               nullptr, nullptr, &empty, nullptr) == ERROR_SUCCESS;
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
