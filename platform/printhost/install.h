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

// The spooler's folder for version-3 drivers of this machine's environment, with a backslash;
// empty when the spooler cannot say, with its error code in failure.
std::wstring HostDriverFolder(DWORD* failure = nullptr);

// The longest model name a printer of the driver can print with: a job finds its model by the
// name its DEVMODE keeps (31 characters; the model record keeps more).
size_t HostModelNameMax();

// Checks a driver before anything of it is installed into driverFolder: <staging>\files.lst names
// the files, each of which can be read; the list holds the two libraries, the printer's data file
// and the master data file of moduleCode (see HostInstallDriver); the master data file is an INI
// file that names at least one model, each with a name of at most HostModelNameMax() characters
// and a DefaultFile; every file it names (the [Common] data files, each model's DefaultFile and
// CustomFile, the string and dialog libraries of each model, whose pattern is tried with the
// language every user falls back to, ENU) is in the list or in driverFolder already; and each
// INI file among them reads as an INI file (text with at least one section). The models go to
// models. false with the first fault found, the file or model named, in error.
bool HostCheckDriver(const std::wstring& staging, const std::wstring& moduleCode, const std::wstring& driverFolder,
                     std::vector<HostModel>* models, std::wstring* error);

// Installs the driver of <staging>: checks it (HostCheckDriver), copies every file of
// <staging>\files.lst into the driver folder and registers a printer driver for each model of
// <staging>\<moduleCode>.DAT, with <moduleCode>_UM.DLL as rendering library, <moduleCode>_UI.DLL
// as configuration module, <moduleCode>FNT.DLL as data file and the model's help file.
// All or nothing: a driver that fails the check is refused before anything is replaced; the new
// files are copied beside the installed ones first and then take their names, and any failure up
// to the last driver record puts the installed files back. On failure returns false and says why
// in error.
// Safe to call from several processes at once (they take turns), and again over an installed
// driver: unchanged files are left as they are, the driver records are replaced.
bool HostInstallDriver(const std::wstring& staging, const std::wstring& moduleCode, HostInstall* out,
                       std::wstring* error);
