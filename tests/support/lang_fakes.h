// The system's language answers and the language key of the registry, steered for tests of the
// user-interface language (header only; programs that link the user-interface library's variant
// of the model data library).
#pragma once
#include <windows.h>

#include <string>

#include "import_patch.h"
#include "langres.h"

// GetUserDefaultLCID and GetUserDefaultLangID answer language (with the default sort order).
class FixedUserLanguage {
public:
    explicit FixedUserLanguage(LANGID language, HMODULE module = SelfModule())
        : lcid_((s_language = language, module), "kernel32.dll", "GetUserDefaultLCID",
                reinterpret_cast<const void*>(&FakeLcid)),
          langId_(module, "kernel32.dll", "GetUserDefaultLangID", reinterpret_cast<const void*>(&FakeLangId))
    {
    }
    bool active() const { return lcid_.active() && langId_.active(); }

private:
    static LCID WINAPI FakeLcid() { return MAKELCID(s_language, SORT_DEFAULT); }
    static LANGID WINAPI FakeLangId() { return s_language; }
    static inline LANGID s_language = 0;
    ImportPatch lcid_, langId_;
};

// The language key (HKEY_LOCAL_MACHINE\LANGRES_REGISTRY_KEY and the keys below it) as a key of
// the test's own below HKEY_CURRENT_USER: RegOpenKeyExW is redirected there while the object
// lives, so that tests running side by side never see each other's values. The key starts empty
// and is deleted with everything in it at the end.
class TestLanguageKey {
public:
    explicit TestLanguageKey(HMODULE module = SelfModule())
        : open_((s_root = NewRoot(), module), "advapi32.dll", "RegOpenKeyExW",
                reinterpret_cast<const void*>(&FakeOpen))
    {
        s_realOpen = open_.original<decltype(&RegOpenKeyExW)>();
    }
    ~TestLanguageKey()
    {
        // Only this key goes: the parent is shared by test programs running side by side, and
        // deleting it while another program creates its key below it makes that creation fail.
        RegDeleteTreeW(HKEY_CURRENT_USER, s_root.c_str());
    }
    TestLanguageKey(const TestLanguageKey&) = delete;
    TestLanguageKey& operator=(const TestLanguageKey&) = delete;
    bool active() const { return open_.active(); }

    // A REG_DWORD value of the language key, or of the subkey below it.
    bool setDword(LPCWSTR value, DWORD data, LPCWSTR subkey = nullptr) const
    {
        return set(subkey, value, REG_DWORD, &data, sizeof data);
    }
    // A REG_SZ value of the language key holding bytes (the terminator is not added).
    bool setBytes(LPCWSTR value, const void* data, DWORD size) const
    {
        return set(nullptr, value, REG_SZ, data, size);
    }
    bool setString(LPCWSTR value, const std::wstring& text) const
    {
        return setBytes(value, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR)));
    }

private:
    static constexpr WCHAR kParent[] = L"Software\\DrvTests";

    static std::wstring NewRoot()
    {
        static LONG counter = 0;
        return std::wstring(kParent) + L"\\LanguageKey-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
               std::to_wstring(InterlockedIncrement(&counter));
    }

    bool set(LPCWSTR subkey, LPCWSTR value, DWORD type, const void* data, DWORD size) const
    {
        std::wstring path = s_root;
        if (subkey) path.append(L"\\").append(subkey);
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
            ERROR_SUCCESS)
            return false;
        const bool ok = RegSetValueExW(key, value, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
        RegCloseKey(key);
        return ok;
    }

    // The language key and the keys below it go to the test's key; everything else is opened
    // as asked.
    static LSTATUS WINAPI FakeOpen(HKEY key, LPCWSTR subkey, DWORD options, REGSAM access, PHKEY result)
    {
        const size_t n = wcslen(LANGRES_REGISTRY_KEY);
        if (key == HKEY_LOCAL_MACHINE && subkey && _wcsnicmp(subkey, LANGRES_REGISTRY_KEY, n) == 0 &&
            (subkey[n] == L'\0' || subkey[n] == L'\\'))
            return s_realOpen(HKEY_CURRENT_USER, (s_root + (subkey + n)).c_str(), options, access, result);
        return s_realOpen(key, subkey, options, access, result);
    }

    static inline std::wstring s_root;
    static inline decltype(&RegOpenKeyExW) s_realOpen = nullptr;
    ImportPatch open_;
};
