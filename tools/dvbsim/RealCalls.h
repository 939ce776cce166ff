#pragma once
// The C library's own functions behind the ones this library puts in front of them.
#include <dlfcn.h>
#include <sys/types.h>

namespace dvbsim {

// The next definition of a function after this library's.
template <typename Function> Function Next(const char* name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

struct RealCalls {
    int (*open)(const char* path, int flags, ...);
    int (*openat)(int folder, const char* path, int flags, ...);
    int (*close)(int fd);
    ssize_t (*read)(int fd, void* buffer, size_t size);
    int (*ioctl)(int fd, unsigned long request, ...);
    int (*access)(const char* path, int mode);
};

const RealCalls& Real();

} // namespace dvbsim
