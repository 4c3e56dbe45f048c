#include "window_classes.h"

#include "element_window.h"
#include "message_target.h"

namespace tolvane {

bool RegisterWindowClasses(HINSTANCE instance) {
  WNDCLASSEXW registered = {sizeof(registered)};
  if (GetClassInfoExW(instance, kGroupClass, &registered)) return true;
  // The form's icons are its own, loaded for the dpi of its screen (CaptionIcons).
  WNDCLASSEXW form = {};
  form.cbSize = sizeof(form);
  form.lpfnWndProc = MessageTarget::WindowProc;
  form.hInstance = instance;
  form.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  form.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  form.lpszClassName = kFormClass;
  WNDCLASSEXW page = form;
  page.lpszClassName = kPageClass;
  WNDCLASSEXW group = form;
  group.lpszClassName = kGroupClass;
  WNDCLASSEXW element = form;
  element.lpfnWndProc = ElementWindowProc;
  element.hbrBackground = nullptr;
  element.lpszClassName = kElementClass;
  const auto in_place = [](const WNDCLASSEXW& window_class) {
    return RegisterClassExW(&window_class) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  };
  // The group boxes' class last: with it, all are there.
  return in_place(form) && in_place(page) && in_place(element) && in_place(group);
}

}  // namespace tolvane
