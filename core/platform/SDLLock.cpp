#include "platform/SDLLock.h"

std::recursive_mutex& GetSDLLock()
{
    static std::recursive_mutex lock;
    return lock;
}
