#include "platform/EndingSignals.h"

#include <csignal>

namespace {
constexpr int kEndingSignals[] = { SIGINT, SIGTERM, SIGHUP };
} // namespace

void InstallEndingSignalHandler(EndingSignalHandler handler)
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    for (const int signal : kEndingSignals)
        sigaction(signal, &action, nullptr);
}

void RestoreEndingSignals()
{
    for (const int signal : kEndingSignals)
        std::signal(signal, SIG_DFL);
}

void IgnoreWriteSignals()
{
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
}
