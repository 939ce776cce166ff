#pragma once
// A real program run as a child process, for what only a process shows:
// signals, a file-size limit, two writers at once. Its standard output and
// error are read through pipes. Every wait has a generous deadline, after
// which the child is killed, so that a fault cannot hang the suite.
#include <string>
#include <sys/resource.h>
#include <sys/types.h>
#include <vector>

class ChildProcess
{
public:
    // fileSizeLimit: RLIMIT_FSIZE for the child, in bytes.
    explicit ChildProcess(const std::vector<std::string>& arguments, rlim_t fileSizeLimit = RLIM_INFINITY);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Reads standard output until a whole line holding text has come; false
    // when the output ends first or the deadline passes.
    bool WaitForLine(const std::string& text);
    void Signal(int signal);
    // Closes our end of its standard output, as a reader that has had enough.
    void CloseOutput();
    // Reads both outputs to their end and reaps the child; the wait status.
    int Wait();

    const std::string& GetOutput() const { return m_output; }
    const std::string& GetErrors() const { return m_errors; }

private:
    // Reads what is there from either pipe, waiting at most timeoutMs; false
    // when both pipes have ended.
    bool ReadSome(int timeoutMs);

    pid_t m_pid = -1;
    int m_out = -1;
    int m_err = -1;
    std::string m_output;
    std::string m_errors;
};
