// One lock for every change the print host makes to the spooler's configuration (driver files,
// driver records, printers). Several host processes share one machine (one Wine prefix), so the
// lock is a named mutex: a second process waits until the first one has finished.
#pragma once
#include <windows.h>

class HostSpoolerLock {
public:
    // The lock of the spooler's configuration.
    static constexpr wchar_t kInstallLock[] = L"Local\\pagedrv-printhost-install";
    // The turn of a print job. Wine's spooler numbers the jobs of each process on its own and
    // names its spool files after the number, so jobs of two processes running at once would
    // share a spool file: one job at a time on the machine, from StartDocPrinter to its end.
    static constexpr wchar_t kJobTurn[] = L"Local\\pagedrv-printhost-job";

    // Waits for the lock. A lock left by a process that ended while holding it (abandoned) is
    // taken over: every change under the lock is made so that repeating it is harmless.
    explicit HostSpoolerLock(const wchar_t* name = kInstallLock)
    {
        mutex_ = CreateMutexW(nullptr, FALSE, name);
        if (!mutex_) {
            failure_ = GetLastError();
            return;
        }
        const DWORD wait = WaitForSingleObject(mutex_, INFINITE);
        held_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
        if (!held_) failure_ = wait == WAIT_FAILED ? GetLastError() : wait;
    }
    ~HostSpoolerLock()
    {
        if (held_) ReleaseMutex(mutex_);
        if (mutex_) CloseHandle(mutex_);
    }
    HostSpoolerLock(const HostSpoolerLock&) = delete;
    HostSpoolerLock& operator=(const HostSpoolerLock&) = delete;

    bool held() const { return held_; }
    // Why the lock is not held: the error code of the failed call (0 while it is held).
    DWORD failure() const { return failure_; }

private:
    HANDLE mutex_ = nullptr;
    bool held_ = false;
    DWORD failure_ = 0;
};
