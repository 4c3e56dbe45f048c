// RAII owners of the GDI objects the window draws with.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <tuple>

#include "controls.h"

namespace tolvane {

inline RECT ToRect(const Rect& r) { return {r.left, r.top, r.left + r.width, r.top + r.height}; }

template <typename T, BOOL(WINAPI* Destroy)(T)>
class GdiOwner {
 public:
  GdiOwner() = default;
  explicit GdiOwner(T handle) : handle_(handle) {}
  ~GdiOwner() { reset(); }
  GdiOwner(GdiOwner&& other) noexcept : handle_(other.release()) {}
  GdiOwner& operator=(GdiOwner&& other) noexcept {
    if (this != &other) {
      reset();
      handle_ = other.release();
    }
    return *this;
  }
  GdiOwner(const GdiOwner&) = delete;
  GdiOwner& operator=(const GdiOwner&) = delete;

  T get() const { return handle_; }
  T release() {
    T handle = handle_;
    handle_ = nullptr;
    return handle;
  }
  void reset(T handle = nullptr) {
    if (handle_) Destroy(handle_);
    handle_ = handle;
  }

 private:
  T handle_ = nullptr;
};

inline BOOL WINAPI DeleteGdiObject(HGDIOBJ object) { return DeleteObject(object); }
inline BOOL WINAPI DeleteFontObject(HFONT font) { return DeleteObject(font); }
inline BOOL WINAPI DeleteBitmapObject(HBITMAP bitmap) { return DeleteObject(bitmap); }

using Font = GdiOwner<HFONT, DeleteFontObject>;
using Bitmap = GdiOwner<HBITMAP, DeleteBitmapObject>;
using Icon = GdiOwner<HICON, DestroyIcon>;

// Fonts by face, height, weight and character set, created once and kept for the window's life.
class FontCache {
 public:
  HFONT Get(const std::wstring& family, int height, bool bold, int charset) {
    auto key = std::make_tuple(family, height, bold, charset);
    auto found = fonts_.find(key);
    if (found != fonts_.end()) return found->second.get();
    Font font(CreateFontW(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                          static_cast<DWORD>(charset), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                          DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, family.c_str()));
    HFONT handle = font.get();
    fonts_.emplace(key, std::move(font));
    return handle;
  }

 private:
  std::map<std::tuple<std::wstring, int, bool, int>, Font> fonts_;
};

// Selects a GDI object into a device context for as long as it lives.
class Selected {
 public:
  Selected(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~Selected() { SelectObject(dc_, previous_); }
  Selected(const Selected&) = delete;
  Selected& operator=(const Selected&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace tolvane
