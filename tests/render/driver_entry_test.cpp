// The rendering library's exported entry points and its hook table, called on the installed
// library as the graphics engine calls them.
#include <windows.h>
#include <winddi.h>

#include <gtest/gtest.h>

#include "proc_address.h"
#include "render_machine.h"

namespace {

using EnableDriverFn = BOOL(APIENTRY*)(ULONG, ULONG, DRVENABLEDATA*);
using QueryDriverInfoFn = BOOL(APIENTRY*)(DWORD, PVOID, DWORD, PDWORD);
using DisableDriverFn = VOID(APIENTRY*)();

class DriverEntry : public RenderMachine {
protected:
    void SetUp() override
    {
        RenderMachine::SetUp();
        if (HasFatalFailure()) return;
        HANDLE printer = OpenTestPrinter(installed.models.at(0).name);
        ASSERT_NE(printer, nullptr);
        ASSERT_TRUE(LoadDriver(printer));
        module = driver.module();
        enable = ProcAddress<EnableDriverFn>(module, "DrvEnableDriver");
        query = ProcAddress<QueryDriverInfoFn>(module, "DrvQueryDriverInfo");
        disable = ProcAddress<DisableDriverFn>(module, "DrvDisableDriver");
        ASSERT_TRUE(enable && query && disable);
    }
    HMODULE module = nullptr;
    EnableDriverFn enable = nullptr;
    QueryDriverInfoFn query = nullptr;
    DisableDriverFn disable = nullptr;
};

TEST_F(DriverEntry, EnableDriverChecksTheEngineVersionAndTheBufferSize)
{
    struct Case {
        ULONG version, cj;
        BOOL result;
    } cases[] = {{0x10000, 12, FALSE}, {0x1FFFF, 12, FALSE}, {0x20000, 8, FALSE}, {0x20000, 11, FALSE},
                 {0x20000, 12, TRUE},  {0x30000, 12, TRUE},  {0x20000, sizeof(DRVENABLEDATA), TRUE}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.version << " " << std::dec << c.cj);
        DRVENABLEDATA data;
        memset(&data, 0xA5, sizeof data);
        EXPECT_EQ(enable(c.version, c.cj, &data), c.result);
        if (c.result) {
            EXPECT_EQ(data.iDriverVersion, 0x20000u);
            EXPECT_EQ(data.c, driver.enableData().c);
            EXPECT_EQ(data.pdrvfn, driver.enableData().pdrvfn);
        } else {
            EXPECT_EQ(data.iDriverVersion, 0xA5A5A5A5u) << "a refused call fills nothing";
        }
    }
}

TEST_F(DriverEntry, HookTableHoldsTheBuiltHooksInTheirOrder)
{
    const DRVENABLEDATA& data = driver.enableData();
    const ULONG expected[] = {INDEX_DrvEnablePDEV,    INDEX_DrvResetPDEV,    INDEX_DrvCompletePDEV,
                              INDEX_DrvDisablePDEV,   INDEX_DrvEnableSurface, INDEX_DrvDisableSurface,
                              INDEX_DrvStartDoc,      INDEX_DrvEndDoc,       INDEX_DrvStartPage,
                              INDEX_DrvSendPage,      INDEX_DrvEscape,       INDEX_DrvDrawEscape};
    ASSERT_EQ(data.c, std::size(expected));
    for (ULONG i = 0; i < data.c; ++i) {
        EXPECT_EQ(data.pdrvfn[i].iFunc, expected[i]) << "row " << i;
        // Every hook lies in the library's own image.
        HMODULE owner = nullptr;
        EXPECT_TRUE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                       reinterpret_cast<LPCWSTR>(data.pdrvfn[i].pfn), &owner));
        EXPECT_EQ(owner, module) << "row " << i;
    }
}

TEST_F(DriverEntry, QueryDriverInfoAnswersTheUserModeQueryOnly)
{
    struct Case {
        DWORD mode, size;
        bool buffer;
        BOOL result;
        DWORD needed;  // 0xCCCC: untouched
        DWORD written; // 0xEEEEEEEE: untouched
    } cases[] = {
        {DRVQUERY_USERMODE, 4, true, TRUE, 4, TRUE},
        {DRVQUERY_USERMODE, 8, true, TRUE, 4, TRUE},
        {DRVQUERY_USERMODE, 3, true, FALSE, 4, 0xEEEEEEEE},
        {DRVQUERY_USERMODE, 4, false, FALSE, 4, 0xEEEEEEEE},
        {2, 4, true, FALSE, 0xCCCC, 0xEEEEEEEE},
        {0, 4, true, FALSE, 0xCCCC, 0xEEEEEEEE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.mode << " " << c.size << " " << c.buffer);
        DWORD value = 0xEEEEEEEE, needed = 0xCCCC;
        EXPECT_EQ(query(c.mode, c.buffer ? &value : nullptr, c.size, &needed), c.result);
        EXPECT_EQ(needed, c.needed);
        EXPECT_EQ(value, c.written);
    }
}

TEST_F(DriverEntry, DisableDriverTwiceIsHarmlessAndTheNextEnableWorksAgain)
{
    disable();
    disable();
    DRVENABLEDATA data = {};
    EXPECT_TRUE(enable(0x20000, sizeof data, &data));
}

}  // namespace
