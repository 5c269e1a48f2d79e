// PrintTicket to DEVMODE: each feature's options read into their DEVMODE fields and nothing else
// changed, tickets read whatever prefixes they declare, the snapshot merged with the printer's
// installed options kept, values kept within their ranges, and the caller's DEVMODE read only
// within the size it gave.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bound_provider.h"
#include "devmode.h"
#include "fuzz.h"
#include "model_queries.h"
#include "modelrecord.h"
#include "pt_base64.h"
#include "pt_keywords.h"
#include "pt_ticket_to_devmode.h"
#include "sample_machine.h"

namespace {

// The prefixes a ticket is written with, in the order of g_PtXmlNamespaces (psf, psk, ns0000,
// xsi, xsd).
using Prefixes = std::vector<std::wstring>;
const Prefixes kStandard = {L"psf", L"psk", L"ns0000", L"xsi", L"xsd"};

// The body is written with the standard prefixes; each "prefix:" that starts a name is rewritten
// to the given prefix, and the root declares those.
std::wstring Ticket(const std::wstring& body, const Prefixes& p = kStandard)
{
    std::wstring text;
    for (size_t i = 0; i < body.size();) {
        bool replaced = false;
        const bool boundary = i == 0 || !iswalnum(body[i - 1]);
        for (size_t n = 0; boundary && n < kStandard.size() && !replaced; ++n) {
            const std::wstring from = kStandard[n] + L":";
            if (body.compare(i, from.size(), from) == 0) {
                text += p[n] + L":";
                i += from.size();
                replaced = true;
            }
        }
        if (!replaced) text += body[i++];
    }
    std::wstring xml = L"<" + p[PTNS_PSF] + L":PrintTicket version=\"1\"";
    for (size_t n = 0; n < PTNS_COUNT; ++n) xml += L" xmlns:" + p[n] + L"=\"" + g_PtXmlNamespaces[n].uri + L"\"";
    return xml + L">" + text + L"</" + p[PTNS_PSF] + L":PrintTicket>";
}

std::wstring Feature(const std::wstring& feature, const std::wstring& option, const std::wstring& inside = L"")
{
    return L"<psf:Feature name=\"" + feature + L"\"><psf:Option name=\"" + option + L"\">" + inside +
           L"</psf:Option></psf:Feature>";
}

std::wstring Param(const std::wstring& name, const std::wstring& value)
{
    return L"<psf:ParameterInit name=\"" + name + L"\"><psf:Value xsi:type=\"xsd:integer\">" + value +
           L"</psf:Value></psf:ParameterInit>";
}

std::wstring Scored(const std::wstring& name, const std::wstring& value)
{
    return L"<psf:ScoredProperty name=\"" + name + L"\"><psf:Value xsi:type=\"xsd:integer\">" + value +
           L"</psf:Value></psf:ScoredProperty>";
}

std::wstring Size(const std::wstring& option, const std::wstring& width, const std::wstring& height)
{
    return Feature(L"psk:PageMediaSize", option, Scored(L"psk:MediaSizeWidth", width) + Scored(L"psk:MediaSizeHeight", height));
}

IXMLDOMDocument2* NewDocument()
{
    IXMLDOMDocument2* document = nullptr;
    CoCreateInstance(CLSID_DOMDocument60, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument2,
                     reinterpret_cast<void**>(&document));
    return document;
}

IXMLDOMDocument2* Load(const std::wstring& xml)
{
    IXMLDOMDocument2* document = NewDocument();
    if (!document) return nullptr;
    BSTR text = SysAllocString(xml.c_str());
    VARIANT_BOOL ok = VARIANT_FALSE;
    document->loadXML(text, &ok);
    SysFreeString(text);
    if (ok != VARIANT_TRUE) {
        document->Release();
        return nullptr;
    }
    return document;
}

// The DEVMODE fields the readers write.
enum Field { PaperSize, PaperWidth, PaperLength, Source, MediaType, Duplex, Quality, Collate, Copies, Orientation, Scale, Color };
constexpr Field kFields[] = {PaperSize, PaperWidth, PaperLength, Source, MediaType, Duplex,
                             Quality,   Collate,    Copies,      Orientation, Scale, Color};

void* FieldAt(DRVDEVMODE& dm, Field f)
{
    DEVMODEW& p = dm.dmPublic;
    switch (f) {
    case PaperSize: return &p.dmPaperSize;
    case PaperWidth: return &p.dmPaperWidth;
    case PaperLength: return &p.dmPaperLength;
    case Source: return &p.dmDefaultSource;
    case MediaType: return &dm.dmPrivate.wMediaType;
    case Duplex: return &p.dmDuplex;
    case Quality: return &p.dmPrintQuality;
    case Collate: return &dm.dmPrivate.wCollate;
    case Copies: return &p.dmCopies;
    case Orientation: return &p.dmOrientation;
    case Scale: return &p.dmScale;
    case Color: return &p.dmColor;
    }
    return nullptr;
}

// Every field is 16 bits wide.
int Get(DRVDEVMODE& dm, Field f)
{
    short v;
    std::memcpy(&v, FieldAt(dm, f), sizeof v);
    return f == MediaType || f == Collate ? static_cast<WORD>(v) : v;
}

void Set(DRVDEVMODE& dm, Field f, int value)
{
    const short v = static_cast<short>(value);
    std::memcpy(FieldAt(dm, f), &v, sizeof v);
}

class TicketToDevmode : public BoundProviderTest {
protected:
    void SetUp() override
    {
        BoundProviderTest::SetUp();
        if (HasFatalFailure()) return;
        SetInstalledOptions(DEVOPT_DUPLEX, 0x102);
    }

    // Converts a ticket text; the output copied into *out. Returns the result.
    HRESULT Convert(const std::wstring& xml, const void* in, ULONG cb, DRVDEVMODE* out)
    {
        IXMLDOMDocument2* document = Load(xml);
        EXPECT_NE(document, nullptr) << "ticket does not parse";
        if (!document) return E_FAIL;
        ULONG size = 0;
        DEVMODEW* dm = nullptr;
        const HRESULT hr = PtTicketToDevmode(&provider, document, cb, static_cast<const DEVMODEW*>(in), &size, &dm);
        document->Release();
        if (SUCCEEDED(hr)) {
            EXPECT_EQ(size, DRV_DEVMODE_SIZE);
            EXPECT_NE(dm, nullptr);
            EXPECT_EQ(GlobalSize(dm), DRV_DEVMODE_SIZE);
            if (dm) std::memcpy(out, dm, sizeof *out);
        } else {
            EXPECT_EQ(dm, nullptr);
            EXPECT_EQ(size, 0u);
        }
        if (dm) GlobalFree(dm);
        return hr;
    }

    // dmBound with every reader's field set to a value no reader writes.
    DRVDEVMODE Marked() const
    {
        DRVDEVMODE dm = provider.dmBound;
        for (Field f : kFields) Set(dm, f, -77);
        return dm;
    }

};

struct FieldValue {
    Field field;
    int value;
};

TEST_F(TicketToDevmode, EachFeatureSetsItsFieldsAndNothingElse)
{
    struct Case {
        std::wstring body;
        std::vector<FieldValue> expected;
    };
    const std::wstring ref =
        Feature(L"psk:PageMediaSize", L"psk:ISOA5",
                L"<psf:ScoredProperty name=\"psk:MediaSizeWidth\"><psf:ParameterRef "
                L"name=\"psk:PageMediaSizeMediaSizeWidth\"/></psf:ScoredProperty>") +
        Param(L"psk:PageMediaSizeMediaSizeWidth", L"148000");
    const Case cases[] = {
        // Paper sizes and their scored sizes (microns to 0.1 mm, kept within 1 to 32767).
        {Size(L"psk:ISOA4", L"210000", L"297000"), {{PaperSize, 9}, {PaperWidth, 2100}, {PaperLength, 2970}}},
        {Size(L"psk:NorthAmericaLetter", L"215900", L"279499"), {{PaperSize, 1}, {PaperWidth, 2159}, {PaperLength, 2794}}},
        {Size(L"ns0000:User0000000300", L"9999999", L"-5"), {{PaperSize, 300}, {PaperWidth, 32767}, {PaperLength, 1}}},
        {Size(L"psk:ISOA3", L"70000000000", L"50"), {{PaperSize, 8}, {PaperWidth, 32767}, {PaperLength, 1}}},
        {ref, {{PaperSize, 11}, {PaperWidth, 1480}}},
        {Feature(L"psk:PageMediaSize", L"ns0000:User00000001577"), {{PaperSize, 1577}}},
        {Feature(L"psk:PageMediaSize", L"psk:NorthAmericaTabloidExtra"), {{PaperSize, 269}}},
        {Feature(L"psk:PageMediaSize", L"ns0000:User0000000269"), {{PaperSize, 269}}},
        // All ten digits count: not paper 300.
        {Feature(L"psk:PageMediaSize", L"ns0000:User0000010300"), {{PaperSize, 10300}}},
        {Feature(L"psk:PageMediaSize", L"ns0000:User0000070300"), {{PaperSize, 1}}},
        {Feature(L"psk:PageMediaSize", L"ns0000:User000000030x"), {{PaperSize, 1}}},
        {Feature(L"psk:PageMediaSize", L"ns0000:Xser0000000300"), {{PaperSize, 1}}},
        {Feature(L"psk:PageMediaSize", L"psk:Custom7"), {{PaperSize, 1}}},
        // Sources.
        {Feature(L"psk:JobInputBin", L"psk:Manual"), {{Source, 4}}},
        {Feature(L"psk:JobInputBin", L"ns0000:Upper"), {{Source, 1}}},
        {Feature(L"psk:JobInputBin", L"ns0000:User0000000259"), {{Source, 259}}},
        {Feature(L"psk:JobInputBin", L"ns0000:User0000000258"), {{Source, 258}}},
        {Feature(L"psk:JobInputBin", L"psk:LargeCapacity"), {{Source, 7}}},
        // Media types.
        {Feature(L"psk:PageMediaType", L"psk:Transparency"), {{MediaType, 6}}},
        {Feature(L"psk:PageMediaType", L"ns0000:PlainHeavy"), {{MediaType, 5}}},
        {Feature(L"psk:PageMediaType", L"ns0000:UserDefined10"), {{MediaType, 32}}},
        {Feature(L"psk:PageMediaType", L"psk:Plain"), {{MediaType, 0}}},
        // Duplex: an unknown option changes nothing.
        {Feature(L"psk:JobDuplexAllDocumentsContiguously", L"psk:OneSided"), {{Duplex, 1}}},
        {Feature(L"psk:JobDuplexAllDocumentsContiguously", L"psk:TwoSidedLongEdge"), {{Duplex, 2}}},
        {Feature(L"psk:JobDuplexAllDocumentsContiguously", L"psk:TwoSidedShortEdge"), {{Duplex, 3}}},
        {Feature(L"psk:JobDuplexAllDocumentsContiguously", L"psk:ManualDuplex"), {}},
        // Collation, orientation, colour.
        {Feature(L"psk:JobCollateAllDocuments", L"psk:Collated"), {{Collate, 1}}},
        {Feature(L"psk:JobCollateAllDocuments", L"psk:Uncollated"), {{Collate, 0}}},
        {Feature(L"psk:JobCollateAllDocuments", L"psk:collated"), {{Collate, 0}}},
        {Feature(L"psk:PageOrientation", L"psk:Landscape"), {{Orientation, 2}}},
        {Feature(L"psk:PageOrientation", L"psk:Portrait"), {{Orientation, 1}}},
        {Feature(L"psk:PageOrientation", L"psk:ReverseLandscape"), {{Orientation, 1}}},
        {Feature(L"psk:PageOutputColor", L"psk:Grayscale"), {{Color, 1}}},
        {Feature(L"psk:PageOutputColor", L"psk:Color"), {{Color, 2}}},
        {Feature(L"psk:PageOutputColor", L"psk:Monochrome"), {{Color, 2}}},
        // Copies (1 to 999) and scale (25 to 400) are limited, never cut into 16 bits.
        {Param(L"psk:JobCopiesAllDocuments", L"5"), {{Copies, 5}}},
        {Param(L"psk:JobCopiesAllDocuments", L"  +12 copies"), {{Copies, 12}}},
        {Param(L"psk:JobCopiesAllDocuments", L"many"), {{Copies, 1}}},
        {Param(L"psk:JobCopiesAllDocuments", L"-3"), {{Copies, 1}}},
        {Param(L"psk:JobCopiesAllDocuments", L"1000"), {{Copies, 999}}},
        {Param(L"psk:JobCopiesAllDocuments", L"65537"), {{Copies, 999}}},
        {Param(L"psk:JobCopiesAllDocuments", L"99999999999999999999999"), {{Copies, 999}}},
        {Param(L"psk:PageScalingScale", L"50"), {{Scale, 50}}},
        {Param(L"psk:PageScalingScale", L"10"), {{Scale, 25}}},
        {Param(L"psk:PageScalingScale", L"65636"), {{Scale, 400}}},
        {Param(L"psk:PageScalingScale", L"x"), {{Scale, 25}}},
        // Names are compared in their own namespace only for the feature.
        {Feature(L"ns0000:PageOrientation", L"psk:Landscape"), {}},
        {Feature(L"psk:PageOrientation", L"ns0000:Landscape"), {{Orientation, 2}}},
        // A feature without an option, a parameter without an integer value.
        {L"<psf:Feature name=\"psk:PageOrientation\"/>", {}},
        {L"<psf:ParameterInit name=\"psk:JobCopiesAllDocuments\"><psf:Value xsi:type=\"xsd:string\">5</psf:Value>"
         L"</psf:ParameterInit>",
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::string(c.body.begin(), c.body.end()));
        const DRVDEVMODE in = Marked();
        DRVDEVMODE expected = in, out;
        for (const FieldValue& v : c.expected) Set(expected, v.field, v.value);
        ASSERT_EQ(Convert(Ticket(c.body), &in, sizeof in, &out), S_OK);
        for (Field f : kFields) EXPECT_EQ(Get(out, f), Get(expected, f)) << "field " << f;
        EXPECT_EQ(std::memcmp(&out, &expected, sizeof out), 0) << "a field no reader owns changed";
    }
}

TEST_F(TicketToDevmode, ResolutionFollowsTheModelsEntries)
{
    struct Case {
        WORD entries[4];  // rows of qualities -4, -3, -2, -1
        const wchar_t* option;
        int expected;
    };
    const Case cases[] = {
        {{0, 1, 2, 5}, L"X0600Y0600L4", -4},
        {{0, 1, 2, 5}, L"X9999Y9999L9", -3},
        {{0, 1, 2, 5}, L"X0300Y0300L2", -4},
        {{0, 1, 2, 5}, L"X0600Y0600L2", -3},
        {{0, 1, 2, 5}, L"X0600Y1200L2", -2},
        {{0, 1, 2, 5}, L"X1200Y1200L2", -1},
        {{0, 1, 2, 5}, L"X1200Y2400L2", -3},
        {{2, 2, 0, 0}, L"X0600Y1200L2", -4},
        {{1, 0, 1, 2}, L"X0600Y0600L2", -2},
        {{1, 0, 2, 1}, L"X0600Y0600L2", -4},
        {{1, 1, 1, 0}, L"X0600Y0600L2", -3},
        // The four-level row: the -4 entry it stands for, an entry that names it, else -4.
        {{1, 0, 1, 2}, L"X0600Y0600L4", -4},
        {{7, 3, 1, 0}, L"X0600Y0600L4", -3},
        {{7, 1, 2, 3}, L"X0600Y0600L4", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.option << " " << c.entries[0] << "," << c.entries[1] << ","
                                        << c.entries[2] << "," << c.entries[3]);
        std::memcpy(model->QualityType, c.entries, sizeof c.entries);
        const DRVDEVMODE in = Marked();
        DRVDEVMODE out;
        ASSERT_EQ(Convert(Ticket(Feature(L"psk:PageResolution", std::wstring(L"ns0000:") + c.option)), &in, sizeof in, &out), S_OK);
        EXPECT_EQ(out.dmPublic.dmPrintQuality, c.expected);
    }
    // Without a model the feature is not read.
    provider.pModelInfo = nullptr;
    const DRVDEVMODE in = Marked();
    DRVDEVMODE out;
    ASSERT_EQ(Convert(Ticket(Feature(L"psk:PageResolution", L"ns0000:X0600Y0600L4")), &in, sizeof in, &out), S_OK);
    EXPECT_EQ(out.dmPublic.dmPrintQuality, -77);
}

TEST_F(TicketToDevmode, TicketsReadTheSameWhateverPrefixesTheyDeclare)
{
    const std::wstring body = Size(L"psk:ISOA4", L"210000", L"297000") + Feature(L"psk:JobInputBin", L"psk:Manual") +
                              Feature(L"psk:PageMediaType", L"psk:Transparency") +
                              Feature(L"psk:JobDuplexAllDocumentsContiguously", L"psk:TwoSidedShortEdge") +
                              Feature(L"psk:PageResolution", L"ns0000:X0600Y0600L4") +
                              Feature(L"psk:JobCollateAllDocuments", L"psk:Collated") +
                              Param(L"psk:JobCopiesAllDocuments", L"3") +
                              Feature(L"psk:PageOrientation", L"psk:Landscape") +
                              Param(L"psk:PageScalingScale", L"150") + Feature(L"psk:PageOutputColor", L"psk:Grayscale");
    const DRVDEVMODE in = Marked();
    DRVDEVMODE standard;
    ASSERT_EQ(Convert(Ticket(body), &in, sizeof in, &standard), S_OK);
    DRVDEVMODE copy = in;
    for (Field f : kFields) EXPECT_NE(Get(standard, f), Get(copy, f)) << "field " << f << " not read";

    const Prefixes cases[] = {
        {L"a", L"b", L"c", L"d", L"e"},
        {L"psk", L"psf", L"xsd", L"ns0000", L"xsi"},  // the standard prefixes bound to other namespaces
        {L"ns0001", L"ns0000", L"psk", L"psf", L"k"},
        {L"PSF", L"PSK", L"NS0000", L"XSI", L"XSD"},
    };
    for (const Prefixes& p : cases) {
        SCOPED_TRACE(testing::Message() << std::string(p[0].begin(), p[0].end()) << " "
                                        << std::string(p[1].begin(), p[1].end()));
        DRVDEVMODE out;
        ASSERT_EQ(Convert(Ticket(body, p), &copy, sizeof copy, &out), S_OK);
        EXPECT_EQ(std::memcmp(&out, &standard, sizeof out), 0);
    }
}

std::wstring Snapshot(const void* bytes, size_t size)
{
    std::wstring text(Base64EncodedChars(size), L'\0');
    if (FAILED(Base64Encode(static_cast<const BYTE*>(bytes), static_cast<DWORD>(size), text.data()))) return L"";
    text.resize(text.size() - 1);
    return L"<psf:ParameterInit name=\"ns0000:PageDevmodeSnapshot\"><psf:Value xsi:type=\"xsd:string\">" + text +
           L"</psf:Value></psf:ParameterInit>";
}

TEST_F(TicketToDevmode, SnapshotMergesWithThePrintersOptionsAndCutOnesAreIgnored)
{
    DRVDEVMODE snap = provider.dmBound;
    snap.dmPublic.dmFields |= DM_COPIES | DM_ORIENTATION;
    snap.dmPublic.dmCopies = 7;
    snap.dmPublic.dmOrientation = DMORIENT_LANDSCAPE;
    snap.dmPrivate.wCollate = 1;
    snap.dmPrivate.wDeviceOption = DEVOPT_FINISHER;
    snap.dmPrivate.wSourceOption = 0x4;
    DRVDEVMODE publicOnly = snap;
    publicOnly.dmPublic.dmDriverExtra = 0;

    struct Case {
        const char* name;
        const void* bytes;
        size_t size;
        std::wstring more;
        bool taken;           // the snapshot's public settings reach the output
        bool privateTaken;    // and its private part
        int copies;
    };
    const Case cases[] = {
        {"whole", &snap, sizeof snap, L"", true, true, 7},
        {"whole, then the copies parameter", &snap, sizeof snap, Param(L"psk:JobCopiesAllDocuments", L"2"), true, true, 2},
        {"public part alone", &publicOnly, DRV_DEVMODE_PUBLIC_SIZE, L"", true, false, 7},
        {"cut within the private part", &snap, 900, L"", false, false, 0},
        {"cut before the option words", &snap, 400, L"", false, false, 0},
        {"cut within the header", &snap, 60, L"", false, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const DRVDEVMODE in = provider.dmBound;
        DRVDEVMODE out;
        ASSERT_EQ(Convert(Ticket(Snapshot(c.bytes, c.size) + c.more), &in, sizeof in, &out), S_OK);
        if (!c.taken) {
            EXPECT_EQ(std::memcmp(&out, &in, sizeof out), 0) << "a cut snapshot was used";
            continue;
        }
        EXPECT_EQ(out.dmPublic.dmCopies, c.copies);
        EXPECT_EQ(out.dmPublic.dmOrientation, DMORIENT_LANDSCAPE);
        EXPECT_EQ(out.dmPrivate.wCollate, c.privateTaken ? 1 : in.dmPrivate.wCollate);
        EXPECT_EQ(out.dmPrivate.wDeviceOption, provider.wDeviceOption);
        EXPECT_EQ(out.dmPrivate.wSourceOption, provider.wSourceOption);
    }
}

TEST_F(TicketToDevmode, CallersDevmodeIsReadWithinItsSizeAndLeavesWhole)
{
    struct Case {
        const char* name;
        ULONG cb;         // bytes the caller gives
        WORD size, extra; // what its header declares
        bool whole;       // a whole record of the model: taken byte for byte
    };
    const Case cases[] = {
        {"whole record", DRV_DEVMODE_SIZE, DRV_DEVMODE_PUBLIC_SIZE, DRV_DEVMODE_EXTRA_SIZE, true},
        {"public part alone", DRV_DEVMODE_PUBLIC_SIZE, DRV_DEVMODE_PUBLIC_SIZE, 0, false},
        {"larger record", 5000, DRV_DEVMODE_PUBLIC_SIZE, 5000 - DRV_DEVMODE_PUBLIC_SIZE, false},
        {"header declares more than given", 1000, DRV_DEVMODE_PUBLIC_SIZE, DRV_DEVMODE_EXTRA_SIZE, false},
        {"smallest private part", DRV_DEVMODE_PUBLIC_SIZE + DRV_DEVMODE_MIN_EXTRA, DRV_DEVMODE_PUBLIC_SIZE,
         DRV_DEVMODE_MIN_EXTRA, false},
        {"old short DEVMODE", 188, 188, 0, false},
    };
    drvfuzz::GuardedBlock block(0x4000);
    ASSERT_TRUE(block.ok());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<BYTE> bytes(c.cb + sizeof(DRVDEVMODE), 0);
        DRVDEVMODE in = provider.dmBound;
        in.dmPublic.dmSize = c.size;
        in.dmPublic.dmDriverExtra = c.extra;
        in.dmPublic.dmCopies = 9;
        std::memcpy(bytes.data(), &in, sizeof in);
        const BYTE* placed = block.place(bytes.data(), c.cb, c.cb);
        ASSERT_NE(placed, nullptr);

        DRVDEVMODE out;
        ASSERT_EQ(Convert(Ticket(Feature(L"psk:PageOrientation", L"psk:Landscape")), placed, c.cb, &out), S_OK);
        EXPECT_EQ(out.dmPublic.dmSize, DRV_DEVMODE_PUBLIC_SIZE);
        EXPECT_EQ(out.dmPublic.dmOrientation, DMORIENT_LANDSCAPE);
        EXPECT_EQ(out.dmPublic.dmCopies, 9);
        EXPECT_EQ(_wcsicmp(out.dmPrivate.szModelName, provider.dmBound.dmPrivate.szModelName), 0);
        if (c.whole) {
            // Byte for byte what was given, zero beyond it.
            DRVDEVMODE expected;
            std::memset(&expected, 0, sizeof expected);
            std::memcpy(&expected, &in, std::min<size_t>(c.cb, sizeof expected));
            expected.dmPublic.dmOrientation = DMORIENT_LANDSCAPE;
            EXPECT_EQ(std::memcmp(&out, &expected, sizeof out), 0);
        } else {
            EXPECT_EQ(out.dmPublic.dmDriverExtra, DRV_DEVMODE_EXTRA_SIZE);
        }
    }
}

TEST_F(TicketToDevmode, FailuresHandOutNoDevmode)
{
    const DRVDEVMODE in = provider.dmBound;
    IXMLDOMDocument2* ticket = Load(Ticket(Feature(L"psk:PageOrientation", L"psk:Landscape")));
    IXMLDOMDocument2* empty = NewDocument();  // no document element: it cannot be attached
    ASSERT_NE(ticket, nullptr);
    ASSERT_NE(empty, nullptr);
    ULONG size = 0;
    DEVMODEW* out = nullptr;
    struct Case {
        IXMLDOMDocument2* ticket;
        const DEVMODEW* in;
        ULONG cb;
        DEVMODEW** out;
        bool fails;
    };
    const Case cases[] = {
        {nullptr, &in.dmPublic, sizeof in, &out, true},
        {ticket, nullptr, sizeof in, &out, true},
        {ticket, &in.dmPublic, 0, &out, true},
        {ticket, &in.dmPublic, sizeof in, nullptr, true},
        {empty, &in.dmPublic, sizeof in, &out, true},
        {ticket, &in.dmPublic, sizeof in, &out, false},
    };
    for (const Case& c : cases) {
        size = 12345;
        out = reinterpret_cast<DEVMODEW*>(&size);
        const HRESULT hr = PtTicketToDevmode(&provider, c.ticket, c.cb, c.in, &size, c.out);
        EXPECT_EQ(FAILED(hr), c.fails) << std::hex << hr;
        if (c.fails) {
            if (c.out) {
                EXPECT_EQ(out, nullptr);
            }
            EXPECT_EQ(size, 0u);
        } else {
            ASSERT_NE(out, nullptr);
            EXPECT_EQ(out->dmOrientation, DMORIENT_LANDSCAPE);
            GlobalFree(out);
        }
    }
    // The size output is optional.
    out = nullptr;
    ASSERT_EQ(PtTicketToDevmode(&provider, ticket, sizeof in, &in.dmPublic, nullptr, &out), S_OK);
    ASSERT_NE(out, nullptr);
    GlobalFree(out);
    ticket->Release();
    empty->Release();
}

}  // namespace
