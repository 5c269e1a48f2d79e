// The printer's data values (GetPrinterDataW / SetPrinterDataW) of the test program's own calls,
// kept in memory as DWORDs while a FakePrinterData lives: values that are not there are not found,
// a short buffer is told the size it needs, and a write keeps its first four bytes.
#pragma once
#include <windows.h>
#include <winspool.h>

#include <cstring>
#include <map>
#include <string>

#include "import_patch.h"

class FakePrinterData {
public:
    FakePrinterData()
        : get_(SelfModule(), "winspool.drv", "GetPrinterDataW", reinterpret_cast<const void*>(&Get)),
          set_(SelfModule(), "winspool.drv", "SetPrinterDataW", reinterpret_cast<const void*>(&Set))
    {
        current() = this;
    }
    ~FakePrinterData() { current() = nullptr; }
    FakePrinterData(const FakePrinterData&) = delete;
    FakePrinterData& operator=(const FakePrinterData&) = delete;

    bool active() const { return get_.active() && set_.active(); }
    std::map<std::wstring, DWORD> values;

private:
    static FakePrinterData*& current()
    {
        static FakePrinterData* instance = nullptr;
        return instance;
    }
    static DWORD WINAPI Get(HANDLE, LPWSTR name, LPDWORD type, LPBYTE data, DWORD size, LPDWORD needed)
    {
        if (!current() || !name || !needed) return ERROR_INVALID_PARAMETER;
        const auto found = current()->values.find(name);
        if (found == current()->values.end()) return ERROR_FILE_NOT_FOUND;
        if (type) *type = REG_DWORD;
        *needed = sizeof(DWORD);
        if (!data || size < sizeof(DWORD)) return ERROR_MORE_DATA;
        std::memcpy(data, &found->second, sizeof(DWORD));
        return ERROR_SUCCESS;
    }
    static DWORD WINAPI Set(HANDLE, LPWSTR name, DWORD, LPBYTE data, DWORD size)
    {
        if (!current() || !name) return ERROR_INVALID_PARAMETER;
        DWORD value = 0;
        if (data) std::memcpy(&value, data, size < sizeof value ? size : sizeof value);
        current()->values[name] = value;
        return ERROR_SUCCESS;
    }

    ImportPatch get_;
    ImportPatch set_;
};
