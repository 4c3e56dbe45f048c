#include "kit.h"

namespace tolvane::kit {

std::wstring LocalUrl(const std::wstring& port, const std::wstring& path) {
  return L"http://127.0.0.1:" + port + path;
}

std::wstring MediaServerParameters(const std::wstring& app_dir, const std::wstring& action) {
  const std::wstring home = L"\"" + app_dir + kMediaServerHome + L"\"";
  return L" -Xmx768M -Dcom.sun.management.jmxremote=true -Dcom.wowza.wms.AppHome=" + home +
         L" -Dcom.wowza.wms.ConfigURL=\"\" -Dcom.wowza.wms.ConfigHome=" + home + L" -cp \"" +
         app_dir + kMediaServerBootstrap + L"\" com.wowza.wms.bootstrap.Bootstrap " + action;
}

std::wstring JavaHomeParameters(const std::wstring& directory) {
  return L"JAVA_HOME \"" + directory + L"\"";
}

}  // namespace tolvane::kit
