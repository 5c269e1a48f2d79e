// Replaces imported functions of a loaded module, so that tests can observe and steer the calls
// a library makes to the system where the system offers no way back. The module under test is
// the same binary; only its import table entries change, and only while the patch lives.
#pragma once
#include <windows.h>

#include <vector>

class ImportPatch {
public:
    // Points module's import entries for dll!function at replacement. dll is compared without
    // regard to case ("kernel32.dll"). active() tells whether any entry was found.
    ImportPatch(HMODULE module, const char* dll, const char* function, const void* replacement);
    ~ImportPatch();
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;

    bool active() const { return !slots_.empty(); }
    // The function the entries pointed at before (so a fake can call through).
    template <class F> F original() const { return reinterpret_cast<F>(original_); }

private:
    std::vector<void**> slots_;
    void* original_ = nullptr;
};

// The test program's own module, into which the libraries under test are linked.
inline HMODULE SelfModule() { return GetModuleHandleW(nullptr); }
