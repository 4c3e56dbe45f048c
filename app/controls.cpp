#include "controls.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace tolvane {

TControl::TControl(const LayoutRow& row, TControl* parent)
    : row_(row),
      name_(row.name),
      parent_(parent),
      bounds_{row.left, row.top, row.width, row.height},
      font_height_(row.font.height),
      enabled_((row.flags & kDisabled) == 0),
      tab_stop_(row.tab >= 0 && (row.kind != Kind::Radio || (row.flags & kTicked) != 0) &&
                enabled_),
      checked_((row.flags & kTicked) != 0),
      text_(row.text ? row.text : L""),
      font_colour_(row.font.colour),
      bold_(row.font.bold) {}

void TControl::Notify(ControlView::Change change) {
  if (view_) view_->Changed(*this, change);
}

void TControl::SetVisible(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  Notify(ControlView::Change::Visible);
}

bool TControl::Showing() const {
  for (const TControl* c = this; c; c = c->parent_) {
    if (!c->visible_) return false;
  }
  return true;
}

void TControl::SetChecked(bool checked) {
  if (checked_ == checked) return;
  checked_ = checked;
  if (kind() == Kind::Radio) {
    tab_stop_ = checked;
    if (checked && parent_) {
      for (TControl* sibling : parent_->children_) {
        if (sibling != this && sibling->kind() == Kind::Radio && sibling->checked_) {
          sibling->checked_ = false;
          sibling->tab_stop_ = false;
          sibling->Notify(ControlView::Change::Checked);
        }
      }
    }
  }
  Notify(ControlView::Change::Checked);
  if (kind() == Kind::Radio && checked && on_click) on_click();
}

void TControl::SetText(const std::wstring& text) {
  text_ = text;
  Notify(ControlView::Change::Text);
}

void TControl::SetFontColour(Colour colour) {
  font_colour_ = colour;
  Notify(ControlView::Change::Font);
}

void TControl::SetBold(bool bold) {
  bold_ = bold;
  Notify(ControlView::Change::Font);
}

void TControl::Click() {
  if (!enabled_) return;
  switch (kind()) {
    case Kind::Radio:
      SetChecked(true);
      break;
    case Kind::CheckBox:
      SetChecked(!checked_);
      break;
    case Kind::Button:
    case Kind::Link:
      if (on_click) on_click();
      break;
    default:
      break;
  }
}

bool TControl::Focusable() const {
  switch (kind()) {
    case Kind::Memo:
    case Kind::Edit:
    case Kind::Button:
    case Kind::CheckBox:
    case Kind::Radio:
      return true;
    default:
      return false;
  }
}

namespace {

std::wstring WithoutColon(std::wstring text) {
  if (!text.empty() && text.back() == L':') text.pop_back();
  return text;
}

}  // namespace

std::wstring LabelledName(const TControl& box) {
  const bool box_of_varying_text =
      (box.kind() == Kind::Memo || box.kind() == Kind::Edit) && !box.row().text;
  if (!box_of_varying_text || !box.parent()) return L"";
  const auto& siblings = box.parent()->children();
  auto at = std::find(siblings.begin(), siblings.end(), &box);
  while (at != siblings.begin()) {
    --at;
    if ((*at)->kind() == Kind::Label) return (*at)->Text();
  }
  return L"";
}

const wchar_t* PictureName(Asset asset) {
  static constexpr std::pair<Asset, const wchar_t*> kNames[] = {{Asset::Banner, L"Tolvane Chat"},
                                                                {Asset::Apache, L"Apache"},
                                                                {Asset::Wowza, L"Wowza"},
                                                                {Asset::Red5, L"Red5"},
                                                                {Asset::Php, L"PHP"},
                                                                {Asset::DotNet, L".NET"},
                                                                {Asset::Java, L"Java"}};
  for (const auto& [pictured, name] : kNames) {
    if (pictured == asset) return name;
  }
  return L"";
}

std::wstring PaintedName(const TControl& element) {
  return element.kind() == Kind::Picture ? PictureName(element.row().asset) : element.Text();
}

bool IsDecoration(const TControl& control) {
  if (control.kind() == Kind::Bevel) return true;
  if (control.kind() != Kind::Picture) return false;
  if (control.row().asset == Asset::Banner) return true;
  if (!control.parent()) return false;
  const auto& siblings = control.parent()->children();
  const auto at = std::find(siblings.begin(), siblings.end(), &control);
  // From the layout's captions, so that a picture is decoration or not for the window's life.
  const wchar_t* next_caption =
      at != siblings.end() && at + 1 != siblings.end() ? (*(at + 1))->row().text : nullptr;
  return next_caption && std::wstring(next_caption) == PictureName(control.row().asset);
}

std::wstring PageHeading(const TControl& page) {
  if (!page.Text().empty()) return WithoutColon(page.Text());
  const TControl* label = HeadingLabel(page);
  return label ? WithoutColon(label->Text()) : L"";
}

const TControl* HeadingLabel(const TControl& page) {
  if (page.kind() != Kind::Page || !page.Text().empty()) return nullptr;
  for (const TControl* control : page.children()) {
    if (control->kind() == Kind::Label && !control->Text().empty()) return control;
  }
  return nullptr;
}

ControlTree::ControlTree(const std::vector<LayoutRow>& layout) {
  for (const LayoutRow& row : layout) {
    TControl* parent = row.parent ? &Get(row.parent) : nullptr;
    controls_.push_back(std::make_unique<TControl>(row, parent));
    TControl* control = controls_.back().get();
    if (parent) {
      parent->AddChild(control);
    } else {
      top_.push_back(control);
    }
  }
}

TControl& ControlTree::Get(const std::wstring& name) const {
  for (const auto& control : controls_) {
    if (control->name() == name) return *control;
  }
  throw std::out_of_range("no control of that name");
}

namespace {

std::vector<TControl*> InTabOrder(const std::vector<TControl*>& controls) {
  std::vector<TControl*> ordered;
  for (TControl* control : controls) {
    if (control->row().tab >= 0) ordered.push_back(control);
  }
  std::stable_sort(ordered.begin(), ordered.end(), [](const TControl* a, const TControl* b) {
    return a->row().tab < b->row().tab;
  });
  return ordered;
}

// Every control that can take the focus now, in the form's tab order, tab stops or not.
void CollectFocusable(const std::vector<TControl*>& controls, std::vector<TControl*>& found) {
  for (TControl* control : InTabOrder(controls)) {
    if (!control->Showing() || !control->Enabled()) continue;
    if (control->Focusable()) {
      found.push_back(control);
    } else {
      CollectFocusable(control->children(), found);
    }
  }
}

// The first control after `from` in `ordered` (before it when going backward), wrapping, that
// `fits`; nullptr when `from` is not in `ordered` or none fits.
TControl* NextInOrder(const std::vector<TControl*>& ordered, const TControl* from, bool forward,
                      const std::function<bool(const TControl&)>& fits) {
  const auto at = std::find(ordered.begin(), ordered.end(), from);
  if (at == ordered.end()) return nullptr;
  const std::size_t count = ordered.size();
  std::size_t index = static_cast<std::size_t>(at - ordered.begin());
  for (std::size_t step = 1; step <= count; ++step) {
    index = forward ? (index + 1) % count : (index + count - 1) % count;
    if (fits(*ordered[index])) return ordered[index];
  }
  return nullptr;
}

// The ticked radio button among `group`'s children; nullptr when none is ticked.
TControl* TickedRadio(const TControl& group) {
  for (TControl* control : group.children()) {
    if (control->kind() == Kind::Radio && control->Checked()) return control;
  }
  return nullptr;
}

}  // namespace

std::vector<TControl*> ControlTree::TabStops() const {
  std::vector<TControl*> stops;
  CollectFocusable(top_, stops);
  stops.erase(std::remove_if(stops.begin(), stops.end(),
                             [](const TControl* control) { return !control->TabStop(); }),
              stops.end());
  return stops;
}

TControl* ControlTree::FirstFocus() const {
  const auto stops = TabStops();
  return stops.empty() ? nullptr : stops.front();
}

TControl* ControlTree::FocusOnActivation(TControl* remembered) const {
  if (remembered && remembered->kind() == Kind::Radio && !remembered->Checked() &&
      remembered->parent()) {
    remembered = TickedRadio(*remembered->parent());
  }
  if (remembered && remembered->Showing() && remembered->Enabled() && remembered->Focusable()) {
    return remembered;
  }
  return FirstFocus();
}

TControl* ControlTree::SeenPage() const {
  for (auto it = top_.rbegin(); it != top_.rend(); ++it) {
    if ((*it)->kind() == Kind::Page && (*it)->Visible()) return *it;
  }
  return nullptr;
}

TControl* ControlTree::NextTabStop(const TControl* current, bool forward) const {
  std::vector<TControl*> focusable;
  CollectFocusable(top_, focusable);
  const auto is_stop = [](const TControl& control) { return control.TabStop(); };
  if (TControl* next = NextInOrder(focusable, current, forward, is_stop)) return next;
  const auto stops = TabStops();
  if (stops.empty()) return nullptr;
  return forward ? stops.front() : stops.back();
}

TControl* ControlTree::ArrowTarget(const TControl& current, bool forward) const {
  const auto& siblings = current.parent() ? current.parent()->children() : top_;
  return NextInOrder(InTabOrder(siblings), &current, forward, [&current](const TControl& control) {
    return &control != &current && control.Showing() && control.Enabled() && control.Focusable();
  });
}

}  // namespace tolvane
