// The form unit: the launcher's one window, TForm1, with a field per control, one handler per
// control event, and the values the handlers share.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "controls.h"
#include "files.h"
#include "http_client.h"
#include "platform.h"
#include "probe.h"
#include "settings.h"

namespace tolvane {

// Values shared by the handlers; they live as long as the process.
extern std::wstring AppDir;            // the executable's directory, with its trailing backslash
extern TMachineSettings Settings;      // as loaded, and as last saved
extern std::wstring JavaInfo;          // version lines of the last Java detection, CR LF after each
extern std::wstring DetectedJavaHome;  // Java home of the last detection, as the report spelt it
extern std::wstring WebPort;           // the kit's web server port, "85"

// Loads the text of a text box from the executable's resources.
using TextLoader = std::function<std::wstring(Asset)>;

class TForm1 {
 public:
  // Builds every control from the layout. FormCreate runs separately, once the caller has applied
  // the layout to real windows (or to none, headless).
  TForm1(Platform& platform, FileSystem& files, Connector& connector, std::wstring executable_path,
         const TextLoader& load_text);

  ControlTree& controls() { return controls_; }
  bool closed() const { return closed_; }

  // Events of the window.
  void FormCreate();
  void FormClose();

  // Events of the controls.
  void next1Click();
  void back1Click();
  void next2Click();
  void back2Click();
  void next3Click();
  void Button2Click();
  void startserversClick();
  void Label15Click();
  void Label16Click();
  void csharpcbClick();
  void savejavahomeClick();
  void back3Click();
  void startdevelopmentClick();
  void viewlogClick();
  void documentationbuttonClick();

 private:
  // Declared before the control fields: they refer to the controls it owns.
  ControlTree controls_;

 public:
  // The controls, by their designer names.
  TControl &Image1, &panel5, &panel3, &panel2, &panel1, &panel4;
  TControl &Label5, &Label6, &Memo1, &Memo3, &next1;
  TControl &Label7, &Label8, &Memo2, &next2, &back1;
  TControl &Label12, &Memo4, &Image7, &Button2, &currentjavaversion, &Memo5, &setjavahome, &back2,
      &next3;
  TControl &Label3, &Label2, &Label15, &Label14, &Label16, &autoopenmainpage, &startservers,
      &Bevel1, &Label1, &GroupBox1, &Image2, &apachecb, &GroupBox2, &Image3, &wowzacb, &Image4,
      &red5cb, &GroupBox3, &Image5, &phpcb, &Image6, &csharpcb, &Label13, &e1, &savejavahome,
      &back3, &Bevel2, &Label4, &Label17, &startdevelopment, &Label18, &viewlog, &Label19,
      &documentationbutton, &Label20;

  // The HTTP client the readiness probe asks the web application through.
  HttpClient http;

 private:
  void WireHandlers();
  void HideAllPages();
  void ShowPage(TControl& page);
  void LoadSettings(TMachineSettings& settings);
  void SaveSettings(const TMachineSettings& settings);
  int RunAndWait(const std::wstring& path);
  void DetectJava();
  void ShowJavaResult();
  void RegisterJavaHome(const std::wstring& directory);
  void FinishWizard();
  void StartStack(ProbeTime clicked);
  void StopStack();
  void StopWebServer();
  void OpenMainPageWhenReady(ProbeTime deadline);
  void OpenJavaInstaller();

  Platform& platform_;
  FileSystem& files_;
  std::wstring executable_path_;
  ProcessHandle ApacheProcess = 0;
  bool closed_ = false;
};

}  // namespace tolvane
