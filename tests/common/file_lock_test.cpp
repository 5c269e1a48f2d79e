// Machine-wide locks of shared files: one lock per file, whatever spelling of its path a process
// uses, and a lock held by one holder keeps every other waiting.
#include "file_lock.h"

#include <gtest/gtest.h>

#include <string>

#include "test_files.h"

namespace {

std::wstring LockName(const std::wstring& path)
{
    wchar_t name[FILE_LOCK_NAME_CCH];
    return FileLockName(path.c_str(), name, FILE_LOCK_NAME_CCH) ? name : L"";
}

TEST(FileLock, OneNamePerFileWhateverTheSpelling)
{
    TempFolder folder;
    ASSERT_TRUE(folder.write(L"sub\\settings.ini", "[S]\r\n"));
    const std::wstring file = folder.path() + L"sub\\settings.ini";
    const std::wstring name = LockName(file);
    ASSERT_FALSE(name.empty());
    // In the namespace of every session, and nothing after it that could be read as a path.
    EXPECT_EQ(name.rfind(L'\\'), std::wstring(L"Global").size());
    EXPECT_EQ(name.substr(0, 7), L"Global\\");

    std::wstring upper = file;
    for (wchar_t& c : upper) c = static_cast<wchar_t>(towupper(c));
    wchar_t shortPath[MAX_PATH];
    const DWORD shortN = GetShortPathNameW(file.c_str(), shortPath, MAX_PATH);
    const std::wstring spellings[] = {
        upper,
        folder.path() + L"sub\\..\\sub\\.\\settings.ini",
        shortN > 0 && shortN < MAX_PATH ? std::wstring(shortPath, shortN) : file,
    };
    for (const std::wstring& spelling : spellings) EXPECT_EQ(LockName(spelling), name) << spelling;

    const std::wstring others[] = {folder.path() + L"sub\\settings.in", folder.path() + L"settings.ini",
                                   folder.path() + L"sub\\settings.ini.tmp"};
    for (const std::wstring& other : others) EXPECT_NE(LockName(other), name) << other;

    wchar_t tooSmall[8];
    EXPECT_FALSE(FileLockName(file.c_str(), tooSmall, 8));
    EXPECT_FALSE(FileLockName(L"", tooSmall, 8));
}

// A second holder waits for the first; once the first lets go, it has the lock. Another thread
// stands for another process: a thread of the holding one would enter again.
TEST(FileLock, HolderKeepsOthersWaiting)
{
    TempFolder folder;
    const std::wstring file = folder.path() + L"shared.ini";
    struct Attempt {
        const std::wstring* file;
        DWORD waitMs;
        bool held = false;
    };
    auto tryInThread = [](Attempt& attempt) {
        HANDLE thread = CreateThread(
            nullptr, 0,
            [](void* p) WINAPI -> DWORD {
                auto* a = static_cast<Attempt*>(p);
                a->held = FileLock(a->file->c_str(), a->waitMs).Held();
                return 0;
            },
            &attempt, 0, nullptr);
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    };
    {
        const FileLock first(file.c_str());
        ASSERT_TRUE(first.Held());
        EXPECT_TRUE(FileLock(file.c_str(), 0).Held());  // the same thread enters again
        Attempt other{&file, 100};
        tryInThread(other);
        EXPECT_FALSE(other.held);
        const std::wstring unrelated = folder.path() + L"other.ini";
        Attempt elsewhere{&unrelated, 0};
        tryInThread(elsewhere);
        EXPECT_TRUE(elsewhere.held);
    }
    Attempt after{&file, 0};
    tryInThread(after);
    EXPECT_TRUE(after.held);
}

}  // namespace
