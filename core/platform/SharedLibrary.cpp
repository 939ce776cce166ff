#include "platform/SharedLibrary.h"

#include <dlfcn.h>

bool KeepLibraryLoaded(const void* address)
{
    Dl_info info {};
    if (dladdr(address, &info) == 0 || info.dli_fname == nullptr)
        return false;
    // RTLD_NOLOAD takes the library already mapped; RTLD_NODELETE keeps it
    // (and so its dependencies) mapped whatever later unloads ask.
    void* handle = dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
    return handle != nullptr;
}
