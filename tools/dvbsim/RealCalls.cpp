#include "RealCalls.h"

#include <dlfcn.h>

namespace dvbsim {
namespace {

template <typename Function> Function Next(const char* name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

} // namespace

const RealCalls& Real()
{
    static const RealCalls calls {
        Next<decltype(RealCalls::open)>("open64"),
        Next<decltype(RealCalls::openat)>("openat64"),
        Next<decltype(RealCalls::close)>("close"),
        Next<decltype(RealCalls::read)>("read"),
        Next<decltype(RealCalls::ioctl)>("ioctl"),
    };
    return calls;
}

} // namespace dvbsim
