// An in-process provider bound as BindPrinter leaves it for a printer of the first sample model:
// the model found, its default record as the printer's, a duplex unit installed; COM started for
// the MSXML documents the tests load.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "devmode.h"
#include "modelrecord.h"
#include "pt_keywords.h"
#include "pt_provider.h"
#include "sample_machine.h"

class BoundProviderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(machine.ok());
        ASSERT_TRUE(machine.loadSampleModels());
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        com = true;
        PtInitKeywordTable();
        const MODELINFO* info = SampleModelInfo(kSampleModels[0]);
        ASSERT_NE(info, nullptr);
        // A copy, so that a test may change the model without touching the shared table.
        model = std::make_unique<MODELINFO>(*info);
        provider.pModelInfo = model.get();
        ASSERT_TRUE(DrvDefaultDevmode(&provider.dmBound, model.get(), L"Printer", kSampleModels[0]));
        SetInstalledOptions(DEVOPT_DUPLEX, 0);
        provider.bBound = TRUE;
    }
    void TearDown() override
    {
        if (com) CoUninitialize();
    }

    // The printer's installed options, in the provider and in its record alike.
    void SetInstalledOptions(WORD deviceOption, WORD sourceOption)
    {
        provider.wDeviceOption = deviceOption;
        provider.wSourceOption = sourceOption;
        provider.dmBound.dmPrivate.wDeviceOption = deviceOption;
        provider.dmBound.dmPrivate.wSourceOption = sourceOption;
    }

    SampleMachine machine;
    std::unique_ptr<MODELINFO> model;
    PTPROVIDER provider{};
    bool com = false;
};
