#include "RealCalls.h"

namespace dvbsim {

const RealCalls& Real()
{
    static const RealCalls calls {
        Next<decltype(RealCalls::open)>("open64"),
        Next<decltype(RealCalls::openat)>("openat64"),
        Next<decltype(RealCalls::close)>("close"),
        Next<decltype(RealCalls::read)>("read"),
        Next<decltype(RealCalls::ioctl)>("ioctl"),
        Next<decltype(RealCalls::access)>("access"),
    };
    return calls;
}

} // namespace dvbsim
