#pragma once
// For the plug-ins that link SDL (the core itself does not): stopping one of
// SDL's subsystems under the process's SDL lock. SDL keeps state of its own
// until every part of it is shut down; freeing it then leaves nothing behind
// when a plug-in is unloaded.
#include "platform/SDLLock.h"

#include <SDL.h>

inline void QuitSDLSubSystem(Uint32 flags)
{
    std::lock_guard lock(GetSDLLock());
    SDL_QuitSubSystem(flags);
    if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0)
        SDL_Quit();
}
