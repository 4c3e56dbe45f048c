// The rules of the form's controls: radio groups, which page is seen, tab order, first focus and
// arrow keys, on the real layout.
#include "controls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "access_keys.h"
#include "layout.h"
#include "readable_colour.h"

namespace tolvane {
namespace {

class ControlRules : public ::testing::Test {
 protected:
  ControlTree tree{FormLayout()};
  TControl& C(const wchar_t* name) { return tree.Get(name); }

  void ShowOnly(const wchar_t* page) {
    for (const wchar_t* name : {L"panel1", L"panel2", L"panel3", L"panel4"}) {
      C(name).SetVisible(std::wstring(name) == page);
    }
  }

  std::vector<std::wstring> TabOrderNames() {
    std::vector<std::wstring> names;
    for (const TControl* control : tree.TabStops()) names.push_back(control->name());
    return names;
  }
};

TEST_F(ControlRules, TickingARadioButtonUnticksOnlyItsSiblingsAndMovesTheTabStop) {
  int csharp_clicks = 0;
  C(L"csharpcb").on_click = [&] { ++csharp_clicks; };
  C(L"csharpcb").Click();
  EXPECT_TRUE(C(L"csharpcb").Checked());
  EXPECT_FALSE(C(L"phpcb").Checked());
  EXPECT_TRUE(C(L"apachecb").Checked());
  EXPECT_TRUE(C(L"wowzacb").Checked());
  EXPECT_TRUE(C(L"csharpcb").TabStop());
  EXPECT_FALSE(C(L"phpcb").TabStop());
  EXPECT_EQ(csharp_clicks, 1);

  C(L"csharpcb").Click();  // already ticked: nothing fires
  EXPECT_EQ(csharp_clicks, 1);

  C(L"phpcb").SetChecked(true);  // ticked by code: unticks C# without firing its event
  EXPECT_FALSE(C(L"csharpcb").Checked());
  EXPECT_EQ(csharp_clicks, 1);
  C(L"csharpcb").SetChecked(true);  // ticked by code: fires like a click
  EXPECT_EQ(csharp_clicks, 2);
}

TEST_F(ControlRules, ARadioButtonAloneStaysTickedRed5CanNotBeTickedAndCheckBoxesToggle) {
  C(L"apachecb").Click();
  EXPECT_TRUE(C(L"apachecb").Checked());
  C(L"red5cb").Click();
  EXPECT_FALSE(C(L"red5cb").Checked());
  EXPECT_TRUE(C(L"wowzacb").Checked());
  C(L"autoopenmainpage").Click();
  EXPECT_FALSE(C(L"autoopenmainpage").Checked());
  C(L"autoopenmainpage").Click();
  EXPECT_TRUE(C(L"autoopenmainpage").Checked());
}

TEST_F(ControlRules, TheHighestVisiblePageIsSeen) {
  EXPECT_EQ(tree.SeenPage()->name(), L"panel4");  // right after creation all are visible
  struct Case {
    std::vector<const wchar_t*> visible;
    const wchar_t* seen;
  };
  const std::vector<Case> cases = {
      {{}, L"panel5"},
      {{L"panel1"}, L"panel1"},
      {{L"panel2"}, L"panel2"},
      {{L"panel3"}, L"panel3"},
      {{L"panel4"}, L"panel4"},
      {{L"panel2", L"panel3"}, L"panel2"},
      {{L"panel1", L"panel2", L"panel3"}, L"panel1"},
      {{L"panel1", L"panel4"}, L"panel4"},
  };
  for (const Case& c : cases) {
    ShowOnly(L"none");
    for (const wchar_t* page : c.visible) C(page).SetVisible(true);
    EXPECT_EQ(tree.SeenPage()->name(), c.seen) << "visible pages: " << c.visible.size();
  }
}

TEST_F(ControlRules, EachPageHasItsTabOrderAndFirstFocus) {
  ShowOnly(L"panel4");
  EXPECT_EQ(TabOrderNames(),
            (std::vector<std::wstring>{L"apachecb", L"wowzacb", L"phpcb", L"autoopenmainpage",
                                       L"startservers", L"startdevelopment", L"viewlog", L"back3",
                                       L"e1", L"savejavahome", L"documentationbutton"}));
  EXPECT_EQ(tree.FirstFocus()->name(), L"apachecb");
  // On activation the control that had the focus gets it back while it shows and is enabled.
  EXPECT_EQ(tree.FocusOnActivation(&C(L"wowzacb"))->name(), L"wowzacb");
  // An unticked radio button (C# after its notice) hands the focus to the ticked one of its group.
  EXPECT_EQ(tree.FocusOnActivation(&C(L"csharpcb"))->name(), L"phpcb");
  EXPECT_EQ(tree.FocusOnActivation(&C(L"next1"))->name(), L"apachecb");  // on a hidden page
  EXPECT_EQ(tree.FocusOnActivation(&C(L"red5cb"))->name(), L"wowzacb");  // disabled

  ShowOnly(L"panel3");
  EXPECT_EQ(TabOrderNames(),
            (std::vector<std::wstring>{L"back2", L"next3", L"Memo4", L"Button2", L"Memo5",
                                       L"currentjavaversion", L"setjavahome"}));
  ShowOnly(L"panel2");
  EXPECT_EQ(TabOrderNames(), (std::vector<std::wstring>{L"Memo2", L"next2", L"back1"}));
  ShowOnly(L"panel1");
  EXPECT_EQ(TabOrderNames(), (std::vector<std::wstring>{L"Memo1", L"next1", L"Memo3"}));
  EXPECT_EQ(tree.FirstFocus()->name(), L"Memo1");

  ShowOnly(L"none");
  EXPECT_EQ(tree.FirstFocus(), nullptr);  // the waiting page has nothing to focus
}

// Pictures that would only repeat a name are decoration, as bevels are: the banner (the window's
// name) and the icons beside a button of the same name. ".NET" beside "C#" and the Java cup say
// something of their own.
TEST_F(ControlRules, APictureThatRepeatsANameIsDecoration) {
  std::vector<std::wstring> read, decoration;
  for (const auto& control : tree.all()) {
    if (control->kind() != Kind::Picture) continue;
    (IsDecoration(*control) ? decoration : read).push_back(PictureName(control->row().asset));
  }
  EXPECT_EQ(read, (std::vector<std::wstring>{L"Java", L".NET"}));
  EXPECT_EQ(decoration,
            (std::vector<std::wstring>{L"Tolvane Chat", L"Apache", L"Wowza", L"Red5", L"PHP"}));
}

TEST_F(ControlRules, ATextBoxIsNamedAfterThePaintedLabelBeforeIt) {
  EXPECT_EQ(LabelledName(C(L"e1")), L"JAVA_HOME:");
  EXPECT_EQ(LabelledName(C(L"savejavahome")), L"");  // after e1, no label
  EXPECT_EQ(LabelledName(C(L"Label5")), L"");        // first on its page
  // The licence boxes, and the Java result past the text box and the button between.
  EXPECT_EQ(LabelledName(C(L"Memo1")), L"Please read the following license agreement carefully.");
  EXPECT_EQ(LabelledName(C(L"Memo2")), L"Please read the following license agreement carefully.");
  EXPECT_EQ(LabelledName(C(L"currentjavaversion")), L"Java installation:");
  // Boxes of fixed text read as that text, and a box with no label before it has no name.
  EXPECT_EQ(LabelledName(C(L"Memo3")), L"");
  EXPECT_EQ(LabelledName(C(L"Memo4")), L"");
  EXPECT_EQ(LabelledName(C(L"GroupBox1")), L"");
}

TEST_F(ControlRules, APageIsNamedAfterTheHeadingItPaintsFirst) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"panel1", L"Tolvane Chat first startup"},
      {L"panel2", L"Wowza media server PRO 10 license."},
      {L"panel3", L"Java installation"},
      {L"panel4", L"Start Tolvane Flash Chat"},
      {L"panel5", L"Wait a moment please ..."},  // its own caption
  };
  for (const auto& [page, heading] : cases) EXPECT_EQ(PageHeading(C(page)), heading) << page;
}

TEST_F(ControlRules, TabAndShiftTabWrapAroundAndFollowTheTickedRadioButton) {
  ShowOnly(L"panel4");
  EXPECT_EQ(tree.NextTabStop(&C(L"documentationbutton"), true)->name(), L"apachecb");
  EXPECT_EQ(tree.NextTabStop(&C(L"apachecb"), false)->name(), L"documentationbutton");
  EXPECT_EQ(tree.NextTabStop(&C(L"wowzacb"), true)->name(), L"phpcb");
  EXPECT_EQ(tree.NextTabStop(nullptr, true)->name(), L"apachecb");
  C(L"csharpcb").Click();
  EXPECT_EQ(tree.NextTabStop(&C(L"wowzacb"), true)->name(), L"csharpcb");
  C(L"phpcb").SetChecked(true);  // C#, no tab stop now, is left for the stop after it
  EXPECT_EQ(tree.NextTabStop(&C(L"csharpcb"), true)->name(), L"autoopenmainpage");
  // A control on a hidden page is left for the first or last stop of the page that shows.
  EXPECT_EQ(tree.NextTabStop(&C(L"next1"), false)->name(), L"documentationbutton");
}

TEST_F(ControlRules, ArrowKeysMoveAmongSiblingsSkippingDisabledAndUnfocusableControls) {
  ShowOnly(L"panel4");
  EXPECT_EQ(tree.ArrowTarget(C(L"wowzacb"), true), nullptr);  // its only sibling, Red5, is disabled
  EXPECT_EQ(tree.ArrowTarget(C(L"phpcb"), true)->name(), L"csharpcb");
  EXPECT_EQ(tree.ArrowTarget(C(L"phpcb"), false)->name(), L"csharpcb");
  EXPECT_EQ(tree.ArrowTarget(C(L"autoopenmainpage"), true)->name(), L"startservers");
  EXPECT_EQ(tree.ArrowTarget(C(L"autoopenmainpage"), false)->name(), L"documentationbutton");
}

// The keys an item's caption marks, "&&" being a literal "&".
TEST(AccessKeys, ACaptionMarksTheCharacterAfterItsFirstLoneAmpersand) {
  EXPECT_EQ(MarkedKey(L"&Restore"), L'R');
  EXPECT_EQ(MarkedKey(L"Mi&nimize"), L'n');
  EXPECT_EQ(MarkedKey(L"&\u0417\u0430\u043a\u0440\u044b\u0442\u044c"),
            L'\u0417');  // Russian "Close"
  EXPECT_EQ(MarkedKey(L"Tom && &Jerry"), L'J');
  EXPECT_EQ(MarkedKey(L"Tom && Jerry"), 0);
  EXPECT_EQ(MarkedKey(L"Close&"), 0);
}

// The links' items beside the keys of system menus as Windows marks them in English, in Polish
// ("&Przywróć", Restore, holds P; the httpd.conf item then holds H), and in Russian, whose
// "&Закрыть" (Close) holds the key that types P on an English layout; and beside a menu that
// holds every letter of the caption.
TEST(AccessKeys, ALinksItemTakesAKeyNoOtherItemOfTheMenuHolds) {
  const std::vector<wchar_t> english = {L'R', L'M', L'S', L'N', L'X', L'C'};
  const std::vector<wchar_t> polish_and_httpd = {L'P', L'E', L'R', L'N', L'K', L'Z', L'H'};
  const std::vector<wchar_t> russian_close_and_httpd = {L'P', L'H'};
  const struct {
    std::vector<wchar_t> taken;
    const wchar_t* caption;
    const wchar_t* keyed;
    wchar_t key;
  } cases[] = {
      {english, L"Edit httpd.conf", L"Edit &httpd.conf", L'H'},
      {{L'R', L'M', L'S', L'N', L'X', L'C', L'H'}, L"Edit php.ini", L"Edit &php.ini", L'P'},
      {polish_and_httpd, L"Edit php.ini", L"Edit php.&ini", L'I'},
      {russian_close_and_httpd, L"Edit php.ini", L"Edit php.&ini", L'I'},
      {{L'H', L'P', L'I', L'N'}, L"Edit php.ini", L"&Edit php.ini", L'E'},
      {{L'E', L'D', L'I', L'T', L'P', L'H', L'N'}, L"Edit php.ini", L"Edit php.ini", 0},
  };
  for (const auto& c : cases) {
    const AccessKeyed got = WithFreeAccessKey(c.caption, 5, c.taken);
    EXPECT_EQ(got.caption, c.keyed) << c.caption;
    EXPECT_EQ(got.key, c.key) << c.caption;
  }
}

TEST(ReadableColour, ContrastRatioRunsFromOneToTwentyOneEitherWayRound) {
  EXPECT_DOUBLE_EQ(ContrastRatio(kClBlack, Rgb(255, 255, 255)), 21.0);
  EXPECT_DOUBLE_EQ(ContrastRatio(Rgb(255, 255, 255), kClBlack), 21.0);
  EXPECT_DOUBLE_EQ(ContrastRatio(kClBlue, kClBlue), 1.0);
  EXPECT_NEAR(ContrastRatio(kClBlue, kClBlack), 2.44, 0.01);
}

// The layout's fixed colours on the backgrounds they are drawn on: Windows' default face colour,
// dark palettes, and the edge of 3:1.
TEST(ReadableColour, AFixedColourGivesWayBelowThreeToOneOrInHighContrast) {
  constexpr Colour kDefaultFace = Rgb(240, 240, 240);
  const struct {
    Colour wanted, background;
    bool high_contrast, gives_way;
  } cases[] = {
      {kClBlue, kDefaultFace, false, false},       // 7.5:1
      {kClRed, kDefaultFace, false, false},        // 3.5:1
      {kClDarkGreen, kDefaultFace, false, false},  // 4.6:1
      {kClBlack, kDefaultFace, false, false},
      {kClBlue, kClBlack, false, true},  // 2.4:1
      {kClDarkGreen, kClBlack, false, false},
      {kClBlack, Rgb(64, 64, 64), false, true},
      {kClBlue, Rgb(152, 152, 152), false, true},   // 2.98:1
      {kClBlue, Rgb(153, 153, 153), false, false},  // 3.02:1
      {kClBlue, kDefaultFace, true, true},
      {kClBlack, Rgb(255, 255, 255), true, true},
      // A system colour follows the user already, in high contrast too.
      {kClWindowText, kClBlack, false, false},
      {kClBtnFace, kDefaultFace, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << std::hex << c.wanted << " on " << c.background
                                      << (c.high_contrast ? " in high contrast" : ""));
    EXPECT_EQ(GivesWayToSystemColour(c.wanted, c.background, c.high_contrast), c.gives_way);
  }
}

}  // namespace
}  // namespace tolvane
