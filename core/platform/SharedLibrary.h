#pragma once
// Keeping a shared library mapped for the rest of the process.

// Pins the shared library that holds the given address (a function of it), and
// with it every library it depends on: unloading a plug-in then leaves them
// mapped. Some libraries' start-up code allocates memory that is lost when
// they are unmapped, which a leak checker rightly reports at every plug-in
// unload. False when the address lies in no library or the library cannot be
// pinned.
bool KeepLibraryLoaded(const void* address);
