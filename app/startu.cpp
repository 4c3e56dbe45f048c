#include "startu.h"

#include <stdexcept>
#include <utility>

#include "javareport.h"
#include "kit.h"
#include "layout.h"
#include "probe.h"
#include "text.h"

namespace tolvane {

std::wstring AppDir;
TMachineSettings Settings;
std::wstring JavaInfo;
std::wstring DetectedJavaHome;
std::wstring WebPort = kit::kWebPort;

namespace {

constexpr wchar_t kStartCaption[] = L"Start Tolvane Chat Server";
constexpr wchar_t kStopCaption[] = L"Stop Tolvane Chat Server";
constexpr wchar_t kNoJava[] = L"Java runtime environment was not detected on this machine.";
constexpr wchar_t kJavaFound[] = L"Java was detected:\r\n";
constexpr wchar_t kNoJavaQuestion[] =
    L"Java runtime environment was not found. Are you sure that Java (JRE) 1.6.0 or above is "
    L"successfully installed?";
constexpr wchar_t kCSharpNotice[] =
    L"If you want to use csharp as the Tolvane Chat scripting language then you have to use some "
    L"other web server (probably IIS).Please take a look on our web pages or send us an email - "
    L"we will send you back instruction how to port Tolvane Chat framework to IIS and ASP.NET.";
constexpr unsigned kStopWaitMs = 4000;
constexpr unsigned kAfterKillWaitMs = 500;

using Handler = void (TForm1::*)();
const std::pair<const wchar_t*, Handler> kHandlers[] = {
    {L"next1Click", &TForm1::next1Click},
    {L"back1Click", &TForm1::back1Click},
    {L"next2Click", &TForm1::next2Click},
    {L"back2Click", &TForm1::back2Click},
    {L"next3Click", &TForm1::next3Click},
    {L"Button2Click", &TForm1::Button2Click},
    {L"startserversClick", &TForm1::startserversClick},
    {L"Label15Click", &TForm1::Label15Click},
    {L"Label16Click", &TForm1::Label16Click},
    {L"csharpcbClick", &TForm1::csharpcbClick},
    {L"savejavahomeClick", &TForm1::savejavahomeClick},
    {L"back3Click", &TForm1::back3Click},
    {L"startdevelopmentClick", &TForm1::startdevelopmentClick},
    {L"viewlogClick", &TForm1::viewlogClick},
    {L"documentationbuttonClick", &TForm1::documentationbuttonClick},
};

}  // namespace

#define TOLVANE_FIELD(name) name(controls_.Get(L## #name))

TForm1::TForm1(Platform& platform, FileSystem& files, Connector& connector,
               std::wstring executable_path, const TextLoader& load_text)
    : controls_(FormLayout()),
      TOLVANE_FIELD(Image1),
      TOLVANE_FIELD(panel5),
      TOLVANE_FIELD(panel3),
      TOLVANE_FIELD(panel2),
      TOLVANE_FIELD(panel1),
      TOLVANE_FIELD(panel4),
      TOLVANE_FIELD(Label5),
      TOLVANE_FIELD(Label6),
      TOLVANE_FIELD(Memo1),
      TOLVANE_FIELD(Memo3),
      TOLVANE_FIELD(next1),
      TOLVANE_FIELD(Label7),
      TOLVANE_FIELD(Label8),
      TOLVANE_FIELD(Memo2),
      TOLVANE_FIELD(next2),
      TOLVANE_FIELD(back1),
      TOLVANE_FIELD(Label12),
      TOLVANE_FIELD(Memo4),
      TOLVANE_FIELD(Image7),
      TOLVANE_FIELD(Button2),
      TOLVANE_FIELD(currentjavaversion),
      TOLVANE_FIELD(Memo5),
      TOLVANE_FIELD(setjavahome),
      TOLVANE_FIELD(back2),
      TOLVANE_FIELD(next3),
      TOLVANE_FIELD(Label3),
      TOLVANE_FIELD(Label2),
      TOLVANE_FIELD(Label15),
      TOLVANE_FIELD(Label14),
      TOLVANE_FIELD(Label16),
      TOLVANE_FIELD(autoopenmainpage),
      TOLVANE_FIELD(startservers),
      TOLVANE_FIELD(Bevel1),
      TOLVANE_FIELD(Label1),
      TOLVANE_FIELD(GroupBox1),
      TOLVANE_FIELD(Image2),
      TOLVANE_FIELD(apachecb),
      TOLVANE_FIELD(GroupBox2),
      TOLVANE_FIELD(Image3),
      TOLVANE_FIELD(wowzacb),
      TOLVANE_FIELD(Image4),
      TOLVANE_FIELD(red5cb),
      TOLVANE_FIELD(GroupBox3),
      TOLVANE_FIELD(Image5),
      TOLVANE_FIELD(phpcb),
      TOLVANE_FIELD(Image6),
      TOLVANE_FIELD(csharpcb),
      TOLVANE_FIELD(Label13),
      TOLVANE_FIELD(e1),
      TOLVANE_FIELD(savejavahome),
      TOLVANE_FIELD(back3),
      TOLVANE_FIELD(Bevel2),
      TOLVANE_FIELD(Label4),
      TOLVANE_FIELD(Label17),
      TOLVANE_FIELD(startdevelopment),
      TOLVANE_FIELD(Label18),
      TOLVANE_FIELD(viewlog),
      TOLVANE_FIELD(Label19),
      TOLVANE_FIELD(documentationbutton),
      TOLVANE_FIELD(Label20),
      http(connector, SystemUnixTime),
      platform_(platform),
      files_(files),
      executable_path_(std::move(executable_path)) {
  for (const auto& control : controls_.all()) {
    const Asset asset = control->row().asset;
    if (control->kind() != Kind::Picture && asset != Asset::None)
      control->SetText(load_text(asset));
  }
  WireHandlers();
}

#undef TOLVANE_FIELD

void TForm1::WireHandlers() {
  for (const auto& control : controls_.all()) {
    const wchar_t* name = control->row().on_click;
    if (!name) continue;
    Handler handler = nullptr;
    for (const auto& [handler_name, method] : kHandlers) {
      if (std::wstring(handler_name) == name) handler = method;
    }
    if (!handler) throw std::logic_error("a control names a handler the form does not have");
    control->on_click = [this, handler] { (this->*handler)(); };
  }
}

// Start-up: the kit's directory and the computer name, then the settings decide between the
// first-run wizard and the control page.
void TForm1::FormCreate() {
  AppDir = ExtractFilePath(executable_path_);
  std::wstring computer_name;
  if (!platform_.ComputerName(computer_name)) computer_name.clear();

  TMachineSettings loaded;
  LoadSettings(loaded);
  Settings = loaded;
  HideAllPages();
  if (Settings.ComputerName == computer_name) {
    e1.SetText(Settings.JavaHome);
    panel4.SetVisible(true);
  } else {
    Settings.ComputerName = computer_name;
    panel1.SetVisible(true);
  }
}

void TForm1::FormClose() {
  closed_ = true;
  platform_.ShellOpen(kit::kJava, kit::MediaServerParameters(AppDir, L"stop"), L"", kSwMinimize);
  StopWebServer();
}

void TForm1::HideAllPages() {
  panel1.SetVisible(false);
  panel2.SetVisible(false);
  panel3.SetVisible(false);
  panel4.SetVisible(false);
}

void TForm1::ShowPage(TControl& page) {
  HideAllPages();
  page.SetVisible(true);
}

void TForm1::LoadSettings(TMachineSettings& settings) {
  tolvane::LoadSettings(files_, AppDir + kit::kSettingsFile, settings);
}

void TForm1::SaveSettings(const TMachineSettings& settings) {
  tolvane::SaveSettings(files_, AppDir + kit::kSettingsFile, settings);
}

int TForm1::RunAndWait(const std::wstring& path) { return platform_.RunAndWait(path); }

void TForm1::DetectJava() {
  JavaDetection detection;
  tolvane::DetectJava(
      files_, [this](const std::wstring& path) { return RunAndWait(path); }, AppDir, detection);
  JavaInfo = detection.JavaInfo;
  DetectedJavaHome = detection.DetectedJavaHome;
}

void TForm1::next1Click() { ShowPage(panel2); }
void TForm1::back1Click() { ShowPage(panel1); }
void TForm1::back2Click() { ShowPage(panel2); }

// Uncovers the waiting page and paints it before the Java test script blocks the window. The
// messages let through here may close the window; then there is nothing left to detect for.
void TForm1::next2Click() {
  HideAllPages();
  platform_.ProcessMessages();
  platform_.ProcessMessages();
  if (closed_) return;
  platform_.RepaintMainWindow();
  platform_.ProcessMessages();
  if (closed_) return;
  panel3.SetVisible(true);
  DetectJava();
  ShowJavaResult();
}

void TForm1::ShowJavaResult() {
  if (JavaInfo.empty()) {
    currentjavaversion.SetText(kNoJava);
    currentjavaversion.SetFontColour(kClRed);
    currentjavaversion.SetBold(true);
  } else {
    currentjavaversion.SetText(kJavaFound + JavaInfo);
    currentjavaversion.SetFontColour(kClDarkGreen);
  }
}

void TForm1::next3Click() {
  DetectJava();
  // A window closed while the question is up (its box then ends with no answer) finishes nothing.
  if (JavaInfo.empty() &&
      (platform_.ShowMessageBox(kNoJavaQuestion, L"Warning", kMbYesNo | kMbIconWarning) == kIdNo ||
       closed_)) {
    return;
  }
  FinishWizard();
  ShowPage(panel4);
}

void TForm1::RegisterJavaHome(const std::wstring& directory) {
  platform_.ShellOpen(AppDir + kit::kEnvironmentTool, kit::JavaHomeParameters(directory), L"",
                      kSwShow);
}

void TForm1::FinishWizard() {
  if (setjavahome.Checked() && DetectedJavaHome.size() > 1) RegisterJavaHome(DetectedJavaHome);
  Settings.JavaHome = DetectedJavaHome;
  SaveSettings(Settings);
  e1.SetText(Settings.JavaHome);
}

void TForm1::savejavahomeClick() {
  Settings.JavaHome = e1.Text();
  RegisterJavaHome(e1.Text());
  SaveSettings(Settings);
}

// The caption is the toggle's state: the stack is stopped while it offers to start.
void TForm1::startserversClick() {
  const ProbeTime clicked = std::chrono::steady_clock::now();
  platform_.ShowMainWindow(kSwHide);
  if (Pos(L"Start", startservers.Text()) > 0) {
    StartStack(clicked);
  } else {
    StopStack();
  }
}

void TForm1::StartStack(ProbeTime clicked) {
  startservers.SetText(kStopCaption);
  platform_.ShellOpen(kit::kJava, kit::MediaServerParameters(AppDir, L"start"), L"", kSwMinimize);
  ApacheProcess = platform_.ShellOpenKeepingProcess(AppDir + kit::kWebServer,
                                                    AppDir + kit::kWebServerDir, kSwMinimize);
  if (autoopenmainpage.Checked()) {
    OpenMainPageWhenReady(clicked + kMainPageWaitLimit);
  } else {
    platform_.ShowMainWindow(kSwShow);
  }
}

void TForm1::StopStack() {
  startservers.SetText(kStartCaption);
  platform_.ShowMainWindow(kSwHide);
  platform_.ShellOpen(kit::kJava, kit::MediaServerParameters(AppDir, L"stop"), L"", kSwMinimize);
  platform_.Pause(kStopWaitMs);
  StopWebServer();
  platform_.Pause(kAfterKillWaitMs);
  platform_.ShowMainWindow(kSwShow);
}

// Ends the web server the launcher started (its handle is closed and forgotten, so a later stop
// never touches it again), then every web-server process of the machine, workers included.
void TForm1::StopWebServer() {
  if (ApacheProcess != 0) {
    platform_.EndProcess(ApacheProcess);
    ApacheProcess = 0;
  }
  platform_.ShellOpen(kit::kTaskkill, kit::kStopWebServers, L"", kSwMinimize);
}

// Waits, with the window hidden, until the chat's main page answers or `deadline` comes, then
// shows the window and opens the main page in the browser, whether or not it answered in time.
void TForm1::OpenMainPageWhenReady(ProbeTime deadline) {
  const std::wstring url = kit::LocalUrl(WebPort, kit::kMainPagePath);
  WaitForMainPage(
      deadline,
      [this, &url](ProbeTime until) { return http.Get(url, kMainPageMarker, until).marker_found; },
      [this](unsigned ms) { platform_.Pause(ms); });
  platform_.ShowMainWindow(kSwShow);
  platform_.ShellOpen(url, L"", L"", kSwShowMaximized);
}

void TForm1::OpenJavaInstaller() {
  platform_.ShellOpen(AppDir + kit::kJavaInstaller, L"", L"", kSwShow);
}

void TForm1::Button2Click() { OpenJavaInstaller(); }
void TForm1::back3Click() { OpenJavaInstaller(); }

void TForm1::Label15Click() {
  platform_.ShellOpen(kit::kNotepad, AppDir + kit::kWebServerConfig, L"", kSwShowMaximized);
}

void TForm1::Label16Click() {
  platform_.ShellOpen(kit::kNotepad, AppDir + kit::kPhpConfig, L"", kSwShowMaximized);
}

void TForm1::startdevelopmentClick() {
  platform_.ShowMainWindow(kSwMinimize);
  platform_.ShellOpen(AppDir + kit::kIde, kit::kIdeParameters, AppDir, kSwShowMaximized);
}

void TForm1::viewlogClick() {
  platform_.ShellOpen(kit::LocalUrl(WebPort, kit::kLogViewerPath), L"", L"", kSwShow);
}

void TForm1::documentationbuttonClick() {
  platform_.ShellOpen(AppDir + kit::kDocumentation, L"", L"", kSwShowMaximized);
}

// C# needs another web server than the kit's: explain, and return the choice to PHP.
void TForm1::csharpcbClick() {
  platform_.ShowMessageBox(kCSharpNotice, L"Information", kMbOk | kMbIconInformation);
  phpcb.SetChecked(true);
}

}  // namespace tolvane
