// Program entry of TolvaneChat.exe: the common controls, the one window, its message loop.
#include <windows.h>
// commctrl.h needs the types of windows.h before it.
#include <commctrl.h>

#include <string>

#include "assets.h"
#include "form_window.h"
#include "platform_win32.h"
#include "socket.h"
#include "startu.h"
#include "startup_marks.h"

namespace {

std::wstring ExecutablePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  // A DLL of a system library's name beside the launcher (the kit folder) must never be loaded:
  // libraries loaded later come from System32 only.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  tolvane::StartupMark("entry");
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  tolvane::StartupMark("common controls");

  tolvane::Win32Platform platform;
  tolvane::TForm1 form(
      platform, tolvane::MachineFileSystem(), tolvane::SystemConnector(), ExecutablePath(),
      [instance](tolvane::Asset asset) { return tolvane::LoadAssetText(instance, asset); });
  tolvane::StartupMark("form and its texts");
  tolvane::FormWindow window(form, instance);
  if (!window.Create()) return 1;
  tolvane::StartupMark("window, pictures and controls");
  platform.set_main_window(window.hwnd());
  platform.set_message_filter([&window](MSG& message) { return window.HandleKey(message); });
  platform.set_wait_observer([&window](bool waiting) { window.SetWaiting(waiting); });
  form.FormCreate();
  tolvane::StartupMark("FormCreate");
  window.ShowFirstTime();
  tolvane::StartupMark("shown and painted");
  return platform.RunMessageLoop();
}
