// Stand-in for "java" on the search path, playing the two parts the kit needs from it: a runtime
// that answers "-version" (and "-verbose -version") like Java 6, or like OpenJDK 17 when
// TOLVANE_JAVA_FLAVOUR is 17, and the media server, whose command line ends in "start" (keeps
// running, windowless, until the same command line with "stop" comes).
// A GUI program, so that no console window opens for the media server; the version text still
// reaches the test script through the standard handles cmd.exe redirects.
#include <windows.h>

#include <cwchar>
// Needs the types windows.h defines.
#include <shellapi.h>

#include <string>
#include <vector>

#include "owners.h"
#include "record.h"

namespace {

constexpr wchar_t kMediaServerEvent[] = L"TolvaneChatStandInMediaServer";

constexpr char kJava6Classes[] =
    "[Opened C:\\Program Files\\Java\\jre6\\lib\\rt.jar]\r\n"
    "[Loaded java.lang.Object from C:\\Program Files\\Java\\jre6\\lib\\rt.jar]\r\n"
    "[Loaded java.io.Serializable from C:\\Program Files\\Java\\jre6\\lib\\rt.jar]\r\n";
constexpr char kJava6Version[] =
    "java version \"1.6.0_45\"\r\n"
    "Java(TM) SE Runtime Environment (build 1.6.0_45-b06)\r\n"
    "Java HotSpot(TM) 64-Bit Server VM (build 20.45-b01, mixed mode)\r\n";
constexpr char kJava17Classes[] =
    "[0.010s][info][class,load] java.lang.Object source: jrt:/java.base\r\n";
constexpr char kJava17Version[] =
    "openjdk version \"17.0.2\" 2022-01-18\r\n"
    "OpenJDK Runtime Environment (build 17.0.2+8-86)\r\n"
    "OpenJDK 64-Bit Server VM (build 17.0.2+8-86, mixed mode, sharing)\r\n";
constexpr char kUsage[] = "Usage: java [-options] class [args...]\r\n";

std::vector<std::wstring> Arguments() {
  int count = 0;
  LPWSTR* raw = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::wstring> arguments;
  for (int i = 1; raw != nullptr && i < count; ++i) arguments.emplace_back(raw[i]);
  LocalFree(raw);
  return arguments;
}

bool Has(const std::vector<std::wstring>& arguments, const wchar_t* argument) {
  for (const std::wstring& a : arguments) {
    if (a == argument) return true;
  }
  return false;
}

void Write(DWORD standard_handle, const char* text) {
  DWORD written = 0;
  WriteFile(GetStdHandle(standard_handle), text,
            static_cast<DWORD>(std::char_traits<char>::length(text)), &written, nullptr);
}

bool IsJava17() {
  wchar_t flavour[8] = {};
  const DWORD length = GetEnvironmentVariableW(L"TOLVANE_JAVA_FLAVOUR", flavour,
                                               static_cast<DWORD>(std::size(flavour)));
  return length < std::size(flavour) && std::wstring(flavour, length) == L"17";
}

// A real Java runtime takes a moment to start; TOLVANE_JAVA_STARTUP_MS makes the stand-in take
// as long, so that what the launcher shows meanwhile can be seen.
void StartUp() {
  wchar_t milliseconds[16] = {};
  const DWORD length = GetEnvironmentVariableW(L"TOLVANE_JAVA_STARTUP_MS", milliseconds,
                                               static_cast<DWORD>(std::size(milliseconds)));
  if (length > 0 && length < std::size(milliseconds)) Sleep(wcstoul(milliseconds, nullptr, 10));
}

// As the real launcher does: class-loading lines on standard output, the version on standard error.
int PrintVersion(bool verbose) {
  StartUp();
  const bool java17 = IsJava17();
  if (verbose) Write(STD_OUTPUT_HANDLE, java17 ? kJava17Classes : kJava6Classes);
  Write(STD_ERROR_HANDLE, java17 ? kJava17Version : kJava6Version);
  return 0;
}

int RunMediaServer() {
  const tolvane::standin::UniqueHandle stop(CreateEventW(nullptr, TRUE, FALSE, kMediaServerEvent));
  if (!stop.valid()) return 1;
  WaitForSingleObject(stop.get(), INFINITE);
  return 0;
}

// Like the real media server's stop command, it fails when no media server is running.
int StopMediaServer() {
  const tolvane::standin::UniqueHandle stop(
      OpenEventW(EVENT_MODIFY_STATE, FALSE, kMediaServerEvent));
  return stop.valid() && SetEvent(stop.get()) ? 0 : 1;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  tolvane::standin::Record(L"java");
  const std::vector<std::wstring> arguments = Arguments();
  if (Has(arguments, L"-version")) return PrintVersion(Has(arguments, L"-verbose"));
  if (!arguments.empty() && arguments.back() == L"start") return RunMediaServer();
  if (!arguments.empty() && arguments.back() == L"stop") return StopMediaServer();
  Write(STD_ERROR_HANDLE, kUsage);
  return 1;
}
