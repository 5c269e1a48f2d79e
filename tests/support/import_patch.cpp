#include "import_patch.h"

#include <cstring>

namespace {

template <class T> T* At(HMODULE base, DWORD rva)
{
    return reinterpret_cast<T*>(reinterpret_cast<BYTE*>(base) + rva);
}

void Store(void** slot, void* value)
{
    DWORD old = 0;
    if (VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &old)) {
        *slot = value;
        VirtualProtect(slot, sizeof(void*), old, &old);
        FlushInstructionCache(GetCurrentProcess(), slot, sizeof(void*));
    }
}

}  // namespace

ImportPatch::ImportPatch(HMODULE module, const char* dll, const char* function, const void* replacement)
{
    if (!module) return;
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(module);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE) return;
    auto* nt = At<IMAGE_NT_HEADERS>(module, dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dir.VirtualAddress == 0 || dir.Size == 0) return;

    for (auto* desc = At<IMAGE_IMPORT_DESCRIPTOR>(module, dir.VirtualAddress); desc->Name; ++desc) {
        if (_stricmp(At<const char>(module, desc->Name), dll) != 0) continue;
        if (!desc->OriginalFirstThunk) continue;  // names are needed to find the entry
        auto* names = At<IMAGE_THUNK_DATA>(module, desc->OriginalFirstThunk);
        auto* slots = At<void*>(module, desc->FirstThunk);
        for (size_t i = 0; names[i].u1.AddressOfData; ++i) {
            if (IMAGE_SNAP_BY_ORDINAL(names[i].u1.Ordinal)) continue;
            auto* byName = At<IMAGE_IMPORT_BY_NAME>(module, static_cast<DWORD>(names[i].u1.AddressOfData));
            if (strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0) continue;
            if (!original_) original_ = slots[i];
            slots_.push_back(&slots[i]);
            Store(&slots[i], const_cast<void*>(replacement));
        }
    }
}

ImportPatch::~ImportPatch()
{
    for (void** slot : slots_) Store(slot, original_);
}
