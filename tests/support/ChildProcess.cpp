#include "support/ChildProcess.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
// Far beyond what a test's child needs, but well within CTest's time-out.
constexpr std::chrono::seconds kDeadline { 60 };

void CloseDescriptor(int& descriptor)
{
    if (descriptor >= 0)
        close(descriptor);
    descriptor = -1;
}
} // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& arguments, rlim_t fileSizeLimit)
{
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
        return;
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    m_pid = fork();
    if (m_pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        const rlimit limit { fileSizeLimit, fileSizeLimit };
        setrlimit(RLIMIT_FSIZE, &limit);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    m_out = out[0];
    m_err = err[0];
}

ChildProcess::~ChildProcess()
{
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
    CloseDescriptor(m_out);
    CloseDescriptor(m_err);
}

bool ChildProcess::ReadSome(int timeoutMs)
{
    pollfd pipes[2] = { { m_out, POLLIN, 0 }, { m_err, POLLIN, 0 } };
    if (m_out < 0 && m_err < 0)
        return false;
    if (poll(pipes, 2, timeoutMs) <= 0)
        return true;
    char chunk[4096];
    for (int i = 0; i < 2; ++i) {
        if (pipes[i].fd < 0 || pipes[i].revents == 0)
            continue;
        const ssize_t count = read(pipes[i].fd, chunk, sizeof chunk);
        if (count > 0)
            (i == 0 ? m_output : m_errors).append(chunk, static_cast<size_t>(count));
        else if (count == 0 || errno != EINTR)
            CloseDescriptor(i == 0 ? m_out : m_err);
    }
    return true;
}

bool ChildProcess::WaitForLine(const std::string& text)
{
    const auto deadline = std::chrono::steady_clock::now() + kDeadline;
    while (std::chrono::steady_clock::now() < deadline) {
        const size_t found = m_output.find(text);
        if (found != std::string::npos && m_output.find('\n', found) != std::string::npos)
            return true;
        if (m_out < 0 || !ReadSome(100))
            return false;
    }
    return false;
}

void ChildProcess::Signal(int signal)
{
    kill(m_pid, signal);
}

void ChildProcess::CloseOutput()
{
    CloseDescriptor(m_out);
}

int ChildProcess::Wait()
{
    const auto deadline = std::chrono::steady_clock::now() + kDeadline;
    while (ReadSome(100)) {
        if (std::chrono::steady_clock::now() >= deadline)
            kill(m_pid, SIGKILL);
    }
    int status = -1;
    waitpid(m_pid, &status, 0);
    m_pid = -1;
    return status;
}
