// The launcher's waits (the Java test script, the pauses of the stop sequence and the readiness
// probe) block its handlers, but not the screen readers that ask about its window.
#pragma once

#include <windows.h>

namespace tolvane {

// Waits until `object` is signalled (nullptr: for the time alone) or `milliseconds` have passed,
// answering meanwhile what other threads and programs *send* the thread's windows (a screen
// reader's WM_GETOBJECT, activation) and, once a reader has brought COM up on the thread, the calls
// into the window's accessible objects; COM's wait may also paint. The user's clicks and keys and
// the form's own posted messages stay queued until the wait ends, so no handler runs inside
// another. Returns WAIT_OBJECT_0 when `object` was signalled, else WAIT_TIMEOUT.
DWORD WaitAnsweringReaders(HANDLE object, DWORD milliseconds);

}  // namespace tolvane
