// The installation kit the launcher works on: every relative path and outside program it names,
// and the command lines and URLs built from them. Paths are AppDir (with its trailing backslash)
// followed by a relative path; nothing is normalised, checked or quoted unless stated.
#pragma once

#include <string>

namespace tolvane::kit {

// Relative to AppDir.
inline constexpr wchar_t kSettingsFile[] = L"tools\\config.txt";
inline constexpr wchar_t kJavaTestScript[] = L"tools\\javatest.bat";
inline constexpr wchar_t kJavaReport[] = L"tools\\javaversion.txt";
inline constexpr wchar_t kJavaInstaller[] = L"tools\\jre.exe";
inline constexpr wchar_t kEnvironmentTool[] =
    L"tools\\RegisterEnvironmentVariable\\RegisterEnvironmentVariable.exe";
inline constexpr wchar_t kIde[] = L"tools\\netbeans\\bin\\netbeans.exe";
inline constexpr wchar_t kWebServer[] = L"servers\\apache\\bin\\httpd.exe";
inline constexpr wchar_t kWebServerDir[] = L"servers\\apache\\bin\\";
inline constexpr wchar_t kWebServerConfig[] = L"servers\\apache\\conf\\httpd.conf";
inline constexpr wchar_t kPhpConfig[] = L"servers\\php\\php.ini";
inline constexpr wchar_t kMediaServerHome[] = L"servers\\wowza";
inline constexpr wchar_t kMediaServerBootstrap[] = L"servers\\wowza\\bin\\wms-bootstrap.jar";
inline constexpr wchar_t kDocumentation[] = L"TolvaneChat.pdf";

// Programs the shell finds on the search path.
inline constexpr wchar_t kJava[] = L"java";
inline constexpr wchar_t kTaskkill[] = L"taskkill";
inline constexpr wchar_t kNotepad[] = L"notepad";
inline constexpr wchar_t kStopWebServers[] = L"/F /IM httpd.exe";

// The IDE's arguments, relative to AppDir as its working directory.
inline constexpr wchar_t kIdeParameters[] =
    L"--userdir .\\tools\\Project\\nbproject\\settings\\ .\\tools\\Project\\ "
    L".\\www\\config.xml .\\www\\service\\service.php";

// The web server's port, only ever pasted into local URLs.
inline constexpr wchar_t kWebPort[] = L"85";
inline constexpr wchar_t kMainPagePath[] = L"/index.php";
inline constexpr wchar_t kLogViewerPath[] = L"/service/logs/";

// "http://127.0.0.1:" + port + path.
std::wstring LocalUrl(const std::wstring& port, const std::wstring& path);

// The media server's parameter text for "java": it begins with one space, then the JVM options,
// the class path and the bootstrap class, and ends with `action` ("start" or "stop").
std::wstring MediaServerParameters(const std::wstring& app_dir, const std::wstring& action);

// The environment-variable tool's parameters: JAVA_HOME "dir", the directory as it stands.
std::wstring JavaHomeParameters(const std::wstring& directory);

}  // namespace tolvane::kit
