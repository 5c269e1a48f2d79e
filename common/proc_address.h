// A function of a loaded module, as the type it is known to have.
#pragma once
#include <windows.h>

// GetProcAddress's result converted through the generic function pointer type, which every
// function pointer converts to and from without loss. NULL when the module has no such export.
template <class F> F ProcAddress(HMODULE module, const char* name)
{
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}
