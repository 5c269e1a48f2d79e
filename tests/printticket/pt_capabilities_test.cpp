// The PrintCapabilities document of every sample model: its namespaces, every public name in its
// right kind and place, every parameter default inside its own range, the options offered as the
// model and its installed options give them, the imageable area from the bound DEVMODE or a base
// ticket, and the display names from the string libraries of both languages.
#include <gtest/gtest.h>

#include <objbase.h>
#include <winspool.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "datafiles.h"
#include "devmode.h"
#include "drvglobals.h"
#include "fake_printer_data.h"
#include "import_patch.h"
#include "lang_fakes.h"
#include "langres.h"
#include "model_queries.h"
#include "modelrecord.h"
#include "module.h"
#include "msxml6_ids.h"
#include "pt_base64.h"
#include "pt_capabilities.h"
#include "pt_keywords.h"
#include "pt_provider.h"
#include "pt_xml.h"
#include "sample_machine.h"
#include "test_files.h"
#include "xml_tree.h"

namespace {

HANDLE const kPrinter = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0x7E57));
const wchar_t kPrinterName[] = L"Capabilities Printer";

// The printer record the fake spooler answers with: the driver named by the model, the DEVMODE
// given.
struct FakePrinter {
    std::wstring driver;
    const DEVMODEW* devmode = nullptr;
};
FakePrinter* g_printer = nullptr;

BOOL WINAPI FakeGetPrinter(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed)
{
    if (printer != kPrinter || level != 2 || !g_printer) {
        if (needed) *needed = 0;
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const DWORD nameBytes = static_cast<DWORD>((wcslen(kPrinterName) + 1) * sizeof(WCHAR));
    const DWORD driverBytes = static_cast<DWORD>((g_printer->driver.size() + 1) * sizeof(WCHAR));
    const DWORD dmBytes = g_printer->devmode ? g_printer->devmode->dmSize + g_printer->devmode->dmDriverExtra : 0;
    *needed = sizeof(PRINTER_INFO_2W) + nameBytes + driverBytes + dmBytes + 8;
    if (!buffer || size < *needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    PRINTER_INFO_2W info = {};
    BYTE* at = buffer + sizeof info;
    if (dmBytes) {
        info.pDevMode = reinterpret_cast<DEVMODEW*>(at);
        std::memcpy(at, g_printer->devmode, dmBytes);
        at += (dmBytes + 7) & ~7u;
    }
    info.pPrinterName = reinterpret_cast<LPWSTR>(at);
    std::memcpy(at, kPrinterName, nameBytes);
    at += nameBytes;
    info.pDriverName = reinterpret_cast<LPWSTR>(at);
    std::memcpy(at, g_printer->driver.c_str(), driverBytes);
    std::memcpy(buffer, &info, sizeof info);
    return TRUE;
}

// ---- The document's options and names ---------------------------------------------------------

std::wstring DisplayName(const XNode& node)
{
    const XNode* v = node.ValueOf(L"Property", L"DisplayName");
    return v ? v->text : L"";
}

std::set<std::wstring> OptionNames(const XNode& root, const wchar_t* feature)
{
    std::set<std::wstring> names;
    if (const XNode* f = root.Child(L"Feature", feature))
        for (const XNode* o : f->All(L"Option")) names.insert(o->name.local);
    return names;
}

// ---- Fixture ----------------------------------------------------------------------------------

class Capabilities : public ::testing::Test {
protected:
    Capabilities() : getPrinter_(SelfModule(), "winspool.drv", "GetPrinterW", reinterpret_cast<const void*>(&FakeGetPrinter))
    {
        g_printer = &printer_;
    }
    ~Capabilities() override { g_printer = nullptr; }

    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        com_ = true;
        ASSERT_TRUE(getPrinter_.active() && data_.active());
        ASSERT_TRUE(machine_.ok());
        ASSERT_TRUE(machine_.loadSampleModels());
        PtInitKeywordTable();
    }
    void TearDown() override
    {
        if (com_) CoUninitialize();
    }

    // A provider bound to a printer of model: its model information (a copy the test may
    // change), the installed options and the model's default DEVMODE.
    void Bind(const wchar_t* model, WORD deviceOption, WORD sourceOption)
    {
        MODELINFO* info = SampleModelInfo(model);
        ASSERT_NE(info, nullptr);
        model_ = *info;
        provider_.reset(new PTPROVIDER());
        PtProvider_Init(provider_.get());
        provider_->hPrinter = kPrinter;
        provider_->pModelInfo = &model_;
        provider_->wDeviceOption = deviceOption;
        provider_->wSourceOption = sourceOption;
        ASSERT_TRUE(DrvDefaultDevmode(&provider_->dmBound, &model_, kPrinterName, model));
        provider_->bBound = TRUE;
        printer_.driver = model;
        printer_.devmode = &provider_->dmBound.dmPublic;
    }

    // The document built for the bound provider (with a base ticket when given) as a tree.
    XNode Build(IXMLDOMDocument2* ticket = nullptr)
    {
        IXMLDOMDocument2* document = nullptr;
        EXPECT_EQ(PtGetPrintCapabilities(provider_.get(), ticket, &document), S_OK);
        if (!document) return {};
        XNode tree = WalkDocument(document);
        document->Release();
        return tree;
    }

    IXMLDOMDocument2* Ticket(const std::wstring& body)
    {
        IXMLDOMDocument2* document = nullptr;
        EXPECT_EQ(CoCreateInstance(CLSID_DOMDocument60, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument2,
                                   reinterpret_cast<void**>(&document)),
                  S_OK);
        const std::wstring text = std::wstring(L"<psf:PrintTicket xmlns:psf=\"") + kPsf + L"\" xmlns:psk=\"" + kPsk +
                                  L"\" xmlns:xsi=\"" + kXsi + L"\" xmlns:xsd=\"" + kXsd + L"\" version=\"1\">" + body +
                                  L"</psf:PrintTicket>";
        BSTR b = SysAllocString(text.c_str());
        VARIANT_BOOL ok = VARIANT_FALSE;
        EXPECT_EQ(document->loadXML(b, &ok), S_OK);
        SysFreeString(b);
        return document;
    }

    SampleMachine machine_;
    FakePrinter printer_;
    MODELINFO model_{};
    std::unique_ptr<PTPROVIDER> provider_;

private:
    ImportPatch getPrinter_;
    FakePrinterData data_;
    bool com_ = false;
};

// The names the model's lists give, as the features should offer them.
std::set<std::wstring> ExpectedPapers(const MODELINFO& m)
{
    std::set<std::wstring> names;
    for (int i = 0; i < m.nPapers; ++i) {
        if ((m.wFinisherType & FINISHERTYPE_INSTALLED) && !(DrvGetPaperSourceMask(&m, i) & 0xE000)) continue;
        const WORD id = DrvGetPaperId(&m, i);
        if (id == 264) continue;
        if (const PTOPTIONDEF* row = PtMediaSizeRowOfPaper(id)) names.insert(PtKeyword(row->nKeyword));
    }
    return names;
}

std::set<std::wstring> ExpectedBins(const MODELINFO& m, WORD sourceOption)
{
    std::set<std::wstring> names;
    const int trays = sourceOption & 0xFF;
    for (int i = 0; i < m.nSources; ++i) {
        const WORD id = DrvGetSourceOrMediaId(&m, i);
        if (id == 258 && !(sourceOption & 0x100)) continue;
        if (id >= 259 && id <= 262 && trays < id - 258) continue;
        names.insert(PtKeyword(PtInputBinRowOfSource(id)->nKeyword));
    }
    return names;
}

std::set<std::wstring> ExpectedMediaTypes(const MODELINFO& m)
{
    std::set<std::wstring> names;
    for (int i = 0; i < m.nPaperTypes; ++i) names.insert(PtKeyword(PtMediaTypeRowOfId(DrvGetPaperTypeId(&m, i))->nKeyword));
    return names;
}

std::set<std::wstring> ExpectedResolutions(const MODELINFO& m)
{
    std::set<std::wstring> names;
    for (int slot = 0; slot < 4 && static_cast<SHORT>(m.QualityType[slot]) >= 0; ++slot) {
        const int row = slot == 0 && m.QualityType[0] == 1 && m.QualityType[2] == 1 ? 3 : m.QualityType[slot];
        if (const PTOPTIONDEF* def = PtResolutionRow(row)) names.insert(PtKeyword(def->nKeyword));
    }
    return names;
}

// The pattern of the string library that the master data file names for the model, in the driver
// folder ("%s" for the language); empty when it names none.
std::wstring StringLibraryPattern(const wchar_t* model)
{
    WCHAR name[256] = L"";
    if (!DrvGetDataFileKey(DFKEY_STRING_RES_DLL, g_hInst, model, name, 256)) return L"";
    WCHAR path[MAX_PATH] = L"";
    GetModuleFileNameW(g_hInst, path, MAX_PATH);
    std::wstring file(path);
    return file.substr(0, file.rfind(L'\\') + 1) + name;
}

// Whether the string library that the master data file names for the model is in the driver
// folder.
bool StringLibraryPresent(const wchar_t* model)
{
    const std::wstring file = StringLibraryPattern(model);
    if (file.empty()) return false;
    HMODULE library = LoadResModule(file.c_str());
    if (library) FreeResModule(library);
    return library != nullptr;
}

TEST_F(Capabilities, EveryModelDescribesItsOwnOptions)
{
    struct Config {
        WORD device, source;
    };
    const Config configs[] = {{0, 0}, {0x8, 0x104}, {0xF, 0x1}};
    int modelsWithStrings = 0;
    for (const wchar_t* model : kSampleModels) {
        modelsWithStrings += StringLibraryPresent(model) ? 1 : 0;
        for (const Config& c : configs) {
            SCOPED_TRACE(Narrow(model) + " device " + std::to_string(c.device) + " source " + std::to_string(c.source));
            Bind(model, c.device, c.source);
            const XNode root = Build();
            ASSERT_EQ(root.elem, L"PrintCapabilities");
            EXPECT_EQ(root.ns, kPsf);
            EXPECT_EQ(root.attrs.count(L"version") ? root.attrs.at(L"version") : L"", L"1");
            CheckNames(root, PtPrivateNamespace());
            CheckParameterDefs(root);

            EXPECT_EQ(OptionNames(root, L"PageMediaSize"), ExpectedPapers(model_));
            EXPECT_FALSE(OptionNames(root, L"PageMediaSize").empty());
            EXPECT_EQ(OptionNames(root, L"JobInputBin"), ExpectedBins(model_, c.source));
            EXPECT_EQ(OptionNames(root, L"PageMediaType"), ExpectedMediaTypes(model_));
            EXPECT_EQ(OptionNames(root, L"PageResolution"), ExpectedResolutions(model_));
            const std::set<std::wstring> duplex = (c.device & 8)
                                                      ? std::set<std::wstring>{L"OneSided", L"TwoSidedLongEdge", L"TwoSidedShortEdge"}
                                                      : std::set<std::wstring>{L"OneSided"};
            EXPECT_EQ(OptionNames(root, L"JobDuplexAllDocumentsContiguously"), duplex);
            const std::set<std::wstring> colors = (model_.dwCapFlags & MIF_MONOCHROME)
                                                      ? std::set<std::wstring>{L"Grayscale"}
                                                      : std::set<std::wstring>{L"Grayscale", L"Color"};
            EXPECT_EQ(OptionNames(root, L"PageOutputColor"), colors);
            EXPECT_EQ(root.Child(L"ParameterDef", L"PageLongEdgeFeed") != nullptr,
                      (model_.dwCapFlags & MIF_A3PRINTER) != 0);

            // Every listed paper has a size and a name.
            for (const XNode* o : root.Child(L"Feature", L"PageMediaSize")->All(L"Option")) {
                const XNode* w = o->ValueOf(L"ScoredProperty", L"MediaSizeWidth");
                const XNode* h = o->ValueOf(L"ScoredProperty", L"MediaSizeHeight");
                ASSERT_TRUE(w && h) << Narrow(o->name.local);
                EXPECT_GT(std::stol(w->text), 0) << Narrow(o->name.local);
                EXPECT_GT(std::stol(h->text), 0) << Narrow(o->name.local);
                EXPECT_FALSE(DisplayName(*o).empty()) << Narrow(o->name.local);
            }
            // The features' display names come from the model's string library, where the driver
            // folder holds it.
            if (StringLibraryPresent(model)) {
                for (const XNode* f : root.All(L"Feature")) EXPECT_FALSE(DisplayName(*f).empty()) << Narrow(f->name.local);
            }

            // The snapshot is the bound DEVMODE, whole.
            const XNode* snapshot = root.Child(L"ParameterDef", L"PageDevmodeSnapshot");
            ASSERT_NE(snapshot, nullptr);
            const std::wstring text = snapshot->ValueOf(L"Property", L"DefaultValue")->text;
            EXPECT_EQ(text.size() + 1, Base64EncodedChars(sizeof(DRVDEVMODE)));
            DWORD length = 0;
            ASSERT_EQ(Base64Decode(text.c_str(), nullptr, &length), S_OK);
            std::vector<BYTE> bytes(length);
            ASSERT_EQ(Base64Decode(text.c_str(), bytes.data(), &length), S_OK);
            ASSERT_EQ(length, sizeof(DRVDEVMODE));
            EXPECT_EQ(std::memcmp(bytes.data(), &provider_->dmBound, length), 0);
        }
    }
    EXPECT_GT(modelsWithStrings, 0);
}

// Every name the document shows is there, on every sample model and in both languages of the
// string libraries: every feature and option has a non-empty display name, and so has every
// parameter that carries one. The names come from the library of the user's language that the
// model's data names; the paper-type names of a feature differ from one another.
TEST_F(Capabilities, EveryDisplayNameIsGivenInBothLanguages)
{
    for (const auto& [language, tag] : {std::pair<LANGID, const wchar_t*>{0x0409, L"ENU"}, {0x0407, L"DEU"}}) {
        FixedUserLanguage user(language);
        ASSERT_TRUE(user.active());
        for (const wchar_t* model : kSampleModels) {
            SCOPED_TRACE(Narrow(model) + " " + Narrow(tag));
            Bind(model, DEVOPT_DUPLEX, 0x104);
            const XNode root = Build();
            ASSERT_FALSE(root.kids.empty());
            std::function<void(const XNode&)> visit = [&](const XNode& node) {
                if (node.elem == L"Feature" || node.elem == L"Option") {
                    EXPECT_FALSE(DisplayName(node).empty()) << Narrow(node.elem + L" " + node.name.local);
                }
                if (node.elem == L"Property" && node.name.local == L"DisplayName") {
                    EXPECT_TRUE(!node.kids.empty() && !node.kids[0].text.empty()) << "an empty DisplayName";
                }
                for (const XNode& kid : node.kids) visit(kid);
            };
            visit(root);

            const XNode* mediaTypes = root.Child(L"Feature", L"PageMediaType");
            ASSERT_NE(mediaTypes, nullptr);
            std::set<std::wstring> names;
            for (const XNode* o : mediaTypes->All(L"Option")) names.insert(DisplayName(*o));
            EXPECT_EQ(names.size(), mediaTypes->All(L"Option").size()) << "two paper types share a name";

            std::wstring file = StringLibraryPattern(model);
            ASSERT_NE(file.find(L"%s"), std::wstring::npos);
            file.replace(file.find(L"%s"), 2, tag);
            HMODULE library = LoadLibraryExW(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
            ASSERT_NE(library, nullptr) << Narrow(file);
            WCHAR expected[256] = L"";
            LoadStringW(library, static_cast<UINT>(g_PtMediaTypes.Feature.nDisplayId), expected, 256);
            FreeLibrary(library);
            EXPECT_EQ(DisplayName(*mediaTypes), expected);
        }
    }
}

TEST_F(Capabilities, ModelFlagsAndInstalledOptionsDecideTheOffer)
{
    struct Case {
        const char* what;
        std::function<void(MODELINFO&)> change;
        WORD source;
        const wchar_t* feature;
        std::function<std::set<std::wstring>(const MODELINFO&)> expected;
    };
    const Case cases[] = {
        {"monochrome", [](MODELINFO& m) { m.dwCapFlags |= MIF_MONOCHROME; }, 0, L"PageOutputColor",
         [](const MODELINFO&) { return std::set<std::wstring>{L"Grayscale"}; }},
        {"first resolution slot empty", [](MODELINFO& m) { m.QualityType[0] = 0xFFFF; }, 0, L"PageResolution",
         [](const MODELINFO&) { return std::set<std::wstring>{}; }},
        {"slots after an empty one", [](MODELINFO& m) { m.QualityType[0] = 2; m.QualityType[1] = 0xFFFF; m.QualityType[2] = 5; },
         0, L"PageResolution", [](const MODELINFO&) { return std::set<std::wstring>{L"X0600Y1200L2"}; }},
        {"shared first and third slot", [](MODELINFO& m) { m.QualityType[0] = 1; m.QualityType[1] = 0xFFFF; m.QualityType[2] = 1; },
         0, L"PageResolution", [](const MODELINFO&) { return std::set<std::wstring>{L"X0600Y0600L4"}; }},
        {"one optional tray", [](MODELINFO&) {}, 1, L"JobInputBin",
         [](const MODELINFO& m) { return ExpectedBins(m, 1); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bind(kSampleModels[0], 0, c.source);
        c.change(model_);
        const XNode root = Build();
        EXPECT_EQ(OptionNames(root, c.feature), c.expected(model_));
    }
    // With one optional tray the first is offered and none after it.
    Bind(kSampleModels[0], 0, 1);
    const std::set<std::wstring> bins = OptionNames(Build(), L"JobInputBin");
    bool hasFirstTray = false;
    for (int i = 0; i < model_.nSources; ++i) hasFirstTray |= DrvGetSourceOrMediaId(&model_, i) == 259;
    EXPECT_EQ(bins.count(L"User0000000259"), hasFirstTray ? 1u : 0u);
    for (const wchar_t* later : {L"User0000000260", L"User0000000261", L"User0000000262"}) EXPECT_EQ(bins.count(later), 0u);
}

TEST_F(Capabilities, ImageableAreaFollowsTheBoundPaperOrAMatchingBaseTicket)
{
    Bind(kSampleModels[0], 0, 0);
    // Two listed papers of fixed size: the first stands for the bound DEVMODE, the second for a
    // base ticket.
    struct Paper {
        WORD id;
        WORD size[2];
        std::wstring keyword;
    };
    std::vector<Paper> papers;
    for (int i = 0; i < model_.nPapers && papers.size() < 2; ++i) {
        const WORD id = DrvGetPaperId(&model_, i);
        const PTOPTIONDEF* row = PtMediaSizeRowOfPaper(id);
        Paper p{id, {}, row ? PtKeyword(row->nKeyword) : L""};
        if (row && DrvGetPaperKind(&model_, i) == 0 && DrvGetPaperSize(&model_, i, p.size) && p.size[0] != p.size[1] &&
            PtMediaSizeRowOfPaper(id) == row && id != 82)
            papers.push_back(p);
    }
    ASSERT_EQ(papers.size(), 2u);
    const Paper& bound = papers[0];
    const Paper& ticket = papers[1];

    auto ticketBody = [](const Paper& p, int width, int height, const wchar_t* orientation) {
        std::wstring body = L"<psf:Feature name=\"psk:PageMediaSize\"><psf:Option name=\"psk:" + p.keyword +
                            L"\"><psf:ScoredProperty name=\"psk:MediaSizeWidth\"><psf:Value xsi:type=\"xsd:integer\">" +
                            std::to_wstring(width) +
                            L"</psf:Value></psf:ScoredProperty><psf:ScoredProperty name=\"psk:MediaSizeHeight\">"
                            L"<psf:Value xsi:type=\"xsd:integer\">" +
                            std::to_wstring(height) + L"</psf:Value></psf:ScoredProperty></psf:Option></psf:Feature>";
        if (orientation)
            body += std::wstring(L"<psf:Feature name=\"psk:PageOrientation\"><psf:Option name=\"psk:") + orientation +
                    L"\"/></psf:Feature>";
        return body;
    };
    const int tw = ticket.size[0] * 100, th = ticket.size[1] * 100;
    struct Case {
        const char* what;
        short orientation;       // of the bound DEVMODE
        std::wstring ticket;     // empty: none
        int width, height;       // expected imageable size, microns
    };
    const Case cases[] = {
        {"bound portrait", 1, L"", bound.size[0] * 100, bound.size[1] * 100},
        {"bound landscape", 2, L"", bound.size[1] * 100, bound.size[0] * 100},
        {"matching ticket, portrait", 1, ticketBody(ticket, tw, th, L"Portrait"), tw, th},
        {"matching ticket, landscape", 1, ticketBody(ticket, tw, th, L"Landscape"), th, tw},
        {"matching ticket, no orientation", 2, ticketBody(ticket, tw, th, nullptr), tw, th},
        {"ticket of another size", 1, ticketBody(ticket, tw + 1000, th, L"Portrait"), bound.size[0] * 100, bound.size[1] * 100},
        {"ticket without a page size", 2, L"<psf:Feature name=\"psk:PageOrientation\"><psf:Option name=\"psk:Portrait\"/></psf:Feature>",
         bound.size[1] * 100, bound.size[0] * 100},
        // After a base ticket, a request without one takes the bound paper again.
        {"no ticket after one", 1, L"", bound.size[0] * 100, bound.size[1] * 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        provider_->dmBound.dmPublic.dmPaperSize = static_cast<short>(bound.id);
        provider_->dmBound.dmPublic.dmOrientation = c.orientation;
        IXMLDOMDocument2* base = c.ticket.empty() ? nullptr : Ticket(c.ticket);
        const XNode root = Build(base);
        if (base) base->Release();
        const XNode* size = root.Child(L"Property", L"PageImageableSize");
        ASSERT_NE(size, nullptr);
        const XNode* area = size->Child(L"Property", L"ImageableArea");
        ASSERT_NE(area, nullptr);
        auto value = [](const XNode* n, const wchar_t* name) {
            const XNode* v = n->ValueOf(L"Property", name);
            return v ? std::stoi(v->text) : -1;
        };
        EXPECT_EQ(value(size, L"ImageableSizeWidth"), c.width);
        EXPECT_EQ(value(size, L"ImageableSizeHeight"), c.height);
        EXPECT_EQ(value(area, L"OriginWidth"), PT_IMAGEABLE_MARGIN);
        EXPECT_EQ(value(area, L"OriginHeight"), PT_IMAGEABLE_MARGIN);
        EXPECT_EQ(value(area, L"ExtentWidth"), c.width - 2 * PT_IMAGEABLE_MARGIN);
        EXPECT_EQ(value(area, L"ExtentHeight"), c.height - 2 * PT_IMAGEABLE_MARGIN);
    }
}

TEST_F(Capabilities, AnA4PortraitPageKeepsAMarginOnEverySide)
{
    int models = 0;
    for (const wchar_t* model : kSampleModels) {
        Bind(model, 0, 0);
        if (OptionNames(Build(), L"PageMediaSize").count(L"ISOA4") == 0) continue;
        ++models;
        provider_->dmBound.dmPublic.dmPaperSize = DMPAPER_A4;
        provider_->dmBound.dmPublic.dmOrientation = 1;
        const XNode root = Build();
        const XNode* size = root.Child(L"Property", L"PageImageableSize");
        ASSERT_NE(size, nullptr);
        const XNode* area = size->Child(L"Property", L"ImageableArea");
        ASSERT_NE(area, nullptr);
        EXPECT_EQ(size->ValueOf(L"Property", L"ImageableSizeWidth")->text, L"210000");
        EXPECT_EQ(size->ValueOf(L"Property", L"ImageableSizeHeight")->text, L"297000");
        EXPECT_EQ(area->ValueOf(L"Property", L"OriginWidth")->text, L"4233");
        EXPECT_EQ(area->ValueOf(L"Property", L"OriginHeight")->text, L"4233");
        EXPECT_EQ(area->ValueOf(L"Property", L"ExtentWidth")->text, L"201534");
        EXPECT_EQ(area->ValueOf(L"Property", L"ExtentHeight")->text, L"288534");
    }
    EXPECT_GT(models, 0) << "no sample model lists A4";
}

TEST_F(Capabilities, ParameterDefinitionsRefuseWhatTheyCannotWrite)
{
    Bind(kSampleModels[0], 0, 0);
    IXMLDOMDocument2* document = Ticket(L"");
    PTXMLDOC doc;
    PtXmlClear(&doc);
    ASSERT_EQ(PtXmlAttach(&doc, document), S_OK);
    struct Case {
        const wchar_t *type, *unit, *dflt;
        INT32 mandatory;
        HRESULT expected;
    };
    const Case cases[] = {
        {L"integer", L"copies", L"1", PTK_Optional, S_OK},
        {L"string", L"base64", L"", PTK_Conditional, S_OK},
        {L"decimal", L"copies", L"1", PTK_Optional, E_INVALIDARG},
        {nullptr, L"copies", L"1", PTK_Optional, E_INVALIDARG},
        {L"integer", nullptr, L"1", PTK_Optional, E_INVALIDARG},
        {L"integer", L"copies", nullptr, PTK_Optional, E_INVALIDARG},
        {L"integer", L"copies", L"1", PTK_None, E_INVALIDARG},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PtCapsParameterDef(provider_.get(), &doc, nullptr, &g_PtCopies, c.type, c.unit, 1, 9, 1, 9, 0, c.dflt,
                                     c.mandatory, nullptr, nullptr),
                  c.expected);
    PtXmlRelease(&doc);
    document->Release();
}

TEST(CapabilityStrings, EveryDisplayNameIsInBothLanguages)
{
    std::vector<INT32> ids = {g_PtMediaSizes.Feature.nDisplayId, g_PtInputBins.Feature.nDisplayId,
                              g_PtMediaTypes.Feature.nDisplayId, g_PtCopies.nDisplayId, g_PtScaling.Feature.nDisplayId};
    for (const auto* f : {&g_PtDuplex.Feature, &g_PtResolutions.Feature}) ids.push_back(f->nDisplayId);
    for (const PTOPTIONDEF& o : g_PtDuplex.Options) ids.push_back(o.nDisplayId);
    for (const PTOPTIONDEF& o : g_PtResolutions.Options) ids.push_back(o.nDisplayId);
    for (const PTPLAINFEATURE* f : {&g_PtCollate, &g_PtOrientation}) {
        ids.push_back(f->Feature.nDisplayId);
        for (const PTFEATUREDEF& o : f->Options) ids.push_back(o.nDisplayId);
    }
    for (const PTFEATUREDEF& o : g_PtScaling.Options) ids.push_back(o.nDisplayId);
    ids.push_back(g_PtOutputColor.Feature.nDisplayId);
    for (const PTFEATUREDEF& o : g_PtOutputColor.Options) ids.push_back(o.nDisplayId);

    for (const wchar_t* language : {L"ENU", L"DEU"}) {
        const std::wstring path = StagedDriverFolder() + DRV_MODULE_NAMEW L"S" + language + L".DLL";
        HMODULE library = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(library, nullptr) << Narrow(path);
        std::set<std::wstring> resolutionNames;
        size_t resolutions = 0;
        for (INT32 id : ids) {
            if (id == 0) continue;  // the empty resolution rows
            WCHAR text[256] = L"";
            EXPECT_GT(LoadStringW(library, static_cast<UINT>(id), text, 256), 0) << Narrow(language) << " " << id;
        }
        for (const PTOPTIONDEF& o : g_PtResolutions.Options) {
            if (o.nDisplayId == 0) continue;
            ++resolutions;
            WCHAR text[256] = L"";
            LoadStringW(library, static_cast<UINT>(o.nDisplayId), text, 256);
            resolutionNames.insert(text);
        }
        // Each resolution is told apart from the others by its name.
        EXPECT_EQ(resolutionNames.size(), resolutions) << Narrow(language);
        FreeLibrary(library);
    }
}

}  // namespace
