// Machine-wide locks of shared files; see file_lock.h.
#include "file_lock.h"

#include <sddl.h>

#include <cstdint>
#include <cwchar>

namespace {

// The global namespace, so that the spooler (session 0) and the applications of every session
// meet on one lock; then the family of these locks.
constexpr WCHAR kLockNamePrefix[] = L"Global\\PageDrvFileLock.";
// Everyone may wait for and release the lock (the spooler makes it as LocalSystem, applications
// run as their users); nobody but its maker may change who may.
constexpr WCHAR kLockSecurity[] = L"D:(A;;0x00100001;;;WD)";
constexpr DWORD kLockAccess = SYNCHRONIZE | MUTEX_MODIFY_STATE;
static_assert(kLockAccess == 0x00100001);

// Room for a full path and its long form.
constexpr DWORD kPathCch = 32768;

// FNV-1a over the UTF-16 units of the canonical path.
uint64_t HashPath(LPCWSTR text, size_t n)
{
    uint64_t hash = 0xcbf29ce484222325ull;
    for (size_t i = 0; i < n; ++i) {
        const unsigned unit = static_cast<unsigned>(text[i]);
        hash = (hash ^ (unit & 0xFF)) * 0x100000001b3ull;
        hash = (hash ^ (unit >> 8)) * 0x100000001b3ull;
    }
    return hash;
}

}  // namespace

BOOL FileLockName(LPCWSTR path, LPWSTR out, size_t cchOut)
{
    if (!out || cchOut == 0) return FALSE;
    out[0] = L'\0';
    if (!path || !path[0]) return FALSE;
    auto* full = static_cast<LPWSTR>(HeapAlloc(GetProcessHeap(), 0, 2 * kPathCch * sizeof(WCHAR)));
    if (!full) return FALSE;
    LPWSTR longForm = full + kPathCch;
    BOOL ok = FALSE;
    DWORD n = GetFullPathNameW(path, kPathCch, full, nullptr);
    if (n > 0 && n < kPathCch) {
        // A file that exists may also be named by its short form.
        const DWORD longN = GetLongPathNameW(full, longForm, kPathCch);
        LPWSTR canonical = longN > 0 && longN < kPathCch ? longForm : full;
        n = longN > 0 && longN < kPathCch ? longN : n;
        // File names do not tell case apart.
        if (LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, canonical, static_cast<int>(n), canonical,
                         static_cast<int>(n)) == static_cast<int>(n)) {
            const uint64_t hash = HashPath(canonical, n);
            const int written = swprintf(out, cchOut, L"%ls%08lX%08lX", kLockNamePrefix,
                                         static_cast<unsigned long>(hash >> 32), static_cast<unsigned long>(hash));
            ok = written > 0 && static_cast<size_t>(written) < cchOut;
        }
    }
    if (!ok) out[0] = L'\0';
    HeapFree(GetProcessHeap(), 0, full);
    return ok;
}

FileLock::FileLock(LPCWSTR path, DWORD waitMs)
{
    WCHAR name[FILE_LOCK_NAME_CCH];
    if (!FileLockName(path, name, FILE_LOCK_NAME_CCH)) return;

    PSECURITY_DESCRIPTOR descriptor = nullptr;
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, nullptr, FALSE};
    if (ConvertStringSecurityDescriptorToSecurityDescriptorW(kLockSecurity, SDDL_REVISION_1, &descriptor, nullptr))
        attributes.lpSecurityDescriptor = descriptor;
    mutex_ = CreateMutexW(&attributes, FALSE, name);
    // A lock that a process of another user made may only be opened, not created.
    if (!mutex_ && GetLastError() == ERROR_ACCESS_DENIED) mutex_ = OpenMutexW(kLockAccess, FALSE, name);
    if (descriptor) LocalFree(descriptor);
    if (!mutex_) return;

    // An abandoned lock is had all the same: its holder ended, and what it left is on disk.
    const DWORD waited = WaitForSingleObject(mutex_, waitMs);
    held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
}

FileLock::~FileLock()
{
    if (held_) ReleaseMutex(mutex_);
    if (mutex_) CloseHandle(mutex_);
}
