#pragma once
// Watches what SDL allocates on the thread that creates the watch and, at
// each allocation, whether another thread could take the process's SDL lock:
// SDL's starts, opens, closes and stops allocate, so one made outside the
// lock shows as an allocation during which the lock was free.
#include "platform/SDLLock.h"

#include <SDL2/SDL.h>

#include <atomic>
#include <thread>

class SDLLockWatch
{
public:
    SDLLockWatch()
    {
        SDL_GetMemoryFunctions(&s_malloc, &s_calloc, &s_realloc, &s_free);
        s_watched = std::this_thread::get_id();
        SDL_SetMemoryFunctions(Malloc, Calloc, Realloc, s_free);
    }
    ~SDLLockWatch()
    {
        SDL_SetMemoryFunctions(s_malloc, s_calloc, s_realloc, s_free);
        s_watched = std::thread::id();
    }
    SDLLockWatch(const SDLLockWatch&) = delete;
    SDLLockWatch& operator=(const SDLLockWatch&) = delete;

    int GetAllocations() const { return s_allocations; }
    int GetUnlockedAllocations() const { return s_unlocked; }

private:
    static void Check()
    {
        if (std::this_thread::get_id() != s_watched)
            return;
        s_allocations++;
        bool free = false;
        std::thread([&free] {
            free = GetSDLLock().try_lock();
            if (free)
                GetSDLLock().unlock();
        }).join();
        if (free)
            s_unlocked++;
    }
    static void* Malloc(size_t size)
    {
        Check();
        return s_malloc(size);
    }
    static void* Calloc(size_t count, size_t size)
    {
        Check();
        return s_calloc(count, size);
    }
    static void* Realloc(void* memory, size_t size)
    {
        Check();
        return s_realloc(memory, size);
    }

    static inline SDL_malloc_func s_malloc = nullptr;
    static inline SDL_calloc_func s_calloc = nullptr;
    static inline SDL_realloc_func s_realloc = nullptr;
    static inline SDL_free_func s_free = nullptr;
    static inline std::atomic<std::thread::id> s_watched;
    static inline std::atomic<int> s_allocations = 0;
    static inline std::atomic<int> s_unlocked = 0;
};
