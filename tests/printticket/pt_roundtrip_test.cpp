// The provider end to end through its COM interface, for a printer of every sample model: the
// PrintCapabilities document it describes, and the printer's DEVMODEs carried into a PrintTicket
// and back. The DEVMODEs are the ones the print system gets from the loaded user-interface
// library (DrvDocumentPropertySheets without a sheet).
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "doc_properties.h"
#include "provider_fixture.h"
#include "pt_keywords.h"
#include "xml_tree.h"

namespace {

// Every namespace the document declares is a published one or the provider's own, and the
// framework's, the keywords' and the schema types' are among them.
void CheckDeclarations(const XNode& root, const std::wstring& privateNs)
{
    const std::set<std::wstring> allowed = {kPsf, kPsk, kXsi, kXsd, privateNs};
    std::set<std::wstring> seen;
    std::function<void(const XNode&)> visit = [&](const XNode& n) {
        for (const auto& [prefix, uri] : n.decls) {
            EXPECT_TRUE(allowed.count(uri)) << Narrow(prefix) << " = " << Narrow(uri);
            seen.insert(uri);
        }
        for (const XNode& k : n.kids) visit(k);
    };
    visit(root);
    for (const wchar_t* uri : {kPsf, kPsk, kXsi, kXsd}) EXPECT_TRUE(seen.count(uri)) << Narrow(uri);
}

// The (feature, option) pairs and parameter names of a document's top level.
std::set<std::pair<QName, QName>> Options(const XNode& root)
{
    std::set<std::pair<QName, QName>> out;
    for (const XNode& f : root.kids)
        if (f.elem == L"Feature")
            for (const XNode& o : f.kids)
                if (o.elem == L"Option") out.insert({f.name, o.name});
    return out;
}

std::set<std::string> Describe(const std::set<std::pair<QName, QName>>& options)
{
    std::set<std::string> out;
    for (const auto& [feature, option] : options) out.insert(Narrow(feature.local + L"=" + option.local));
    return out;
}

std::set<QName> Parameters(const XNode& root, const wchar_t* element)
{
    std::set<QName> out;
    for (const XNode& p : root.kids)
        if (p.elem == element) out.insert(p.name);
    return out;
}

// The DEVMODE fields a ticket carries, by name.
std::vector<std::pair<const char*, long>> Carried(const DRVDEVMODE& dm)
{
    const DEVMODEW& p = dm.dmPublic;
    return {{"paper", p.dmPaperSize},         {"paper width", p.dmPaperWidth},
            {"paper length", p.dmPaperLength}, {"source", p.dmDefaultSource},
            {"media type", dm.dmPrivate.wMediaType}, {"duplex", p.dmDuplex},
            {"print quality", p.dmPrintQuality}, {"collate", dm.dmPrivate.wCollate},
            {"copies", p.dmCopies},            {"orientation", p.dmOrientation},
            {"scale", p.dmScale},              {"colour", p.dmColor}};
}

// The record with every carried field set to another value, so that a field the ticket reader
// leaves alone shows.
DRVDEVMODE Contrast(const DRVDEVMODE& dm)
{
    DRVDEVMODE c = dm;
    DEVMODEW& p = c.dmPublic;
    p.dmPaperSize = static_cast<short>(p.dmPaperSize == DMPAPER_A4 ? DMPAPER_LETTER : DMPAPER_A4);
    p.dmPaperWidth = static_cast<short>(p.dmPaperWidth + 7);
    p.dmPaperLength = static_cast<short>(p.dmPaperLength + 7);
    p.dmDefaultSource = static_cast<short>(p.dmDefaultSource == DMBIN_AUTO ? DMBIN_MANUAL : DMBIN_AUTO);
    c.dmPrivate.wMediaType = static_cast<WORD>(c.dmPrivate.wMediaType + 1);
    p.dmDuplex = static_cast<short>(p.dmDuplex == DMDUP_SIMPLEX ? DMDUP_VERTICAL : DMDUP_SIMPLEX);
    p.dmPrintQuality = static_cast<short>(p.dmPrintQuality == -3 ? -1 : -3);
    c.dmPrivate.wCollate = static_cast<WORD>(c.dmPrivate.wCollate ^ 1);
    p.dmCopies = static_cast<short>(p.dmCopies == 1 ? 2 : 1);
    p.dmOrientation = static_cast<short>(p.dmOrientation == DMORIENT_LANDSCAPE ? DMORIENT_PORTRAIT : DMORIENT_LANDSCAPE);
    p.dmScale = static_cast<short>(p.dmScale == 100 ? 50 : 100);
    p.dmColor = static_cast<short>(p.dmColor == DMCOLOR_COLOR ? DMCOLOR_MONOCHROME : DMCOLOR_COLOR);
    return c;
}


constexpr wchar_t kEmptyTicket[] =
    L"<psf:PrintTicket xmlns:psf=\"http://schemas.microsoft.com/windows/2003/08/printing/printschemaframework\" "
    L"version=\"1\"/>";

using DocumentPropertySheetsFn = LONG(WINAPI*)(PPROPSHEETUI_INFO, LPARAM);

class Roundtrip : public ProviderServer {
protected:
    void SetUp() override
    {
        ProviderServer::SetUp();
        if (HasFatalFailure()) return;
        PtInitKeywordTable();
        sheets_ = reinterpret_cast<DocumentPropertySheetsFn>(
            reinterpret_cast<void*>(GetProcAddress(module_, "DrvDocumentPropertySheets")));
        ASSERT_NE(sheets_, nullptr);
    }

    // A printer of the model with a duplex unit installed, and a provider bound to it.
    IPrintTicketProvider* BoundProvider(const wchar_t* model, size_t index)
    {
        HANDLE printer = Printer(model, DEVOPT_DUPLEX, 0, L" " + std::to_wstring(index));
        if (!printer) return nullptr;
        IPrintTicketProvider* provider = NewProvider();
        if (provider) Bind(provider, printer);
        return provider;
    }

    // The printer's DEVMODE as the print system gets it, with in (when given) merged into it.
    ::testing::AssertionResult Settings(const DRVDEVMODE* in, DRVDEVMODE* out)
    {
        std::memset(out, 0, sizeof *out);
        DOCUMENTPROPERTYHEADER header = {sizeof header, 0, printers_.back(), names_.back().data(),
                                         in ? const_cast<DEVMODEW*>(&in->dmPublic) : nullptr, &out->dmPublic,
                                         sizeof *out,
                                         static_cast<DWORD>(DM_OUT_BUFFER | (in ? DM_IN_BUFFER : 0))};
        const LONG result = sheets_(nullptr, reinterpret_cast<LPARAM>(&header));
        if (result != 1) return ::testing::AssertionFailure() << "DrvDocumentPropertySheets answered " << result;
        if (header.cbOut != sizeof *out) return ::testing::AssertionFailure() << "size " << header.cbOut;
        return ::testing::AssertionSuccess();
    }

    IXMLDOMDocument2* EmptyTicket()
    {
        IXMLDOMDocument2* ticket = NewDocument();
        if (!ticket) return nullptr;
        VARIANT_BOOL loaded = VARIANT_FALSE;
        BSTR text = SysAllocString(kEmptyTicket);
        EXPECT_EQ(ticket->loadXML(text, &loaded), S_OK);
        SysFreeString(text);
        EXPECT_EQ(loaded, VARIANT_TRUE);
        return ticket;
    }

    XNode Capabilities(IPrintTicketProvider* provider)
    {
        IXMLDOMDocument2* caps = nullptr;
        EXPECT_EQ(provider->GetPrintCapabilities(nullptr, &caps), S_OK);
        if (!caps) return {};
        XNode tree = WalkDocument(caps);
        caps->Release();
        return tree;
    }

    std::wstring DeviceNamespace(IPrintTicketProvider* provider)
    {
        BSTR name = nullptr;
        EXPECT_EQ(provider->QueryDeviceNamespace(&name), S_OK);
        return Take(name);
    }

    DocumentPropertySheetsFn sheets_ = nullptr;
};

TEST_F(Roundtrip, CapabilitiesUsePublicNamesAndDefaultsWithinTheirRanges)
{
    for (size_t i = 0; i < std::size(kSampleModels); ++i) {
        SCOPED_TRACE(Narrow(kSampleModels[i]));
        IPrintTicketProvider* provider = BoundProvider(kSampleModels[i], i);
        ASSERT_NE(provider, nullptr);
        const std::wstring privateNs = DeviceNamespace(provider);
        const XNode caps = Capabilities(provider);
        EXPECT_EQ(caps.ns, kPsf);
        EXPECT_EQ(caps.elem, L"PrintCapabilities");
        EXPECT_FALSE(Options(caps).empty());
        CheckDeclarations(caps, privateNs);
        CheckNames(caps, privateNs);
        CheckParameterDefs(caps);
        EXPECT_EQ(provider->Release(), 0u);
    }
}

TEST_F(Roundtrip, DevmodesSurviveTheTicketAndEveryWrittenOptionIsOffered)
{
    struct Case {
        const char* name;
        const char* field;  // the carried field the change must reach
        std::function<void(DRVDEVMODE&, WORD otherPaper)> change;
    };
    const Case cases[] = {
        {"printer default", nullptr, [](DRVDEVMODE&, WORD) {}},
        {"another paper", "paper", [](DRVDEVMODE& dm, WORD paper) { dm.dmPublic.dmPaperSize = static_cast<short>(paper); }},
        {"landscape", "orientation", [](DRVDEVMODE& dm, WORD) { dm.dmPublic.dmOrientation = DMORIENT_LANDSCAPE; }},
        {"five copies", "copies", [](DRVDEVMODE& dm, WORD) { dm.dmPublic.dmCopies = 5; }},
        {"grey", "colour", [](DRVDEVMODE& dm, WORD) { dm.dmPublic.dmColor = DMCOLOR_MONOCHROME; }},
        {"long-edge duplex", "duplex", [](DRVDEVMODE& dm, WORD) { dm.dmPublic.dmDuplex = DMDUP_VERTICAL; }},
        {"scale 150", "scale", [](DRVDEVMODE& dm, WORD) { dm.dmPublic.dmScale = 150; }},
    };
    for (size_t i = 0; i < std::size(kSampleModels); ++i) {
        SCOPED_TRACE(Narrow(kSampleModels[i]));
        IPrintTicketProvider* provider = BoundProvider(kSampleModels[i], i);
        ASSERT_NE(provider, nullptr);
        const std::wstring privateNs = DeviceNamespace(provider);
        const XNode caps = Capabilities(provider);
        const auto offered = Options(caps);
        const auto definitions = Parameters(caps, L"ParameterDef");

        DRVDEVMODE defaults;
        ASSERT_TRUE(Settings(nullptr, &defaults));
        // A paper the model offers other than the default one.
        WORD otherPaper = 0;
        for (const auto& [feature, option] : offered) {
            if (feature != QName{kPsk, L"PageMediaSize"} || option.ns != kPsk) continue;
            const WORD paper = PtMediaSizeNameToPaper(option.local.c_str());
            if (paper != static_cast<WORD>(defaults.dmPublic.dmPaperSize)) {
                otherPaper = paper;
                break;
            }
        }
        ASSERT_NE(otherPaper, 0);

        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            DRVDEVMODE wanted = defaults, source;
            c.change(wanted, otherPaper);
            ASSERT_TRUE(Settings(&wanted, &source));
            const auto before = Carried(source);
            // A change the model's default already holds, or one the driver does not take for
            // this model (a grey-only printer, say), adds nothing to the default case.
            bool applies = !c.field;
            const auto asked = Carried(wanted), original = Carried(defaults);
            for (size_t f = 0; f < before.size(); ++f)
                if (c.field && std::strcmp(before[f].first, c.field) == 0)
                    applies = before[f].second == asked[f].second && before[f].second != original[f].second;
            if (!applies) continue;

            IXMLDOMDocument2* ticket = EmptyTicket();
            ASSERT_NE(ticket, nullptr);
            ASSERT_EQ(provider->ConvertDevModeToPrintTicket(sizeof source, &source.dmPublic, ticket), S_OK);
            const XNode tree = WalkDocument(ticket);
            EXPECT_EQ(tree.elem, L"PrintTicket");
            CheckNames(tree, privateNs);
            const auto written = Options(tree);
            for (const auto& [feature, option] : written) {
                EXPECT_TRUE(offered.count({feature, option}))
                    << Narrow(feature.local) << "/" << Narrow(option.ns) << ":" << Narrow(option.local) << " not offered";
            }
            for (const QName& parameter : Parameters(tree, L"ParameterInit"))
                EXPECT_TRUE(definitions.count(parameter)) << Narrow(parameter.local) << " not defined";

            // Read back over a record that differs in every carried field.
            DRVDEVMODE base = Contrast(source);
            DEVMODEW* out = nullptr;
            ULONG outSize = 0;
            ASSERT_EQ(provider->ConvertPrintTicketToDevMode(ticket, sizeof base, &base.dmPublic, &outSize, &out), S_OK);
            ticket->Release();
            ASSERT_NE(out, nullptr);
            ASSERT_EQ(outSize, sizeof(DRVDEVMODE));
            const DRVDEVMODE result = *reinterpret_cast<const DRVDEVMODE*>(out);
            GlobalFree(out);
            const auto after = Carried(result);
            for (size_t f = 0; f < before.size(); ++f) {
                // A print quality in dpi comes back as the quality slot of its resolution option;
                // the option it gives is compared below.
                if (std::strcmp(before[f].first, "print quality") == 0 && before[f].second >= 0) continue;
                EXPECT_EQ(after[f].second, before[f].second) << before[f].first;
            }
            // What was read back writes the same options again.
            IXMLDOMDocument2* again = EmptyTicket();
            ASSERT_NE(again, nullptr);
            ASSERT_EQ(provider->ConvertDevModeToPrintTicket(sizeof result, const_cast<DEVMODEW*>(&result.dmPublic), again),
                      S_OK);
            EXPECT_EQ(Describe(Options(WalkDocument(again))), Describe(written));
            again->Release();
        }
        EXPECT_EQ(provider->Release(), 0u);
    }
}

}  // namespace
