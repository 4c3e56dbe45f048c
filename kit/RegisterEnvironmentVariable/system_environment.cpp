#include "system_environment.h"

#include <memory>
#include <type_traits>

namespace tolvane::envtool {
namespace {

constexpr wchar_t kEnvironmentKey[] =
    L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

struct KeyCloser {
  void operator()(HKEY key) const { RegCloseKey(key); }
};
using UniqueKey = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

}  // namespace

DWORD SetSystemEnvironmentVariable(const std::wstring& name, const std::wstring& value) {
  HKEY raw_key = nullptr;
  LSTATUS status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kEnvironmentKey, 0, KEY_SET_VALUE, &raw_key);
  if (status != ERROR_SUCCESS) return static_cast<DWORD>(status);
  const UniqueKey key(raw_key);

  const DWORD type = value.find(L'%') == std::wstring::npos ? REG_SZ : REG_EXPAND_SZ;
  const DWORD size = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
  status = RegSetValueExW(key.get(), name.c_str(), 0, type,
                          reinterpret_cast<const BYTE*>(value.c_str()), size);
  if (status != ERROR_SUCCESS) return static_cast<DWORD>(status);

  // Explorer and other listeners reload the environment on this message, so programs started
  // from them afterwards see the new value. A window that does not answer within the time-out is
  // skipped; the variable is set either way, so the broadcast's outcome is not reported.
  DWORD_PTR answer = 0;
  SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"Environment"),
                      SMTO_ABORTIFHUNG, 5000, &answer);
  return ERROR_SUCCESS;
}

}  // namespace tolvane::envtool
