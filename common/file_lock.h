// A machine-wide lock of one file that several processes change (the settings INI, caches,
// presets, validation-code files): the spooler and every printing application load these
// libraries at once, so each read-modify-write of such a file is done holding the file's lock.
//
// The lock is a named mutex whose name is derived from the file's full path, so every spelling
// of one path (case, relative parts, short names) takes the same lock in every process and
// session. It is recursive within a thread. A process that ends while holding it hands it on.
#pragma once
#include <windows.h>

#include <cstddef>

// Characters of a lock name with its terminator.
constexpr size_t FILE_LOCK_NAME_CCH = 64;
// How long a change waits for a lock that another process holds, in milliseconds.
constexpr DWORD FILE_LOCK_WAIT_MS = 30000;

// The name of the lock of path (no backslash in the part after the namespace prefix). FALSE when
// no full path can be formed from path.
BOOL FileLockName(LPCWSTR path, LPWSTR out, size_t cchOut);

// Holds the lock of a file while it lives. Held() is false when the lock could not be made or
// was not had within the wait: a writer then leaves the file alone, a reader reads it unlocked.
class FileLock {
public:
    explicit FileLock(LPCWSTR path, DWORD waitMs = FILE_LOCK_WAIT_MS);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool Held() const { return held_; }

private:
    HANDLE mutex_ = nullptr;
    bool held_ = false;
};
