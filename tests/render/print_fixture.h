// What the tests of whole jobs share: job data that does not depend on the machine, a spooler
// that refuses the rendering library's writes, and the golden job files.
#pragma once
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "import_patch.h"
#include "job_header.h"
#include "job_road.h"
#include "test_files.h"

inline std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

// Job data that does not depend on the machine.
inline HostJobData FixedJobData(const std::string& docName)
{
    HostJobData data;
    data.docName = docName;
    data.osVersion.dwOSVersionInfoSize = sizeof data.osVersion;
    data.osVersion.dwMajorVersion = 6;
    data.osVersion.dwMinorVersion = 1;
    data.osVersion.dwBuildNumber = 7601;
    data.osVersion.dwPlatformId = VER_PLATFORM_WIN32_NT;
    strcpy(data.osVersion.szCSDVersion, "Service Pack 1");
    data.driverVersion = "4.3.2.1";
    return data;
}

// While it lives, the library's WritePrinter import refuses every write (disk full) and counts
// the calls.
class RefusingSpooler {
public:
    explicit RefusingSpooler(HMODULE library)
        : patch_(library, "winspool.drv", "WritePrinter", reinterpret_cast<void*>(&Refuse))
    {
        calls() = 0;
    }
    bool active() const { return patch_.active(); }
    static int& calls()
    {
        static int count;
        return count;
    }

private:
    static BOOL WINAPI Refuse(HANDLE, LPVOID, DWORD, LPDWORD done)
    {
        ++calls();
        if (done) *done = 0;
        SetLastError(ERROR_DISK_FULL);
        return FALSE;
    }
    ImportPatch patch_;
};

// The job with the value of its build-date comment replaced by a fixed text, after checking that
// the value is this build's.
inline std::string MaskBuildDate(std::string job)
{
    static const std::string kLine = "@PJL COMMENT Build Date   : ";
    const size_t at = job.find(kLine);
    if (at == std::string::npos) return job;
    const size_t value = at + kLine.size();
    const size_t end = job.find('\n', value);
    if (end == std::string::npos) return job;
    EXPECT_EQ(job.substr(value, end - value), BuildStampText());
    return job.replace(value, end - value, "(build date)");
}

// Compares the bytes with the golden file of that name (tests/fixtures/jobs). With the
// environment variable DRV_WRITE_GOLDEN set the file is written instead, to be reviewed.
inline ::testing::AssertionResult MatchesGolden(const std::wstring& name, const std::string& bytes)
{
    const std::wstring path = Widen(DRV_GOLDEN_JOB_DIR) + name;
    if (GetEnvironmentVariableW(L"DRV_WRITE_GOLDEN", nullptr, 0) != 0) {
        if (!WriteTextFile(path, bytes)) return ::testing::AssertionFailure() << "cannot write the golden file";
        return ::testing::AssertionSuccess();
    }
    const std::string golden = ReadTextFile(path);
    if (golden.empty()) return ::testing::AssertionFailure() << "no golden file " << Narrow(path);
    if (golden == bytes) return ::testing::AssertionSuccess();
    size_t at = 0;
    while (at < golden.size() && at < bytes.size() && golden[at] == bytes[at]) ++at;
    return ::testing::AssertionFailure() << "differs from " << Narrow(path) << " at byte " << at << ": expected \""
                                         << golden.substr(at, 40) << "\", got \"" << bytes.substr(at, 40) << "\"";
}
