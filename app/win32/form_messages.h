// The form's own messages to itself. They carry nothing: what each asks waits in the form, so the
// same number from anyone else finds nothing to do.
#pragma once

#include <windows.h>

namespace tolvane {

// The form settles once the current change is done: the seen page's window shows, the focus is
// put right and the Java result announced.
constexpr UINT kSettleMessage = WM_APP + 1;
// A click an accessibility client asked for on a link.
constexpr UINT kClickLinkMessage = WM_APP + 2;
// The system's colours, high contrast or theme changed.
constexpr UINT kFollowColoursMessage = WM_APP + 3;

}  // namespace tolvane
