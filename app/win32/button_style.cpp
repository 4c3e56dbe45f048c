#include "button_style.h"

#include <uxtheme.h>
#include <vsstyle.h>
#include <vssym32.h>

#include "readable_colour.h"

namespace tolvane {
namespace {

// The visual styles' functions, from the system's own uxtheme.dll (loaded already by the common
// controls that draw in a style).
struct UxTheme {
  BOOL(WINAPI* is_app_themed)() = nullptr;
  HTHEME(WINAPI* open)(HWND, LPCWSTR) = nullptr;
  HRESULT(WINAPI* colour)(HTHEME, int, int, int, COLORREF*) = nullptr;
  HRESULT(WINAPI* close)(HTHEME) = nullptr;
  HRESULT(WINAPI* set_window_theme)(HWND, LPCWSTR, LPCWSTR) = nullptr;

  UxTheme() {
    HMODULE library = LoadLibraryExW(L"uxtheme.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!library) return;
    Find(library, "IsAppThemed", is_app_themed);
    Find(library, "OpenThemeData", open);
    Find(library, "GetThemeColor", colour);
    Find(library, "CloseThemeData", close);
    Find(library, "SetWindowTheme", set_window_theme);
  }
  bool Loaded() const { return is_app_themed && open && colour && close && set_window_theme; }

  template <typename Function>
  static void Find(HMODULE library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
  }
};

const UxTheme& Styles() {
  static const UxTheme styles;
  return styles;
}

}  // namespace

void ButtonStyle::Read() {
  check_box_text_.reset();
  radio_button_text_.reset();
  const UxTheme& styles = Styles();
  if (!styles.Loaded() || !styles.is_app_themed()) return;
  HTHEME theme = styles.open(nullptr, L"BUTTON");
  if (!theme) return;
  COLORREF text = 0;
  if (SUCCEEDED(styles.colour(theme, BP_CHECKBOX, CBS_UNCHECKEDNORMAL, TMT_TEXTCOLOR, &text)))
    check_box_text_ = text;
  if (SUCCEEDED(styles.colour(theme, BP_RADIOBUTTON, RBS_UNCHECKEDNORMAL, TMT_TEXTCOLOR, &text)))
    radio_button_text_ = text;
  styles.close(theme);
}

void ButtonStyle::Fit(HWND button, bool radio, COLORREF face) {
  const std::optional<COLORREF>& text = radio ? radio_button_text_ : check_box_text_;
  const bool without = text && GivesWayToSystemColour(*text, face, false);
  if (without == (without_style_.count(button) != 0)) return;
  // An empty name draws the button classic; none gives it back the application's style.
  if (without) {
    Styles().set_window_theme(button, L"", L"");
    without_style_.insert(button);
  } else {
    Styles().set_window_theme(button, nullptr, nullptr);
    without_style_.erase(button);
  }
}

}  // namespace tolvane
