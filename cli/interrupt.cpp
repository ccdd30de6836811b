#include "cli/interrupt.h"

#include <csignal>

namespace cli {

namespace {

volatile std::sig_atomic_t caught = 0;

extern "C" void onSignal(int signal)
{
    caught = signal;
    // The next one is not caught: a user who presses Ctrl-C twice wants out now.
    std::signal(signal, SIG_DFL);
}

} // namespace

void catchInterrupts()
{
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
}

bool interrupted()
{
    return caught != 0;
}

int interruptedStatus()
{
    return 128 + int(caught);
}

} // namespace cli
