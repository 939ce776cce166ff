#pragma once
// The C library's own functions behind the ones this library puts in front of them.
#include <sys/types.h>

namespace dvbsim {

struct RealCalls {
    int (*open)(const char* path, int flags, ...);
    int (*openat)(int folder, const char* path, int flags, ...);
    int (*close)(int fd);
    ssize_t (*read)(int fd, void* buffer, size_t size);
    int (*ioctl)(int fd, unsigned long request, ...);
};

const RealCalls& Real();

} // namespace dvbsim
