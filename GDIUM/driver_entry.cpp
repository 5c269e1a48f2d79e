// The driver's entry points and its hook table.
#include "driver_entry.h"

#include "modeltable.h"

OSVERSIONINFOW g_OsVersion = {};
FD_GLYPHSET* g_DefaultGlyphSet = nullptr;

// The hooks whose bodies are built, in the order of the driver's table. The engine leaves every
// DDI function outside the table to itself.
namespace {

// A hook as the table holds it (function pointers are converted through the generic function
// type, which every function pointer converts to and from without loss).
template <class F> PFN HookEntry(F* function)
{
    return reinterpret_cast<PFN>(reinterpret_cast<void (*)()>(function));
}

}  // namespace

const DRVFN g_DrvHookTable[] = {
    {INDEX_DrvEnablePDEV, HookEntry(DrvEnablePDEV)},
    {INDEX_DrvResetPDEV, HookEntry(DrvResetPDEV)},
    {INDEX_DrvCompletePDEV, HookEntry(DrvCompletePDEV)},
    {INDEX_DrvDisablePDEV, HookEntry(DrvDisablePDEV)},
    {INDEX_DrvEnableSurface, HookEntry(DrvEnableSurface)},
    {INDEX_DrvDisableSurface, HookEntry(DrvDisableSurface)},
    {INDEX_DrvStartDoc, HookEntry(DrvStartDoc)},
    {INDEX_DrvEndDoc, HookEntry(DrvEndDoc)},
    {INDEX_DrvStartPage, HookEntry(DrvStartPage)},
    {INDEX_DrvSendPage, HookEntry(DrvSendPage)},
    {INDEX_DrvEscape, HookEntry(DrvEscape)},
    {INDEX_DrvDrawEscape, HookEntry(DrvDrawEscape)},
};
const ULONG g_DrvHookCount = sizeof g_DrvHookTable / sizeof g_DrvHookTable[0];

void InitRenderProcessState()
{
    g_OsVersion = {};
    g_OsVersion.dwOSVersionInfoSize = sizeof g_OsVersion;
    GetVersionExW(&g_OsVersion);
}

extern "C" BOOL APIENTRY DrvQueryDriverInfo(DWORD dwMode, PVOID pBuffer, DWORD cbBuf, PDWORD pcbNeeded)
{
    if (dwMode != DRVQUERY_USERMODE) return FALSE;
    if (pcbNeeded) *pcbNeeded = sizeof(DWORD);
    if (!pBuffer || cbBuf < sizeof(DWORD)) return FALSE;
    *static_cast<DWORD*>(pBuffer) = TRUE;
    return TRUE;
}

extern "C" BOOL APIENTRY DrvEnableDriver(ULONG iEngineVersion, ULONG cj, DRVENABLEDATA* pded)
{
    // The table is handed out through the three fields of DRVENABLEDATA (12 bytes on the 32-bit
    // system); a smaller buffer, or an engine older than this DDI, gets nothing.
    if (iEngineVersion < DRV_DDI_VERSION || cj < 12 || !pded) return FALSE;
    pded->iDriverVersion = DRV_DDI_VERSION;
    pded->c = g_DrvHookCount;
    pded->pdrvfn = const_cast<DRVFN*>(g_DrvHookTable);
    // A glyph set made by the engine stays valid for the life of the process, so the first one
    // is kept and handed to every later enable.
    if (!g_DefaultGlyphSet) g_DefaultGlyphSet = EngComputeGlyphSet(0, 0, 256);
    return g_DefaultGlyphSet ? TRUE : FALSE;
}

extern "C" VOID APIENTRY DrvDisableDriver()
{
    DrvFreeModelTable();
}
