// drvprint: the command-line front of the print host.
//
//   drvprint install [--code VRDA|VRDB] [--from FOLDER]
//       Installs the driver's files from FOLDER (default: the build's driver folder beside this
//       program) into the spooler's driver folder, registers a printer driver for every model of
//       the master data file, and reports the models and their data files.
//
//   drvprint print --printer NAME [--model MODEL] [--code VRDA|VRDB] [--from FOLDER] [--pages N]
//                  [--doc NAME] [--set FIELD=VALUE ...] --out FILE
//       Prints a job of N blank pages (1 to 9999, default 1) named NAME on the printer into FILE,
//       as the print system runs a job straight to the driver. With --model the printer is added first
//       for that model's driver (installed first from FOLDER when it is not). --set changes the
//       printer's default settings for the job: paper, orientation, copies, duplex, color, nup,
//       source, media (see Usage). Reports the size of the job's file.
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <initializer_list>
#include <string>
#include <vector>

#include "devmode.h"
#include "document_property_header.h"
#include "install.h"
#include "job_road.h"
#include "printers.h"

namespace {

constexpr wchar_t kUsage[] =
    L"usage: drvprint install [--code VRDA|VRDB] [--from FOLDER]\n"
    L"       drvprint print --printer NAME [--model MODEL] [--code VRDA|VRDB] [--from FOLDER]\n"
    L"                      [--pages 1..9999] [--doc NAME] [--set FIELD=VALUE ...] --out FILE\n"
    L"settings (--set):\n"
    L"  paper=NUMBER|A3|A4|A5|B4|B5|letter|legal     dmPaperSize\n"
    L"  orientation=portrait|landscape\n"
    L"  copies=1..9999\n"
    L"  duplex=simplex|long|short\n"
    L"  color=color|mono                              colour or grey output\n"
    L"  nup=1|2|4|6|8|9|16                            pages per sheet\n"
    L"  source=NUMBER                                 dmDefaultSource\n"
    L"  media=NUMBER                                  paper type\n";

int Usage()
{
    fwprintf(stderr, L"%ls", kUsage);
    return 2;
}

int Failed(const std::wstring& text)
{
    fwprintf(stderr, L"drvprint: %ls\n", text.c_str());
    return 1;
}

std::wstring ProgramFolder()
{
    wchar_t path[MAX_PATH * 2];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    std::wstring s(path, n);
    return s.substr(0, s.find_last_of(L'\\') + 1);
}

const wchar_t* Presence(const std::wstring& folder, const std::wstring& file)
{
    if (file.empty()) return L"(not named)";
    return GetFileAttributesW((folder + file).c_str()) == INVALID_FILE_ATTRIBUTES ? L"(missing)" : L"(present)";
}

bool InstallQuietly(const std::wstring& code, std::wstring from, HostInstall* installed, std::wstring* error)
{
    if (from.empty()) from = ProgramFolder() + L"..\\driver\\";
    if (from.back() != L'\\') from.push_back(L'\\');
    return HostInstallDriver(from, code, installed, error);
}

int Install(const std::wstring& code, const std::wstring& from)
{
    HostInstall installed;
    std::wstring error;
    if (!InstallQuietly(code, from, &installed, &error)) return Failed(error);
    wprintf(L"Installed the %ls driver into %ls\n", code.c_str(), installed.driverFolder.c_str());
    wprintf(L"Models of %ls.DAT:\n", code.c_str());
    for (const HostModel& m : installed.models) {
        wprintf(L"  %ls\n", m.name.c_str());
        wprintf(L"    DefaultFile %ls %ls\n", m.defaultFile.c_str(), Presence(installed.driverFolder, m.defaultFile));
        wprintf(L"    CustomFile  %ls %ls\n", m.customFile.c_str(), Presence(installed.driverFolder, m.customFile));
    }
    return 0;
}

// ---- Settings ----------------------------------------------------------------------------------

struct Name {
    const wchar_t* text;
    long value;
};

// A whole decimal number in [low, high], or one of the names.
bool ParseValue(const std::wstring& text, long low, long high, std::initializer_list<Name> names, long* out)
{
    for (const Name& n : names)
        if (lstrcmpiW(text.c_str(), n.text) == 0) {
            *out = n.value;
            return true;
        }
    if (text.empty() || text.size() > 9) return false;
    long value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return false;
        value = value * 10 + (c - L'0');
    }
    if (value < low || value > high) return false;
    *out = value;
    return true;
}

// One --set: the field's name and its value, checked.
struct Setting {
    std::wstring field;
    long value;
};

// The pages a sheet of the N-up choices, in the order of dwMultipage, with their columns and rows.
constexpr struct {
    long pages;
    DWORD columns, rows;
} kNup[] = {{1, 1, 1}, {2, 1, 2}, {4, 2, 2}, {6, 2, 3}, {8, 2, 4}, {9, 3, 3}, {16, 4, 4}};

// Reads FIELD=VALUE. false with the reason for an unknown field or a value out of range.
bool ParseSetting(const std::wstring& text, Setting* out, std::wstring* error)
{
    const size_t eq = text.find(L'=');
    if (eq == std::wstring::npos) {
        *error = L"--set takes FIELD=VALUE, not \"" + text + L"\"";
        return false;
    }
    out->field = text.substr(0, eq);
    const std::wstring value = text.substr(eq + 1);
    const std::wstring& f = out->field;
    bool ok = false;
    if (f == L"paper")
        ok = ParseValue(value, 1, 0x7FFF,
                        {{L"A3", DMPAPER_A3}, {L"A4", DMPAPER_A4}, {L"A5", DMPAPER_A5}, {L"B4", DMPAPER_B4},
                         {L"B5", DMPAPER_B5}, {L"letter", DMPAPER_LETTER}, {L"legal", DMPAPER_LEGAL}},
                        &out->value);
    else if (f == L"orientation")
        ok = ParseValue(value, DMORIENT_PORTRAIT, DMORIENT_LANDSCAPE,
                        {{L"portrait", DMORIENT_PORTRAIT}, {L"landscape", DMORIENT_LANDSCAPE}}, &out->value);
    else if (f == L"copies")
        ok = ParseValue(value, 1, 9999, {}, &out->value);
    else if (f == L"duplex")
        ok = ParseValue(value, DMDUP_SIMPLEX, DMDUP_HORIZONTAL,
                        {{L"simplex", DMDUP_SIMPLEX}, {L"long", DMDUP_VERTICAL}, {L"short", DMDUP_HORIZONTAL}},
                        &out->value);
    else if (f == L"color")
        ok = ParseValue(value, 0, 1, {{L"color", 1}, {L"colour", 1}, {L"mono", 0}, {L"grey", 0}, {L"gray", 0}},
                        &out->value);
    else if (f == L"nup") {
        ok = ParseValue(value, 1, 16, {}, &out->value);
        bool listed = false;
        for (const auto& n : kNup) listed = listed || n.pages == out->value;
        ok = ok && listed;
    } else if (f == L"source")
        ok = ParseValue(value, 1, 0x7FFF, {{L"auto", DMBIN_AUTO}}, &out->value);
    else if (f == L"media")
        ok = ParseValue(value, 0, 0xFF, {}, &out->value);
    else {
        *error = L"unknown setting \"" + f + L"\" (known: paper, orientation, copies, duplex, color, nup, source, media)";
        return false;
    }
    if (!ok) *error = L"unusable value \"" + value + L"\" for " + f;
    return ok;
}

void Apply(const Setting& s, DRVDEVMODE* dm)
{
    DEVMODEW& pub = dm->dmPublic;
    DRVEXTRA& x = dm->dmPrivate;
    const short v = static_cast<short>(s.value);
    if (s.field == L"paper") {
        pub.dmPaperSize = v;
        pub.dmFields = (pub.dmFields | DM_PAPERSIZE) & ~static_cast<DWORD>(DM_PAPERLENGTH | DM_PAPERWIDTH);
    } else if (s.field == L"orientation") {
        pub.dmOrientation = v;
        pub.dmFields |= DM_ORIENTATION;
    } else if (s.field == L"copies") {
        pub.dmCopies = v;
        pub.dmFields |= DM_COPIES;
    } else if (s.field == L"duplex") {
        pub.dmDuplex = v;
        pub.dmFields |= DM_DUPLEX;
    } else if (s.field == L"color") {
        // The colour switch of the private part follows dmColor when the settings are merged.
        x.wColor = static_cast<WORD>(s.value);
        pub.dmColor = static_cast<short>(s.value ? DMCOLOR_COLOR : DMCOLOR_MONOCHROME);
        pub.dmFields |= DM_COLOR;
    } else if (s.field == L"nup") {
        for (DWORD i = 0; i < sizeof kNup / sizeof kNup[0]; ++i)
            if (kNup[i].pages == s.value) {
                x.dwMultipage = i;
                x.dwNupPages = static_cast<DWORD>(kNup[i].pages);
                x.dwNupX = kNup[i].columns;
                x.dwNupY = kNup[i].rows;
            }
    } else if (s.field == L"source") {
        pub.dmDefaultSource = v;
        pub.dmFields |= DM_DEFAULTSOURCE;
    } else if (s.field == L"media") {
        x.wMediaType = static_cast<WORD>(s.value);
    }
}

// ---- Printing ----------------------------------------------------------------------------------

using DocumentPropertySheetsFn = LONG(WINAPI*)(void* sheet, LPARAM request);

// The printer's default settings as its user-interface library gives them without a sheet (as
// the spooler asks it for a DEVMODE). Empty on failure, with the reason.
std::vector<BYTE> PrinterDefaults(const std::wstring& printerName, std::wstring* error)
{
    std::wstring name = printerName;
    HANDLE printer = nullptr;
    if (!OpenPrinterW(name.data(), &printer, nullptr)) {
        *error = L"cannot open the printer \"" + printerName + L"\"";
        return {};
    }
    std::vector<BYTE> devmode;
    DWORD needed = 0;
    GetPrinterDriverW(printer, nullptr, 2, nullptr, 0, &needed);
    std::vector<BYTE> record(needed ? needed : 1);
    HMODULE ui = nullptr;
    if (needed && GetPrinterDriverW(printer, nullptr, 2, record.data(), needed, &needed)) {
        const auto* info = reinterpret_cast<const DRIVER_INFO_2W*>(record.data());
        if (info->pConfigFile) ui = LoadLibraryExW(info->pConfigFile, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    }
    auto sheets = ui ? reinterpret_cast<DocumentPropertySheetsFn>(
                           reinterpret_cast<void (*)()>(GetProcAddress(ui, "DrvDocumentPropertySheets")))
                     : nullptr;
    if (!sheets) {
        *error = L"the printer's user-interface library offers no DrvDocumentPropertySheets";
    } else {
        DOCUMENTPROPERTYHEADER request = {sizeof request, 0, printer, name.data(), nullptr, nullptr, 0, 0};
        const LONG size = sheets(nullptr, reinterpret_cast<LPARAM>(&request));
        if (size > 0) {
            devmode.assign(static_cast<size_t>(size), 0);
            request.pdmOut = reinterpret_cast<DEVMODEW*>(devmode.data());
            request.cbOut = static_cast<DWORD>(size);
            request.fMode = DM_OUT_BUFFER;
            if (sheets(nullptr, reinterpret_cast<LPARAM>(&request)) <= 0) devmode.clear();
        }
        if (devmode.empty()) *error = L"the printer's user-interface library gave no settings";
    }
    if (ui) FreeLibrary(ui);
    ClosePrinter(printer);
    return devmode;
}

bool DriverInstalled(const std::wstring& driverName)
{
    DWORD needed = 0, count = 0;
    EnumPrinterDriversW(nullptr, nullptr, 1, nullptr, 0, &needed, &count);
    if (needed == 0) return false;
    std::vector<BYTE> buffer(needed);
    if (!EnumPrinterDriversW(nullptr, nullptr, 1, buffer.data(), needed, &needed, &count)) return false;
    const auto* info = reinterpret_cast<const DRIVER_INFO_1W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i)
        if (info[i].pName && lstrcmpiW(info[i].pName, driverName.c_str()) == 0) return true;
    return false;
}

struct PrintRequest {
    std::wstring printer, model, code, from, doc = L"drvprint document", out;
    int pages = 1;
    std::vector<Setting> settings;
};

int Print(const PrintRequest& r)
{
    std::wstring error;
    if (!r.model.empty()) {
        if (!DriverInstalled(r.model)) {
            HostInstall installed;
            if (!InstallQuietly(r.code, r.from, &installed, &error)) return Failed(error);
            wprintf(L"Installed the %ls driver into %ls\n", r.code.c_str(), installed.driverFolder.c_str());
        }
        if (!HostAddPrinter(r.printer, r.model, &error)) return Failed(error);
    }

    std::vector<BYTE> devmode;
    if (!r.settings.empty()) {
        devmode = PrinterDefaults(r.printer, &error);
        if (devmode.empty()) return Failed(error);
        if (devmode.size() != sizeof(DRVDEVMODE))
            return Failed(L"the printer's settings are not this driver's (" + std::to_wstring(devmode.size()) +
                          L" bytes)");
        auto* dm = reinterpret_cast<DRVDEVMODE*>(devmode.data());
        for (const Setting& s : r.settings) Apply(s, dm);
    }

    wchar_t full[MAX_PATH * 2];
    const DWORD n = GetFullPathNameW(r.out.c_str(), MAX_PATH * 2, full, nullptr);
    const std::wstring out = n > 0 && n < MAX_PATH * 2 ? std::wstring(full, n) : r.out;
    const auto* dm = devmode.empty() ? nullptr : reinterpret_cast<const DEVMODEW*>(devmode.data());
    if (!HostPrintJob(r.printer, dm, r.doc, r.pages, out, nullptr, &error)) return Failed(error);

    WIN32_FILE_ATTRIBUTE_DATA attributes;
    if (!GetFileAttributesExW(out.c_str(), GetFileExInfoStandard, &attributes))
        return Failed(L"the job ended but " + out + L" is not there");
    const ULONGLONG size = (static_cast<ULONGLONG>(attributes.nFileSizeHigh) << 32) | attributes.nFileSizeLow;
    wprintf(L"Wrote %llu bytes to %ls\n", size, out.c_str());
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) return Usage();
    const std::wstring command = argv[1];
    PrintRequest r;
    r.code = L"VRDA";
    for (int i = 2; i < argc; ++i) {
        const std::wstring arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == L"--code" && hasValue) r.code = argv[++i];
        else if (arg == L"--from" && hasValue) r.from = argv[++i];
        else if (command == L"print" && arg == L"--printer" && hasValue) r.printer = argv[++i];
        else if (command == L"print" && arg == L"--model" && hasValue) r.model = argv[++i];
        else if (command == L"print" && arg == L"--doc" && hasValue) r.doc = argv[++i];
        else if (command == L"print" && arg == L"--out" && hasValue) r.out = argv[++i];
        else if (command == L"print" && arg == L"--pages" && hasValue) {
            long pages = 0;
            // A job has at least one page: without one there would be nothing to print.
            if (!ParseValue(argv[++i], 1, 9999, {}, &pages)) return Usage();
            r.pages = static_cast<int>(pages);
        } else if (command == L"print" && arg == L"--set" && hasValue) {
            Setting s;
            std::wstring error;
            if (!ParseSetting(argv[++i], &s, &error)) {
                fwprintf(stderr, L"drvprint: %ls\n", error.c_str());
                return 2;
            }
            r.settings.push_back(s);
        } else {
            return Usage();
        }
    }
    if (r.code != L"VRDA" && r.code != L"VRDB") return Usage();
    if (command == L"install") return Install(r.code, r.from);
    if (command == L"print") {
        if (r.printer.empty() || r.out.empty()) return Usage();
        return Print(r);
    }
    return Usage();
}
