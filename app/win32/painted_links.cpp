#include "painted_links.h"

#include <windowsx.h>

#include <algorithm>
#include <vector>

#include "access_keys.h"
#include "form_messages.h"
#include "gdi.h"

namespace tolvane {
namespace {

// The painted links' commands in the window's system menu, so that the keyboard alone opens them
// (Alt+Space, then the item's letter). System commands keep their low four bits clear.
struct MenuLink {
  UINT command;
  const wchar_t* caption;
  std::size_t key_from;  // where its access key is looked for first: the file's name
  const wchar_t* link;
};
constexpr MenuLink kMenuLinks[] = {{0x0010, L"Edit httpd.conf", 5, L"Label15"},
                                   {0x0020, L"Edit php.ini", 5, L"Label16"}};

// The keys the menu's items hold: the key that types each item's marked character, on every
// keyboard layout the user has (Russian "&Закрыть" holds the key that types P on an English
// one), and the character itself.
std::vector<wchar_t> TakenKeys(HMENU menu) {
  std::vector<HKL> layouts(
      static_cast<std::size_t>(std::max(GetKeyboardLayoutList(0, nullptr), 0)));
  layouts.resize(static_cast<std::size_t>(
      std::max(GetKeyboardLayoutList(static_cast<int>(layouts.size()), layouts.data()), 0)));
  std::vector<wchar_t> taken;
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    wchar_t caption[128] = {};
    if (GetMenuStringW(menu, static_cast<UINT>(i), caption, 128, MF_BYPOSITION) <= 0) continue;
    const wchar_t marked = MarkedKey(caption);
    if (!marked) continue;
    // A character given to CharUpperW in place of a string is returned in upper case.
    taken.push_back(static_cast<wchar_t>(reinterpret_cast<ULONG_PTR>(
        CharUpperW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(marked))))));
    for (HKL layout : layouts) {
      const SHORT key = VkKeyScanExW(marked, layout);
      if (LOBYTE(key) != 0xFF) taken.push_back(LOBYTE(key));
    }
  }
  return taken;
}

}  // namespace

TControl* PaintedLinks::LinkAt(HWND window, POINT point) const {
  for (TControl* control : windows_.ChildrenOf(window)) {
    const RECT r = ToRect(control->bounds());
    if (control->kind() == Kind::Link && control->Visible() && PtInRect(&r, point)) return control;
  }
  return nullptr;
}

bool PaintedLinks::OnSetCursor(HWND window) const {
  POINT point;
  GetCursorPos(&point);
  ScreenToClient(window, &point);
  if (!LinkAt(window, point)) return false;
  SetCursor(LoadCursorW(nullptr, IDC_HAND));
  return true;
}

void PaintedLinks::OnButtonDown(HWND window, LPARAM lparam) {
  pressed_ = LinkAt(window, {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)});
  if (pressed_) SetCapture(window);
}

void PaintedLinks::OnButtonUp(HWND window, LPARAM lparam) {
  TControl* pressed = pressed_;
  if (GetCapture() == window) ReleaseCapture();
  pressed_ = nullptr;
  if (pressed && LinkAt(window, {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)}) == pressed) {
    pressed->Click();
  }
}

void PaintedLinks::ClickLater(TControl& link) {
  to_click_.push_back(&link);
  PostMessageW(form_, kClickLinkMessage, 0, 0);
}

void PaintedLinks::ClickWhenAsked() {
  if (to_click_.empty()) return;
  TControl* link = to_click_.front();
  to_click_.pop_front();
  if (IsWindowEnabled(form_) && link->Showing()) link->Click();
}

// Windows words the system menu's own items, and marks their keys, in the user's language: each
// link's item takes a key none of them has ("Edit &php.ini" where "&Przywróć" holds P).
void PaintedLinks::AddToSystemMenu() {
  HMENU menu = GetSystemMenu(form_, FALSE);
  if (!menu) return;
  std::vector<wchar_t> taken = TakenKeys(menu);
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  keys_.clear();
  for (const MenuLink& item : kMenuLinks) {
    const AccessKeyed keyed = WithFreeAccessKey(item.caption, item.key_from, taken);
    AppendMenuW(menu, MF_STRING, item.command, keyed.caption.c_str());
    taken.push_back(keyed.key);
    keys_.push_back(keyed.key);
  }
}

// The menu matches a typed character against the items' letters: on a layout whose letters are
// not Latin the key of "Edit &httpd.conf" types another one, which reaches the window instead.
LRESULT PaintedLinks::OnMenuChar(wchar_t typed, HMENU menu) const {
  const SHORT key = VkKeyScanW(typed);
  if (LOBYTE(key) == 0xFF) return 0;
  for (std::size_t i = 0; i < keys_.size(); ++i) {
    if (keys_[i] != LOBYTE(key)) continue;
    const int count = GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
      if (GetMenuItemID(menu, position) != kMenuLinks[i].command) continue;
      if (GetMenuState(menu, kMenuLinks[i].command, MF_BYCOMMAND) & MF_GRAYED) return 0;
      return MAKELRESULT(position, MNC_EXECUTE);
    }
  }
  return 0;
}

// The links' items are offered while their page shows.
void PaintedLinks::OnSystemMenu(HMENU menu) const {
  for (const MenuLink& item : kMenuLinks) {
    const bool showing = controls_.Get(item.link).Showing();
    EnableMenuItem(menu, item.command, MF_BYCOMMAND | (showing ? MF_ENABLED : MF_GRAYED));
  }
}

std::wstring PaintedLinks::KeyboardShortcut(const TControl& link) const {
  for (std::size_t i = 0; i < keys_.size(); ++i) {
    if (link.name() != kMenuLinks[i].link) continue;
    return keys_[i] ? std::wstring(L"Alt+Space, ") + keys_[i] : L"";
  }
  return L"";
}

bool PaintedLinks::OnSystemCommand(WPARAM command, bool waiting) {
  for (const MenuLink& item : kMenuLinks) {
    if ((command & 0xFFF0) != item.command) continue;
    TControl& link = controls_.Get(item.link);
    if (!waiting && link.Showing() && IsWindowEnabled(form_)) link.Click();
    return true;
  }
  return false;
}

}  // namespace tolvane
