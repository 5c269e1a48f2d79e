// drvprint: the command-line front of the print host.
//
//   drvprint install [--code VRDA|VRDB] [--from FOLDER]
//       Installs the driver's files from FOLDER (default: the build's driver folder beside this
//       program) into the spooler's driver folder, registers a printer driver for every model of
//       the master data file, and reports the models and their data files.
#include <windows.h>

#include <cstdio>
#include <string>

#include "install.h"

namespace {

int Usage()
{
    fwprintf(stderr, L"usage: drvprint install [--code VRDA|VRDB] [--from FOLDER]\n");
    return 2;
}

std::wstring ProgramFolder()
{
    wchar_t path[MAX_PATH * 2];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    std::wstring s(path, n);
    return s.substr(0, s.find_last_of(L'\\') + 1);
}

const wchar_t* Presence(const std::wstring& folder, const std::wstring& file)
{
    if (file.empty()) return L"(not named)";
    return GetFileAttributesW((folder + file).c_str()) == INVALID_FILE_ATTRIBUTES ? L"(missing)" : L"(present)";
}

int Install(const std::wstring& code, std::wstring from)
{
    if (from.empty()) from = ProgramFolder() + L"..\\driver\\";
    if (from.back() != L'\\') from.push_back(L'\\');
    HostInstall installed;
    std::wstring error;
    if (!HostInstallDriver(from, code, &installed, &error)) {
        fwprintf(stderr, L"drvprint: %ls\n", error.c_str());
        return 1;
    }
    wprintf(L"Installed the %ls driver into %ls\n", code.c_str(), installed.driverFolder.c_str());
    wprintf(L"Models of %ls.DAT:\n", code.c_str());
    for (const HostModel& m : installed.models) {
        wprintf(L"  %ls\n", m.name.c_str());
        wprintf(L"    DefaultFile %ls %ls\n", m.defaultFile.c_str(), Presence(installed.driverFolder, m.defaultFile));
        wprintf(L"    CustomFile  %ls %ls\n", m.customFile.c_str(), Presence(installed.driverFolder, m.customFile));
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) return Usage();
    const std::wstring command = argv[1];
    std::wstring code = L"VRDA", from;
    for (int i = 2; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--code" && i + 1 < argc) code = argv[++i];
        else if (arg == L"--from" && i + 1 < argc) from = argv[++i];
        else return Usage();
    }
    if (code != L"VRDA" && code != L"VRDB") return Usage();
    if (command == L"install") return Install(code, from);
    return Usage();
}
