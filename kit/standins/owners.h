// RAII owners of the stand-ins' system handles.
#pragma once

#include <windows.h>

#include <utility>

namespace tolvane::standin {

// Owns one value of type T and releases it through Traits::Close unless it is Traits' invalid
// value (or, for handles, one of the two values Win32 uses for "none").
template <typename T, typename Traits>
class UniqueOwner {
 public:
  explicit UniqueOwner(T value = Traits::kNone) : value_(value) {}
  ~UniqueOwner() { Reset(); }
  UniqueOwner(UniqueOwner&& other) noexcept : value_(std::exchange(other.value_, Traits::kNone)) {}
  UniqueOwner& operator=(UniqueOwner&& other) noexcept {
    if (this != &other) {
      Reset();
      value_ = std::exchange(other.value_, Traits::kNone);
    }
    return *this;
  }
  UniqueOwner(const UniqueOwner&) = delete;
  UniqueOwner& operator=(const UniqueOwner&) = delete;

  T get() const { return value_; }
  bool valid() const { return Traits::Valid(value_); }
  void Reset() {
    if (valid()) Traits::Close(value_);
    value_ = Traits::kNone;
  }

 private:
  T value_;
};

struct HandleTraits {
  static constexpr HANDLE kNone = nullptr;
  static bool Valid(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
  static void Close(HANDLE handle) { CloseHandle(handle); }
};
using UniqueHandle = UniqueOwner<HANDLE, HandleTraits>;

}  // namespace tolvane::standin
