// The real window under Wine: its frame, every windowed control against the layout (as laid out,
// and scaled for another screen resolution), their fonts, first focus and Tab order by real keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "files.h"
#include "form_window.h"
#include "launcher_session.h"
#include "layout.h"
#include "recording_platform.h"
#include "scaling.h"
#include "socket.h"

namespace tolvane::test {
namespace {

std::wstring ExpectedClass(Kind kind) {
  switch (kind) {
    case Kind::Page:
      return L"TPanel";
    case Kind::GroupBox:
      return L"TGroupBox";
    case Kind::Memo:
    case Kind::Edit:
      return L"Edit";
    default:
      return L"Button";
  }
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
    // One page shows over the waiting page; every control is visible on its page.
    EXPECT_EQ(state.visible, control->kind() != Kind::Page || page == showing || page == L"panel5");
    ++compared;
  }
  return compared;
}

// From a first start through the wizard to the control page, comparing each page as it shows.
void ExpectEveryPageLaidOut(LauncherSession& session, int measured) {
  std::vector<std::wstring> shown;
  const auto expect_page = [&](const std::wstring& page) {
    SCOPED_TRACE(Narrow(page));
    ASSERT_TRUE(WaitUntil([&] { return session.Visible(page); }));
    shown.push_back(page);
    ExpectLayout(session, measured, shown, page);
  };
  expect_page(L"panel1");
  session.Click(L"next1");
  expect_page(L"panel2");
  session.Click(L"next2");
  ASSERT_TRUE(WaitUntil([&] { return !session.Text(L"currentjavaversion").empty(); }));
  expect_page(L"panel3");
  session.Click(L"next3");
  expect_page(L"panel4");
  EXPECT_EQ(ExpectLayout(session, measured, shown, L"panel4"), 34);
}

// Tab from the first focus round the page and back to it, then Shift+Tab the other way.
void ExpectTabOrder(LauncherSession& session, const std::vector<std::wstring>& order) {
  ASSERT_TRUE(WaitUntil([&] { return session.Focused() == order.front(); }))
      << "focus is on " << Narrow(session.Focused());
  for (std::size_t i = 1; i <= order.size(); ++i) {
    session.Key(VK_TAB);
    EXPECT_EQ(session.Focused(), order[i % order.size()]);
  }
  for (std::size_t i = order.size(); i > 0; --i) {
    session.Key(VK_TAB, true);
    EXPECT_EQ(session.Focused(), order[i - 1]);
  }
}

TEST(Window, HasItsCaptionAFixedClientAreaAndNoMaximiseBox) {
  LauncherSession session;
  ASSERT_TRUE(session.Start());
  wchar_t caption[64] = {};
  GetWindowTextW(session.form(), caption, 64);
  EXPECT_STREQ(caption, L"Tolvane Chat");
  const LONG_PTR style = GetWindowLongPtrW(session.form(), GWL_STYLE);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0);
  EXPECT_NE(style & WS_MINIMIZEBOX, 0);
  EXPECT_NE(style & WS_SYSMENU, 0);
  RECT client;
  GetClientRect(session.form(), &client);
  EXPECT_EQ(client.right, 550);
  EXPECT_EQ(client.bottom, 450);
  // Centred on the desktop.
  RECT outer;
  GetWindowRect(session.form(), &outer);
  const int desktop_width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
  EXPECT_EQ(outer.left, GetSystemMetrics(SM_XVIRTUALSCREEN) + desktop_width / 2 -
                            (outer.right - outer.left) / 2);
  session.Screenshot("page1-licence");

  // Minimised and restored, it keeps its client area.
  ShowWindow(session.form(), SW_MINIMIZE);
  ShowWindow(session.form(), SW_RESTORE);
  GetClientRect(session.form(), &client);
  EXPECT_EQ(client.right, 550);
  EXPECT_TRUE(session.Close());
}

TEST(Window, EveryControlIsWhereTheLayoutPutsIt) {
  LauncherSession session;
  ASSERT_TRUE(session.Start());
  ASSERT_EQ(MeasuredTextHeight(96), 13) << "the test prefix's Tahoma is missing";
  EXPECT_EQ(session.Focused(), L"Memo1");
  ExpectEveryPageLaidOut(session, 13);
}

// Wine passes no WM_GETFONT between processes: this window is built in the test's own process.
TEST(Window, GroupBoxesAndPagesTellTheirFontAsStandardControlsDo) {
  RecordingPlatform platform;
  TForm1 form(platform, MachineFileSystem(), SystemConnector(), L"", [](Asset) { return L""; });
  FormWindow window(form, GetModuleHandleW(nullptr));
  ASSERT_TRUE(window.Create());
  window.ShowFirstTime();  // every page shows, and so gets its controls
  const auto font = [&](const wchar_t* name) {
    return SendMessageW(ControlWindow(window.hwnd(), name), WM_GETFONT, 0, 0);
  };
  ASSERT_NE(font(L"apachecb"), 0);
  EXPECT_EQ(font(L"GroupBox1"), font(L"apachecb"));
  EXPECT_EQ(font(L"panel4"), font(L"apachecb"));
  DestroyWindow(window.hwnd());
}

TEST(Window, ScalesEverythingForAnotherScreenResolution) {
  HKEY desktop = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &desktop, nullptr),
            ERROR_SUCCESS);
  const DWORD dpi = 120;
  RegSetValueExW(desktop, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                 sizeof(dpi));
  {
    LauncherSession session;
    const bool started = session.Start();
    RegDeleteValueW(desktop, L"LogPixels");
    ASSERT_TRUE(started);
    const int measured = MeasuredTextHeight(120);
    ASSERT_NE(measured, 13);
    session.Screenshot("page1-licence-120dpi");
    ExpectEveryPageLaidOut(session, measured);
  }
  RegCloseKey(desktop);
}

TEST(Window, TheControlPageTabsThroughItsControlsByRealKeys) {
  LauncherSession session;
  StoreSettingsOfThisComputer(session, "C:\\Program Files\\Java\\jre6");
  ASSERT_TRUE(session.Start());
  EXPECT_EQ(session.Text(L"e1"), L"C:\\Program Files\\Java\\jre6");
  session.Screenshot("page4-control");
  ExpectTabOrder(session, {L"apachecb", L"wowzacb", L"phpcb", L"autoopenmainpage", L"startservers",
                           L"startdevelopment", L"viewlog", L"back3", L"e1", L"savejavahome",
                           L"documentationbutton"});
}

TEST(Window, ArrowKeysMoveAmongSiblingsAndNeverOntoRed5) {
  LauncherSession session;
  StoreSettingsOfThisComputer(session, "");
  ASSERT_TRUE(session.Start());
  ASSERT_TRUE(WaitUntil([&] { return session.Focused() == L"apachecb"; }));
  session.Key(VK_TAB);
  ASSERT_EQ(session.Focused(), L"wowzacb");
  session.Key(VK_RIGHT);  // its one sibling, Red5, is disabled
  EXPECT_EQ(session.Focused(), L"wowzacb");
  EXPECT_TRUE(session.State(L"wowzacb").checked);
  EXPECT_FALSE(session.State(L"red5cb").checked);

  // They move the tick with the focus, as in a dialog: C# ticked brings its notice.
  session.Key(VK_TAB);
  ASSERT_EQ(session.Focused(), L"phpcb");
  session.Key(VK_RIGHT);
  HWND notice = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (notice = session.MessageBoxWindow(L"Information")); }));
  session.Answer(notice, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return session.State(L"phpcb").checked; }));
  EXPECT_EQ(session.Focused(), L"csharpcb");

  session.Key(VK_TAB);
  ASSERT_EQ(session.Focused(), L"autoopenmainpage");
  session.Key(VK_RIGHT);
  EXPECT_EQ(session.Focused(), L"startservers");
  session.Key(VK_LEFT);
  EXPECT_EQ(session.Focused(), L"autoopenmainpage");
  session.Key(VK_UP);  // back past the group boxes, which take no focus, round to the last
  EXPECT_EQ(session.Focused(), L"documentationbutton");
  session.Key(VK_DOWN);
  EXPECT_EQ(session.Focused(), L"autoopenmainpage");
}

TEST(Window, TheWizardPagesTabThroughTheirControlsByRealKeys) {
  LauncherSession session;
  ASSERT_TRUE(session.Start());
  ExpectTabOrder(session, {L"Memo1", L"next1", L"Memo3"});
  session.Click(L"next1");
  EXPECT_EQ(session.Text(L"Memo2").rfind(L"PLACEHOLDER", 0), 0u)
      << "the licence comes with its page";
  ExpectTabOrder(session, {L"Memo2", L"next2", L"back1"});
  session.Click(L"next2");
  ASSERT_TRUE(WaitUntil([&] { return !session.Text(L"currentjavaversion").empty(); }));
  ExpectTabOrder(session, {L"back2", L"next3", L"Memo4", L"Button2", L"Memo5",
                           L"currentjavaversion", L"setjavahome"});
}

}  // namespace
}  // namespace tolvane::test
