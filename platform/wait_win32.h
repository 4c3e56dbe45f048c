// The launcher's waits (the Java test script, the pauses of the stop sequence and the readiness
// probe) block its handlers, but not the screen readers that ask about its window.
#pragma once

#include <windows.h>

namespace tolvane {

// Waits until `object` is signalled (nullptr: for the time alone) or `milliseconds` have passed,
// answering meanwhile what other threads and programs *send* the thread's windows (a screen
// reader's WM_GETOBJECT) and, once a reader has brought COM up on the thread, the calls into the
// window's accessible objects. Everything posted (the user's clicks and keys, painting, the form's
// own messages) stays queued until the wait ends, so no handler runs inside another. Returns
// WAIT_OBJECT_0 when `object` was signalled, else WAIT_TIMEOUT.
DWORD WaitAnsweringReaders(HANDLE object, DWORD milliseconds);

}  // namespace tolvane
