#include "install.h"

#include <shlobj.h>
#include <winspool.h>

#include <cstring>

#include "host_error.h"
#include "hostlock.h"
#include "devmode.h"
#include "modelrecord.h"

namespace {

// The driver's files as a file list names them: relative to the driver folder, with backslashes.
std::wstring ListedName(std::wstring name)
{
    for (wchar_t& c : name)
        if (c == L'/') c = L'\\';
    return name;
}

// The whole file as bytes; false when it cannot be opened or read, with the error code in failure.
bool ReadBytes(const std::wstring& path, std::string* bytes, DWORD* failure = nullptr)
{
    bytes->clear();
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        if (failure) *failure = GetLastError();
        return false;
    }
    char buf[4096];
    DWORD got = 0;
    BOOL ok = TRUE;
    while ((ok = ReadFile(h, buf, sizeof buf, &got, nullptr)) && got) bytes->append(buf, got);
    if (!ok && failure) *failure = GetLastError();
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

// Whether bytes read as an INI file: text (8-bit, or UTF-16 with its byte-order mark) without
// control characters but tabs and line ends, holding at least one "[section]" line.
bool ReadsAsIni(const std::string& bytes)
{
    std::wstring text;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        if (bytes.size() % 2) return false;
        text.resize(bytes.size() / 2 - 1);
        memcpy(text.data(), bytes.data() + 2, text.size() * sizeof(wchar_t));
    } else {
        text.assign(bytes.begin(), bytes.end());
    }
    bool section = false, lineStart = true;
    for (wchar_t c : text) {
        if (c < 0x20 && c != L'\t' && c != L'\r' && c != L'\n') return false;
        if (c == L'\r' || c == L'\n') {
            lineStart = true;
        } else if (lineStart && c != L' ' && c != L'\t') {
            section = section || c == L'[';
            lineStart = false;
        }
    }
    return section;
}

// The files of a driver about to be installed: those its list names, in the staging folder,
// over those already in the driver folder.
class DriverFiles {
public:
    DriverFiles(const std::wstring& staging, const std::wstring& driverFolder, const std::vector<std::wstring>& listed)
        : staging_(staging), driverFolder_(driverFolder), listed_(listed)
    {
    }

    bool listed(const std::wstring& name) const
    {
        const std::wstring wanted = ListedName(name);
        for (const std::wstring& file : listed_)
            if (lstrcmpiW(file.c_str(), wanted.c_str()) == 0) return true;
        return false;
    }
    // Where the installed driver will have the file; empty when it will not have it.
    std::wstring source(const std::wstring& name) const
    {
        if (listed(name)) return staging_ + ListedName(name);
        const std::wstring installed = driverFolder_ + ListedName(name);
        const DWORD attributes = GetFileAttributesW(installed.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) ? installed
                                                                                                  : std::wstring();
    }

private:
    std::wstring staging_, driverFolder_;
    const std::vector<std::wstring>& listed_;
};

// The library that a resource-library pattern of the master data file gives for ENU, the
// language the user-interface library tries last for every user.
std::wstring FallbackLibrary(const std::wstring& pattern)
{
    std::wstring name = pattern;
    const size_t at = name.find(L"%s");
    if (at != std::wstring::npos) name.replace(at, 2, L"ENU");
    return name;
}

// What a model names in the master data file beyond its two data files: the string and the dialog
// library patterns (its own, else [General]'s, else the user-interface library's built-in ones).
struct ModelLibraryKey {
    const wchar_t* key;
    const wchar_t* builtInSuffix;  // after the module code
    const wchar_t* what;
};
constexpr ModelLibraryKey kModelLibraries[] = {
    {L"StringResDLL", L"S%s.DLL", L"string library"},
    {L"DialogResDLL", L"R%s.DLL", L"dialog library"},
};

// The data files of [Common]: named or not, a named one must be there.
constexpr const wchar_t* kCommonFiles[] = {L"InitDataFile1", L"InitDataFile2", L"InitDataFile3"};

bool Refuse(std::wstring* error, const std::wstring& why)
{
    return HostFail(error, why + L"; nothing was installed");
}

// Checks one file the master data file names under key: it is there, and reads as an INI file
// when it is one.
bool CheckNamedFile(const DriverFiles& files, const std::wstring& owner, const wchar_t* key, const std::wstring& name,
                    bool ini, std::wstring* error)
{
    const std::wstring source = files.source(name);
    if (source.empty())
        return Refuse(error, owner + L" names " + key + L" \"" + name + L"\", which the driver does not have");
    std::string bytes;
    DWORD code = 0;
    if (!ReadBytes(source, &bytes, &code)) {
        return Refuse(error, HostErrorText(owner + L" names " + key + L" \"" + name + L"\", which cannot be read", code));
    }
    if (ini && !ReadsAsIni(bytes))
        return Refuse(error, owner + L" names " + key + L" \"" + name + L"\", which is not an INI file");
    return true;
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

std::wstring HostDriverFolder(DWORD* failure)
{
    wchar_t dir[MAX_PATH] = L"";
    DWORD needed = 0;
    if (!GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(dir), sizeof dir, &needed)) {
        if (failure) *failure = GetLastError();
        return std::wstring();
    }
    return std::wstring(dir) + L"\\3\\";
}

size_t HostModelNameMax()
{
    // The model record keeps more of the name than the DEVMODE does, and every job finds its model
    // by the name its DEVMODE holds.
    constexpr size_t kRecord = sizeof(MODELINFO::szModelName) / sizeof(WCHAR);
    static_assert(DRV_MODELNAME_CCH <= kRecord);
    return DRV_MODELNAME_CCH - 1;
}

bool HostCheckDriver(const std::wstring& staging, const std::wstring& moduleCode, const std::wstring& driverFolder,
                     std::vector<HostModel>* models, std::wstring* error)
{
    const std::wstring list = staging + L"files.lst";
    const std::vector<std::wstring> listed = ReadLines(list);
    if (listed.empty()) return Refuse(error, L"no driver files listed in " + list);
    for (const std::wstring& rel : listed) {
        const HANDLE file = CreateFileW((staging + rel).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            const DWORD code = GetLastError();
            return Refuse(error, HostErrorText(L"the driver file " + staging + rel + L" cannot be read", code));
        }
        CloseHandle(file);
    }
    const DriverFiles files(staging, driverFolder, listed);
    const std::wstring masterName = moduleCode + L".DAT";
    for (const std::wstring& own : {moduleCode + L"_UM.DLL", moduleCode + L"_UI.DLL", moduleCode + L"FNT.DLL", masterName})
        if (!files.listed(own)) return Refuse(error, list + L" does not list " + own);

    const std::wstring master = staging + masterName;
    std::string bytes;
    if (!ReadBytes(master, &bytes) || !ReadsAsIni(bytes))
        return Refuse(error, L"the master data file " + master + L" is not an INI file");
    const std::vector<HostModel> found = HostReadModels(master);
    if (found.empty()) return Refuse(error, L"the master data file " + master + L" names no model");

    const std::wstring common = L"[Common] of " + masterName;
    for (const wchar_t* key : kCommonFiles) {
        const std::wstring name = ProfileString(master, L"Common", key);
        const bool ini = lstrcmpiW(key, L"InitDataFile1") != 0;  // the first is the dither table library
        if (!name.empty() && !CheckNamedFile(files, common, key, name, ini, error)) return false;
    }
    for (const HostModel& model : found) {
        const std::wstring owner = L"the model \"" + model.name + L"\"";
        if (model.name.size() > HostModelNameMax())
            return Refuse(error, owner + L" has a name of " + std::to_wstring(model.name.size()) +
                                     L" characters; a printer model's name has at most " +
                                     std::to_wstring(HostModelNameMax()));
        if (model.defaultFile.empty()) return Refuse(error, owner + L" names no DefaultFile");
        if (!CheckNamedFile(files, owner, L"DefaultFile", model.defaultFile, true, error)) return false;
        if (!model.customFile.empty() && !CheckNamedFile(files, owner, L"CustomFile", model.customFile, true, error))
            return false;
        for (const ModelLibraryKey& library : kModelLibraries) {
            std::wstring pattern = ProfileString(master, model.name, library.key);
            if (pattern.empty()) pattern = ProfileString(master, L"General", library.key);
            if (pattern.empty()) pattern = moduleCode + library.builtInSuffix;
            const std::wstring name = FallbackLibrary(pattern);
            if (files.source(name).empty())
                return Refuse(error, owner + L" takes its " + library.what + L" from \"" + pattern +
                                         L"\", but the driver has no " + name);
        }
    }
    if (models) *models = found;
    return true;
}

namespace {

// The files an install replaces: each new file is copied beside the installed one first, and
// only when all are there do they take their names, the installed ones kept aside until the
// install is done. Until commit(), the end of the object puts every installed file back.
class FileSwap {
public:
    explicit FileSwap(const std::wstring& folder) : folder_(folder) {}
    ~FileSwap()
    {
        for (auto file = files_.rbegin(); file != files_.rend(); ++file) {
            const std::wstring target = folder_ + file->rel;
            if (file->swapped) {
                if (file->hadOld) MoveFileExW((target + kOld).c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING);
                else DeleteFileW(target.c_str());
            } else {
                DeleteFileW((target + kNew).c_str());
            }
        }
    }
    FileSwap(const FileSwap&) = delete;
    FileSwap& operator=(const FileSwap&) = delete;

    // Copies source beside the installed file rel. false with the reason.
    bool stage(const std::wstring& source, const std::wstring& rel, std::wstring* error)
    {
        MakeFolders(folder_, rel);
        if (!CopyFileW(source.c_str(), (folder_ + rel + kNew).c_str(), FALSE)) {
            const DWORD code = GetLastError();
            return Refuse(error, HostErrorText(L"copying " + source + L" into " + folder_ + L" failed", code));
        }
        files_.push_back({rel, false, false});
        return true;
    }
    // Gives every staged file its name. false with the reason (the destructor undoes what was done).
    bool swap(std::wstring* error)
    {
        for (File& file : files_) {
            const std::wstring target = folder_ + file.rel;
            file.hadOld = GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES;
            if (file.hadOld && !MoveFileExW(target.c_str(), (target + kOld).c_str(), MOVEFILE_REPLACE_EXISTING)) {
                const DWORD code = GetLastError();
                return Refuse(error, HostErrorText(L"the installed " + target + L" cannot be replaced", code));
            }
            if (!MoveFileExW((target + kNew).c_str(), target.c_str(), 0)) {
                const DWORD code = GetLastError();
                if (file.hadOld) MoveFileExW((target + kOld).c_str(), target.c_str(), 0);
                return Refuse(error, HostErrorText(L"the new " + target + L" cannot take its name", code));
            }
            file.swapped = true;
        }
        return true;
    }
    bool empty() const { return files_.empty(); }
    // The install is done: the files kept aside go.
    void commit()
    {
        for (const File& file : files_)
            if (file.hadOld) DeleteFileW((folder_ + file.rel + kOld).c_str());
        files_.clear();
    }

private:
    static constexpr wchar_t kNew[] = L".new";
    static constexpr wchar_t kOld[] = L".old";
    struct File {
        std::wstring rel;
        bool swapped, hadOld;
    };
    std::wstring folder_;
    std::vector<File> files_;
};

}  // namespace

bool HostInstallDriver(const std::wstring& staging, const std::wstring& moduleCode, HostInstall* out,
                       std::wstring* error)
{
    // Another process may be installing into the same folder at the same time: one at a time.
    HostSpoolerLock lock;
    if (!lock.held())
        return HostFail(error, HostErrorText(L"waiting for the print host's install lock failed", lock.failure()));

    HostInstall result;
    DWORD code = 0;
    result.driverFolder = HostDriverFolder(&code);
    if (result.driverFolder.empty()) return HostFail(error, HostErrorText(L"GetPrinterDriverDirectoryW failed", code));
    if (!HostCheckDriver(staging, moduleCode, result.driverFolder, &result.models, error)) return false;
    CreateDirectoryW(result.driverFolder.c_str(), nullptr);

    // The machine-wide data folder where the user-interface library keeps the models' caches,
    // which the rendering library reads: an installer makes it, as the libraries never do.
    wchar_t common[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, common)))
        return Refuse(error, L"no machine-wide application data folder");
    std::wstring dataFolder = common;
    for (const wchar_t* part : {L"\\Velmora", L"\\Drv"}) CreateDirectoryW((dataFolder += part).c_str(), nullptr);
    dataFolder += L"\\" + moduleCode;
    if (!CreateDirectoryW(dataFolder.c_str(), nullptr)) {
        code = GetLastError();
        if (code != ERROR_ALREADY_EXISTS) return Refuse(error, HostErrorText(L"creating " + dataFolder + L" failed", code));
    }

    // A file that is already installed unchanged is left alone: a library of the driver may be
    // loaded by another process, and then it cannot be replaced.
    const std::vector<std::wstring> files = ReadLines(staging + L"files.lst");
    FileSwap swap(result.driverFolder);
    for (const std::wstring& rel : files)
        if (!SameContents(staging + rel, result.driverFolder + rel) && !swap.stage(staging + rel, rel, error))
            return false;
    if (!swap.swap(error)) return false;
    const bool copied = !swap.empty();

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
        if (!added) {
            code = GetLastError();
            if (code == ERROR_PRINTER_DRIVER_ALREADY_INSTALLED) {
                added = AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&info), APD_COPY_ALL_FILES);
                if (!added) code = GetLastError();
            }
        }
        if (!added) return HostFail(error, HostErrorText(L"AddPrinterDriverW " + model.name + L" failed", code) +
                                               L"; the installed files were put back");
    }
    swap.commit();
    if (out) *out = std::move(result);
    return true;
}
