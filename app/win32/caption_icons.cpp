#include "caption_icons.h"

#include <utility>

#include "resource_ids.h"
#include "screen_dpi.h"

namespace tolvane {
namespace {

Icon MainIcon(HINSTANCE instance, int width, int height) {
  return Icon(
      static_cast<HICON>(LoadImageW(instance, IDI_MAINICON, IMAGE_ICON, width, height, 0)));
}

}  // namespace

void CaptionIcons::Set(HWND form, HINSTANCE instance, int dpi) {
  Icon big = MainIcon(instance, MetricForDpi(SM_CXICON, dpi), MetricForDpi(SM_CYICON, dpi));
  Icon small = MainIcon(instance, MetricForDpi(SM_CXSMICON, dpi), MetricForDpi(SM_CYSMICON, dpi));
  SendMessageW(form, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.get()));
  SendMessageW(form, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
  // The window no longer draws the old pair.
  big_ = std::move(big);
  small_ = std::move(small);
}

}  // namespace tolvane
