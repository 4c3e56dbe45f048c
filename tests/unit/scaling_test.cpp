// The window's scaling on creation and its first position.
#include "scaling.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "controls.h"
#include "layout.h"

namespace tolvane {
namespace {

TEST(Scaling, RoundsHalvesAwayFromZero) {
  EXPECT_EQ(MulDivRound(5, 1, 2), 3);
  EXPECT_EQ(MulDivRound(-5, 1, 2), -3);
  EXPECT_EQ(MulDivRound(7, 16, 13), 9);       // 8.61
  EXPECT_EQ(MulDivRound(-11, 120, 96), -14);  // -13.75
  EXPECT_EQ(MulDivRound(550, 12, 13), 508);   // 507.69
}

TEST(Scaling, WindowFontFollowsTheScreenResolution) {
  EXPECT_EQ(WindowFontHeightForDpi(-11, 96), -11);
  EXPECT_EQ(WindowFontHeightForDpi(-11, 120), -14);
  EXPECT_EQ(WindowFontHeightForDpi(-11, 144), -17);  // -16.5
}

TEST(Scaling, FontPointSizesRoundTripAtTheDesignHeight) {
  for (int height : {-11, -13, -16, -19}) EXPECT_EQ(ScaleFontHeight(height, 13), height);
  EXPECT_EQ(ScaleFontHeight(-16, 16), -20);  // 12 pt -> 15 pt
  EXPECT_EQ(ScaleFontHeight(-13, 12), -12);  // 10 pt -> 9 pt
}

TEST(Scaling, NothingChangesAtTheDesignTextHeight) {
  ControlTree tree(FormLayout());
  const Rect client = ScaleForm(tree, kClientWidth, kClientHeight, 13);
  EXPECT_EQ(client.width, 550);
  EXPECT_EQ(client.height, 450);
  const Rect& next3 = tree.Get(L"next3").bounds();
  EXPECT_EQ(next3.left, 411);
  EXPECT_EQ(next3.width, 115);
  EXPECT_EQ(tree.Get(L"Label5").font_height(), -16);
}

TEST(Scaling, EdgesScaleAndSizesFollowFromTheScaledEdges) {
  ControlTree tree(FormLayout());
  const Rect client = ScaleForm(tree, kClientWidth, kClientHeight, 16);
  EXPECT_EQ(client.width, 677);   // 676.9
  EXPECT_EQ(client.height, 554);  // 553.8
  // Memo4 (14, 48, 511 x 65): edges 17.2, 59.1, 646.2, 139.1.
  const Rect& memo = tree.Get(L"Memo4").bounds();
  EXPECT_EQ(memo.left, 17);
  EXPECT_EQ(memo.top, 59);
  EXPECT_EQ(memo.width, 646 - 17);
  EXPECT_EQ(memo.height, 139 - 59);
  // Bevel (0, 72, 550 x 3): edges 88.6 and 92.3 give 3 pixels, not a rounded 3.7.
  EXPECT_EQ(tree.Get(L"Bevel1").bounds().height, 92 - 89);
  EXPECT_EQ(tree.Get(L"Label5").font_height(), -20);
  EXPECT_EQ(tree.Get(L"Memo1").font_height(), -11);  // the window font is not scaled here
}

// Every control's place, size and font height in `actual` as in `expected`.
::testing::AssertionResult SameLayout(const ControlTree& actual, const ControlTree& expected) {
  for (std::size_t i = 0; i < actual.all().size(); ++i) {
    const TControl& a = *actual.all()[i];
    const TControl& e = *expected.all()[i];
    const Rect& ab = a.bounds();
    const Rect& eb = e.bounds();
    if (ab.left != eb.left || ab.top != eb.top || ab.width != eb.width || ab.height != eb.height ||
        a.font_height() != e.font_height()) {
      return ::testing::AssertionFailure()
             << std::string(a.name().begin(), a.name().end()) << " is at " << ab.left << ","
             << ab.top << " " << ab.width << "x" << ab.height << " font " << a.font_height()
             << ", not " << eb.left << "," << eb.top << " " << eb.width << "x" << eb.height
             << " font " << e.font_height();
    }
  }
  return ::testing::AssertionSuccess();
}

// A window moved to a screen of another resolution is laid out again from the rows, whatever it
// was laid out for before: exactly what a window created there gets.
TEST(Scaling, LayingOutAgainStartsFromTheRowsNotFromScaledValues) {
  for (int before : {16, 26}) {
    for (int measured : {13, 17, 21, 26}) {
      SCOPED_TRACE(::testing::Message() << before << " then " << measured);
      ControlTree moved(FormLayout());
      ScaleForm(moved, kClientWidth, kClientHeight, before);
      const Rect client = ScaleForm(moved, kClientWidth, kClientHeight, measured);
      ControlTree created(FormLayout());
      const Rect expected = ScaleForm(created, kClientWidth, kClientHeight, measured);
      EXPECT_TRUE(SameLayout(moved, created));
      EXPECT_EQ(client.width, expected.width);
      EXPECT_EQ(client.height, expected.height);
    }
  }
}

TEST(Scaling, PicturesAreThoseMadeForTheNearestScale) {
  const std::pair<int, int> cases[] = {
      {10, 100}, {13, 100}, {14, 100},  // 107.7 %
      {15, 125},                        // 115.4 %
      {17, 125},                        // 130.8 %: 120 dpi
      {18, 150},                        // 138.5 %
      {21, 150},                        // 161.5 %: 144 dpi
      {22, 175}, {24, 175},             // 184.6 %
      {25, 200}, {26, 200}, {40, 200},
  };
  for (const auto& [measured, percent] : cases) {
    EXPECT_EQ(ArtworkScale(measured, 13), percent) << "measured " << measured;
  }
  // After a move, by the new screen's dpi: Windows' own scales, and either side of the middle
  // between two (112.5 %, which keeps the smaller).
  const std::pair<int, int> by_dpi[] = {{96, 100},  {108, 100}, {109, 125}, {120, 125},
                                        {144, 150}, {168, 175}, {192, 200}, {288, 200}};
  for (const auto& [dpi, percent] : by_dpi) {
    EXPECT_EQ(ArtworkScale(dpi, 96), percent) << dpi << " dpi";
  }
}

// The banner drawn is the smallest made at least as wide as its box (550 px at 100 %, halves
// rounded up: 688, 825, 963, 1100, 1375), and the largest when none is.
TEST(Scaling, TheBannerIsTheSmallestThatFillsItsBox) {
  const std::pair<int, int> cases[] = {{550, 100}, {551, 125}, {688, 125}, {689, 150},
                                       {888, 175}, {963, 175}, {1100, 200}, {1142, 250},
                                       {1375, 250}, {2000, 250}};
  for (const auto& [box, percent] : cases) EXPECT_EQ(BannerScale(box, 550), percent) << box;
}

// Centred on the whole desktop, also one that starts left of the primary monitor (-1280..1920),
// but never left of or above it.
TEST(WindowPosition, CentresOnTheWholeDesktopNeverLeftOfOrAboveIt) {
  const struct {
    Rect desktop;
    int width, height;
    Point at;
  } cases[] = {{{0, 0, 1920, 1080}, 556, 479, {960 - 278, 540 - 239}},
               {{-1280, 0, 3200, 1080}, 557, 480, {-1280 + 1600 - 278, 540 - 240}},
               {{-100, -50, 400, 300}, 556, 479, {-100, -50}}};
  for (const auto& c : cases) {
    const Point at = CentreOnDesktop(c.desktop, c.width, c.height);
    EXPECT_EQ(at.x, c.at.x);
    EXPECT_EQ(at.y, c.at.y);
  }
}

// The first place on the desktop's monitors (the first listed is the primary): centred on the
// desktop while one monitor holds the whole window; else wholly on the monitor that held most of
// it (the primary on equal shares or none), centred in its work area, or at its top-left when
// larger; never in a gap between monitors, where the caption could not be reached.
TEST(WindowPosition, FirstPlaceOnTheMonitors) {
  const Monitor primary = {{0, 0, 1920, 1080}, {0, 0, 1920, 1040}};  // taskbar 40 high
  const Monitor left = {{-1280, 56, 1280, 1024}, {-1280, 56, 1280, 1024}};
  const Monitor right = {{1920, 0, 1920, 1080}, {1920, 0, 1920, 1080}};
  const Monitor far_left = {{-1920, 0, 1920, 1080}, {-1920, 0, 1920, 1080}};
  // Touching at a corner: the desktop's centre lies in the gap beside them.
  const Monitor a = {{0, 0, 1280, 1024}, {0, 0, 1280, 1024}};
  const Monitor b = {{1280, 1024, 1920, 1080}, {1280, 1024, 1920, 1040}};
  const struct {
    Rect desktop;
    std::vector<Monitor> monitors;
    int width, height;
    Point at;
  } cases[] = {
      {{0, 0, 1920, 1080}, {primary}, 556, 479, {960 - 278, 540 - 239}},
      {{-1920, 0, 5760, 1080}, {far_left, primary, right}, 556, 479, {960 - 278, 540 - 239}},
      {{0, 0, 1920, 1080}, {}, 556, 479, {960 - 278, 540 - 239}},
      // Over the seam at x = 320, mostly on the primary.
      {{-1280, 0, 3200, 1080}, {left, primary}, 1000, 480, {960 - 500, 520 - 240}},
      {{0, 0, 3840, 1080}, {primary, right}, 600, 400, {960 - 300, 520 - 200}},
      {{-1280, 0, 3200, 1080}, {left, primary}, 2000, 1100, {0, 0}},
      {{0, 0, 3200, 2104}, {a, b}, 557, 480, {1280 + 960 - 278, 1024 + 520 - 240}},
      {{0, 0, 3200, 2104}, {b, a}, 100, 100, {1280 + 960 - 50, 1024 + 520 - 50}},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    const auto& c = cases[i];
    const Point at = FirstPlace(c.desktop, c.monitors, c.width, c.height);
    EXPECT_EQ(at.x, c.at.x);
    EXPECT_EQ(at.y, c.at.y);
  }
}

TEST(WindowPosition, KeptInsideTheWorkAreaOrAtItsTopLeft) {
  const Rect work = {-1280, 56, 1280, 1000};
  const std::pair<Point, Point> cases[] = {
      {{-1000, 300}, {-1000, 300}},  // inside: where it stands
      {{-1500, 20}, {-1280, 56}},    // left of and above it
      {{-100, 900}, {-800, 576}},    // right of and below it
  };
  for (const auto& [at, kept] : cases) {
    const Point got = KeptInside(work, at, 800, 480);
    EXPECT_EQ(got.x, kept.x);
    EXPECT_EQ(got.y, kept.y);
  }
  const Point larger = KeptInside(work, {-100, 900}, 1400, 1100);
  EXPECT_EQ(larger.x, -1280);
  EXPECT_EQ(larger.y, 56);
}

}  // namespace
}  // namespace tolvane
