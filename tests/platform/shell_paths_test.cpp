// Behaviour of the module, shell-folder and spooler path functions that the
// libraries use to find their driver folder, their data folders and the
// printer-driver folder: GetModuleFileNameW, SHGetFolderPathW,
// SHCreateDirectoryExW and GetPrinterDriverDirectoryW.

#include <windows.h>
#include <shlobj.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include "test_files.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

namespace {

// A folder of its own under the temporary folder, removed with its contents; its path has no
// trailing backslash.
class ScratchFolder {
 public:
  const std::wstring& path() const { return path_; }

 private:
  TempFolder folder_;
  std::wstring path_ = folder_.path().substr(0, folder_.path().size() - 1);
};

bool IsFolder(const std::wstring& path) {
  const DWORD attr = GetFileAttributesW(path.c_str());
  return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// "X:\..." without a trailing backslash.
bool IsAbsoluteFolderPath(const std::wstring& p) {
  return p.size() > 3 && p[1] == L':' && p[2] == L'\\' && p.back() != L'\\';
}

std::wstring SystemFolder() {
  wchar_t buf[MAX_PATH] = {};
  const UINT n = GetSystemDirectoryW(buf, MAX_PATH);
  return (n == 0 || n >= MAX_PATH) ? std::wstring() : std::wstring(buf, n);
}

// A library loaded from a folder of our own, under a name of our own.
class CopiedLibrary {
 public:
  explicit CopiedLibrary(const std::wstring& folder)
      : path_(folder + L"\\probe_copy.dll") {
    const std::wstring system = SystemFolder();
    if (system.empty()) return;
    for (const wchar_t* name : {L"msimg32.dll", L"version.dll", L"lz32.dll"}) {
      if (!CopyFileW((system + L"\\" + name).c_str(), path_.c_str(), FALSE))
        continue;
      module_ = LoadLibraryW(path_.c_str());
      if (module_) return;
      DeleteFileW(path_.c_str());
    }
  }
  ~CopiedLibrary() {
    if (module_) FreeLibrary(module_);
  }
  CopiedLibrary(const CopiedLibrary&) = delete;
  CopiedLibrary& operator=(const CopiedLibrary&) = delete;

  HMODULE module() const { return module_; }
  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
  HMODULE module_ = nullptr;
};

TEST(ModuleFileName, IsTheFullPathTheLibraryWasLoadedFrom) {
  ScratchFolder folder;
  ASSERT_FALSE(folder.path().empty());
  CopiedLibrary lib(folder.path());
  ASSERT_NE(lib.module(), nullptr) << "no system library could be loaded";

  wchar_t buf[MAX_PATH * 2] = {};
  const DWORD n = GetModuleFileNameW(lib.module(), buf, MAX_PATH * 2);
  ASSERT_GT(n, 0u);
  ASSERT_LT(n, static_cast<DWORD>(MAX_PATH * 2));
  EXPECT_EQ(buf[n], L'\0');
  EXPECT_TRUE(SamePath(std::wstring(buf, n), lib.path()))
      << "module file: " << testing::PrintToString(std::wstring(buf, n));
}

TEST(ModuleFileName, TooSmallBufferIsFilledAndSizeReturned) {
  ScratchFolder folder;
  ASSERT_FALSE(folder.path().empty());
  CopiedLibrary lib(folder.path());
  ASSERT_NE(lib.module(), nullptr);

  wchar_t whole[MAX_PATH * 2] = {};
  const DWORD len = GetModuleFileNameW(lib.module(), whole, MAX_PATH * 2);
  ASSERT_GT(len, 10u);
  const std::wstring full(whole, len);

  constexpr std::size_t kGuard = 8;
  constexpr wchar_t kGuardChar = L'#';
  const DWORD sizes[] = {1, 10, len - 1, len};
  for (DWORD size : sizes) {
    SCOPED_TRACE(testing::Message() << "buffer of " << size);
    std::vector<wchar_t> buf(size + kGuard, kGuardChar);
    SetLastError(ERROR_SUCCESS);
    const DWORD n = GetModuleFileNameW(lib.module(), buf.data(), size);
    const DWORD error = GetLastError();
    EXPECT_EQ(n, size);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_TRUE(std::all_of(buf.begin() + size, buf.end(),
                            [](wchar_t c) { return c == kGuardChar; }));
    // Wine 8.0 fills all `size` characters with the start of the path and
    // writes no terminator (documented since Windows Vista: size - 1
    // characters and a terminator).
    EXPECT_EQ(std::wstring(buf.data(), size), full.substr(0, size));
  }
}

TEST(ShellFolders, DataFoldersAreExistingAbsoluteFolders) {
  const int ids[] = {CSIDL_COMMON_APPDATA, CSIDL_LOCAL_APPDATA};
  for (int id : ids) {
    SCOPED_TRACE(testing::Message() << "CSIDL " << id);
    wchar_t buf[MAX_PATH] = {};
    ASSERT_EQ(SHGetFolderPathW(nullptr, id, nullptr, SHGFP_TYPE_CURRENT, buf),
              S_OK);
    const std::wstring path = buf;
    EXPECT_TRUE(IsAbsoluteFolderPath(path)) << testing::PrintToString(path);
    EXPECT_TRUE(IsFolder(path)) << testing::PrintToString(path);
  }
}

TEST(ShellFolders, CreateDirectoryExMakesNestedFolders) {
  ScratchFolder folder;
  ASSERT_FALSE(folder.path().empty());
  const std::wstring top = folder.path() + L"\\one";
  const std::wstring leaf = top + L"\\two\\three";

  EXPECT_EQ(SHCreateDirectoryExW(nullptr, leaf.c_str(), nullptr),
            ERROR_SUCCESS);
  EXPECT_TRUE(IsFolder(leaf));
  EXPECT_EQ(SHCreateDirectoryExW(nullptr, leaf.c_str(), nullptr),
            ERROR_ALREADY_EXISTS);
  EXPECT_EQ(SHCreateDirectoryExW(nullptr, top.c_str(), nullptr),
            ERROR_ALREADY_EXISTS);
}

TEST(PrinterDriverDirectory, IsTheSpoolerDriversFolderOfThisEnvironment) {
  DWORD needed = 0;
  SetLastError(ERROR_SUCCESS);
  EXPECT_FALSE(GetPrinterDriverDirectoryW(nullptr, nullptr, 1, nullptr, 0,
                                          &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  ASSERT_GT(needed, 0u);

  std::vector<BYTE> buf(needed);
  DWORD needed_again = 0;
  ASSERT_TRUE(GetPrinterDriverDirectoryW(nullptr, nullptr, 1, buf.data(),
                                         needed, &needed_again));
  const std::wstring path(reinterpret_cast<const wchar_t*>(buf.data()));
  EXPECT_EQ((path.size() + 1) * sizeof(wchar_t), needed);
  EXPECT_TRUE(IsFolder(path)) << testing::PrintToString(path);

#ifdef _WIN64
  const wchar_t* environment = L"x64";
#else
  const wchar_t* environment = L"W32X86";
#endif
  const std::wstring expected =
      SystemFolder() + L"\\spool\\drivers\\" + environment;
  EXPECT_TRUE(SamePath(path, expected))
      << testing::PrintToString(path) << " vs "
      << testing::PrintToString(expected);
}

}  // namespace
