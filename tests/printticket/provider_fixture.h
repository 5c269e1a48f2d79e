// The provider as the print system creates it, shared by the tests that talk to it through COM:
// the staged user-interface library loaded, its class factory taken through DllGetClassObject,
// provider objects created from it, and printers of the sample models added through the print
// host and bound. The library's unload answer is checked when each test ends.
#pragma once
#include <gtest/gtest.h>

#include <objbase.h>
#include <shlobj.h>
#include <winspool.h>

#include <string>
#include <vector>

#include "datafiles.h"
#include "device_options.h"
#include "install.h"
#include "module.h"
#include "msxml6_ids.h"
#include "printers.h"
#include "pt_provider.h"
#include "sample_machine.h"
#include "test_files.h"

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, LPVOID*);
using CanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();

// A pointer value no call may leave behind in an output.
inline void* const kUntouched = reinterpret_cast<void*>(static_cast<ULONG_PTR>(0x5A5A5A50));

inline std::wstring TestName()
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return Widen(info->test_suite_name()) + L" " + Widen(info->name());
}

inline std::wstring FromBstr(BSTR text)
{
    return text ? std::wstring(text, SysStringLen(text)) : std::wstring();
}

class ProviderServer : public ::testing::Test {
protected:
    void SetUp() override
    {
        const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        ASSERT_TRUE(SUCCEEDED(hr));
        comReady_ = true;
        module_ = LoadLibraryW((StagedDriverFolder() + DRV_MODULE_NAMEW L"_UI.DLL").c_str());
        ASSERT_NE(module_, nullptr);
        getClassObject_ = reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(module_, "DllGetClassObject")));
        canUnloadNow_ = reinterpret_cast<CanUnloadNowFn>(reinterpret_cast<void*>(GetProcAddress(module_, "DllCanUnloadNow")));
        ASSERT_NE(getClassObject_, nullptr);
        ASSERT_NE(canUnloadNow_, nullptr);
        ASSERT_EQ(canUnloadNow_(), S_OK);
    }

    void TearDown() override
    {
        if (module_) {
            if (canUnloadNow_) {
                EXPECT_EQ(canUnloadNow_(), S_OK) << "an object, reference or lock outlives the test";
            }
            FreeLibrary(module_);
        }
        for (HANDLE printer : printers_) ClosePrinter(printer);
        if (comReady_) CoUninitialize();
    }

    IClassFactory* Factory()
    {
        void* factory = nullptr;
        EXPECT_EQ(getClassObject_(CLSID_PrintTicketProvider, IID_IClassFactory, &factory), S_OK);
        return static_cast<IClassFactory*>(factory);
    }

    // A new provider object, the factory released again.
    IPrintTicketProvider* NewProvider()
    {
        IClassFactory* factory = Factory();
        if (!factory) return nullptr;
        void* object = nullptr;
        EXPECT_EQ(factory->CreateInstance(nullptr, IID_IPrintTicketProvider, &object), S_OK);
        factory->Release();
        return static_cast<IPrintTicketProvider*>(object);
    }

    // A printer of model named after the test (and suffix), opened with every right, its device
    // options stored as the printer data values given. The driver is installed only when the
    // model's printer driver is missing, so that the records of a driver in use stay as they are.
    HANDLE Printer(const wchar_t* model, DWORD deviceOption, DWORD sourceOption, const std::wstring& suffix = L"")
    {
        std::wstring name = L"PT " + TestName() + suffix, error;
        if (name.size() > 200) name.resize(200);
        if (!HostAddPrinter(name, model, &error)) {
            HostInstall installed;
            if (!HostInstallDriver(StagedDriverFolder(), DRV_MODULE_NAMEW, &installed, &error) ||
                !HostAddPrinter(name, model, &error)) {
                ADD_FAILURE() << std::string(error.begin(), error.end());
                return nullptr;
            }
        }
        PRINTER_DEFAULTSW access = {nullptr, nullptr, PRINTER_ALL_ACCESS};
        HANDLE printer = nullptr;
        if (!OpenPrinterW(name.data(), &printer, &access)) {
            ADD_FAILURE() << "OpenPrinterW failed";
            return nullptr;
        }
        printers_.push_back(printer);
        names_.push_back(name);
        EXPECT_EQ(SetPrinterDataW(printer, const_cast<LPWSTR>(DEVOPT_VALUE_DEVICE), REG_DWORD,
                                  reinterpret_cast<BYTE*>(&deviceOption), sizeof deviceOption),
                  static_cast<DWORD>(ERROR_SUCCESS));
        EXPECT_EQ(SetPrinterDataW(printer, const_cast<LPWSTR>(DEVOPT_VALUE_SOURCE), REG_DWORD,
                                  reinterpret_cast<BYTE*>(&sourceOption), sizeof sourceOption),
                  static_cast<DWORD>(ERROR_SUCCESS));
        return printer;
    }

    // BindPrinter with version 1; checks the answer every binding gives.
    void Bind(IPrintTicketProvider* provider, HANDLE printer)
    {
        SHIMOPTS options = PTSHIM_NOSNAPSHOT;
        INT count = -1;
        BSTR* names = static_cast<BSTR*>(kUntouched);
        ASSERT_EQ(provider->BindPrinter(printer, 1, &options, nullptr, &count, &names), S_OK);
        EXPECT_EQ(options, PTSHIM_DEFAULT);
        ASSERT_EQ(count, 1);
        ASSERT_NE(names, nullptr);
        EXPECT_EQ(FromBstr(names[0]), PtPrivateNamespace());
        SysFreeString(names[0]);
        CoTaskMemFree(names);
    }

    IXMLDOMDocument2* NewDocument()
    {
        void* document = nullptr;
        EXPECT_EQ(CoCreateInstance(CLSID_DOMDocument60, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument2, &document),
                  S_OK);
        return static_cast<IXMLDOMDocument2*>(document);
    }

    HMODULE module_ = nullptr;
    GetClassObjectFn getClassObject_ = nullptr;
    CanUnloadNowFn canUnloadNow_ = nullptr;
    std::vector<HANDLE> printers_;
    std::vector<std::wstring> names_;

private:
    bool comReady_ = false;
};
