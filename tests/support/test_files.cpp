#include "test_files.h"

#include <sstream>


std::wstring ExeFolder()
{
    wchar_t path[MAX_PATH * 2];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    std::wstring s(path, n);
    return s.substr(0, s.find_last_of(L'\\') + 1);
}

std::wstring StagedDriverFolder() { return ExeFolder() + L"..\\driver\\"; }

std::wstring FixtureFolder(const wchar_t* name) { return ExeFolder() + L"fixtures\\" + name + L"\\"; }

std::vector<std::wstring> DriverFileList(const std::wstring& folder)
{
    std::vector<std::wstring> files;
    std::istringstream list(ReadTextFile(folder + L"files.lst"));
    std::string line;
    while (std::getline(list, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) files.push_back(Widen(line));
    }
    return files;
}

bool CopyDriverFiles(const std::wstring& from, const std::wstring& to)
{
    std::vector<std::wstring> files = DriverFileList(from);
    if (files.empty()) return false;
    files.push_back(L"files.lst");
    bool ok = true;
    for (const std::wstring& rel : files) {
        for (size_t pos = 0; (pos = rel.find(L'\\', pos)) != std::wstring::npos; ++pos)
            CreateDirectoryW((to + rel.substr(0, pos)).c_str(), nullptr);
        ok = CopyFileW((from + rel).c_str(), (to + rel).c_str(), FALSE) && ok;
    }
    return ok;
}

std::wstring Widen(const std::string& text)
{
    std::wstring out;
    for (unsigned char c : text) out.push_back(static_cast<wchar_t>(c));
    return out;
}

std::string ReadTextFile(const std::wstring& path)
{
    std::string text;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return text;
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got) text.append(buf, got);
    CloseHandle(h);
    return text;
}

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool WriteTextFile(const std::wstring& path, const std::string& text)
{
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(h);
    return ok && written == text.size();
}

void RemoveTree(const std::wstring& path)
{
    std::wstring dir = path;
    if (!dir.empty() && dir.back() == L'\\') dir.pop_back();
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring full = dir + L"\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(full);
            else {
                SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(full.c_str());
            }
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(dir.c_str());
}

TempFolder::TempFolder()
{
    static LONG counter = 0;
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    for (;;) {
        wchar_t name[64];
        wsprintfW(name, L"drvtest-%lu-%ld", GetCurrentProcessId(), InterlockedIncrement(&counter));
        path_ = std::wstring(temp) + name + L"\\";
        if (CreateDirectoryW(path_.c_str(), nullptr)) break;
    }
}

TempFolder::~TempFolder() { RemoveTree(path_); }

bool TempFolder::write(const std::wstring& relative, const std::string& text) const
{
    const std::wstring full = path_ + relative;
    for (size_t pos = path_.size(); (pos = full.find(L'\\', pos)) != std::wstring::npos; ++pos)
        CreateDirectoryW(full.substr(0, pos).c_str(), nullptr);
    return WriteTextFile(full, text);
}


bool ModelFilePair::write(const std::string& defaultText, const std::string& customText)
{
    const std::wstring n = std::to_wstring(++generation_);
    defaultFile_ = folder_.path() + L"default" + n + L".ini";
    customFile_ = folder_.path() + L"custom" + n + L".ini";
    return (defaultText.empty() || WriteTextFile(defaultFile_, defaultText)) &&
           (customText.empty() || WriteTextFile(customFile_, customText));
}

std::string ModelFilePair::Section(const char* section, const std::string& lines)
{
    return lines.empty() ? std::string() : "[" + std::string(section) + "]\r\n" + lines;
}
