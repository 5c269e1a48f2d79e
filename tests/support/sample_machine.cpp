#include "sample_machine.h"

#include "datafiles.h"
#include "modeltable.h"

SampleMachine::SampleMachine() : appDataFake_(appData_.path().substr(0, appData_.path().size() - 1))
{
    DrvFreeModelTable();
    wchar_t folder[MAX_PATH];
    if (!driver_.copySample() || !appDataFake_.active() || !DrvGetCommonDataFolder(folder)) return;
    dataFolder_ = folder;
    CreateDirectoryW((appData_.path() + L"Velmora").c_str(), nullptr);
    CreateDirectoryW((appData_.path() + L"Velmora\\Drv").c_str(), nullptr);
    ok_ = CreateDirectoryW(dataFolder_.c_str(), nullptr) != FALSE;
}

SampleMachine::~SampleMachine()
{
    DrvFreeModelTable();
}
