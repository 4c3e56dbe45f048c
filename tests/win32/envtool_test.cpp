// The environment-variable tool, run for real: it writes the machine's environment in the Wine
// prefix's registry. Every test program uses a variable of its own and removes it again.
#include <gtest/gtest.h>

#include "kit_fixtures.h"

namespace tolvane::test {
namespace {

constexpr wchar_t kEnvironmentKey[] =
    L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

struct StoredValue {
  DWORD type = REG_NONE;
  std::wstring text;
};

std::optional<StoredValue> Stored(const std::wstring& name) {
  DWORD size = 0;
  const DWORD flags = RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND;
  if (RegGetValueW(HKEY_LOCAL_MACHINE, kEnvironmentKey, name.c_str(), flags, nullptr, nullptr,
                   &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  StoredValue value;
  std::wstring buffer(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
  if (RegGetValueW(HKEY_LOCAL_MACHINE, kEnvironmentKey, name.c_str(), flags, &value.type,
                   buffer.data(), &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  value.text = buffer.c_str();
  return value;
}

// Programs started later from Explorer only see the new value if it tells them: what a window of
// the test's was told while the tool ran.
std::wstring g_setting_changed;

LRESULT CALLBACK ListeningWindow(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_SETTINGCHANGE && l != 0) g_setting_changed = reinterpret_cast<wchar_t*>(l);
  return DefWindowProcW(window, message, w, l);
}

class EnvironmentTool : public ::testing::Test {
 protected:
  EnvironmentTool() {
    Remove();
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = ListeningWindow;
    window_class.lpszClassName = L"TolvaneEnvironmentListener";
    RegisterClassW(&window_class);
    listener_ = CreateWindowExW(0, window_class.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 10, 10,
                                nullptr, nullptr, nullptr, nullptr);
  }
  ~EnvironmentTool() override {
    DestroyWindow(listener_);
    Remove();
  }

  void Remove() const { RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kEnvironmentKey, name_.c_str()); }
  std::optional<StoredValue> Stored() const { return test::Stored(name_); }

  static std::wstring Tool() {
    return KitBinary(L"RegisterEnvironmentVariable\\RegisterEnvironmentVariable.exe");
  }

  struct Outcome {
    DWORD exit_code = 0;
    std::string message;  // what the tool wrote to standard error instead of a message box
    std::wstring told;    // what the tool told running programs had changed
  };

  // Runs the tool with `arguments` after its quoted path, as the shell passes them.
  Outcome RunTool(const std::wstring& arguments) {
    const std::wstring errors = scratch_.path() + L"stderr.txt";
    Outcome outcome;
    g_setting_changed.clear();
    {
      const UniqueHandle file = OutputFile(errors);
      const RunResult run = RunProgram(L"\"" + Tool() + L"\" " + arguments, L"", 15000, file.get());
      EXPECT_TRUE(run.started);
      outcome.exit_code = run.exit_code;
    }
    outcome.message = ReadBytes(errors);
    outcome.told = g_setting_changed;
    return outcome;
  }

  // Tests run in parallel, each in a process of its own.
  const std::wstring name_ = L"TOLVANE_TEST_HOME_" + std::to_wstring(GetCurrentProcessId());
  ScratchFolder scratch_;
  HWND listener_ = nullptr;
  // No one is there to close a message box.
  EnvironmentOverride no_dialogs_{L"TOLVANE_NO_DIALOGS", L"1"};
};

// References to other variables stay expandable.
TEST_F(EnvironmentTool, SetsDirectoryValuesAsTheyStand) {
  const struct {
    std::wstring arguments;
    const wchar_t* value;
    DWORD type;
  } cases[] = {
      {name_ + L" \"C:\\Program Files\\Java\\jre6\"", L"C:\\Program Files\\Java\\jre6", REG_SZ},
      {name_ + L" \"C:\\Java\\\"", L"C:\\Java\\", REG_SZ},
      {name_ + L" \"\"", L"", REG_SZ},
      {name_ + L" \"%ProgramFiles%\\Java\\jre6\"", L"%ProgramFiles%\\Java\\jre6", REG_EXPAND_SZ},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf8(c.arguments));
    const Outcome outcome = RunTool(c.arguments);
    EXPECT_EQ(outcome.exit_code, 0u);
    EXPECT_EQ(outcome.message, "");
    EXPECT_EQ(outcome.told, L"Environment");
    const std::optional<StoredValue> stored = Stored();
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->type, c.type);
    EXPECT_EQ(stored->text, c.value);
  }
}

TEST_F(EnvironmentTool, RefusesBadArgumentsWithAMessageAndWritesNothing) {
  const std::wstring cases[] = {
      L"",
      name_,
      name_ + L" C:\\Java",
      name_ + L" \"C:\\Java",
      name_ + L"=x \"C:\\Java\"",
      L"\"" + name_ + L"\" \"C:\\Java\"",
      name_ + L" C:\\Program Files\\Java \"jre6\"",
  };
  for (const std::wstring& arguments : cases) {
    SCOPED_TRACE(Utf8(arguments));
    const Outcome outcome = RunTool(arguments);
    EXPECT_EQ(outcome.exit_code, 1u);
    EXPECT_NE(outcome.message.find("Usage: RegisterEnvironmentVariable NAME \"value\""),
              std::string::npos)
        << outcome.message;
    EXPECT_FALSE(Stored());
  }
}

}  // namespace
}  // namespace tolvane::test
