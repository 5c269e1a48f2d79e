// A driver folder for the model data library's tests.
#include <sstream>

#include "drvglobals.h"
#include "test_files.h"

DriverFolder::DriverFolder()
{
    const std::wstring probe = path() + L"drvprobe.dll";
    if (CopyFileW((ExeFolder() + L"drvprobe.dll").c_str(), probe.c_str(), FALSE))
        module_ = LoadLibraryW(probe.c_str());
    saved_ = g_hInst;
    g_hInst = module_;
}

DriverFolder::~DriverFolder()
{
    g_hInst = saved_;
    if (module_) FreeLibrary(module_);
}

bool DriverFolder::copySample() const
{
    const std::wstring from = StagedDriverFolder();
    std::istringstream list(ReadTextFile(from + L"files.lst"));
    if (list.str().empty()) return false;
    std::string line;
    bool ok = true;
    while (std::getline(list, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        const std::wstring rel = Widen(line);
        // The two libraries are not data; the resource libraries (dither tables, device fonts) are.
        if (rel.find(L"_UI.DLL") != std::wstring::npos || rel.find(L"_UM.DLL") != std::wstring::npos) continue;
        for (size_t pos = 0; (pos = rel.find(L'\\', pos)) != std::wstring::npos; ++pos)
            CreateDirectoryW((path() + rel.substr(0, pos)).c_str(), nullptr);
        ok = CopyFileW((from + rel).c_str(), (path() + rel).c_str(), FALSE) && ok;
    }
    return ok;
}
