#include "sample_machine.h"

#include <cstring>
#include <cwchar>

#include "datafiles.h"
#include "model_queries.h"
#include "modeltable.h"
#include "module.h"

SampleMachine::SampleMachine() : appDataFake_(appData_.path().substr(0, appData_.path().size() - 1))
{
    DrvFreeModelTable();
    wchar_t folder[MAX_PATH];
    if (!driver_.copySample() || !appDataFake_.active() || !DrvGetCommonDataFolder(folder)) return;
    dataFolder_ = folder;
    CreateDirectoryW((appData_.path() + L"Velmora").c_str(), nullptr);
    CreateDirectoryW((appData_.path() + L"Velmora\\Drv").c_str(), nullptr);
    ok_ = CreateDirectoryW(dataFolder_.c_str(), nullptr) != FALSE;
}

SampleMachine::~SampleMachine()
{
    DrvFreeModelTable();
}

const wchar_t* const kSampleModels[4] = {L"Velmora ColorPage C710", L"Velmora ColorPage C710N",
                                         L"Velmora ColorPage C510", L"Velmora ColorPage C910J"};

MODELINFO* SampleModelInfo(const wchar_t* name)
{
#ifndef DRV_BUILD_UM
    return DrvGetModelInfo(name);
#else
    MODELRECORD* r = DrvFindModelRecord(name);
    return r && r->dwLoaded ? &r->ModelInfo : nullptr;
#endif
}

::testing::AssertionResult SampleMachine::loadSampleModels() const
{
#ifdef DRV_BUILD_UM
    if (::testing::AssertionResult imported = importSampleCaches(); !imported) return imported;
#endif
    for (const wchar_t* name : kSampleModels) {
        DrvRefreshModel(name, nullptr);
        if (!SampleModelInfo(name))
            return ::testing::AssertionFailure() << "model not loaded: " << std::string(name, name + wcslen(name));
    }
    return ::testing::AssertionSuccess();
}

MODELRECORD* InstallModelRecord(const wchar_t* model, const MODELRECORD& contents)
{
    MODELCACHE cache = {};
    MODELRECORD& plain = cache.record;
    plain.dwLoaded = 1;
    wcsncpy(plain.ModelInfo.szModelName, model, ARRAYSIZE(plain.ModelInfo.szModelName) - 1);
    wcsncpy(plain.ModelDefaults.szModelName, model, ARRAYSIZE(plain.ModelDefaults.szModelName) - 1);
    ReadDataFileVersions(model, plain.awVersion);
    SealCache(&cache);
    wchar_t path[MAX_PATH];
    const char* bytes = reinterpret_cast<const char*>(&cache);
    if (!GetModelCachePath(model, path) || !WriteTextFile(path, std::string(bytes, bytes + sizeof cache))) return nullptr;
    DrvRefreshModel(model, nullptr);
    MODELRECORD* record = DrvFindModelRecord(model);
    if (!record) return nullptr;
    *record = contents;
    record->dwLoaded = plain.dwLoaded;
    std::memcpy(record->awVersion, plain.awVersion, sizeof plain.awVersion);
    std::memcpy(record->ModelInfo.szModelName, plain.ModelInfo.szModelName, sizeof plain.ModelInfo.szModelName);
    std::memcpy(record->ModelDefaults.szModelName, plain.ModelDefaults.szModelName,
                sizeof plain.ModelDefaults.szModelName);
    return record;
}

namespace {

// The environment variable that names the folder the sample caches are written to.
const wchar_t kCacheExportVariable[] = L"DRV_SAMPLE_CACHES";

}  // namespace

::testing::AssertionResult SampleMachine::importSampleCaches() const
{
    if (!ok_) return ::testing::AssertionFailure() << "no sample machine";
    return WriteSampleCaches(dataFolder_ + L"\\");
}

::testing::AssertionResult WriteSampleCaches(const std::wstring& folder)
{
    wchar_t self[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring exe(self, n < MAX_PATH ? n : 0);
    const size_t slash = exe.find_last_of(L'\\');
    if (slash == std::wstring::npos) return ::testing::AssertionFailure() << "no program folder";
    exe = exe.substr(0, slash + 1) + L"common_tests_" DRV_MODULE_NAMEW L"_UI.exe";
    std::wstring command =
        L"\"" + exe + L"\" --gtest_also_run_disabled_tests --gtest_filter=SampleCaches.DISABLED_Write";

    // The child's report goes nowhere; its exit code tells.
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    const HANDLE nul = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                   OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = si.hStdOutput = si.hStdError = nul;
    PROCESS_INFORMATION pi = {};
    SetEnvironmentVariableW(kCacheExportVariable, folder.c_str());
    const BOOL started = CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    SetEnvironmentVariableW(kCacheExportVariable, nullptr);
    if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
    if (!started)
        return ::testing::AssertionFailure() << "the user-interface variant's test program is needed: "
                                             << std::string(exe.begin(), exe.end());
    const DWORD waited = WaitForSingleObject(pi.hProcess, 90000);
    DWORD code = 1;
    if (waited != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    if (waited != WAIT_OBJECT_0) return ::testing::AssertionFailure() << "writing the sample caches timed out";
    if (code != 0) return ::testing::AssertionFailure() << "writing the sample caches failed";
    return ::testing::AssertionSuccess();
}

#ifndef DRV_BUILD_UM
// Run by the rendering variant's programs, in a process of their own (importSampleCaches):
// builds the caches of the sample models and copies them into the folder the environment names.
TEST(SampleCaches, DISABLED_Write)
{
    wchar_t folder[MAX_PATH];
    const DWORD n = GetEnvironmentVariableW(kCacheExportVariable, folder, MAX_PATH);
    ASSERT_TRUE(n > 0 && n < MAX_PATH) << "no folder named";
    SampleMachine machine;
    FixedLocaleCountry letter(L"1");
    ASSERT_TRUE(machine.ok());
    auto copy = [&folder](const wchar_t* path) {
        const std::wstring from = path;
        return CopyFileW(path, (folder + from.substr(from.find_last_of(L'\\') + 1)).c_str(), FALSE) != FALSE;
    };
    wchar_t path[MAX_PATH];
    for (const wchar_t* model : kSampleModels) {
        DrvRefreshModel(model, nullptr);
        EXPECT_TRUE(GetModelCachePath(model, path) && copy(path));
    }
    EXPECT_TRUE(GetCommonCachePath(path) && copy(path));
}
#endif
