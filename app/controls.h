// The form's controls as portable objects. Each control keeps its state (caption or text,
// visibility, tick, tab stop, font colour and style) in memory and tells an attached view when
// that state changes; the Win32 binding is such a view, and headless tests attach none. The rules
// that belong to controls rather than to handlers live here: radio groups, the tab order, first
// focus and arrow-key moves.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tolvane {

// A colour as the form stores it: an RGB value 0x00BBGGRR, or a system colour index with the
// top byte 0xFF.
using Colour = std::uint32_t;
constexpr Colour SystemColour(int index) { return 0xFF000000u | static_cast<Colour>(index); }
constexpr Colour Rgb(int r, int g, int b) {
  return static_cast<Colour>(r) | static_cast<Colour>(g) << 8 | static_cast<Colour>(b) << 16;
}
constexpr Colour kClBtnFace = SystemColour(15);
constexpr Colour kClWindow = SystemColour(5);
constexpr Colour kClWindowText = SystemColour(8);
constexpr Colour kClBtnHighlight = SystemColour(20);
constexpr Colour kClBtnShadow = SystemColour(16);
constexpr Colour kClBlue = Rgb(0, 0, 255);
constexpr Colour kClBlack = Rgb(0, 0, 0);
constexpr Colour kClRed = Rgb(255, 0, 0);
constexpr Colour kClDarkGreen = Rgb(0, 128, 0);

enum class Kind {
  Page,
  Label,
  Link,
  Memo,
  Button,
  CheckBox,
  Radio,
  GroupBox,
  Edit,
  Picture,
  Bevel
};

// Whether a control is drawn by the window it lies in (a label, link, picture or bevel) rather
// than being a window of its own.
inline bool IsPainted(Kind kind) {
  return kind == Kind::Label || kind == Kind::Link || kind == Kind::Picture || kind == Kind::Bevel;
}

// Pictures and texts that come from the executable's resources.
enum class Asset {
  None,
  Banner,
  Apache,
  Wowza,
  Red5,
  Php,
  DotNet,
  Java,
  Eula,
  MediaLicence,
  Copyright
};

constexpr int kDefaultCharset = 1;
constexpr int kEastEuropeCharset = 238;

struct FontSpec {
  const wchar_t* family;  // nullptr: the window font
  int height;             // negative: character height in pixels without internal leading
  bool bold;
  int charset;
  Colour colour;
};
constexpr FontSpec kWindowFont = {nullptr, -11, false, kDefaultCharset, kClWindowText};

enum Flag : unsigned {
  kTicked = 1u << 0,
  kDisabled = 1u << 1,
  kVerticalScrollBar = 1u << 2,
  kBorderless = 1u << 3,
  kAlignTop = 1u << 4,
};

// One row of the layout: what the form designer recorded for a control.
struct LayoutRow {
  const wchar_t* name;
  Kind kind;
  const wchar_t* parent;  // nullptr: the form itself
  int left, top, width, height;
  const wchar_t* text;  // caption, or the lines of a text box joined by CR LF
  FontSpec font;
  unsigned flags;
  int tab;                  // place in the tab order among its parent's children; -1: none
  const wchar_t* on_click;  // handler name; nullptr: none
  Asset asset;              // picture, or the text of a text box, from the resources
};

struct Rect {
  int left, top, width, height;
};

class TControl;

// What a binding to real windows implements to follow a control's state.
class ControlView {
 public:
  enum class Change { Visible, Text, Checked, Font };
  virtual ~ControlView() = default;
  virtual void Changed(TControl& control, Change change) = 0;
};

class TControl {
 public:
  TControl(const LayoutRow& row, TControl* parent);

  const LayoutRow& row() const { return row_; }
  const std::wstring& name() const { return name_; }
  Kind kind() const { return row_.kind; }
  TControl* parent() const { return parent_; }
  const std::vector<TControl*>& children() const { return children_; }
  void AddChild(TControl* child) { children_.push_back(child); }

  // Position and size relative to the parent, after scaling.
  const Rect& bounds() const { return bounds_; }
  void set_bounds(const Rect& bounds) { bounds_ = bounds; }
  // Font height after scaling (the window font's controls follow the window).
  int font_height() const { return font_height_; }
  void set_font_height(int height) { font_height_ = height; }

  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  // Visible, and so is every parent up to the form.
  bool Showing() const;
  bool Enabled() const { return enabled_; }
  bool TabStop() const { return tab_stop_; }
  bool Checked() const { return checked_; }
  // Ticking a radio button unticks its siblings and fires its click handler; ticking one that is
  // already ticked does nothing.
  void SetChecked(bool checked);
  const std::wstring& Text() const { return text_; }
  void SetText(const std::wstring& text);
  // The user typed into the control: the view already shows the text.
  void TextTyped(const std::wstring& text) { text_ = text; }
  Colour FontColour() const { return font_colour_; }
  void SetFontColour(Colour colour);
  bool Bold() const { return bold_; }
  void SetBold(bool bold);

  // A click by the user: buttons and links run their handler, check boxes toggle, radio buttons
  // tick. Disabled controls ignore it.
  void Click();
  // Takes the keyboard focus: true for text boxes, the edit box, buttons, check and radio buttons.
  bool Focusable() const;

  std::function<void()> on_click;
  void set_view(ControlView* view) { view_ = view; }

 private:
  void Notify(ControlView::Change change);

  const LayoutRow& row_;
  std::wstring name_;
  TControl* parent_;
  std::vector<TControl*> children_;
  Rect bounds_;
  int font_height_;
  bool visible_ = true;
  bool enabled_;
  bool tab_stop_;
  bool checked_;
  std::wstring text_;
  Colour font_colour_;
  bool bold_;
  ControlView* view_ = nullptr;
};

// What screen readers name a text box whose content the layout does not fix (a licence, the Java
// result, JAVA_HOME): the text of the last label painted before it on its parent, as it reads
// ("JAVA_HOME:"), as Windows names a box after its label: readers that meet the label just
// before a control of the same name take it for the control's label, and say it once. Empty
// for any other control (it reads as its own caption or text), and when no label comes before
// it.
std::wstring LabelledName(const TControl& box);
// What screen readers name a picture: what it shows ("Apache").
const wchar_t* PictureName(Asset asset);
// What screen readers name a painted label, link or picture: its caption, or what it shows.
std::wstring PaintedName(const TControl& element);
// Drawn for the eye only, and so no element for screen readers: a bevel; the banner, which shows
// the window's own name; a picture named as the layout captions the control right after it (the
// Apache icon beside the "Apache" button), which would be said twice.
bool IsDecoration(const TControl& control);
// What screen readers name a page: its heading, the caption it paints across itself or else the
// first label it paints, without a closing colon.
std::wstring PageHeading(const TControl& page);
// The label that is a page's heading, which readers hear as the page's name and not again as a
// text of it: its first label with text, when it paints no caption of its own; nullptr otherwise.
const TControl* HeadingLabel(const TControl& page);

// Every control of a form, built from its layout rows in creation order.
class ControlTree {
 public:
  explicit ControlTree(const std::vector<LayoutRow>& layout);

  TControl& Get(const std::wstring& name) const;  // throws std::out_of_range for an unknown name
  const std::vector<std::unique_ptr<TControl>>& all() const { return controls_; }
  // The form's direct children in creation order.
  const std::vector<TControl*>& top() const { return top_; }

  // The form's tab order: its children by their tab order, each followed by its own children in
  // theirs; only controls that are showing, enabled, tab stops and can take the focus.
  std::vector<TControl*> TabStops() const;
  TControl* FirstFocus() const;
  // The control that takes the focus when the window becomes active again: the one that held it
  // before, while it still shows and is enabled; otherwise the first focus. An unticked radio
  // button hands it to the ticked one of its group, as the dialog manager does: on Windows an
  // unticked radio button that gets the focus clicks itself.
  TControl* FocusOnActivation(TControl* remembered) const;
  // The page the user sees: pages overlap exactly, one created later lies above, so it is the
  // last visible page in creation order.
  TControl* SeenPage() const;
  // Tab (forward) or Shift+Tab from `current`, wrapping; the first (last) tab stop when `current`
  // is none or not showing. From a control that is no tab stop (an unticked radio button the
  // arrow keys reached, or C# after its notice) it goes on from that control's place.
  TControl* NextTabStop(const TControl* current, bool forward) const;
  // Right/Down (forward) or Left/Up among `current`'s siblings in tab order, tab stops or not,
  // skipping controls that are hidden, disabled or can't take the focus; wraps.
  TControl* ArrowTarget(const TControl& current, bool forward) const;

 private:
  std::vector<std::unique_ptr<TControl>> controls_;
  std::vector<TControl*> top_;
};

}  // namespace tolvane
