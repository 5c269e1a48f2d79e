#include "device_options.h"

#ifndef DRV_BUILD_UM

#include <winspool.h>

#include "settings_import.h"
#include "settings_ini.h"
#include "textutil.h"

namespace {

// Characters of a settings-INI entry read back (the entries written are at most five digits).
constexpr DWORD kIniValueCch = 512;
// The largest value a settings-INI entry may hold: the fields kept there are words and bytes.
constexpr DWORD kIniValueMax = 0xFFFF;

// Output bins that exist only with a finisher, and the one that replaces them without it.
constexpr WORD kFinisherBin1 = 17;
constexpr WORD kFinisherBin2 = 18;
constexpr WORD kStandardBin = 1;

bool KeepsOptionsInSettingsIni()
{
    return LOBYTE(LOWORD(DrvGetWindowsVersion())) >= 6;
}

void WritePrinterDword(HANDLE printer, LPCWSTR name, DWORD value)
{
    SetPrinterDataW(printer, const_cast<LPWSTR>(name), REG_DWORD, reinterpret_cast<BYTE*>(&value), sizeof value);
}

// A printer data value that is a 4-byte REG_DWORD; anything else (missing, another type, another
// size) is reported as missing.
bool ReadPrinterDword(HANDLE printer, LPCWSTR name, DWORD* out)
{
    DWORD type = REG_NONE, needed = 0, value = 0;
    const DWORD result = GetPrinterDataW(printer, const_cast<LPWSTR>(name), &type, reinterpret_cast<BYTE*>(&value),
                                         sizeof value, &needed);
    if (result != ERROR_SUCCESS || type != REG_DWORD || needed != sizeof value) return false;
    *out = value;
    return true;
}

// The printer's settings-INI section, made from pPrinterName of its level-2 record
// (DeviceOptionSection). False (section empty) when the record cannot be read, names no printer
// or the section would not fit.
bool GetOptionSection(HANDLE printer, LPWSTR section, size_t cch)
{
    section[0] = L'\0';
    DWORD needed = 0;
    GetPrinterW(printer, 2, nullptr, 0, &needed);
    if (needed < sizeof(PRINTER_INFO_2W)) return false;
    BYTE* block = static_cast<BYTE*>(LocalAlloc(LPTR, needed));
    if (!block) return false;
    bool ok = false;
    if (GetPrinterW(printer, 2, block, needed, &needed)) {
        const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(block);
        ok = DeviceOptionSection(info->pPrinterName, section, cch);
    }
    LocalFree(block);
    return ok;
}

void WriteIniNumber(ProfileEdit& edit, LPCWSTR section, LPCWSTR key, DWORD value)
{
    WCHAR text[16];
    wsprintfW(text, L"%d", static_cast<int>(value));
    edit.SetValue(section, key, text);
}

// A settings-INI entry holding a decimal number 0..kIniValueMax. A missing or empty entry, and
// one holding anything else (a sign, other characters, a larger number), is absent.
bool ReadIniNumber(LPCWSTR section, LPCWSTR key, LPCWSTR ini, DWORD* out)
{
    WCHAR text[kIniValueCch];
    GetPrivateProfileStringW(section, key, L"", text, kIniValueCch, ini);
    DWORD value = 0;
    size_t i = 0;
    for (; text[i] >= L'0' && text[i] <= L'9'; ++i) {
        value = value * 10 + static_cast<DWORD>(text[i] - L'0');
        if (value > kIniValueMax) return false;
    }
    if (i == 0 || text[i] != L'\0') return false;
    *out = value;
    return true;
}

// One of the three options that the settings INI keeps: its entry in the printer's section when
// there is one (section not NULL), else the printer data value.
bool LookUpOption(HANDLE printer, LPCWSTR section, LPCWSTR ini, LPCWSTR name, DWORD* out)
{
    if (section && ReadIniNumber(section, name, ini, out)) return true;
    return ReadPrinterDword(printer, name, out);
}

// The device options and what they rule out: without a finisher its output bins, stapling and
// punching; without a duplex unit two-sided printing and booklets.
void ApplyDeviceOption(DRVDEVMODE* dm, DWORD value)
{
    DEVMODEW& pub = dm->dmPublic;
    DRVEXTRA& ext = dm->dmPrivate;
    ext.wDeviceOption = static_cast<WORD>(value & 0xF);
    if (ext.wDeviceOption & DEVOPT_DUPLEX)
        pub.dmFields |= DM_DUPLEX;
    else
        pub.dmFields &= ~static_cast<DWORD>(DM_DUPLEX);

    if (!(ext.wDeviceOption & DEVOPT_FINISHER)) {
        if (ext.wOutputBin == kFinisherBin1 || ext.wOutputBin == kFinisherBin2) ext.wOutputBin = kStandardBin;
        ext.dwFinishing = 0;
        ext.bStaplePos = 0;
        ext.bStaple = 0;
        ext.bPunch = 0;
    }
    if (!(ext.wDeviceOption & DEVOPT_DUPLEX)) {
        pub.dmDuplex = DMDUP_SIMPLEX;
        if (ext.dwFinishingMode == FINISHINGMODE_BOOKLET) ext.dwFinishingMode = FINISHINGMODE_NORMAL;
    }
}

}  // namespace

void SaveDeviceOptions(HANDLE printer, const DRVDEVMODE* dm)
{
    if (!dm) return;
    const DRVEXTRA& ext = dm->dmPrivate;
    WritePrinterDword(printer, DEVOPT_VALUE_DEVICE, ext.wDeviceOption);
    WritePrinterDword(printer, DEVOPT_VALUE_SOURCE, ext.wSourceOption);
    WritePrinterDword(printer, DEVOPT_VALUE_PUNCHUNIT, ext.bPunchUnit);
    WritePrinterDword(printer, DEVOPT_VALUE_DOCCONTENTS, ext.wEnvDocContents);
    WritePrinterDword(printer, DEVOPT_VALUE_WARNING, ext.wEnvWarning);
    WritePrinterDword(printer, DEVOPT_VALUE_ACCESS, ext.wPrinterAccess);

    if (!KeepsOptionsInSettingsIni()) return;
    const LPCWSTR ini = DrvGetSettingsIniPath();
    if (!ini || !ini[0]) return;
    WCHAR section[DEVOPT_SECTION_CCH];
    if (!GetOptionSection(printer, section, DEVOPT_SECTION_CCH)) return;
    ProfileEdit edit(ini, ProfileEncoding::Unicode);
    WriteIniNumber(edit, section, DEVOPT_VALUE_SOURCE, ext.wSourceOption);
    WriteIniNumber(edit, section, DEVOPT_VALUE_DEVICE, ext.wDeviceOption);
    WriteIniNumber(edit, section, DEVOPT_VALUE_PUNCHUNIT, ext.bPunchUnit);
}

BOOL DeviceOptionSection(LPCWSTR printerName, LPWSTR section, size_t cch)
{
    return SettingsSectionName(printerName, DEVOPT_SECTION_SUFFIX, section, cch);
}

void LoadDeviceOptions(HANDLE printer, DRVDEVMODE* dm)
{
    if (!dm) return;
    WCHAR section[DEVOPT_SECTION_CCH] = L"";
    const LPCWSTR ini = DrvGetSettingsIniPath();
    const bool useIni = KeepsOptionsInSettingsIni() && ini && ini[0] &&
                        GetOptionSection(printer, section, DEVOPT_SECTION_CCH);
    const LPCWSTR iniSection = useIni ? section : nullptr;
    // The entries are read as the last writer left them.
    const FileLock iniLock(useIni ? ini : nullptr);
    DRVEXTRA& ext = dm->dmPrivate;

    DWORD value = 0;
    if (!LookUpOption(printer, iniSection, ini, DEVOPT_VALUE_DEVICE, &value)) {
        SaveDeviceOptions(printer, dm);
        return;
    }
    ApplyDeviceOption(dm, value);

    if (!LookUpOption(printer, iniSection, ini, DEVOPT_VALUE_SOURCE, &value)) {
        SaveDeviceOptions(printer, dm);
        return;
    }
    ext.wSourceOption = static_cast<WORD>(value);

    if (!LookUpOption(printer, iniSection, ini, DEVOPT_VALUE_PUNCHUNIT, &value)) {
        SaveDeviceOptions(printer, dm);
        return;
    }
    ext.bPunchUnit = static_cast<BYTE>(value & 0xFF);
    if (ext.bPunchUnit == 0) {
        ext.dwFinishing &= 0xFFFF;
        ext.bPunch = 0;
    }

    DWORD docContents = 0, warning = 0, access = 0;
    if (!ReadPrinterDword(printer, DEVOPT_VALUE_DOCCONTENTS, &docContents) ||
        !ReadPrinterDword(printer, DEVOPT_VALUE_WARNING, &warning) ||
        !ReadPrinterDword(printer, DEVOPT_VALUE_ACCESS, &access)) {
        SaveDeviceOptions(printer, dm);
        return;
    }
    ext.wEnvDocContents = static_cast<WORD>(docContents);
    ext.wEnvWarning = static_cast<WORD>(warning);
    ext.wPrinterAccess = static_cast<WORD>(access);
}

#endif  // DRV_BUILD_UM
