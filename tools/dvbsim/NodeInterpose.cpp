// The C library calls a program makes on /dev/dvb, answered by the simulated
// adapter for its own nodes and passed on untouched for everything else.
#include "RealCalls.h"
#include "SimulatedAdapter.h"

#include <fcntl.h>

#include <cstdarg>
#include <cstring>

using dvbsim::Real;
using dvbsim::SimulatedAdapter;

#define KRX_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// Cheap test first: the adapter itself opens files while it starts.
SimulatedAdapter* AdapterFor(const char* path)
{
    if (!path || std::strncmp(path, "/dev/dvb/", 9) != 0)
        return nullptr;
    return SimulatedAdapter::Instance();
}

SimulatedAdapter* AdapterFor(int fd)
{
    return SimulatedAdapter::Owns(fd) ? SimulatedAdapter::Started() : nullptr;
}

mode_t ModeArgument(int flags, va_list arguments)
{
    return (flags & (O_CREAT | O_TMPFILE)) ? mode_t(va_arg(arguments, int)) : 0;
}

int OpenPath(const char* path, int flags, mode_t mode)
{
    if (SimulatedAdapter* adapter = AdapterFor(path))
        if (auto kind = adapter->NodeAt(path))
            return adapter->Open(*kind, flags);
    return Real().open(path, flags, mode);
}

int OpenAtPath(int folder, const char* path, int flags, mode_t mode)
{
    if (SimulatedAdapter* adapter = AdapterFor(path))
        if (auto kind = adapter->NodeAt(path))
            return adapter->Open(*kind, flags);
    return Real().openat(folder, path, flags, mode);
}

} // namespace

KRX_EXPORT int open(const char* path, int flags, ...)
{
    va_list arguments;
    va_start(arguments, flags);
    mode_t mode = ModeArgument(flags, arguments);
    va_end(arguments);
    return OpenPath(path, flags, mode);
}

KRX_EXPORT int open64(const char* path, int flags, ...)
{
    va_list arguments;
    va_start(arguments, flags);
    mode_t mode = ModeArgument(flags, arguments);
    va_end(arguments);
    return OpenPath(path, flags, mode);
}

// The fortified forms a program built with _FORTIFY_SOURCE calls.
KRX_EXPORT int __open_2(const char* path, int flags)
{
    return OpenPath(path, flags, 0);
}

KRX_EXPORT int __open64_2(const char* path, int flags)
{
    return OpenPath(path, flags, 0);
}

KRX_EXPORT int openat(int folder, const char* path, int flags, ...)
{
    va_list arguments;
    va_start(arguments, flags);
    mode_t mode = ModeArgument(flags, arguments);
    va_end(arguments);
    return OpenAtPath(folder, path, flags, mode);
}

KRX_EXPORT int openat64(int folder, const char* path, int flags, ...)
{
    va_list arguments;
    va_start(arguments, flags);
    mode_t mode = ModeArgument(flags, arguments);
    va_end(arguments);
    return OpenAtPath(folder, path, flags, mode);
}

KRX_EXPORT int close(int fd)
{
    if (SimulatedAdapter* adapter = AdapterFor(fd))
        return adapter->Close(fd);
    return Real().close(fd);
}

KRX_EXPORT ssize_t read(int fd, void* buffer, size_t size)
{
    ssize_t result = 0;
    if (SimulatedAdapter* adapter = AdapterFor(fd))
        if (adapter->Read(fd, result))
            return result;
    return Real().read(fd, buffer, size);
}

extern "C" [[noreturn]] void __chk_fail();

KRX_EXPORT ssize_t __read_chk(int fd, void* buffer, size_t size, size_t bufferSize)
{
    if (size > bufferSize)
        __chk_fail();
    return read(fd, buffer, size);
}

KRX_EXPORT int ioctl(int fd, unsigned long request, ...)
{
    va_list arguments;
    va_start(arguments, request);
    void* argument = va_arg(arguments, void*);
    va_end(arguments);
    if (SimulatedAdapter* adapter = AdapterFor(fd))
        return adapter->Ioctl(fd, request, argument);
    return Real().ioctl(fd, request, argument);
}
