// One lock for every change the print host makes to the spooler's configuration (driver files,
// driver records, printers). Several host processes share one machine (one Wine prefix), so the
// lock is a named mutex: a second process waits until the first one has finished.
#pragma once
#include <windows.h>

class HostSpoolerLock {
public:
    // Waits for the lock. A lock left by a process that ended while holding it (abandoned) is
    // taken over: every change under the lock is made so that repeating it is harmless.
    HostSpoolerLock()
    {
        mutex_ = CreateMutexW(nullptr, FALSE, L"Local\\pagedrv-printhost-install");
        if (!mutex_) return;
        const DWORD wait = WaitForSingleObject(mutex_, INFINITE);
        held_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    }
    ~HostSpoolerLock()
    {
        if (held_) ReleaseMutex(mutex_);
        if (mutex_) CloseHandle(mutex_);
    }
    HostSpoolerLock(const HostSpoolerLock&) = delete;
    HostSpoolerLock& operator=(const HostSpoolerLock&) = delete;

    bool held() const { return held_; }

private:
    HANDLE mutex_ = nullptr;
    bool held_ = false;
};
