// The window classes of the launcher's own windows and the form's styles.
#pragma once

#include <windows.h>

namespace tolvane {

constexpr wchar_t kFormClass[] = L"TForm1";
constexpr wchar_t kPageClass[] = L"TPanel";
constexpr wchar_t kGroupClass[] = L"TGroupBox";
// The windows that stand for painted texts, links and pictures while screen readers are served.
constexpr wchar_t kElementClass[] = L"TPaintedElement";

constexpr DWORD kFormStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = WS_EX_APPWINDOW;

// Registers the form's, the pages' and the group boxes' classes, whose windows reach their object
// through MessageTarget, and the painted elements' windows' class. A later window in the same process uses the classes the first one
// registered; classes found half registered are completed. False when one cannot be registered.
bool RegisterWindowClasses(HINSTANCE instance);

}  // namespace tolvane
