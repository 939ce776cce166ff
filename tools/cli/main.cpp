// korrix-cli: Korrix without a window, for playing, recording and inspecting
// transport streams from a terminal or a script.
#include "CliCommands.h"

#include "platform/EndingSignals.h"
#include "platform/Event.h"

#include <csignal>
#include <iostream>

namespace {
CEvent* g_interrupted = nullptr;

// Setting an event only writes to its descriptor, which a signal handler may
// do. A second Ctrl-C ends the program at once, should stopping hang.
void OnInterrupt(int signal)
{
    g_interrupted->Set();
    std::signal(signal, SIG_DFL);
}
} // namespace

int main(int argc, char** argv)
{
    CEvent interrupted(true, false);
    g_interrupted = &interrupted;
    InstallEndingSignalHandler(OnInterrupt);
    IgnoreWriteSignals();

    KRXCliContext context { std::cout, std::cerr, &interrupted, "" };
    return RunKorrixCli(KRXCliArguments(argv + 1, argv + argc), context);
}
