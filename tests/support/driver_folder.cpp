// A driver folder for the model data library's tests.
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
    const std::vector<std::wstring> files = DriverFileList(from);
    if (files.empty()) return false;
    bool ok = true;
    for (const std::wstring& rel : files) {
        // The two libraries are not data; the resource libraries (dither tables, device fonts) are.
        if (rel.find(L"_UI.DLL") != std::wstring::npos || rel.find(L"_UM.DLL") != std::wstring::npos) continue;
        for (size_t pos = 0; (pos = rel.find(L'\\', pos)) != std::wstring::npos; ++pos)
            CreateDirectoryW((path() + rel.substr(0, pos)).c_str(), nullptr);
        ok = CopyFileW((from + rel).c_str(), (path() + rel).c_str(), FALSE) && ok;
    }
    return ok;
}
