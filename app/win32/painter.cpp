#include "painter.h"

#include <algorithm>
#include <utility>

#include "assets.h"
#include "layout.h"
#include "scaling.h"

namespace tolvane {
namespace {

void FillSolid(HDC dc, int left, int top, int width, int height, COLORREF colour) {
  SetBkColor(dc, colour);
  const RECT r = {left, top, left + width, top + height};
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

}  // namespace

Painter::Painter(HINSTANCE instance, FontOf font_of, const SystemColours& colours)
    : instance_(instance), font_of_(std::move(font_of)), colours_(colours) {}

void Painter::ScaleTo(int measured_text_height, int icon_percent, int banner_percent) {
  measured_ = measured_text_height;
  if (icon_percent != icon_percent_) {
    icon_percent_ = icon_percent;
    icons_.clear();
  }
  if (banner_percent != banner_percent_) {
    banner_percent_ = banner_percent;
    banner_ = LoadBanner(instance_, banner_percent);
  }
}

void Painter::Paint(HDC dc, const TControl* owner, HFONT owner_font,
                    const std::vector<TControl*>& children) {
  if (owner && owner->kind() == Kind::GroupBox) PaintGroupFrame(dc, *owner, owner_font);
  if (owner && PaintsCaption(*owner)) PaintCaption(dc, *owner, owner_font);
  for (const TControl* control : children) {
    if (!control->Visible()) continue;
    switch (control->kind()) {
      case Kind::Label:
      case Kind::Link:
        PaintLabel(dc, *control);
        break;
      case Kind::Picture:
        PaintPicture(dc, *control);
        break;
      case Kind::Bevel:
        PaintBevel(dc, *control);
        break;
      default:
        break;
    }
  }
}

void Painter::PaintLabel(HDC dc, const TControl& control) {
  const Selected font(dc, font_of_(control));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colours_.TextColour(control, COLOR_BTNFACE));
  RECT r = ToRect(control.bounds());
  DrawTextW(dc, control.Text().c_str(), static_cast<int>(control.Text().size()), &r,
            DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
}

// Pictures are drawn at their own size at the top left of their box, never stretched; the banner,
// made at least as wide as its box, is clipped to it.
void Painter::PaintPicture(HDC dc, const TControl& control) {
  const Rect& b = control.bounds();
  const Asset asset = control.row().asset;
  if (asset == Asset::Banner) {
    if (!banner_.get()) return;
    BITMAP info = {};
    GetObjectW(banner_.get(), sizeof(info), &info);
    HDC memory = CreateCompatibleDC(dc);
    {
      const Selected bitmap(memory, banner_.get());
      BitBlt(dc, b.left, b.top, std::min(info.bmWidth, static_cast<LONG>(b.width)),
             std::min(info.bmHeight, static_cast<LONG>(b.height)), memory, 0, 0, SRCCOPY);
    }
    DeleteDC(memory);
    return;
  }
  // Each icon is loaded when it is first drawn: a first start draws none of them.
  auto icon = icons_.find(asset);
  if (icon == icons_.end())
    icon = icons_.emplace(asset, LoadPictureIcon(instance_, asset, icon_percent_)).first;
  if (!icon->second.get()) return;
  DrawIconEx(dc, b.left, b.top, icon->second.get(), 0, 0, 0, nullptr, DI_NORMAL);
}

// A raised ridge: highlight along the top and left edges, shadow along the bottom and right.
void Painter::PaintBevel(HDC dc, const TControl& control) {
  const Rect& b = control.bounds();
  const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
  const COLORREF dark = GetSysColor(COLOR_BTNSHADOW);
  FillSolid(dc, b.left, b.top, b.width, 1, light);
  FillSolid(dc, b.left, b.top, 1, b.height, light);
  FillSolid(dc, b.left, b.top + b.height - 1, b.width, 1, dark);
  FillSolid(dc, b.left + b.width - 1, b.top, 1, b.height, dark);
}

// A group box draws an etched frame inside its own area, broken by its caption at the top left;
// the caption's insets grow with the layout.
void Painter::PaintGroupFrame(HDC dc, const TControl& group, HFONT font) {
  const auto scaled = [this](int pixels) {
    return MulDivRound(pixels, measured_, kDesignTextHeight);
  };
  const Selected selected(dc, font);
  SIZE caption = {};
  GetTextExtentPoint32W(dc, group.Text().c_str(), static_cast<int>(group.Text().size()), &caption);
  RECT frame = {0, caption.cy / 2, group.bounds().width, group.bounds().height};
  DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
  RECT text = {scaled(8), 0, scaled(8) + caption.cx + scaled(4), caption.cy};
  FillRect(dc, &text, GetSysColorBrush(COLOR_BTNFACE));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colours_.TextColour(group, COLOR_BTNFACE));
  text.left += scaled(2);
  DrawTextW(dc, group.Text().c_str(), -1, &text, DT_SINGLELINE | DT_NOPREFIX);
}

void Painter::PaintCaption(HDC dc, const TControl& page, HFONT font) {
  const Selected selected(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colours_.TextColour(page, COLOR_BTNFACE));
  RECT r = {0, 0, page.bounds().width, page.bounds().height};
  DrawTextW(dc, page.Text().c_str(), -1, &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
}

}  // namespace tolvane
