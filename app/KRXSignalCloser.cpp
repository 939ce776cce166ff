#include "KRXSignalCloser.h"

#include "platform/EndingSignals.h"

#include <QSocketNotifier>
#include <QWidget>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {
// The handler may only write to a descriptor; the event loop reads the other end.
int signalPipe[2] = { -1, -1 };
} // namespace

CKRXSignalCloser::CKRXSignalCloser(QWidget* window)
    : m_window(window)
{
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    m_notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &CKRXSignalCloser::OnSignalled);
    InstallEndingSignalHandler(OnSignal);
}

CKRXSignalCloser::~CKRXSignalCloser()
{
    if (m_notifier == nullptr)
        return;
    RestoreEndingSignals();
    close(signalPipe[0]);
    close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
}

void CKRXSignalCloser::OnSignal(int signal)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(signalPipe[0], &byte, 1);
    std::signal(signal, SIG_DFL);
}

void CKRXSignalCloser::OnSignalled()
{
    char byte = 0;
    [[maybe_unused]] const ssize_t read = ::read(signalPipe[1], &byte, 1);
    m_window->close();
}
