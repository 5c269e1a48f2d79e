// Engine memory for drivers, from the process heap.
#include <windows.h>
#include <winddi.h>

PVOID APIENTRY EngAllocMem(ULONG Flags, ULONG MemSize, ULONG /*Tag*/)
{
    return HeapAlloc(GetProcessHeap(), (Flags & FL_ZERO_MEMORY) ? HEAP_ZERO_MEMORY : 0, MemSize);
}

VOID APIENTRY EngFreeMem(PVOID Mem)
{
    if (Mem)
        HeapFree(GetProcessHeap(), 0, Mem);
}
