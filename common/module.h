// Names that follow from the module code (VRDA or VRDB), given at build time as DRV_MODULE_CODE.
#pragma once

#ifndef DRV_MODULE_CODE
#error "DRV_MODULE_CODE (VRDA or VRDB) must be defined by the build"
#endif

#define DRV_STR2_(x) #x
#define DRV_STR_(x) DRV_STR2_(x)
#define DRV_WIDE2_(x) L##x
#define DRV_WIDE_(x) DRV_WIDE2_(x)

// "VRDA" as narrow and wide text.
#define DRV_MODULE_NAMEA DRV_STR_(DRV_MODULE_CODE)
#define DRV_MODULE_NAMEW DRV_WIDE_(DRV_MODULE_NAMEA)

// The master data file in the driver folder.
#define DRV_MASTER_DATA_FILE DRV_MODULE_NAMEW L".DAT"
// The machine-wide and per-user data folders, below the application-data folders.
#define DRV_DATA_SUBFOLDER L"\\Velmora\\Drv\\" DRV_MODULE_NAMEW
// The settings INI in the machine-wide data folder.
#define DRV_SETTINGS_INI DRV_MODULE_NAMEW L".INI"
// File names of the two libraries, and the event-log sources named after them.
#define DRV_UI_LIBRARY DRV_MODULE_NAMEW L"_UI.DLL"
#define DRV_UM_LIBRARY DRV_MODULE_NAMEW L"_UM.DLL"
#define DRV_UI_EVENT_SOURCE DRV_MODULE_NAMEW L"_UI"
#define DRV_UM_EVENT_SOURCE DRV_MODULE_NAMEW L"_UM"
