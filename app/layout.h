// The main window's layout as the designer laid it out at 96 dots per inch and a text height of
// 13 pixels: the window's own properties and one row per control, in creation order.
#pragma once

#include <vector>

#include "controls.h"

namespace tolvane {

inline constexpr wchar_t kFormCaption[] = L"Tolvane Chat";
inline constexpr int kClientWidth = 550;
inline constexpr int kClientHeight = 450;
inline constexpr int kDesignDpi = 96;
inline constexpr int kDesignTextHeight = 13;

const std::vector<LayoutRow>& FormLayout();

}  // namespace tolvane
