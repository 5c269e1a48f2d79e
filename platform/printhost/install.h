// The print system's part in installing the driver: copying its files into the spooler's
// driver folder and registering one printer driver per model that the master data file names.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

struct HostModel {
    std::wstring name;         // section of the master data file = printer driver name
    std::wstring defaultFile;  // as written in the master data file
    std::wstring customFile;
    std::wstring helpFile;     // "Help File" of the model's section, else of [General]
};

struct HostInstall {
    std::wstring driverFolder;  // the version-3 driver folder the files went to (with backslash)
    std::vector<HostModel> models;
};

// The models of a master data file: every section but [Common] and [General], in file order.
std::vector<HostModel> HostReadModels(const std::wstring& masterFile);

// The spooler's folder for version-3 drivers of this machine's environment, with a backslash.
std::wstring HostDriverFolder();

// Copies every file of <staging>\files.lst into the driver folder and registers a printer driver
// for each model of <staging>\<moduleCode>.DAT, with <moduleCode>_UM.DLL as rendering library,
// <moduleCode>_UI.DLL as configuration module, <moduleCode>FNT.DLL as data file and the model's
// help file. On failure returns false and says why in error.
// Safe to call from several processes at once (they take turns), and again over an installed
// driver: unchanged files are left as they are, the driver records are replaced.
bool HostInstallDriver(const std::wstring& staging, const std::wstring& moduleCode, HostInstall* out,
                       std::wstring* error);
