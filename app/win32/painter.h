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

namespace tolvane {

// A colour of the form's as GDI takes it: an RGB value, or the system colour it names.
inline COLORREF ToColorRef(Colour colour) {
  return (colour & 0xFF000000u) ? GetSysColor(static_cast<int>(colour & 0xFFu))
                                : static_cast<COLORREF>(colour);
}

inline RECT ToRect(const Rect& r) { return {r.left, r.top, r.left + r.width, r.top + r.height}; }

class Painter {
 public:
  using FontOf = std::function<HFONT(const TControl&)>;
  Painter(HINSTANCE instance, FontOf font_of);

  // In high contrast every fixed colour gives way to the system's.
  void SetHighContrast(bool on) { high_contrast_ = on; }
  // The colour `control`'s text is drawn in on the system colour `background`: its own while it
  // stays readable there, else the system's matching colour (a link the hot-track colour while
  // that is readable, a text the text colour of its background). System colours are read anew on
  // every call.
  COLORREF TextColour(const TControl& control, int background) const;

  // Decodes the banner made for a screen at `percent` %, and draws the icons made for it from
  // now on; until then (or when it can't be decoded) the banner is left undrawn.
  void LoadPictures(int percent);
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
  bool high_contrast_ = false;
  int percent_ = 0;
  Bitmap banner_;
  std::map<Asset, Icon> icons_;
};

// A page that has a caption of its own paints it across itself (the waiting page does).
inline bool PaintsCaption(const TControl& page) {
  return page.kind() == Kind::Page && !page.Text().empty();
}

}  // namespace tolvane
