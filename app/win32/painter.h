// What the form, its pages and group boxes draw themselves: labels and links in their fonts and
// colours, the banner and the icons, bevels, a group box's etched frame with its caption, and the
// waiting page's caption. The window binding decides when to paint; this draws.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <vector>

#include "controls.h"
#include "gdi.h"
#include "system_colours.h"

namespace tolvane {

class Painter {
 public:
  using FontOf = std::function<HFONT(const TControl&)>;
  Painter(HINSTANCE instance, FontOf font_of, const SystemColours& colours);

  // Draws for a layout scaled by `measured_text_height` / 13: the icons made for `icon_percent` %
  // and the banner made for `banner_percent` %, decoded now (a banner that can't be decoded is
  // left undrawn).
  void ScaleTo(int measured_text_height, int icon_percent, int banner_percent);
  // Paints `owner`'s own frame or caption in `owner_font`, then its painted children. `owner`
  // is nullptr for the form.
  void Paint(HDC dc, const TControl* owner, HFONT owner_font,
             const std::vector<TControl*>& children);

 private:
  void PaintLabel(HDC dc, const TControl& control);
  void PaintPicture(HDC dc, const TControl& control);
  void PaintBevel(HDC dc, const TControl& control);
  void PaintGroupFrame(HDC dc, const TControl& group, HFONT font);
  void PaintCaption(HDC dc, const TControl& page, HFONT font);

  HINSTANCE instance_;
  FontOf font_of_;
  const SystemColours& colours_;
  int measured_ = 13;  // the design's text height
  int icon_percent_ = 0;
  int banner_percent_ = 0;
  Bitmap banner_;
  std::map<Asset, Icon> icons_;
};

// A page that has a caption of its own paints it across itself (the waiting page does).
inline bool PaintsCaption(const TControl& page) {
  return page.kind() == Kind::Page && !page.Text().empty();
}

}  // namespace tolvane
