#include "install.h"

#include <shlobj.h>
#include <winspool.h>

#include <sstream>

#include "hostlock.h"

namespace {

std::wstring LastErrorText(const wchar_t* what, const std::wstring& subject)
{
    std::wostringstream s;
    s << what << L" " << subject << L" failed (error " << GetLastError() << L")";
    return s.str();
}

// The whole file as bytes; false when it cannot be opened or read.
bool ReadBytes(const std::wstring& path, std::string* bytes)
{
    bytes->clear();
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    char buf[4096];
    DWORD got = 0;
    BOOL ok = TRUE;
    while ((ok = ReadFile(h, buf, sizeof buf, &got, nullptr)) && got) bytes->append(buf, got);
    CloseHandle(h);
    return ok != FALSE;
}

// Whether target exists and holds the same bytes as source.
bool SameContents(const std::wstring& source, const std::wstring& target)
{
    std::string a, b;
    return ReadBytes(target, &b) && ReadBytes(source, &a) && a == b;
}

// The lines of an 8-bit text file, without line ends; empty when it cannot be read.
std::vector<std::wstring> ReadLines(const std::wstring& path)
{
    std::vector<std::wstring> lines;
    std::string text;
    if (!ReadBytes(path, &text)) return lines;
    std::wstring line;
    for (char c : text) {
        if (c == '\n' || c == '\r') {
            if (!line.empty()) lines.push_back(line);
            line.clear();
        } else {
            line.push_back(static_cast<unsigned char>(c));
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

std::wstring ProfileString(const std::wstring& file, const std::wstring& section, const wchar_t* key)
{
    wchar_t value[520];
    GetPrivateProfileStringW(section.c_str(), key, L"", value, 520, file.c_str());
    return value;
}

// Makes every folder on the way to path (a file path below base).
void MakeFolders(const std::wstring& base, const std::wstring& relative)
{
    for (size_t pos = 0; (pos = relative.find(L'\\', pos)) != std::wstring::npos; ++pos)
        CreateDirectoryW((base + relative.substr(0, pos)).c_str(), nullptr);
}

// Whether the spooler already holds a version-3 record of name with the same files, so that
// installing again would change nothing. Replacing a record that other processes are reading
// is left out then.
bool SameDriverRecord(const DRIVER_INFO_3W& wanted)
{
    DWORD needed = 0, count = 0;
    EnumPrinterDriversW(nullptr, nullptr, 3, nullptr, 0, &needed, &count);
    if (!needed) return false;
    std::vector<BYTE> buffer(needed);
    if (!EnumPrinterDriversW(nullptr, nullptr, 3, buffer.data(), needed, &needed, &count)) return false;
    auto same = [](LPCWSTR a, LPCWSTR b) {
        return lstrcmpiW(a ? a : L"", b ? b : L"") == 0;
    };
    const auto* records = reinterpret_cast<const DRIVER_INFO_3W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        const DRIVER_INFO_3W& r = records[i];
        if (r.cVersion == wanted.cVersion && same(r.pName, wanted.pName) && same(r.pDriverPath, wanted.pDriverPath) &&
            same(r.pConfigFile, wanted.pConfigFile) && same(r.pDataFile, wanted.pDataFile) &&
            same(r.pHelpFile, wanted.pHelpFile))
            return true;
    }
    return false;
}

}  // namespace

std::vector<HostModel> HostReadModels(const std::wstring& masterFile)
{
    std::vector<HostModel> models;
    std::vector<wchar_t> names(32768);
    const DWORD n = GetPrivateProfileSectionNamesW(names.data(), static_cast<DWORD>(names.size()), masterFile.c_str());
    for (DWORD i = 0; i < n && names[i];) {
        const std::wstring section = names.data() + i;
        i += static_cast<DWORD>(section.size()) + 1;
        if (lstrcmpiW(section.c_str(), L"Common") == 0 || lstrcmpiW(section.c_str(), L"General") == 0) continue;
        std::wstring help = ProfileString(masterFile, section, L"Help File");
        if (help.empty()) help = ProfileString(masterFile, L"General", L"Help File");
        models.push_back({section, ProfileString(masterFile, section, L"DefaultFile"),
                          ProfileString(masterFile, section, L"CustomFile"), help});
    }
    return models;
}

std::wstring HostDriverFolder()
{
    wchar_t dir[MAX_PATH] = L"";
    DWORD needed = 0;
    if (!GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(dir), sizeof dir, &needed))
        return std::wstring();
    return std::wstring(dir) + L"\\3\\";
}

bool HostInstallDriver(const std::wstring& staging, const std::wstring& moduleCode, HostInstall* out,
                       std::wstring* error)
{
    // Another process may be installing into the same folder at the same time: one at a time.
    HostSpoolerLock lock;
    if (!lock.held()) {
        *error = LastErrorText(L"waiting for", L"the print host's install lock");
        return false;
    }

    HostInstall result;
    result.driverFolder = HostDriverFolder();
    if (result.driverFolder.empty()) {
        *error = LastErrorText(L"GetPrinterDriverDirectoryW", L"");
        return false;
    }
    CreateDirectoryW(result.driverFolder.c_str(), nullptr);

    const std::vector<std::wstring> files = ReadLines(staging + L"files.lst");
    if (files.empty()) {
        *error = L"no driver files listed in " + staging + L"files.lst";
        return false;
    }
    bool copied = false;
    for (const std::wstring& rel : files) {
        MakeFolders(result.driverFolder, rel);
        // A file that is already installed unchanged is left alone: a library of the driver may
        // be loaded by another process, and then it cannot be overwritten.
        if (SameContents(staging + rel, result.driverFolder + rel)) continue;
        copied = true;
        if (!CopyFileW((staging + rel).c_str(), (result.driverFolder + rel).c_str(), FALSE)) {
            *error = LastErrorText(L"copying", staging + rel);
            return false;
        }
    }

    // The machine-wide data folder where the user-interface library keeps the models' caches,
    // which the rendering library reads: an installer makes it, as the libraries never do.
    wchar_t common[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, common))) {
        *error = L"no machine-wide application data folder";
        return false;
    }
    std::wstring dataFolder = common;
    for (const wchar_t* part : {L"\\Velmora", L"\\Drv"}) CreateDirectoryW((dataFolder += part).c_str(), nullptr);
    dataFolder += L"\\" + moduleCode;
    if (!CreateDirectoryW(dataFolder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        *error = LastErrorText(L"creating", dataFolder);
        return false;
    }

    const std::wstring master = result.driverFolder + moduleCode + L".DAT";
    result.models = HostReadModels(master);
    if (result.models.empty()) {
        *error = L"the master data file " + master + L" names no model";
        return false;
    }

    // Every installed file but the three the record names goes into the dependent-file list.
    const std::wstring renderer = moduleCode + L"_UM.DLL", config = moduleCode + L"_UI.DLL",
                       dataFile = moduleCode + L"FNT.DLL";
    std::wstring dependents;
    for (const std::wstring& rel : files) {
        if (rel == renderer || rel == config || rel == dataFile) continue;
        dependents += rel;
        dependents.push_back(L'\0');
    }
    dependents.push_back(L'\0');

    std::wstring driverPath = result.driverFolder + renderer, configPath = result.driverFolder + config,
                 dataPath = result.driverFolder + dataFile, dataType = L"RAW";
    for (HostModel& model : result.models) {
        std::wstring helpPath = model.helpFile.empty() ? std::wstring() : result.driverFolder + model.helpFile;
        DRIVER_INFO_3W info = {};
        info.cVersion = 3;
        info.pName = model.name.data();
        info.pDriverPath = driverPath.data();
        info.pDataFile = dataPath.data();
        info.pConfigFile = configPath.data();
        info.pDependentFiles = dependents.data();
        info.pDefaultDataType = dataType.data();
        info.pHelpFile = helpPath.empty() ? nullptr : helpPath.data();
        // The same files under the same record: nothing to replace.
        if (!copied && SameDriverRecord(info)) continue;
        // Installing again replaces the record (Wine's AddPrinterDriverW does so by itself). A
        // spooler that refuses because the driver is there already is asked to replace it anyway.
        BOOL added = AddPrinterDriverW(nullptr, 3, reinterpret_cast<BYTE*>(&info));
        if (!added && GetLastError() == ERROR_PRINTER_DRIVER_ALREADY_INSTALLED)
            added = AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&info), APD_COPY_ALL_FILES);
        if (!added) {
            *error = LastErrorText(L"AddPrinterDriverW", model.name);
            return false;
        }
    }
    if (out) *out = std::move(result);
    return true;
}
