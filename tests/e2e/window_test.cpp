// The real window under Wine: its frame, every windowed control against the layout (as laid out,
// and scaled for another screen resolution), their fonts, first focus and Tab order by real keys,
// and what a screen reader reads of it.
#include <gtest/gtest.h>
#include <oleacc.h>
#include <uxtheme.h>
#include <vsstyle.h>
#include <vssym32.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <cwctype>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "files.h"
#include "form_window.h"
#include "launcher_session.h"
#include "layout.h"
#include "oleacc_library.h"
#include "readable_colour.h"
#include "recording_platform.h"
#include "scaling.h"
#include "screen.h"
#include "socket.h"

namespace tolvane::test {
namespace {

std::wstring ExpectedClass(Kind kind) {
  if (kind == Kind::Page) return L"TPanel";
  if (kind == Kind::GroupBox) return L"TGroupBox";
  return kind == Kind::Memo || kind == Kind::Edit ? L"Edit" : L"Button";
}

bool IsWindowedKind(Kind kind) {
  return kind != Kind::Label && kind != Kind::Link && kind != Kind::Picture && kind != Kind::Bevel;
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// The height of the digit 0 in the window font at a screen resolution, measured as the launcher
// measures it.
int MeasuredTextHeight(int dpi) {
  HFONT font = CreateFontW(WindowFontHeightForDpi(-11, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                           FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  SIZE size = {};
  GetTextExtentPoint32W(dc, L"0", 1, &size);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  DeleteObject(font);
  return size.cy;
}

// A screen of `dpi` for the programs started while it lives: Wine reads the dpi from the
// registry when a process starts. The prefix's own setting is put back, also when a test stops
// half way.
class LogPixels {
 public:
  explicit LogPixels(DWORD dpi) {
    DWORD size = sizeof(saved_);
    had_value_ = RegGetValueW(HKEY_CURRENT_USER, kDesktop, L"LogPixels", RRF_RT_REG_DWORD, nullptr,
                              &saved_, &size) == ERROR_SUCCESS;
    Set(dpi);
  }
  ~LogPixels() {
    if (had_value_)
      Set(saved_);
    else
      RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktop, L"LogPixels");
  }
  LogPixels(const LogPixels&) = delete;
  LogPixels& operator=(const LogPixels&) = delete;

 private:
  static constexpr wchar_t kDesktop[] = L"Control Panel\\Desktop";
  static void Set(DWORD dpi) {
    RegSetKeyValueW(HKEY_CURRENT_USER, kDesktop, L"LogPixels", REG_DWORD, &dpi, sizeof(dpi));
  }
  DWORD saved_ = 0;
  bool had_value_ = false;
};

// A check that only Windows can make, told in the test's output and its XML report, so that a
// green run under Wine does not claim it.
void Unchecked(const std::string& what) {
  std::printf("[ UNCHECKED ] %s: Windows only\n", what.c_str());
  ::testing::Test::RecordProperty("unchecked", what);
}

// How many pixels of `area` are painted `colour`.
int PixelsIn(HDC dc, const Rect& area, COLORREF colour) {
  int count = 0;
  for (int y = area.top; y < area.top + area.height; ++y) {
    for (int x = area.left; x < area.left + area.width; ++x) count += GetPixel(dc, x, y) == colour;
  }
  return count;
}

// The page a control lies on; a page is its own.
std::wstring PageOf(const TControl& control) {
  const TControl* c = &control;
  while (c->parent()) c = c->parent();
  return c->name();
}

// Compares the windowed controls of the running window with the layout scaled for `measured`:
// every page, and the controls of the pages that have shown so far, while `showing` shows. The
// controls of a page that has not shown yet have no windows.
int ExpectLayout(const LauncherSession& session, int measured,
                 const std::vector<std::wstring>& shown, const std::wstring& showing) {
  ControlTree expected(FormLayout());
  const Rect client = ScaleForm(expected, kClientWidth, kClientHeight, measured);
  RECT area;
  GetClientRect(session.form(), &area);
  EXPECT_EQ(area.right, client.width);
  EXPECT_EQ(area.bottom, client.height);
  int compared = 0;
  for (const auto& control : expected.all()) {
    if (!IsWindowedKind(control->kind())) continue;
    SCOPED_TRACE(Narrow(control->name()));
    const std::wstring page = PageOf(*control);
    if (control->kind() != Kind::Page &&
        std::find(shown.begin(), shown.end(), page) == shown.end()) {
      EXPECT_EQ(session.Control(control->name()), nullptr);
      continue;
    }
    const ControlState state = session.State(control->name());
    const Rect& b = control->bounds();
    EXPECT_EQ(state.window_class, ExpectedClass(control->kind()));
    if (control->row().asset != Asset::None) {
      EXPECT_FALSE(state.text.empty()) << "a licence box comes with its text";
    } else if (control->name() != L"currentjavaversion" && control->name() != L"e1") {
      // (Those two show what the Java detection found.)
      EXPECT_EQ(state.text, control->Text());
    }
    EXPECT_EQ(state.rect.left, b.left);
    EXPECT_EQ(state.rect.top, b.top);
    EXPECT_EQ(state.rect.right - state.rect.left, b.width);
    EXPECT_EQ(state.rect.bottom - state.rect.top, b.height);
    EXPECT_EQ(state.enabled, control->Enabled());
    EXPECT_EQ(state.tab_stop, control->TabStop() && control->Focusable());
    EXPECT_EQ(state.checked, control->Checked());
    // Only the two licence boxes scroll; text boxes are sunken unless borderless, and so is e1.
    EXPECT_EQ(state.vertical_scroll_bar,
              control->name() == L"Memo1" || control->name() == L"Memo2");
    const bool text_box = control->kind() == Kind::Memo || control->kind() == Kind::Edit;
    EXPECT_EQ(state.sunken_border, text_box && !(control->row().flags & kBorderless));
    // Only the page seen shows, the waiting page under it hidden; every control is visible on
    // its page.
    EXPECT_EQ(state.visible, control->kind() != Kind::Page || page == showing);
    ++compared;
  }
  return compared;
}

// A key pressed, and the focus where it then comes to rest.
::testing::AssertionResult KeyMovesFocusTo(LauncherSession& session, WORD key,
                                           const std::wstring& expected, bool shift = false) {
  session.Key(key, shift);
  if (WaitUntil([&] { return session.Focused() == expected; }, std::chrono::seconds(5))) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << "the focus is on " << Narrow(session.Focused()) << ", not " << Narrow(expected);
}

// Tab from the first focus round the page and back to it, then Shift+Tab the other way.
void ExpectTabOrder(LauncherSession& session, const std::vector<std::wstring>& order) {
  ASSERT_TRUE(WaitUntil([&] { return session.Focused() == order.front(); }))
      << "focus is on " << Narrow(session.Focused());
  for (std::size_t i = 1; i <= order.size(); ++i) {
    EXPECT_TRUE(KeyMovesFocusTo(session, VK_TAB, order[i % order.size()]));
  }
  for (std::size_t i = order.size(); i > 0; --i) {
    EXPECT_TRUE(KeyMovesFocusTo(session, VK_TAB, order[i - 1], true));
  }
}

// From a first start through the wizard to the control page, comparing each page as it shows;
// with `tabs`, each page's tab order too, by real keys, and page 1 left by Enter.
void ExpectEveryPageLaidOut(LauncherSession& session, int measured, bool tabs = false) {
  std::vector<std::wstring> shown;
  const auto expect_page = [&](const std::wstring& page, std::vector<std::wstring> order) {
    SCOPED_TRACE(Narrow(page));
    ASSERT_TRUE(WaitUntil([&] { return session.Visible(page); }));
    shown.push_back(page);
    ExpectLayout(session, measured, shown, page);
    if (tabs && !order.empty()) ExpectTabOrder(session, order);
  };
  expect_page(L"panel1", {L"Memo1", L"next1", L"Memo3"});
  if (tabs) {
    // Enter clicks the focused push button, as in a dialog.
    ASSERT_TRUE(KeyMovesFocusTo(session, VK_TAB, L"next1"));
    session.Key(VK_RETURN);
  } else {
    session.Click(L"next1");
  }
  expect_page(L"panel2", {L"Memo2", L"next2", L"back1"});
  EXPECT_EQ(session.Text(L"Memo2").rfind(L"PLACEHOLDER", 0), 0u)
      << "the licence comes with its page";
  session.Click(L"next2");
  ASSERT_TRUE(WaitUntil([&] { return !session.Text(L"currentjavaversion").empty(); }));
  expect_page(L"panel3", {L"back2", L"next3", L"Memo4", L"Button2", L"Memo5", L"currentjavaversion",
                          L"setjavahome"});
  session.Click(L"next3");
  expect_page(L"panel4", {L"apachecb", L"wowzacb", L"phpcb", L"autoopenmainpage", L"startservers",
                          L"startdevelopment", L"viewlog", L"back3", L"e1", L"savejavahome",
                          L"documentationbutton"});
  EXPECT_EQ(ExpectLayout(session, measured, shown, L"panel4"), 34);
  if (tabs) session.Screenshot("page4-control");
}

// The window has its caption, a fixed size (no maximise box), and is centred on the desktop; it
// keeps its client area when minimised and restored; every control is where the layout puts it.
TEST(Window, IsAFixedCentredWindowAndEveryControlIsWhereTheLayoutPutsIt) {
  LauncherSession session;
  ASSERT_TRUE(session.Start());
  wchar_t caption[64] = {};
  GetWindowTextW(session.form(), caption, 64);
  EXPECT_STREQ(caption, L"Tolvane Chat");
  const LONG_PTR style = GetWindowLongPtrW(session.form(), GWL_STYLE);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX | WS_SYSMENU),
            WS_MINIMIZEBOX | WS_SYSMENU);
  RECT outer;
  GetWindowRect(session.form(), &outer);
  const int desktop_width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
  EXPECT_EQ(outer.left, GetSystemMetrics(SM_XVIRTUALSCREEN) + desktop_width / 2 -
                            (outer.right - outer.left) / 2);
  ShowWindow(session.form(), SW_MINIMIZE);
  ShowWindow(session.form(), SW_RESTORE);
  ASSERT_EQ(MeasuredTextHeight(96), 13) << "the test prefix's Tahoma is missing";
  ExpectEveryPageLaidOut(session, 13, true);
}

// The window built in the test's own process, to ask it what Wine does not pass between
// processes. Without FormCreate every page shows, and so gets its controls; the control page,
// created last, lies on top.
class WindowInProcess : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(window.Create());
    window.ShowFirstTime();
    Settle();
  }
  void TearDown() override { DestroyWindow(window.hwnd()); }

  HWND Of(const wchar_t* name) const { return ControlWindow(window.hwnd(), name); }
  TControl& C(const wchar_t* name) { return form.controls().Get(name); }
  // Runs what the window was sent or asked to paint.
  void Settle() {
    RedrawWindow(window.hwnd(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }

  RecordingPlatform platform;
  TForm1 form{platform, MachineFileSystem(), SystemConnector(), L"", [](Asset) { return L""; }};
  FormWindow window{form, GetModuleHandleW(nullptr)};
};

// A character that matches no letter of the system menu's items, typed on a layout whose letters
// are not Latin, chooses the link's item whose key typed it; a greyed item is not chosen.
TEST_F(WindowInProcess, TheSystemMenuTakesTheKeyOfALinksItemWhateverItTypes) {
  HMENU menu = GetSystemMenu(window.hwnd(), FALSE);
  ASSERT_NE(menu, nullptr);
  wchar_t caption[64] = {};
  GetMenuStringW(menu, 0x0010, caption, 64, MF_BYCOMMAND);
  const wchar_t* marked = std::wcschr(caption, L'&');
  ASSERT_NE(marked, nullptr) << "Edit httpd.conf has a key";
  const auto typed = [&](wchar_t character) {
    return SendMessageW(window.hwnd(), WM_MENUCHAR, MAKEWPARAM(character, MF_SYSMENU),
                        reinterpret_cast<LPARAM>(menu));
  };
  // The Russian layout types "р" with the key of H.
  HKL russian = LoadKeyboardLayoutW(L"00000419", 0);
  HKL before = GetKeyboardLayout(0);
  if (russian && LOBYTE(VkKeyScanExW(L'\u0440', russian)) == 'H' && marked[1] == L'h' &&
      ActivateKeyboardLayout(russian, 0)) {
    const LRESULT chosen = typed(L'\u0440');
    ActivateKeyboardLayout(before, 0);
    EXPECT_EQ(HIWORD(chosen), MNC_EXECUTE);
    EXPECT_EQ(GetMenuItemID(menu, LOWORD(chosen)), 0x0010u);
  } else {
    Unchecked("a key typed on the Russian layout, which this system does not map");
  }
  // On the layout in use, the item's own letter goes the same way; greyed, it is not chosen.
  const wchar_t letter = static_cast<wchar_t>(std::towlower(marked[1]));
  EXPECT_EQ(GetMenuItemID(menu, LOWORD(typed(letter))), 0x0010u);
  EXPECT_EQ(typed(L'\u0444'), 0);  // a character no layout in use types
  EnableMenuItem(menu, 0x0010, MF_BYCOMMAND | MF_GRAYED);
  EXPECT_EQ(typed(letter), 0);
}

// A dark palette, as a user switching to a dark high-contrast theme gets. Wine changes only the
// calling process's colours, and keeps them until the wineserver ends: they are put back.
class WindowColours : public WindowInProcess {
 protected:
  static constexpr int kIndexes[] = {COLOR_BTNFACE,  COLOR_WINDOW,   COLOR_WINDOWTEXT,
                                     COLOR_BTNTEXT,  COLOR_HOTLIGHT, COLOR_BTNHIGHLIGHT,
                                     COLOR_BTNSHADOW};
  static constexpr COLORREF kDark[] = {RGB(32, 32, 32),    RGB(0, 0, 0),     RGB(255, 255, 255),
                                       RGB(255, 255, 255), RGB(255, 255, 0), RGB(96, 96, 96),
                                       RGB(0, 0, 0)};
  static constexpr int kCount = static_cast<int>(std::size(kIndexes));

  void SetUp() override {
    for (int index : kIndexes) saved_.push_back(GetSysColor(index));
    WindowInProcess::SetUp();
  }
  void TearDown() override {
    SetSysColors(kCount, kIndexes, saved_.data());
    WindowInProcess::TearDown();
  }
  void TurnDark() {
    ASSERT_TRUE(SetSysColors(kCount, kIndexes, kDark));
    Settle();
  }

  // How many pixels of `area` (in `window`'s client coordinates) are painted `colour`.
  static int PixelsOf(HWND window, const Rect& area, COLORREF colour) {
    HDC dc = GetDC(window);
    const int count = PixelsIn(dc, area, colour);
    ReleaseDC(window, dc);
    return count;
  }

  // What a page answers a control's WM_CTLCOLOR* with: the brush, text and background colour.
  struct Answer {
    HBRUSH brush;
    COLORREF text, back;
  };
  Answer ColoursFor(const wchar_t* name, UINT message) {
    HWND control = Of(name);
    HDC dc = GetDC(control);
    Answer answer;
    answer.brush = reinterpret_cast<HBRUSH>(SendMessageW(GetParent(control), message,
                                                         reinterpret_cast<WPARAM>(dc),
                                                         reinterpret_cast<LPARAM>(control)));
    answer.text = GetTextColor(dc);
    answer.back = GetBkColor(dc);
    ReleaseDC(control, dc);
    return answer;
  }

  std::vector<COLORREF> saved_;
};

TEST_F(WindowColours, AtTheDefaultColoursTheLayoutsOwnColoursAreKept) {
  EXPECT_GT(PixelsOf(Of(L"panel4"), C(L"Label15").bounds(), RGB(0, 0, 255)), 0) << "link";
  const Answer note = ColoursFor(L"Memo5", WM_CTLCOLORSTATIC);
  EXPECT_EQ(note.text, RGB(0, 0, 0));
  EXPECT_EQ(note.brush, GetSysColorBrush(COLOR_BTNFACE));
}

TEST_F(WindowColours, FollowTheSystemsColoursAndTextsStayReadable) {
  C(L"currentjavaversion").SetFontColour(kClRed);
  TurnDark();
  SaveScreenshot(window.hwnd(), "control-page-dark-colours");
  const COLORREF face = kDark[0], white = RGB(255, 255, 255);
  HWND page = Of(L"panel4");
  // The page's background, a label, a link (pure blue on it would be 2.4:1) and a group box's
  // caption with what fills behind it.
  EXPECT_EQ(PixelsOf(page, {2, 2, 4, 2}, face), 8);
  EXPECT_GT(PixelsOf(page, C(L"Label2").bounds(), white), 0);
  EXPECT_GT(PixelsOf(page, C(L"Label15").bounds(), RGB(255, 255, 0)), 0);
  EXPECT_EQ(PixelsOf(page, C(L"Label15").bounds(), RGB(0, 0, 255)), 0);
  HWND group = Of(L"GroupBox1");
  EXPECT_EQ(PixelsOf(group, {8, 0, 2, 4}, face), 8);
  EXPECT_GT(PixelsOf(group, {10, 0, 40, 12}, white), 0);

  // Texts on the face colour, on the window colour, and the Java result's red, readable on it.
  const struct {
    const wchar_t* name;
    UINT message;
    int background;
    COLORREF text;
  } answers[] = {
      {L"Memo5", WM_CTLCOLORSTATIC, COLOR_BTNFACE, white},  // black gives way
      {L"apachecb", WM_CTLCOLORSTATIC, COLOR_BTNFACE, white},
      {L"startservers", WM_CTLCOLORBTN, COLOR_BTNFACE, white},
      {L"e1", WM_CTLCOLOREDIT, COLOR_WINDOW, white},
      {L"currentjavaversion", WM_CTLCOLORSTATIC, COLOR_BTNFACE, RGB(255, 0, 0)},
  };
  for (const auto& expected : answers) {
    SCOPED_TRACE(Narrow(expected.name));
    const Answer answer = ColoursFor(expected.name, expected.message);
    // Wine hands out a new brush after the change; the old one paints nothing.
    EXPECT_EQ(answer.brush, GetSysColorBrush(expected.background));
    EXPECT_EQ(answer.back, GetSysColor(expected.background));
    EXPECT_EQ(answer.text, expected.text);
  }
}

// A visual style's check box writes its caption in the style's colour, which under these colours
// may be dark on the dark face: such a button is drawn classic, in the page's colour. A hot-track
// colour the user's colours leave unreadable gives the links the face's text colour. (Wine's
// style names no caption colour, so there the check box keeps its style: Windows shows the change.)
TEST_F(WindowColours, CaptionsAndLinksTheStyleOrHotTrackColourWouldHideGetTheTextColour) {
  HWND check_box = Of(L"apachecb");
  const bool had_style = GetWindowTheme(check_box) != nullptr;
  TurnDark();
  COLORREF caption = 0;
  HTHEME theme = OpenThemeData(nullptr, L"BUTTON");
  const bool named = theme && SUCCEEDED(GetThemeColor(theme, BP_CHECKBOX, CBS_UNCHECKEDNORMAL,
                                                      TMT_TEXTCOLOR, &caption));
  const bool hidden = named && ContrastRatio(caption, kDark[0]) < 3.0;
  if (theme) CloseThemeData(theme);
  if (!hidden) Unchecked("a check box drawn without the style whose caption the colours hide");
  EXPECT_EQ(GetWindowTheme(check_box) != nullptr, had_style && !hidden);
  HWND page = Of(L"panel4");
  const int index = COLOR_HOTLIGHT;
  const COLORREF navy = RGB(0, 0, 128);  // 1.5:1 on the dark face
  ASSERT_TRUE(SetSysColors(1, &index, &navy));
  Settle();
  EXPECT_EQ(PixelsOf(page, C(L"Label15").bounds(), navy), 0);
  EXPECT_GT(PixelsOf(page, C(L"Label15").bounds(), RGB(255, 255, 255)), 0);
  // Back at the colours the style was made for, the check box has its style again.
  SetSysColors(kCount, kIndexes, saved_.data());
  Settle();
  EXPECT_EQ(GetWindowTheme(check_box) != nullptr, had_style);
}

// A window moved to a monitor of another dpi. Wine never sends WM_DPICHANGED (it reads the dpi when
// a process starts), so the test sends it, with the place Windows would suggest.
class WindowDpi : public WindowInProcess {
 protected:
  void TellDpi(int dpi) {
    RECT suggested = {dpi - 96, 0, dpi - 96 + 700, 600};
    SendMessageW(window.hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                 reinterpret_cast<LPARAM>(&suggested));
    Settle();
    const RECT outer = Outer();
    EXPECT_EQ(outer.left, suggested.left);
    EXPECT_EQ(outer.top, suggested.top);
  }

  // The dpi the window has: the system's, unless it was made on a screen of another.
  int OwnDpi() const {
    return static_cast<int>(
        SystemFunction<UINT(WINAPI*)(HWND)>(L"user32.dll", "GetDpiForWindow")(window.hwnd()));
  }
  // A dpi of a screen the window is not on.
  int OtherDpi() const { return OwnDpi() == 144 ? 120 : 144; }

  RECT Outer() const {
    RECT outer;
    GetWindowRect(window.hwnd(), &outer);
    return outer;
  }

  // Sends `message` from another thread, as another program would, while this one takes it.
  LRESULT SendFromAnotherThread(UINT message, WPARAM wparam, LPARAM lparam) {
    LRESULT answer = 0;
    bool done = false;
    std::thread sender([&] {
      answer = SendMessageW(window.hwnd(), message, wparam, lparam);
      done = true;
      PostThreadMessageW(thread_, WM_NULL, 0, 0);
    });
    MSG pumped;
    while (!done && GetMessageW(&pumped, nullptr, 0, 0)) DispatchMessageW(&pumped);
    sender.join();
    Settle();
    return answer;
  }
  const DWORD thread_ = GetCurrentThreadId();

  static int FontHeight(HWND window) {
    LOGFONTW font = {};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof(font),
               &font);
    return font.lfHeight;
  }

  // Every control as a window created at `dpi` has it: windows in place, size and font, painted
  // labels and pictures in place, and the client area.
  void ExpectLaidOutFor(int dpi) {
    SCOPED_TRACE(::testing::Message() << dpi << " dpi");
    ControlTree expected(FormLayout());
    const Rect client = ScaleForm(expected, kClientWidth, kClientHeight, MeasuredTextHeight(dpi));
    const int window_font = WindowFontHeightForDpi(kWindowFont.height, dpi);
    RECT area;
    GetClientRect(window.hwnd(), &area);
    EXPECT_EQ(area.right, client.width);
    EXPECT_EQ(area.bottom, client.height);
    EXPECT_EQ(FontHeight(window.hwnd()), window_font);
    for (const auto& control : expected.all()) {
      SCOPED_TRACE(Narrow(control->name()));
      const Rect& b = control->bounds();
      if (!IsWindowedKind(control->kind())) {
        const Rect& painted = C(control->name().c_str()).bounds();
        EXPECT_EQ(painted.left, b.left);
        EXPECT_EQ(painted.top, b.top);
        continue;
      }
      HWND child = Of(control->name().c_str());
      RECT r;
      GetWindowRect(child, &r);
      MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
      EXPECT_EQ(r.left, b.left);
      EXPECT_EQ(r.top, b.top);
      EXPECT_EQ(r.right - r.left, b.width);
      EXPECT_EQ(r.bottom - r.top, b.height);
      EXPECT_EQ(FontHeight(child),
                control->row().font.family ? control->font_height() : window_font);
    }
  }
};

// The launcher created on a screen of 144 dpi, and this window told 144 from 96: both are laid
// out as the layout scaled for 144 dpi expects.
TEST_F(WindowDpi, ToldAnotherDpiItIsLaidOutAsAWindowCreatedThere) {
  if (!UnderWine()) GTEST_SKIP() << "Windows reads LogPixels at the next sign-in";
  ASSERT_EQ(MeasuredTextHeight(96), 13) << "the test prefix's Tahoma is missing";
  ShowWindow(window.hwnd(), SW_HIDE);  // the launcher takes real clicks
  LauncherSession session;
  {
    const LogPixels screen(144);
    ASSERT_TRUE(session.Start());
  }
  ExpectEveryPageLaidOut(session, MeasuredTextHeight(144));
  session.Screenshot("control-page-created-144dpi");
  RECT created;
  GetWindowRect(session.form(), &created);
  EXPECT_TRUE(session.Close());

  TellDpi(144);
  ExpectLaidOutFor(144);
  RECT told;
  GetWindowRect(window.hwnd(), &told);
  // Wine draws every frame at its process's dpi: the caption of the launcher started at 144 dpi
  // is taller than this window's, the borders are alike.
  EXPECT_EQ(told.right - told.left, created.right - created.left);
  ShowWindow(window.hwnd(), SW_SHOW);
  Sleep(300);  // until the desktop shows the window at its new place
  Settle();
  SaveScreenshot(window.hwnd(), "control-page-told-144dpi");
}

// Windows only ever sends WM_DPICHANGED and WM_GETDPISCALEDSIZE from the window's own thread:
// posted ones, or ones sent by another program, carry pointers to nowhere or into the launcher.
// The window neither reads the one nor writes the other, nor takes the dpi they name: it stays
// laid out for the dpi it has, where it stands.
TEST_F(WindowDpi, PostedOrSentByAnotherThreadTheirPointersAreNeverFollowed) {
  const int own = OwnDpi();
  const int other = OtherDpi();
  const RECT before = Outer();
  const auto nowhere = static_cast<LPARAM>(0x10);
  PostMessageW(window.hwnd(), WM_DPICHANGED, MAKEWPARAM(other, other), nowhere);
  PostMessageW(window.hwnd(), 0x02E4 /* WM_GETDPISCALEDSIZE */, other, nowhere);
  Settle();
  ExpectLaidOutFor(own);
  EXPECT_EQ(SendFromAnotherThread(0x02E4 /* WM_GETDPISCALEDSIZE */, other, nowhere), 0);
  // Nor its dpi: the window stays laid out for the dpi it has.
  SendFromAnotherThread(WM_DPICHANGED, MAKEWPARAM(other, other), nowhere);
  ExpectLaidOutFor(own);
  EXPECT_EQ(Outer().left, before.left);
  EXPECT_EQ(Outer().top, before.top);
  // From this thread too, no screen has a dpi of 0, nor two at once.
  RECT suggested = {0, 0, 700, 600};
  for (const WPARAM dpi : {MAKEWPARAM(0, 0), MAKEWPARAM(96, 144), MAKEWPARAM(2000, 2000)}) {
    SendMessageW(window.hwnd(), WM_DPICHANGED, dpi, reinterpret_cast<LPARAM>(&suggested));
  }
  Settle();
  ExpectLaidOutFor(own);
  EXPECT_EQ(Outer().left, before.left);
}

// Asked before a move, the window tells the size it will take at the new dpi, so that the place
// Windows suggests fits it.
TEST_F(WindowDpi, TellsTheSizeItWillHaveAtANewDpi) {
  SIZE asked = {};
  ASSERT_TRUE(SendMessageW(window.hwnd(), 0x02E4 /* WM_GETDPISCALEDSIZE */, 144,
                           reinterpret_cast<LPARAM>(&asked)));
  TellDpi(144);
  const RECT told = Outer();
  // The client area the window then has, in a frame drawn for 144 dpi.
  RECT client;
  GetClientRect(window.hwnd(), &client);
  const auto frame_for_dpi = SystemFunction<BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT)>(
      L"user32.dll", "AdjustWindowRectExForDpi");
  ASSERT_NE(frame_for_dpi, nullptr);
  const auto frame = [&](UINT dpi) {
    RECT outer = client;
    frame_for_dpi(&outer, GetWindowLongW(window.hwnd(), GWL_STYLE), FALSE,
                  GetWindowLongW(window.hwnd(), GWL_EXSTYLE), dpi);
    return outer;
  };
  const RECT at_144 = frame(144);
  EXPECT_EQ(asked.cx, at_144.right - at_144.left);
  EXPECT_EQ(asked.cy, at_144.bottom - at_144.top);
  // The window itself has the frame of the dpi Windows gives it (told by the test, it keeps its
  // own; moved by Windows, the two are one).
  const RECT own = frame(static_cast<UINT>(OwnDpi()));
  EXPECT_EQ(told.right - told.left, own.right - own.left);
  EXPECT_EQ(told.bottom - told.top, own.bottom - own.top);
}

// Sized for 144 dpi at the place suggested, the window reaches a screen of 120 dpi: Windows tells
// it during the move, and it is laid out for 120 where it stands.
TEST_F(WindowDpi, AMoveThatReachesAScreenOfAnotherDpiEndsLaidOutForThatOne) {
  static HWND form;
  static bool told;
  form = window.hwnd();
  told = false;
  const auto on_move = [](int code, WPARAM sent, LPARAM message) -> LRESULT {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(message);
    if (code == HC_ACTION && call->hwnd == form && call->message == WM_WINDOWPOSCHANGED && !told) {
      told = true;
      RECT elsewhere = {900, 900, 1500, 1400};
      SendMessageW(form, WM_DPICHANGED, MAKEWPARAM(120, 120), reinterpret_cast<LPARAM>(&elsewhere));
    }
    return CallNextHookEx(nullptr, code, sent, message);
  };
  HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, on_move, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  TellDpi(144);
  UnhookWindowsHookEx(hook);
  EXPECT_TRUE(told);
  ExpectLaidOutFor(120);
}

// A minimised window told a new dpi stays minimised, and is restored at the size of that dpi.
TEST_F(WindowDpi, MinimisedItIsRestoredAtTheNewSize) {
  ShowWindow(window.hwnd(), SW_MINIMIZE);
  Settle();
  RECT suggested = {48, 0, 748, 600};
  SendMessageW(window.hwnd(), WM_DPICHANGED, MAKEWPARAM(144, 144),
               reinterpret_cast<LPARAM>(&suggested));
  EXPECT_TRUE(IsIconic(window.hwnd()));
  ShowWindow(window.hwnd(), SW_RESTORE);
  Settle();
  ExpectLaidOutFor(144);
}

// Told each dpi, the banner fills its box, drawn from the smallest banner at least as wide and
// never stretched, and the caption and taskbar icons have the sizes Windows draws them at there.
// Back at 96 dpi, every control is as laid out.
TEST_F(WindowDpi, TheBannerFillsItsBoxAndTheIconsHaveTheSizesOfEachDpiBackTo96) {
  const auto metric =
      SystemFunction<int(WINAPI*)(int, UINT)>(L"user32.dll", "GetSystemMetricsForDpi");
  ASSERT_NE(metric, nullptr);
  const auto icon_size = [&](WPARAM which) {
    ICONINFO info = {};
    const auto icon = reinterpret_cast<HICON>(SendMessageW(window.hwnd(), WM_GETICON, which, 0));
    if (!icon || !GetIconInfo(icon, &info)) return 0;
    BITMAP colour = {};
    GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(colour), &colour);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return static_cast<int>(colour.bmWidth);
  };
  for (const int dpi : {120, 144, 192}) {
    SCOPED_TRACE(::testing::Message() << dpi << " dpi");
    TellDpi(dpi);
    // The client area drawn into a bitmap of a colour no picture has (the window need not fit
    // on the screen).
    RECT client;
    GetClientRect(window.hwnd(), &client);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(memory, bitmap);
    const COLORREF unpainted = RGB(255, 0, 255);
    HBRUSH brush = CreateSolidBrush(unpainted);
    FillRect(memory, &client, brush);
    DeleteObject(brush);
    SendMessageW(window.hwnd(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
    const Rect box = C(L"Image1").bounds();
    ASSERT_GT(box.width, 550);
    EXPECT_EQ(PixelsIn(memory, box, unpainted), 0);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    EXPECT_EQ(icon_size(ICON_BIG), metric(SM_CXICON, static_cast<UINT>(dpi)));
    EXPECT_EQ(icon_size(ICON_SMALL), metric(SM_CXSMICON, static_cast<UINT>(dpi)));
  }
  TellDpi(96);
  ExpectLaidOutFor(96);
  EXPECT_EQ(C(L"next3").bounds().left, 411);
}

TEST(Window, ArrowKeysMoveAmongSiblingsAndNeverOntoRed5) {
  LauncherSession session;
  StoreSettingsOfThisComputer(session, "");
  ASSERT_TRUE(session.Start());
  ASSERT_TRUE(WaitUntil([&] { return session.Focused() == L"apachecb"; }));
  ASSERT_TRUE(KeyMovesFocusTo(session, VK_TAB, L"wowzacb"));
  session.Key(VK_RIGHT);  // its one sibling, Red5, is disabled
  // Keys are read in order: once the next one has moved the focus, the arrow has been read.
  ASSERT_TRUE(KeyMovesFocusTo(session, VK_TAB, L"phpcb"));
  EXPECT_TRUE(session.State(L"wowzacb").checked);
  EXPECT_FALSE(session.State(L"red5cb").checked);

  // They move the tick with the focus, as in a dialog: C# ticked brings its notice.
  session.Key(VK_RIGHT);
  HWND notice = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (notice = session.MessageBoxWindow(L"Information")); }));
  session.Answer(notice, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return session.State(L"phpcb").checked; }));
  EXPECT_TRUE(WaitUntil([&] { return session.Focused() == L"csharpcb"; }));

  ASSERT_TRUE(KeyMovesFocusTo(session, VK_TAB, L"autoopenmainpage"));
  EXPECT_TRUE(KeyMovesFocusTo(session, VK_RIGHT, L"startservers"));
  EXPECT_TRUE(KeyMovesFocusTo(session, VK_LEFT, L"autoopenmainpage"));
  // Back past the group boxes, which take no focus, round to the last.
  EXPECT_TRUE(KeyMovesFocusTo(session, VK_UP, L"documentationbutton"));
  EXPECT_TRUE(KeyMovesFocusTo(session, VK_DOWN, L"autoopenmainpage"));
}

// The form and every window inside it.
std::vector<HWND> WindowsOf(HWND form) {
  std::vector<HWND> windows = {form};
  EnumChildWindows(
      form,
      [](HWND child, LPARAM list) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&windows));
  return windows;
}

// Everything another program sees of the window's controls, one line each.
std::vector<std::wstring> Snapshot(const LauncherSession& session) {
  std::vector<std::wstring> lines = {L"focus " + session.Focused()};
  for (const LayoutRow& row : FormLayout()) {
    if (!IsWindowedKind(row.kind)) continue;
    const ControlState state = session.State(row.name);
    lines.push_back(std::wstring(row.name) + L"|" + state.text + L"|" +
                    std::to_wstring(state.visible) + std::to_wstring(state.enabled) +
                    std::to_wstring(state.checked) + std::to_wstring(state.tab_stop));
  }
  return lines;
}

// Waits until the launcher has read every message posted to it so far: posted messages are read
// in order, so a selection posted to the edit box last shows when all before it are read. False
// at once when the launcher stops answering (a crashed program may hang in its debugger).
bool ReadEverythingPosted(const LauncherSession& session, WORD mark) {
  HWND edit = session.Control(L"e1");
  PostMessageW(edit, EM_SETSEL, 0, mark);
  bool answers = true;
  const bool read = WaitUntil([&] {
    DWORD_PTR selection = 0;
    answers = SendMessageTimeoutW(edit, EM_GETSEL, 0, 0, SMTO_ABORTIFHUNG, 5000, &selection) != 0;
    return !answers || HIWORD(selection) == mark;
  });
  return read && answers;
}

// The launcher's own window classes, which answer the form's own message numbers.
bool IsOwnWindow(HWND window) {
  wchar_t name[32] = {};
  GetClassNameW(window, name, static_cast<int>(std::size(name)));
  return std::wstring(name) == L"TForm1" || std::wstring(name) == L"TPanel" ||
         std::wstring(name) == L"TGroupBox";
}

// Any program may post the form's own message numbers (WM_APP + 1 to 3: put the focus right,
// click the link a screen reader asked for, follow the system's colours) with any parameters;
// one of them once carried a pointer the form followed. Sent by the form itself they carry
// nothing, and what they ask waits in the form: from anyone else they find nothing to do.
TEST(Window, TheFormsOwnMessagesPostedByAnotherProgramChangeNothing) {
  LauncherSession session;
  StoreSettingsOfThisComputer(session, "C:\\Program Files\\Java\\jre6");
  ASSERT_TRUE(session.Start());
  ASSERT_TRUE(WaitUntil([&] { return session.Focused() == L"apachecb"; }));
  const std::vector<std::wstring> before = Snapshot(session);
  const std::vector<HWND> all = WindowsOf(session.form());
  // Pointers to nowhere, an index past any table, all bits set.
  const LPARAM junk[] = {0, 0x10, 1, 0x7FFF0000, -1};
  int posted = 0;
  for (HWND window : all) {
    if (!IsOwnWindow(window)) continue;
    for (UINT message = WM_APP + 1; message <= WM_APP + 3; ++message) {
      for (const LPARAM parameter : junk) {
        ASSERT_TRUE(PostMessageW(window, message, static_cast<WPARAM>(parameter), parameter));
        ++posted;
      }
    }
  }
  EXPECT_GT(posted, 0);
  ASSERT_TRUE(ReadEverythingPosted(session, 1));
  ASSERT_TRUE(session.Running()) << "exit code " << session.ExitCode();
  // Nothing changed, opened, started or asked.
  EXPECT_EQ(Snapshot(session), before);
  EXPECT_EQ(WindowsOf(session.form()).size(), all.size());
  EXPECT_TRUE(session.Records().empty());
  EXPECT_EQ(FindWindowW(L"Notepad", nullptr), nullptr);
  EXPECT_EQ(session.ShownWindow(L"#32770", nullptr), nullptr) << "a message box";
  EXPECT_TRUE(session.Close());
}

// A child id as a client passes it.
VARIANT Id(long id) {
  VARIANT child;
  child.vt = VT_I4;
  child.lVal = id;
  return child;
}

// One element as a screen reader reads it.
struct Read {
  int depth;  // 0 for the form's own elements, one more inside each page and group box
  long role;
  std::wstring name;   // "<none>" when it has none
  std::wstring value;  // a text box's text
  HWND window;         // its own window, when it has one
  RECT location;       // on the screen
  std::wstring keys;   // its keyboard shortcut
};

// What a screen reader reads of the launcher's window, by MSAA from this process as a screen
// reader reads it from its own. Wine's own objects for standard windows list their child windows
// as empty objects, so each child window is asked for its client object itself.
class ScreenReader {
 public:
  ScreenReader() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  ~ScreenReader() { CoUninitialize(); }

  std::vector<Read> ReadWindow(HWND window) {
    std::vector<Read> tree;
    if (IAccessible* object = ClientObject(window)) {
      ReadChildren(object, 0, tree);
      object->Release();
    }
    return tree;
  }

  // The object of a window of the launcher: the caller releases it.
  static IAccessible* ClientObject(HWND window) {
    IAccessible* object = nullptr;
    AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), kIidAccessible,
                               reinterpret_cast<void**>(&object));
    return object;
  }

  // A reader that moves as NVDA does, into the object and then on from each element's own object
  // (a child window's client object, which its focus events name; a painted element's object, or
  // its child id where the object gave one), meets every child in order, and backward from the
  // last child in reverse; both ways end with nothing rather than wrapping round.
  static ::testing::AssertionResult WalksBothWays(HWND window) {
    IAccessible* object = ClientObject(window);
    if (!object) return ::testing::AssertionFailure() << "no object";
    std::vector<std::wstring> all;
    for (VARIANT& child : Children(object)) all.push_back(Identity(window, object, child));
    const std::vector<std::wstring> forward =
        Walked(window, object, NAVDIR_FIRSTCHILD, NAVDIR_NEXT);
    std::vector<std::wstring> backward = Walked(window, object, NAVDIR_LASTCHILD, NAVDIR_PREVIOUS);
    std::reverse(backward.begin(), backward.end());
    object->Release();
    if (all.empty() || forward != all || backward != all) {
      auto listed = [](const std::vector<std::wstring>& met) {
        std::wstring line;
        for (const std::wstring& one : met) line += one + L"; ";
        return Narrow(line);
      };
      return ::testing::AssertionFailure()
             << "children: " << listed(all) << "\nforward: " << listed(forward)
             << "\nbackward: " << listed(backward);
    }
    return ::testing::AssertionSuccess();
  }

  // Runs the default action of the element named `name` among `window`'s children, on its own
  // object.
  HRESULT DoDefaultAction(HWND window, const std::wstring& name) {
    HRESULT result = E_INVALIDARG;
    IAccessible* object = ClientObject(window);
    if (!object) return result;
    for (VARIANT& child : Children(object)) {
      long id = child.vt == VT_I4 ? child.lVal : CHILDID_SELF;
      IAccessible* own = child.vt == VT_I4 ? object : OwnObject(window, child, &id);
      if (own && Text(own, id, &IAccessible::get_accName) == name) {
        result = own->accDoDefaultAction(Id(id));
      }
      if (own && own != object) own->Release();
      VariantClear(&child);
    }
    object->Release();
    return result;
  }

  // The names of `window`'s shown child windows in their order (the order in which UI Automation
  // lists a window's children), and of its elements in the reading order.
  std::pair<std::vector<std::wstring>, std::vector<std::wstring>> WindowsAndReading(HWND window) {
    std::vector<std::wstring> windows, reading;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      if (!IsWindowVisible(child)) continue;
      IAccessible* object = ClientObject(child);
      windows.push_back(object ? Text(object, CHILDID_SELF, &IAccessible::get_accName) : L"?");
      if (object) object->Release();
      // A painted element's window has its name as its text, for clients that read windows.
      wchar_t text[128] = {}, window_class[32] = {};
      GetClassNameW(child, window_class, 32);
      GetWindowTextW(child, text, 128);
      if (std::wstring(window_class) == L"TPaintedElement") {
        EXPECT_EQ(text, windows.back());
      }
    }
    for (const Read& read : ReadWindow(window)) {
      if (read.depth == 0) reading.push_back(read.name);
    }
    return {windows, reading};
  }

 private:
  // Into `container` by `into`, then by `along` from each element's own object; "wraps" when the
  // moves go on past the container's children.
  static std::vector<std::wstring> Walked(HWND window, IAccessible* container, long into,
                                          long along) {
    long count = 0;
    container->get_accChildCount(&count);
    std::vector<std::wstring> met;
    container->AddRef();
    IAccessible* holder = container;  // with `id`, what the reader holds
    long id = CHILDID_SELF;
    VARIANT next;
    VariantInit(&next);
    HRESULT result = container->accNavigate(into, Id(CHILDID_SELF), &next);
    while (holder && result == S_OK && next.vt != VT_EMPTY) {
      if (static_cast<long>(met.size()) == count) {
        met.push_back(L"wraps");
        break;
      }
      if (next.vt == VT_I4) {
        id = next.lVal;  // a child id of the object held
      } else {
        holder->Release();
        holder = OwnObject(window, next, &id);
        if (!holder) break;
      }
      VARIANT here = Id(id);
      met.push_back(Identity(window, holder, here));
      VariantClear(&next);
      result = holder->accNavigate(along, Id(id), &next);
      // A standard control's client object asks its window object for its neighbours, as the
      // neighbours of its client part (Windows' own objects do; Wine's answer nothing).
      HWND own_window = nullptr;
      if ((result != S_OK || next.vt == VT_EMPTY) && id == CHILDID_SELF &&
          SUCCEEDED(WindowFromAccessibleObject(holder, &own_window)) && own_window != window) {
        IAccessible* window_object = nullptr;
        AccessibleObjectFromWindow(own_window, static_cast<DWORD>(OBJID_WINDOW), kIidAccessible,
                                   reinterpret_cast<void**>(&window_object));
        if (window_object) {
          VariantClear(&next);
          result = window_object->accNavigate(along, Id(OBJID_CLIENT), &next);
          window_object->Release();
        }
      }
    }
    VariantClear(&next);
    if (holder) holder->Release();
    return met;
  }

  // The object a reader holds for an object it is given: a child window's client object, or the
  // object itself, as CHILDID_SELF.
  static IAccessible* OwnObject(HWND container, VARIANT& given, long* id) {
    IAccessible* object = nullptr;
    if (given.vt == VT_DISPATCH && given.pdispVal) {
      given.pdispVal->QueryInterface(kIidAccessible, reinterpret_cast<void**>(&object));
    }
    VariantClear(&given);
    *id = CHILDID_SELF;
    HWND window = nullptr;
    if (!object || FAILED(WindowFromAccessibleObject(object, &window))) return object;
    if (window == container) return object;
    object->Release();
    return ClientObject(window);
  }

  // A painted element of `container` by its role and name, a child window by its handle.
  static std::wstring Identity(HWND container, IAccessible* object, VARIANT& child) {
    IAccessible* own = nullptr;
    long id = CHILDID_SELF;
    if (child.vt == VT_I4) {
      object->AddRef();
      own = object;
      id = child.lVal;
    } else if (child.vt == VT_DISPATCH && child.pdispVal) {
      child.pdispVal->QueryInterface(kIidAccessible, reinterpret_cast<void**>(&own));
    }
    VariantClear(&child);
    if (!own) return L"?";
    HWND window = nullptr;
    WindowFromAccessibleObject(own, &window);
    VARIANT role;
    VariantInit(&role);
    own->get_accRole(Id(id), &role);
    // A painted element's own object, and its child id, belong to the window that paints it.
    const std::wstring identity =
        id != CHILDID_SELF || window == container
            ? std::to_wstring(role.vt == VT_I4 ? role.lVal : -1) + L" " +
                  Text(own, id, &IAccessible::get_accName)
            : L"window " + std::to_wstring(reinterpret_cast<std::uintptr_t>(window));
    own->Release();
    return identity;
  }

  static std::vector<VARIANT> Children(IAccessible* object) {
    long count = 0;
    object->get_accChildCount(&count);
    std::vector<VARIANT> children(static_cast<std::size_t>(std::max(count, 0L)));
    long got = 0;
    if (count <= 0 || FAILED(AccessibleChildren(object, 0, count, children.data(), &got))) {
      return {};
    }
    children.resize(static_cast<std::size_t>(got));
    return children;
  }

  static std::wstring Text(IAccessible* object, long id,
                           HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*)) {
    BSTR text = nullptr;
    std::wstring result = L"<none>";
    if ((object->*get)(Id(id), &text) == S_OK && text) result = text;
    SysFreeString(text);
    return result;
  }

  static Read ReadOne(IAccessible* object, long id, int depth, HWND window) {
    VARIANT role;
    VariantInit(&role);
    object->get_accRole(Id(id), &role);
    long left = 0, top = 0, width = 0, height = 0;
    object->accLocation(&left, &top, &width, &height, Id(id));
    return {depth,
            role.vt == VT_I4 ? role.lVal : -1,
            Text(object, id, &IAccessible::get_accName),
            Text(object, id, &IAccessible::get_accValue),
            window,
            {left, top, left + width, top + height},
            Text(object, id, &IAccessible::get_accKeyboardShortcut)};
  }

  // Our own windows paint what they hold; standard controls are read as themselves.
  static bool PaintsItsContent(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, static_cast<int>(std::size(name)));
    return std::wstring(name) == L"TPanel" || std::wstring(name) == L"TGroupBox";
  }

  void ReadChildren(IAccessible* object, int depth, std::vector<Read>& tree) {
    for (VARIANT& child : Children(object)) {
      if (child.vt == VT_I4) {
        tree.push_back(ReadOne(object, child.lVal, depth, nullptr));
      } else if (child.vt == VT_DISPATCH && child.pdispVal) {
        ReadChildWindow(child.pdispVal, depth, tree);
      }
      VariantClear(&child);
    }
  }

  void ReadChildWindow(IDispatch* window_object, int depth, std::vector<Read>& tree) {
    IAccessible* accessible = nullptr;
    HWND window = nullptr;
    if (SUCCEEDED(
            window_object->QueryInterface(kIidAccessible, reinterpret_cast<void**>(&accessible)))) {
      WindowFromAccessibleObject(accessible, &window);
      accessible->Release();
    }
    IAccessible* client = window ? ClientObject(window) : nullptr;
    if (!client) {
      tree.push_back({depth, -1, L"<a window without a client object>", L"", window, {}});
      return;
    }
    tree.push_back(ReadOne(client, CHILDID_SELF, depth, window));
    if (PaintsItsContent(window)) ReadChildren(client, depth + 1, tree);
    client->Release();
  }
};

// The tree as text, one element a line, as a screen reader's user would hear it.
std::vector<std::wstring> Lines(const std::vector<Read>& tree) {
  std::vector<std::wstring> lines;
  for (const Read& read : tree) {
    wchar_t role[64] = {};
    GetRoleTextW(static_cast<DWORD>(read.role), role, static_cast<UINT>(std::size(role)));
    std::wstring line =
        std::wstring(static_cast<std::size_t>(read.depth) * 2, L' ') + role + L": " + read.name;
    if (read.value != L"<none>" && !read.value.empty()) line += L" = " + read.value;
    lines.push_back(line);
  }
  return lines;
}

// The pictures a reader meets, and what each shows: those that say what nothing beside them
// says. The banner shows the window's name, and each other technology's icon the name of the
// button after it.
const std::map<Asset, std::wstring> kPictureNames = {{Asset::DotNet, L".NET"},
                                                     {Asset::Java, L"Java"}};

// One line of a reading: depth, the role where it is ours to give (standard controls get theirs
// from the system, which words them differently on Windows and Wine), and the name.
std::wstring Line(int depth, long role, const std::wstring& name) {
  const wchar_t* kind = role == ROLE_SYSTEM_STATICTEXT     ? L"text"
                        : role == ROLE_SYSTEM_LINK         ? L"link"
                        : role == ROLE_SYSTEM_GRAPHIC      ? L"graphic"
                        : role == ROLE_SYSTEM_GROUPING     ? L"grouping"
                        : role == ROLE_SYSTEM_PROPERTYPAGE ? L"property page"
                                                           : L"control";
  return std::wstring(static_cast<std::size_t>(depth) * 2, L' ') + kind + L": " + name;
}

// What a screen reader must find of `parent`'s children, in the layout's order: the painted
// texts and pictures, the group boxes holding their controls, each control's caption. Text boxes
// are read by their values, and the copyright line's text comes from the launcher's resources.
void ExpectedReading(const TControl& parent, int depth, std::vector<std::wstring>& lines) {
  for (const TControl* control : parent.children()) {
    switch (control->kind()) {
      case Kind::Label:
        if (!control->Text().empty())
          lines.push_back(Line(depth, ROLE_SYSTEM_STATICTEXT, control->Text()));
        break;
      case Kind::Link:
        lines.push_back(Line(depth, ROLE_SYSTEM_LINK, control->Text()));
        break;
      case Kind::Picture:
        if (kPictureNames.count(control->row().asset)) {
          lines.push_back(
              Line(depth, ROLE_SYSTEM_GRAPHIC, kPictureNames.at(control->row().asset)));
        }
        break;
      case Kind::GroupBox:
        lines.push_back(Line(depth, ROLE_SYSTEM_GROUPING, control->Text()));
        ExpectedReading(*control, depth + 1, lines);
        break;
      case Kind::Button:
      case Kind::CheckBox:
      case Kind::Radio:
        lines.push_back(Line(depth, 0, control->Text()));
        break;
      default:
        break;
    }
  }
}

// The page is named after its heading, its first label, which is therefore no element of it: a
// reader entering the page says it once.
std::vector<std::wstring> ExpectedReadingOf(const std::wstring& page, const std::wstring& heading) {
  ControlTree layout(FormLayout());
  std::vector<std::wstring> lines = {Line(0, ROLE_SYSTEM_PROPERTYPAGE, heading)};
  ExpectedReading(layout.Get(page), 1, lines);
  lines.erase(std::find_if(lines.begin() + 1, lines.end(), [](const std::wstring& line) {
    return line.rfind(Line(1, ROLE_SYSTEM_STATICTEXT, L""), 0) == 0;
  }));
  return lines;
}

// The reading in the same terms, without the text boxes and the copyright line.
std::vector<std::wstring> Comparable(const std::vector<Read>& tree) {
  std::vector<std::wstring> lines;
  for (const Read& read : tree) {
    wchar_t window_class[32] = {};
    if (read.window) GetClassNameW(read.window, window_class, 32);
    if (std::wstring(window_class) == L"Edit" || read.name.rfind(L"(c) ", 0) == 0) continue;
    // A painted element is read through the window that stands for it once a reader asks.
    const bool ours = !read.window || std::wstring(window_class) == L"TGroupBox" ||
                      std::wstring(window_class) == L"TPanel" ||
                      std::wstring(window_class) == L"TPaintedElement";
    lines.push_back(Line(read.depth, ours ? read.role : 0, read.name));
  }
  return lines;
}

// The tree as a screen reader reads it, kept beside the screenshots.
void SaveReading(const std::string& name, const std::vector<Read>& tree) {
  std::wofstream file(std::string(TOLVANE_ARTIFACTS_DIR) + "/" + name + ".txt");
  for (const std::wstring& line : Lines(tree)) file << line << L"\n";
}

const Read* Find(const std::vector<Read>& tree, const std::function<bool(const Read&)>& fits) {
  const auto found = std::find_if(tree.begin(), tree.end(), fits);
  return found == tree.end() ? nullptr : &*found;
}

long StateOf(HWND window) {
  IAccessible* object = ScreenReader::ClientObject(window);
  if (!object) return -1;
  VARIANT state;
  VariantInit(&state);
  object->get_accState(Id(CHILDID_SELF), &state);
  object->Release();
  return state.vt == VT_I4 ? state.lVal : -1;
}

// Every object tells the window it belongs to (IOleWindow), and is read by name with the child
// left out: as nothing, and as a script client asks through IDispatch, where the missing child
// arrives as a missing parameter.
void ExpectObjectContract(HWND window, const std::wstring& name) {
  SCOPED_TRACE(Narrow(name));
  IAccessible* object = ScreenReader::ClientObject(window);
  ASSERT_NE(object, nullptr);
  IOleWindow* ole_window = nullptr;
  ASSERT_EQ(object->QueryInterface(IID_IOleWindow, reinterpret_cast<void**>(&ole_window)), S_OK);
  HWND told = nullptr;
  EXPECT_EQ(ole_window->GetWindow(&told), S_OK);
  EXPECT_EQ(told, window);
  ole_window->Release();

  VARIANT nothing;
  VariantInit(&nothing);
  BSTR text = nullptr;
  EXPECT_EQ(object->get_accName(nothing, &text), S_OK);
  EXPECT_EQ(std::wstring(text ? text : L""), name);
  SysFreeString(text);

  OLECHAR member[] = L"accName";
  OLECHAR* members[] = {member};
  DISPID id = 0;
  EXPECT_EQ(object->GetIDsOfNames(IID_NULL, members, 1, LOCALE_USER_DEFAULT, &id), S_OK);
  EXPECT_EQ(id, DISPID_ACC_NAME);
  DISPPARAMS no_arguments = {nullptr, nullptr, 0, 0};
  VARIANT result;
  VariantInit(&result);
  EXPECT_EQ(object->Invoke(DISPID_ACC_NAME, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET,
                           &no_arguments, &result, nullptr, nullptr),
            S_OK);
  EXPECT_EQ(result.vt == VT_BSTR ? std::wstring(result.bstrVal) : L"<no text>", name);
  VariantClear(&result);
  object->Release();
}

// Asked by its child id, a child with a window of its own answers as its own object does (role,
// name, place): a control's window object, a painted element's own object; a child id passed by
// reference, as script clients pass it, is taken as by value.
void ExpectChildIdsAnswered(HWND window) {
  IAccessible* object = ScreenReader::ClientObject(window);
  ASSERT_NE(object, nullptr);
  long count = 0;
  object->get_accChildCount(&count);
  int windowed = 0;
  for (long id = 1; id <= count; ++id) {
    SCOPED_TRACE(id);
    VARIANT child = Id(id);
    IDispatch* own = nullptr;
    const bool has_window = object->get_accChild(child, &own) == S_OK && own;
    VARIANT by_reference;
    by_reference.vt = VT_I4 | VT_BYREF;
    by_reference.plVal = &child.lVal;
    BSTR name = nullptr, name_by_reference = nullptr;
    EXPECT_EQ(object->get_accName(by_reference, &name_by_reference),
              object->get_accName(child, &name));
    EXPECT_EQ(std::wstring(name ? name : L""),
              std::wstring(name_by_reference ? name_by_reference : L""));
    SysFreeString(name);
    SysFreeString(name_by_reference);
    if (!has_window) continue;
    ++windowed;
    IAccessible* accessible = nullptr;
    own->QueryInterface(kIidAccessible, reinterpret_cast<void**>(&accessible));
    IUnknown* identity = nullptr;  // which window object it stands for, as the system's tell
    EXPECT_EQ(own->QueryInterface(IID_IAccIdentity, reinterpret_cast<void**>(&identity)), S_OK);
    if (identity) identity->Release();
    own->Release();
    ASSERT_NE(accessible, nullptr);
    // A painted element is answered as itself, which the window that stands for it answers too.
    HWND child_window = nullptr;
    wchar_t child_class[32] = {};
    WindowFromAccessibleObject(accessible, &child_window);
    GetClassNameW(child_window, child_class, 32);
    if (std::wstring(child_class) == L"TPaintedElement") {
      accessible->Release();
      accessible = ScreenReader::ClientObject(child_window);
      ASSERT_NE(accessible, nullptr);
      // It is its window's client object: its parent is the window's object, and it tells its
      // identity as the system's client objects do.
      IDispatch* parent = nullptr;
      IAccessible* parent_object = nullptr;
      HWND parent_window = nullptr;
      if (accessible->get_accParent(&parent) == S_OK && parent) {
        parent->QueryInterface(kIidAccessible, reinterpret_cast<void**>(&parent_object));
        parent->Release();
      }
      if (parent_object) WindowFromAccessibleObject(parent_object, &parent_window);
      EXPECT_EQ(parent_window, child_window);
      EXPECT_NE(parent_object, accessible);
      if (parent_object) parent_object->Release();
      IUnknown* element_identity = nullptr;
      EXPECT_EQ(accessible->QueryInterface(IID_IAccIdentity,
                                           reinterpret_cast<void**>(&element_identity)),
                S_OK);
      if (element_identity) element_identity->Release();
    }
    const VARIANT self = Id(CHILDID_SELF);
    // (Wine's own objects of standard windows answer little: E_NOTIMPL.)
    VARIANT role, its_role;
    VariantInit(&role);
    VariantInit(&its_role);
    EXPECT_EQ(object->get_accRole(child, &role), accessible->get_accRole(self, &its_role));
    EXPECT_TRUE(role.vt == its_role.vt && (role.vt != VT_I4 || role.lVal == its_role.lVal));
    long left = -1, top = -1, width = -1, height = -1;
    long its_left = 0, its_top = 0, its_width = 0, its_height = 0;
    EXPECT_EQ(object->accLocation(&left, &top, &width, &height, child),
              accessible->accLocation(&its_left, &its_top, &its_width, &its_height, self));
    EXPECT_EQ(left, its_left) << "the outputs are written, with zeros when nothing is known";
    EXPECT_EQ(width, its_width);
    accessible->Release();
  }
  EXPECT_GT(windowed, 0);
  object->Release();
}

// The focus and live-region events of the launcher, heard by this thread while it reads its
// messages: an out-of-context hook procedure is called from them, and has no context of its own.
std::vector<std::pair<DWORD, HWND>> events_heard;

void CALLBACK OnEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD,
                      DWORD) {
  if (object == OBJID_CLIENT && child == CHILDID_SELF) events_heard.emplace_back(event, window);
}

HWINEVENTHOOK Listen(const LauncherSession& session, DWORD event) {
  return SetWinEventHook(event, event, nullptr, OnEvent, GetProcessId(session.process()), 0,
                         WINEVENT_OUTOFCONTEXT);
}

bool Heard(DWORD event, HWND window) {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  return std::find(events_heard.begin(), events_heard.end(), std::make_pair(event, window)) !=
         events_heard.end();
}

// The name a screen reader reads of `window`'s object, asked from a thread of its own: a COM call
// into a window whose thread takes no calls would wait for ever. Empty when none came in 2 s.
std::wstring NameReadOf(HWND window) {
  auto name = std::make_shared<std::wstring>();
  auto done = std::make_shared<HANDLE>(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  std::thread reader([window, name, done] {
    ScreenReader com;  // COM for this thread
    if (IAccessible* object = ScreenReader::ClientObject(window)) {
      BSTR text = nullptr;
      if (object->get_accName(Id(CHILDID_SELF), &text) == S_OK && text) *name = text;
      SysFreeString(text);
      object->Release();
    }
    SetEvent(*done);
  });
  const bool answered = WaitForSingleObject(*done, 2000) == WAIT_OBJECT_0;
  if (answered) {
    reader.join();
  } else {
    reader.detach();  // it holds what it uses
  }
  return answered ? *name : L"";
}

// While the Java test script runs (about 10 s here), a screen reader in another process is
// answered at once and reads what the screen shows: the waiting page, which holds the focus and
// is announced as it comes. Windows never takes the window for hung.
TEST(Window, AScreenReaderIsAnsweredWhileTheJavaTestScriptRuns) {
  LauncherSession session(Machine{.java_startup_ms = 3000});
  ASSERT_TRUE(session.Start());
  HWINEVENTHOOK hook = Listen(session, EVENT_OBJECT_FOCUS);
  ASSERT_NE(hook, nullptr);
  session.Click(L"next1");
  ASSERT_TRUE(WaitUntil([&] { return session.Visible(L"panel2"); }));
  session.Click(L"next2");
  ASSERT_TRUE(WaitUntil([&] { return session.Visible(L"panel5"); }));
  HWND waiting = session.Control(L"panel5");
  EXPECT_TRUE(
      WaitUntil([&] { return Heard(EVENT_OBJECT_FOCUS, waiting); }, std::chrono::seconds(5)));
  UnhookWinEvent(hook);
  // Away to another window and back: the focus comes back to the waiting page, not to a control
  // of the page the form has moved to but does not show yet.
  HWND elsewhere = CreateWindowExW(0, L"Static", L"elsewhere", WS_POPUP | WS_VISIBLE, 0, 0, 40, 40,
                                   nullptr, nullptr, nullptr, nullptr);
  SetForegroundWindow(elsewhere);
  EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == elsewhere; }));
  SetForegroundWindow(session.form());
  DestroyWindow(elsewhere);
  const auto focus = [&] {
    GUITHREADINFO thread = {sizeof(thread)};
    GetGUIThreadInfo(GetWindowThreadProcessId(session.form(), nullptr), &thread);
    return thread.hwndFocus;
  };
  // Asked three times over 6 s of the wait: Windows takes a window whose thread has not looked
  // at its messages for 5 s for hung.
  for (int asked = 0; asked < 3; ++asked) {
    SCOPED_TRACE(asked);
    ASSERT_TRUE(session.Visible(L"panel5")) << "the script ended before the reader was done";
    DWORD_PTR answer = 0;
    EXPECT_NE(SendMessageTimeoutW(session.form(), WM_GETOBJECT, 0,
                                  static_cast<LPARAM>(OBJID_CLIENT), SMTO_NORMAL, 500, &answer),
              0);
    EXPECT_FALSE(IsHungAppWindow(session.form()));
    EXPECT_TRUE(WaitUntil([&] { return focus() == waiting; }, std::chrono::seconds(2)));
    EXPECT_EQ(NameReadOf(waiting), L"Wait a moment please ...");
    Sleep(2000);  // further into the wait
  }
  ASSERT_TRUE(WaitUntil([&] { return session.Visible(L"panel3"); }));
  EXPECT_FALSE(session.Visible(L"panel5"));
}

TEST(Window, AScreenReaderReadsEveryTextOfTheJavaAndControlPages) {
  LauncherSession session;
  ASSERT_TRUE(session.Start());
  // EVENT_OBJECT_LIVEREGIONCHANGED, named by the headers for Windows 8 and later only.
  constexpr DWORD kLiveRegionChanged = 0x8019;
  HWINEVENTHOOK hook = Listen(session, kLiveRegionChanged);
  ASSERT_NE(hook, nullptr);
  ScreenReader reader;
  EXPECT_TRUE(ScreenReader::WalksBothWays(session.Control(L"panel1")));
  session.Click(L"next1");
  session.Click(L"next2");
  ASSERT_TRUE(WaitUntil([&] { return !session.Text(L"currentjavaversion").empty(); }));
  // The focus lands on "< Back": the result is announced from its box as it shows.
  EXPECT_TRUE(
      WaitUntil([&] { return Heard(kLiveRegionChanged, session.Control(L"currentjavaversion")); },
                std::chrono::seconds(5)));
  UnhookWinEvent(hook);
  const std::vector<Read> java_page = reader.ReadWindow(session.form());
  SaveReading("accessibility-java-page", java_page);
  EXPECT_TRUE(ScreenReader::WalksBothWays(session.Control(L"panel3")));
  EXPECT_EQ(Comparable(java_page), ExpectedReadingOf(L"panel3", L"Java installation"));
  // The Java runtime found is the name of its box, a live region, which is what readers say of a
  // live region when it changes. Wine 8 keeps no annotations of the system's objects
  // (IAccPropServices is not implemented there), so only Windows names it, as it names the licence
  // boxes and e1.
  const Read* result = Find(java_page, [&](const Read& read) {
    return read.window == session.Control(L"currentjavaversion");
  });
  ASSERT_NE(result, nullptr);
  if (UnderWine()) {
    Unchecked("the Java result box's name, an annotation Wine does not keep");
  } else {
    EXPECT_EQ(result->name, session.Text(L"currentjavaversion"));
  }

  session.Click(L"next3");
  ASSERT_TRUE(WaitUntil([&] { return session.Visible(L"panel4"); }));
  const std::vector<Read> control_page = reader.ReadWindow(session.form());
  SaveReading("accessibility-control-page", control_page);
  EXPECT_EQ(Comparable(control_page), ExpectedReadingOf(L"panel4", L"Start Tolvane Flash Chat"));
  // A reader that moves as NVDA does meets every element of each object in order, both ways, and
  // the child windows (painted texts among them, by the windows that stand for them) lie in the
  // same order, which is the order of UI Automation's tree.
  EXPECT_TRUE(ScreenReader::WalksBothWays(session.form()));
  for (const wchar_t* object : {L"panel4", L"GroupBox1", L"GroupBox2", L"GroupBox3"}) {
    EXPECT_TRUE(ScreenReader::WalksBothWays(session.Control(object))) << Narrow(object);
  }
  for (HWND window : {session.form(), session.Control(L"panel4"), session.Control(L"GroupBox2")}) {
    const auto [windows, reading] = reader.WindowsAndReading(window);
    EXPECT_EQ(windows, reading);
  }
  // Pages that are hidden are read as nothing, and say they are out of sight.
  for (const wchar_t* page : {L"panel1", L"panel3", L"panel5"}) {
    EXPECT_TRUE(reader.ReadWindow(session.Control(page)).empty()) << Narrow(page);
  }
  constexpr long kOutOfSight = STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN;
  EXPECT_EQ(StateOf(session.Control(L"panel5")) & kOutOfSight, kOutOfSight);
  EXPECT_EQ(StateOf(session.Control(L"panel4")) & kOutOfSight, 0);
  ExpectObjectContract(session.form(), L"Tolvane Chat");
  ExpectObjectContract(session.Control(L"panel4"), L"Start Tolvane Flash Chat");
  ExpectObjectContract(session.Control(L"GroupBox2"), L"Media server");
  ExpectChildIdsAnswered(session.Control(L"panel4"));
  // Where the link is drawn, as the layout places it on its page.
  RECT page;
  GetWindowRect(session.Control(L"panel4"), &page);
  const Read* link =
      Find(control_page, [](const Read& read) { return read.name == L"httpd.conf"; });
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link->location.left, page.left + 73);
  EXPECT_EQ(link->location.top, page.top + 29);
  EXPECT_EQ(link->keys, L"Alt+Space, H");  // the letter its item of the system menu has
  // The window that stands for the link shows it as the page paints it.
  HDC screen = GetDC(nullptr);
  const Rect link_area = {link->location.left, link->location.top,
                          link->location.right - link->location.left,
                          link->location.bottom - link->location.top};
  EXPECT_GT(PixelsIn(screen, link_area, kClBlue), 20);
  ReleaseDC(nullptr, screen);
  session.Screenshot("accessibility-control-page");
  // The box for JAVA_HOME is named after its painted label. Wine 8 keeps no annotations of the
  // system's objects (IAccPropServices is not implemented there), so only Windows names it.
  const Read* java_home =
      Find(control_page, [&](const Read& read) { return read.window == session.Control(L"e1"); });
  ASSERT_NE(java_home, nullptr);
  if (UnderWine()) {
    Unchecked("the JAVA_HOME box's name, an annotation Wine does not keep");
  } else {
    EXPECT_EQ(java_home->name, L"JAVA_HOME:");
  }

  // While the C# notice is up the window is disabled, and a link's click would run behind it.
  session.Click(L"csharpcb");
  HWND notice = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (notice = session.MessageBoxWindow(L"Information")); }));
  EXPECT_EQ(reader.DoDefaultAction(session.Control(L"panel4"), L"httpd.conf"), E_FAIL);
  session.Answer(notice, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return session.State(L"phpcb").checked; }));

  // A link's default action is its click: Notepad opens the web server's configuration. The
  // clicks run in the order they were asked for, so once this one's Notepad shows, the refused
  // one would have shown before it: one Notepad runs.
  EXPECT_EQ(reader.DoDefaultAction(session.Control(L"panel4"), L"httpd.conf"), S_OK);
  EXPECT_TRUE(WaitUntil([] { return FindWindowW(L"Notepad", L"httpd.conf - Notepad"); }));
  int notepads = 0;
  for (HWND found = nullptr; (found = FindWindowExW(nullptr, found, L"Notepad", nullptr));) {
    ++notepads;
  }
  EXPECT_EQ(notepads, 1);
  RunQuietly(L"taskkill /F /IM notepad.exe");
  // The mouse goes through the window that stands for a link to the page, which clicks it.
  ASSERT_TRUE(WaitUntil([] { return !FindWindowW(L"Notepad", nullptr); }));
  SetForegroundWindow(session.form());
  session.Click(L"Label16");
  EXPECT_TRUE(WaitUntil([] { return FindWindowW(L"Notepad", L"php.ini - Notepad"); }));
  RunQuietly(L"taskkill /F /IM notepad.exe");
}

}  // namespace
}  // namespace tolvane::test
