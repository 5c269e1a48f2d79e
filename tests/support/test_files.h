// Files and folders for tests: the test program's folder, temporary folders, and a driver
// folder that stands for an installed driver.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// The folder of the running test program, with a trailing backslash.
std::wstring ExeFolder();
// The folder where the build stages the driver's files and the sample data.
std::wstring StagedDriverFolder();
// A fixture folder of the build (below bin\fixtures), with a trailing backslash.
std::wstring FixtureFolder(const wchar_t* name);

// The files of the driver in folder (with a trailing backslash) as its files.lst names them,
// relative to the folder; empty when there is no list.
std::vector<std::wstring> DriverFileList(const std::wstring& folder);
// Copies the driver in folder from (files.lst and every file it names) into the folder to,
// making sub-folders; false when a file could not be copied.
bool CopyDriverFiles(const std::wstring& from, const std::wstring& to);

std::wstring Widen(const std::string& text);
// Whole file as bytes; empty when it cannot be read.
std::string ReadTextFile(const std::wstring& path);
bool WriteTextFile(const std::wstring& path, const std::string& text);
bool FileExists(const std::wstring& path);
void RemoveTree(const std::wstring& path);

// A new empty folder below the temporary folder, removed with everything in it at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    // With a trailing backslash.
    const std::wstring& path() const { return path_; }
    // Writes text (bytes as given) into a file below the folder, making sub-folders.
    bool write(const std::wstring& relative, const std::string& text) const;

private:
    std::wstring path_;
};

// A model's DefaultFile and CustomFile in a folder of their own. Each write takes new file
// names, so that no copy of an earlier file that the profile functions keep is read; a file given
// no text is not written (it is missing).
class ModelFilePair {
public:
    bool write(const std::string& defaultText, const std::string& customText);
    LPCWSTR defaultFile() const { return defaultFile_.c_str(); }
    LPCWSTR customFile() const { return customFile_.c_str(); }
    // "[section]" followed by lines, or nothing for no lines.
    static std::string Section(const char* section, const std::string& lines);

private:
    TempFolder folder_;
    std::wstring defaultFile_, customFile_;
    int generation_ = 0;
};

// A driver folder (driver_folder.cpp, for programs that link the model data library): a temporary folder holding a module loaded from it, which stands as the
// library's own module (g_hInst) while the object lives, so that the model data library finds
// its data files there.
class DriverFolder : public TempFolder {
public:
    DriverFolder();
    ~DriverFolder();
    HMODULE module() const { return module_; }
    // Copies the staged sample data (every file of the driver's file list but the two libraries)
    // into the folder.
    bool copySample() const;

private:
    HMODULE module_ = nullptr;
    HINSTANCE saved_ = nullptr;
};
