// The web-server stand-in's worker: HTTP/1.1 with keep-alive on 127.0.0.1, port 85 unless
// TOLVANE_WEB_PORT names another (tests run beside a kit that may hold 85), serving the kit's
// www folder; TOLVANE_WARMUP_MS (default 3000) sets how long the main page answers 503.
#pragma once

namespace tolvane::standin {

// Serves until the process is ended; returns non-zero when the port can not be opened.
int RunWebWorker();

}  // namespace tolvane::standin
