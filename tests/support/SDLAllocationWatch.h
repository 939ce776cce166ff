#pragma once
// Keeps account of the blocks SDL allocates while the watch lives and which of
// them are still allocated: what SDL keeps for a thread that has finished
// with it is left over once that thread has ended. Header-only, for the tests
// that link SDL.
#include <SDL2/SDL.h>

#include <mutex>
#include <set>

class SDLAllocationWatch
{
public:
    SDLAllocationWatch()
    {
        SDL_GetMemoryFunctions(&s_malloc, &s_calloc, &s_realloc, &s_free);
        SDL_SetMemoryFunctions(Malloc, Calloc, Realloc, Free);
    }
    ~SDLAllocationWatch() { SDL_SetMemoryFunctions(s_malloc, s_calloc, s_realloc, s_free); }
    SDLAllocationWatch(const SDLAllocationWatch&) = delete;
    SDLAllocationWatch& operator=(const SDLAllocationWatch&) = delete;

    size_t GetLiveBlocks() const
    {
        std::lock_guard lock(s_lock);
        return s_live.size();
    }

private:
    static void* Add(void* block)
    {
        std::lock_guard lock(s_lock);
        if (block)
            s_live.insert(block);
        return block;
    }
    static void Remove(void* block)
    {
        std::lock_guard lock(s_lock);
        s_live.erase(block);
    }
    static void* Malloc(size_t size) { return Add(s_malloc(size)); }
    static void* Calloc(size_t count, size_t size) { return Add(s_calloc(count, size)); }
    static void* Realloc(void* block, size_t size)
    {
        void* moved = s_realloc(block, size);
        if (moved) {
            Remove(block);
            Add(moved);
        }
        return moved;
    }
    static void Free(void* block)
    {
        Remove(block);
        s_free(block);
    }

    static inline SDL_malloc_func s_malloc = nullptr;
    static inline SDL_calloc_func s_calloc = nullptr;
    static inline SDL_realloc_func s_realloc = nullptr;
    static inline SDL_free_func s_free = nullptr;
    static inline std::mutex s_lock;
    static inline std::set<void*> s_live;
};
