#include "launcher_session.h"

#include <gtest/gtest.h>
#include <psapi.h>
#include <winternl.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "layout.h"
#include "screen.h"

namespace tolvane::test {
namespace {

constexpr int kFirstControlId = 100;

std::wstring DemoKit() { return HostPath(TOLVANE_DEMO_KIT); }
std::wstring DemoPath() { return HostPath(TOLVANE_DEMO_PATH); }

void SetClassCommand(const std::wstring& key, const std::wstring& command) {
  RegSetKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, REG_SZ, command.c_str(),
                  static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
}

// The browser and the PDF viewer of the test machine are recorders.
void RegisterRecorders() {
  static const bool done = [] {
    SetClassCommand(L"http\\shell\\open\\command", L"\"" + DemoPath() + L"\\browser.exe\" \"%1\"");
    SetClassCommand(L".pdf", L"pdffile");
    SetClassCommand(L"pdffile\\shell\\open\\command",
                    L"\"" + DemoPath() + L"\\viewer.exe\" \"%1\"");
    return true;
  }();
  (void)done;
}

std::wstring WindowText(HWND window) {
  wchar_t buffer[4096] = {};
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, std::size(buffer), reinterpret_cast<LPARAM>(buffer),
                      SMTO_ABORTIFHUNG, 2000, &ignored);
  return buffer;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, static_cast<int>(std::size(name)));
  return name;
}

// Real input goes to the window under the pointer: the one a test means must be in front.
void BringToFront(HWND window) {
  if (GetForegroundWindow() == window) return;
  SetForegroundWindow(window);
  WaitUntil([window] { return GetForegroundWindow() == window; }, std::chrono::seconds(2));
}

POINT Centre(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

}  // namespace

void RunQuietly(const std::wstring& command_line) {
  RunProgram(command_line, L"", 10000, OutputFile().get());
}

namespace {

// Copies a folder tree with the Win32 calls: the C++ library's copy finds nothing to copy in a
// Z: folder under Wine.
void CopyTree(const std::wstring& from, const std::wstring& to) {
  CreateDirectoryW(to.c_str(), nullptr);
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileW((from + L"\\*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = entry.cFileName;
    if (name == L"." || name == L"..") continue;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      CopyTree(from + L"\\" + name, to + L"\\" + name);
    } else {
      CopyFileW((from + L"\\" + name).c_str(), (to + L"\\" + name).c_str(), FALSE);
    }
  } while (FindNextFileW(search, &entry));
  FindClose(search);
}

}  // namespace

LauncherSession::LauncherSession(Machine machine, std::wstring kit_folder)
    : machine_(machine), kit_folder_(std::move(kit_folder)) {
  RegisterRecorders();
  if (kit_folder_.empty()) {
    scratch_.emplace();
    kit_folder_ = scratch_->path();
    CopyTree(DemoKit(), kit_folder_.substr(0, kit_folder_.size() - 1));
  }
}

LauncherSession::~LauncherSession() {
  if (Running()) TerminateProcess(process(), 1);
  // Whatever a failed test left running must not hold port 85 for the next one.
  RunQuietly(L"taskkill /F /IM httpd.exe");
  RunQuietly(L"taskkill /F /IM java.exe");
}

bool LauncherSession::Start() {
  std::wstring path = [] {
    wchar_t old[8192] = {};
    GetEnvironmentVariableW(L"PATH", old, static_cast<DWORD>(std::size(old)));
    return std::wstring(old);
  }();
  if (machine_.java) path = DemoPath() + L"\\java;" + path;
  const EnvironmentOverride search_path(L"PATH", path.c_str());
  const EnvironmentOverride flavour(L"TOLVANE_JAVA_FLAVOUR", machine_.java17 ? L"17" : nullptr);
  const EnvironmentOverride log(L"TOLVANE_STANDIN_LOG", (kit() + L"standins.log").c_str());
  const EnvironmentOverride warmup(L"TOLVANE_WARMUP_MS",
                                   std::to_wstring(machine_.warmup_ms).c_str());
  const EnvironmentOverride java_startup(L"TOLVANE_JAVA_STARTUP_MS",
                                         std::to_wstring(machine_.java_startup_ms).c_str());
  // The environment-variable tool reports bad arguments on stderr instead of in a box.
  const EnvironmentOverride quiet(L"TOLVANE_NO_DIALOGS", L"1");
  // Started from another folder: the launcher must find its kit by its own path.
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(static_cast<DWORD>(std::size(temp)), temp);
  process_ = StartProgram(L"\"" + kit() + L"TolvaneChat.exe\"", temp);
  if (!process_.process) {
    ADD_FAILURE() << "the launcher did not start: error " << GetLastError();
    return false;
  }
  if (!WaitUntil([this] { return (form_ = ShownWindow(L"TForm1", L"Tolvane Chat")) != nullptr; })) {
    ADD_FAILURE() << "no window; the launcher is " << (Running() ? "running" : "gone, exit code ")
                  << ExitCode();
    return false;
  }
  // Input that arrives while the new window is still being mapped and activated can be lost.
  WaitForInputIdle(process(), 5000);
  Sleep(300);
  return true;
}

DWORD LauncherSession::ExitCode() const {
  DWORD code = 0;
  GetExitCodeProcess(process(), &code);
  return code;
}

bool LauncherSession::Running() const {
  return process() && WaitForSingleObject(process(), 0) == WAIT_TIMEOUT;
}

HWND LauncherSession::Control(const std::wstring& name) const { return ControlWindow(form_, name); }

HWND ControlWindow(HWND form, const std::wstring& name) {
  const auto& layout = FormLayout();
  for (std::size_t i = 0; i < layout.size(); ++i) {
    if (name != layout[i].name) continue;
    struct Search {
      int id;
      HWND found;
    } search = {kFirstControlId + static_cast<int>(i), nullptr};
    EnumChildWindows(
        form,
        [](HWND child, LPARAM param) -> BOOL {
          auto* s = reinterpret_cast<Search*>(param);
          if (GetDlgCtrlID(child) != s->id) return TRUE;
          s->found = child;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
  }
  return nullptr;
}

ControlState LauncherSession::State(const std::wstring& name) const {
  HWND window = Control(name);
  ControlState state = {};
  if (!window) return state;
  state.window_class = ClassOf(window);
  state.text = WindowText(window);
  GetWindowRect(window, &state.rect);
  MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&state.rect), 2);
  const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
  state.visible = (style & WS_VISIBLE) != 0;
  state.enabled = IsWindowEnabled(window) != FALSE;
  state.tab_stop = (style & WS_TABSTOP) != 0;
  state.vertical_scroll_bar = (style & WS_VSCROLL) != 0;
  state.sunken_border = (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) != 0;
  DWORD_PTR check = 0;
  SendMessageTimeoutW(window, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &check);
  state.checked = state.window_class == L"Button" && check == BST_CHECKED;
  return state;
}

bool LauncherSession::Visible(const std::wstring& name) const {
  return (GetWindowLongPtrW(Control(name), GWL_STYLE) & WS_VISIBLE) != 0;
}

std::wstring LauncherSession::Focused() const {
  GUITHREADINFO info = {sizeof(info)};
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(form_, nullptr), &info) || !info.hwndFocus) {
    return L"";
  }
  const int index = GetDlgCtrlID(info.hwndFocus) - kFirstControlId;
  const auto& layout = FormLayout();
  if (index < 0 || index >= static_cast<int>(layout.size())) return L"";
  return layout[static_cast<std::size_t>(index)].name;
}

std::wstring LauncherSession::Text(const std::wstring& name) const {
  return WindowText(Control(name));
}

POINT LauncherSession::PointOf(const std::wstring& name) const {
  if (HWND window = Control(name)) return Centre(window);
  // Labels are drawn by their page: a few pixels into the start of the caption.
  POINT at = {};
  for (const LayoutRow& row : FormLayout()) {
    if (name != row.name || !row.parent) continue;
    at = {row.left + 4, row.top + row.height / 2};
    ClientToScreen(Control(row.parent), &at);
  }
  return at;
}

void LauncherSession::Click(const std::wstring& name, const std::wstring& release_on) {
  BringToFront(form_);
  ClickAt(PointOf(name), release_on.empty() ? std::nullopt : std::optional(PointOf(release_on)));
}

void LauncherSession::Key(WORD key, bool shift) {
  BringToFront(form_);
  PressKey(key, shift);
}

void LauncherSession::AltKey(WORD key) {
  BringToFront(form_);
  PressAltKey(key);
}

void LauncherSession::Minimise() { PostMessageW(form_, WM_SYSCOMMAND, SC_MINIMIZE, 0); }

void LauncherSession::Restore() {
  PostMessageW(form_, WM_SYSCOMMAND, SC_RESTORE, 0);
  WaitUntil([this] { return !IsIconic(form_); });
  BringToFront(form_);
}

bool LauncherSession::Close() {
  PostMessageW(form_, WM_SYSCOMMAND, SC_CLOSE, 0);
  return WaitForSingleObject(process(), 20000) == WAIT_OBJECT_0;
}

void LauncherSession::Screenshot(const std::string& name, int settle_ms) const {
  Sleep(static_cast<DWORD>(settle_ms));
  SaveScreenshot(form_, name);
}

HWND LauncherSession::ShownWindow(const wchar_t* window_class, const wchar_t* caption) const {
  HWND found = nullptr;
  while ((found = FindWindowExW(nullptr, found, window_class, caption)) != nullptr) {
    DWORD pid = 0;
    GetWindowThreadProcessId(found, &pid);
    if (pid == process_.id && IsWindowVisible(found)) return found;
  }
  return nullptr;
}

std::wstring LauncherSession::MessageBoxText(HWND box) const {
  return WindowText(GetDlgItem(box, 0xFFFF));
}

void LauncherSession::Answer(HWND box, int button) {
  BringToFront(box);
  ClickAt(Centre(GetDlgItem(box, button)));
}

std::vector<std::wstring> LauncherSession::Records() const {
  std::vector<std::wstring> lines;
  for (const std::string& line : Lines(ReadKitFile(L"standins.log"))) lines.push_back(Wide(line));
  return lines;
}

std::vector<std::wstring> LauncherSession::RecordsOf(const std::wstring& role) const {
  std::vector<std::wstring> found;
  for (const auto& line : Records()) {
    if (line.rfind(role + L"|", 0) == 0) found.push_back(line);
  }
  return found;
}

std::string LauncherSession::ReadKitFile(const std::wstring& relative) const {
  return ReadBytes(kit() + relative);
}

void LauncherSession::WriteKitFile(const std::wstring& relative, const std::string& bytes) const {
  std::ofstream out(std::filesystem::path(kit() + relative), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The handle count comes from the system's process list, and the private bytes from the
// process's committed private regions: Wine answers GetProcessHandleCount for the calling process
// only, and gives another process's PrivateUsage as 0.
Holdings HoldingsOf(HANDLE process) {
  Holdings holdings;
  PROCESS_MEMORY_COUNTERS memory = {sizeof(memory)};
  if (K32GetProcessMemoryInfo(process, &memory, sizeof(memory))) {
    holdings.working_set = memory.WorkingSetSize;
  }
  MEMORY_BASIC_INFORMATION region;
  for (auto* at = static_cast<char*>(nullptr);
       VirtualQueryEx(process, at, &region, sizeof(region)) == sizeof(region);
       at = static_cast<char*>(region.BaseAddress) + region.RegionSize) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) {
      holdings.private_bytes += region.RegionSize;
    }
  }
  std::vector<char> list(1 << 20);
  ULONG size = 0;
  if (NtQuerySystemInformation(SystemProcessInformation, list.data(),
                               static_cast<ULONG>(list.size()), &size) != 0) {
    return holdings;
  }
  const auto pid = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(GetProcessId(process)));
  for (std::size_t at = 0;;) {
    const auto* entry = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(list.data() + at);
    if (entry->UniqueProcessId == pid) {
      holdings.handles = entry->HandleCount;
      break;
    }
    if (!entry->NextEntryOffset) break;
    at += entry->NextEntryOffset;
  }
  return holdings;
}

std::wstring ComputerName() {
  wchar_t name[256] = {};
  DWORD size = static_cast<DWORD>(std::size(name));
  GetComputerNameW(name, &size);
  return name;
}

void StoreSettingsOfThisComputer(const LauncherSession& session, const std::string& java_home) {
  const std::wstring name = ComputerName();
  session.WriteKitFile(L"tools\\config.txt",
                       std::string(name.begin(), name.end()) + "\r\n" + java_home + "\r\n");
}

Record SplitRecord(const std::wstring& line) {
  const std::size_t first = line.find(L'|');
  const std::size_t second = line.find(L'|', first + 1);
  if (first == std::wstring::npos || second == std::wstring::npos) return {line, L"", L""};
  return {line.substr(0, first), line.substr(first + 1, second - first - 1),
          line.substr(second + 1)};
}

}  // namespace tolvane::test
