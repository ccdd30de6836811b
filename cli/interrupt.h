#pragma once

namespace cli {

// Ctrl-C (SIGINT) and SIGTERM end a run between files: the files being converted are
// finished or abandoned whole (their temporary files removed), no further file is started,
// and the summary is printed. A second signal ends the program at once.
void catchInterrupts();

// Whether a signal has asked the run to stop.
bool interrupted();

// The exit status of a run that a signal stopped: 128 plus the signal's number.
int interruptedStatus();

} // namespace cli
