// SIGTERM, SIGINT and SIGHUP end the window as "終了" does, without any
// question: help closed, temp.wav removed, the window closed. The signal
// only writes to a pipe; the window acts on it in its event loop, so a save
// or extraction under way finishes first.
#pragma once

namespace korimo::ui {

class KorimoMain;

// Installs the handlers for `window` (once per process); false when they
// cannot be installed, leaving the signals' default actions.
bool EndOnStopSignals(KorimoMain& window);

}  // namespace korimo::ui
