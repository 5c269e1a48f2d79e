// Damaged PrintTickets through the conversion to a DEVMODE: ticket texts mutated from valid ones,
// and DEVMODE records mutated from valid ones, carried as the ticket's snapshot or given as the
// caller's DEVMODE (placed so that its end touches an inaccessible page). The invariants: the
// conversion succeeds, hands out one whole record of the bound model with the printer's installed
// options, every value a reader writes within its range and every text terminated.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <memory>
#include <string>

#include "bound_provider.h"
#include "devmode.h"
#include "fuzz.h"
#include "modelrecord.h"
#include "pt_base64.h"
#include "pt_keywords.h"
#include "pt_ticket_to_devmode.h"
#include "sample_machine.h"

namespace {

using drvfuzz::Bytes;

template <size_t N>
bool Terminated(const WCHAR (&text)[N])
{
    return wmemchr(text, L'\0', N) != nullptr;
}

std::wstring Root(const std::wstring& body, const wchar_t* const prefixes[PTNS_COUNT])
{
    std::wstring xml = std::wstring(L"<") + prefixes[PTNS_PSF] + L":PrintTicket version=\"1\"";
    for (size_t n = 0; n < PTNS_COUNT; ++n)
        xml += std::wstring(L" xmlns:") + prefixes[n] + L"=\"" + g_PtXmlNamespaces[n].uri + L"\"";
    return xml + L">" + body + L"</" + prefixes[PTNS_PSF] + L":PrintTicket>";
}

// Every feature and parameter the conversion reads, with the standard prefixes.
const wchar_t kBody[] =
    L"<psf:Feature name=\"psk:PageMediaSize\"><psf:Option name=\"ns0000:User0000000300\">"
    L"<psf:ScoredProperty name=\"psk:MediaSizeWidth\"><psf:Value xsi:type=\"xsd:integer\">210000</psf:Value>"
    L"</psf:ScoredProperty><psf:ScoredProperty name=\"psk:MediaSizeHeight\"><psf:ParameterRef "
    L"name=\"psk:PageMediaSizeMediaSizeHeight\"/></psf:ScoredProperty></psf:Option></psf:Feature>"
    L"<psf:ParameterInit name=\"psk:PageMediaSizeMediaSizeHeight\"><psf:Value xsi:type=\"xsd:integer\">297000"
    L"</psf:Value></psf:ParameterInit>"
    L"<psf:Feature name=\"psk:JobInputBin\"><psf:Option name=\"psk:Manual\"/></psf:Feature>"
    L"<psf:Feature name=\"psk:PageMediaType\"><psf:Option name=\"psk:Transparency\"/></psf:Feature>"
    L"<psf:Feature name=\"psk:JobDuplexAllDocumentsContiguously\"><psf:Option name=\"psk:TwoSidedLongEdge\"/>"
    L"</psf:Feature>"
    L"<psf:Feature name=\"psk:PageResolution\"><psf:Option name=\"ns0000:X0600Y0600L2\"/></psf:Feature>"
    L"<psf:Feature name=\"psk:JobCollateAllDocuments\"><psf:Option name=\"psk:Collated\"/></psf:Feature>"
    L"<psf:ParameterInit name=\"psk:JobCopiesAllDocuments\"><psf:Value xsi:type=\"xsd:integer\">12</psf:Value>"
    L"</psf:ParameterInit>"
    L"<psf:Feature name=\"psk:PageOrientation\"><psf:Option name=\"psk:Landscape\"/></psf:Feature>"
    L"<psf:ParameterInit name=\"psk:PageScalingScale\"><psf:Value xsi:type=\"xsd:integer\">150</psf:Value>"
    L"</psf:ParameterInit>"
    L"<psf:Feature name=\"psk:PageOutputColor\"><psf:Option name=\"psk:Grayscale\"/></psf:Feature>";

std::wstring SnapshotParam(const BYTE* bytes, size_t size)
{
    if (size == 0) return L"";
    std::wstring text(Base64EncodedChars(size), L'\0');
    if (FAILED(Base64Encode(bytes, static_cast<DWORD>(size), text.data()))) return L"";
    text.resize(text.size() - 1);
    return L"<psf:ParameterInit name=\"ns0000:PageDevmodeSnapshot\"><psf:Value xsi:type=\"xsd:string\">" + text +
           L"</psf:Value></psf:ParameterInit>";
}

Bytes Utf8(const std::wstring& text)
{
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    Bytes bytes(n);
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), reinterpret_cast<char*>(bytes.data()),
                        n, nullptr, nullptr);
    return bytes;
}

IXMLDOMDocument2* Load(const std::wstring& xml)
{
    IXMLDOMDocument2* document = nullptr;
    if (CoCreateInstance(CLSID_DOMDocument60, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument2,
                         reinterpret_cast<void**>(&document)) != S_OK)
        return nullptr;
    BSTR text = SysAllocString(xml.c_str());
    VARIANT_BOOL ok = VARIANT_FALSE;
    document->loadXML(text, &ok);
    SysFreeString(text);
    if (ok == VARIANT_TRUE) return document;
    document->Release();
    return nullptr;
}

class TicketFuzz : public BoundProviderTest {
protected:
    // Converts the ticket with the caller's DEVMODE at `in` (cb bytes) and checks the output.
    // A caller's whole record of the bound model, with a ticket that holds nothing, comes back
    // byte for byte; anything else comes back merged into the printer's record.
    void ConvertAndCheck(IXMLDOMDocument2* ticket, const BYTE* in, ULONG cb, bool asGiven = false)
    {
        ULONG size = 0;
        DEVMODEW* out = nullptr;
        const HRESULT hr = PtTicketToDevmode(&provider, ticket, cb, reinterpret_cast<const DEVMODEW*>(in), &size, &out);
        ASSERT_EQ(hr, S_OK);
        ASSERT_NE(out, nullptr);
        EXPECT_EQ(size, DRV_DEVMODE_SIZE);
        EXPECT_GE(GlobalSize(out), DRV_DEVMODE_SIZE);
        DRVDEVMODE dm;
        std::memcpy(&dm, out, sizeof dm);
        GlobalFree(out);
        if (asGiven) {
            EXPECT_EQ(std::memcmp(&dm, in, sizeof dm), 0) << "a whole record was changed";
            return;
        }

        const DEVMODEW& p = dm.dmPublic;
        EXPECT_EQ(p.dmSize, DRV_DEVMODE_PUBLIC_SIZE);
        EXPECT_EQ(p.dmDriverExtra, DRV_DEVMODE_EXTRA_SIZE);
        EXPECT_EQ(p.dmSpecVersion, DRV_DEVMODE_SPEC_VERSION);
        EXPECT_EQ(p.dmDriverVersion, DRV_DEVMODE_DRIVER_VERSION);
        EXPECT_EQ(_wcsicmp(dm.dmPrivate.szModelName, provider.dmBound.dmPrivate.szModelName), 0);
        EXPECT_EQ(dm.dmPrivate.wDeviceOption, provider.wDeviceOption);
        EXPECT_GE(p.dmCopies, PT_TICKET_COPIES_MIN);
        EXPECT_LE(p.dmCopies, PT_TICKET_COPIES_MAX);
        // A ticket's scale is kept within 25 to 400; a merged record's within the driver's 1 to 400.
        EXPECT_GE(p.dmScale, 1);
        EXPECT_LE(p.dmScale, PT_TICKET_SCALE_MAX);
        EXPECT_GE(p.dmPaperSize, 1);
        EXPECT_GE(p.dmPaperWidth, 0);
        EXPECT_GE(p.dmPaperLength, 0);
        EXPECT_TRUE(p.dmOrientation == DMORIENT_PORTRAIT || p.dmOrientation == DMORIENT_LANDSCAPE) << p.dmOrientation;
        EXPECT_TRUE(p.dmColor == DMCOLOR_MONOCHROME || p.dmColor == DMCOLOR_COLOR) << p.dmColor;
        EXPECT_TRUE(p.dmDuplex >= DMDUP_SIMPLEX && p.dmDuplex <= DMDUP_HORIZONTAL) << p.dmDuplex;
        EXPECT_LE(dm.dmPrivate.wCollate, 1);
        EXPECT_TRUE(Terminated(p.dmFormName));
        EXPECT_TRUE(Terminated(dm.dmPrivate.szWatermarkName));
        EXPECT_TRUE(Terminated(dm.dmPrivate.szJobName));
    }

};

TEST_F(TicketFuzz, DamagedTicketTextsConvertToWholeRecords)
{
    static const wchar_t* const kStandard[PTNS_COUNT] = {L"psf", L"psk", L"ns0000", L"xsi", L"xsd"};
    const DRVDEVMODE& bound = provider.dmBound;
    DRVDEVMODE other = bound;
    other.dmPublic.dmCopies = 40;
    other.dmPublic.dmPaperSize = 256;
    other.dmPrivate.wDeviceOption = 0xF;

    drvfuzz::Target target;
    target.name = "ticket-text";
    target.maxSize = 1 << 15;
    target.corpus.push_back(Utf8(Root(kBody, kStandard)));
    target.corpus.push_back(Utf8(Root(SnapshotParam(reinterpret_cast<const BYTE*>(&other), sizeof other), kStandard)));
    // A whole snapshot is 5840 characters; a public part alone keeps the corpus entry short enough
    // that most mutations land in the features.
    target.corpus.push_back(
        Utf8(Root(SnapshotParam(reinterpret_cast<const BYTE*>(&other), DRV_DEVMODE_PUBLIC_SIZE) + kBody, kStandard)));

    drvfuzz::GuardedBlock block(0x2000);
    ASSERT_TRUE(block.ok());
    const BYTE* in = block.place(reinterpret_cast<const BYTE*>(&bound), sizeof bound, sizeof bound);
    ASSERT_NE(in, nullptr);
    size_t parsed = 0;
    target.run = [&](const Bytes& input) {
        std::wstring text(input.size(), L'\0');
        const int n = MultiByteToWideChar(CP_UTF8, 0, reinterpret_cast<const char*>(input.data()),
                                          static_cast<int>(input.size()), text.data(), static_cast<int>(text.size()));
        text.resize(n > 0 ? n : 0);
        IXMLDOMDocument2* ticket = Load(text);
        if (!ticket) return;  // not a document at all: the print system would not pass it on
        ++parsed;
        ConvertAndCheck(ticket, in, sizeof bound);
        ticket->Release();
    };

    const drvfuzz::Outcome outcome = drvfuzz::Run(target, drvfuzz::Budget::FromEnvironment(2000));
    EXPECT_GT(outcome.iterations, target.corpus.size());
    EXPECT_EQ(outcome.failingInputs, 0u);
    // Enough of the damaged texts still parse for the conversion to be exercised.
    EXPECT_GT(parsed, outcome.iterations / 10);
}

TEST_F(TicketFuzz, DamagedRecordsAsSnapshotOrCallersDevmode)
{
    // An input: one byte that says where the record goes (bit 0: the caller's DEVMODE, else the
    // snapshot), then the record.
    constexpr size_t kControl = 1;
    const DRVDEVMODE& bound = provider.dmBound;

    drvfuzz::Target target;
    target.name = "ticket-record";
    target.sizeFields = {{kControl + offsetof(DEVMODEW, dmSize), 2}, {kControl + offsetof(DEVMODEW, dmDriverExtra), 2}};
    target.maxSize = kControl + DRV_DEVMODE_SIZE + 64;
    auto entry = [&](BYTE where, const DRVDEVMODE& dm, size_t size) {
        Bytes b(kControl + size);
        b[0] = where;
        std::memcpy(b.data() + kControl, &dm, size);
        target.corpus.push_back(b);
    };
    DRVDEVMODE dm = bound;
    dm.dmPublic.dmCopies = 3;
    dm.dmPrivate.dwFinishingMode = FINISHINGMODE_BOOKLET;
    for (BYTE where = 0; where < 2; ++where) {
        entry(where, dm, sizeof dm);
        DRVDEVMODE pub = dm;
        pub.dmPublic.dmDriverExtra = 0;
        entry(where, pub, DRV_DEVMODE_PUBLIC_SIZE);
        pub.dmPublic.dmDriverExtra = DRV_DEVMODE_MIN_EXTRA;
        entry(where, pub, DRV_DEVMODE_PUBLIC_SIZE + DRV_DEVMODE_MIN_EXTRA);
    }

    drvfuzz::GuardedBlock block(0x4000);
    ASSERT_TRUE(block.ok());
    static const wchar_t* const kOdd[PTNS_COUNT] = {L"f", L"k", L"v", L"i", L"t"};
    const std::wstring plain = Root(L"", kOdd);
    target.run = [&](const Bytes& input) {
        const bool callers = !input.empty() && (input[0] & 1);
        const size_t given = input.size() > kControl ? input.size() - kControl : 0;
        const BYTE* record = input.data() + std::min(kControl, input.size());
        IXMLDOMDocument2* ticket = Load(callers ? plain : Root(SnapshotParam(record, given), kOdd));
        ASSERT_NE(ticket, nullptr);
        if (callers) {
            if (given == 0) {
                DEVMODEW* out = nullptr;
                EXPECT_EQ(PtTicketToDevmode(&provider, ticket, 0, &bound.dmPublic, nullptr, &out), E_INVALIDARG);
                EXPECT_EQ(out, nullptr);
            } else {
                // Exactly the bytes given, the last of them touching the inaccessible page.
                const BYTE* in = block.place(record, given, given);
                ASSERT_NE(in, nullptr);
                DRVDEVMODE head;
                std::memset(&head, 0, sizeof head);
                std::memcpy(&head, record, std::min(given, sizeof head));
                const DEVMODEW& h = head.dmPublic;
                WCHAR name[DRV_MODELNAME_CCH];
                std::memcpy(name, head.dmPrivate.szModelName, sizeof name);
                name[DRV_MODELNAME_CCH - 1] = L'\0';
                const bool whole = given >= DRV_DEVMODE_SIZE && h.dmSize == DRV_DEVMODE_PUBLIC_SIZE &&
                                   h.dmDriverExtra == DRV_DEVMODE_EXTRA_SIZE &&
                                   h.dmSpecVersion == DRV_DEVMODE_SPEC_VERSION &&
                                   h.dmDriverVersion == DRV_DEVMODE_DRIVER_VERSION &&
                                   _wcsicmp(name, bound.dmPrivate.szModelName) == 0;
                ConvertAndCheck(ticket, in, static_cast<ULONG>(given), whole);
            }
        } else {
            const BYTE* in = block.place(reinterpret_cast<const BYTE*>(&bound), sizeof bound, sizeof bound);
            ASSERT_NE(in, nullptr);
            ConvertAndCheck(ticket, in, sizeof bound);
        }
        ticket->Release();
    };

    const drvfuzz::Outcome outcome = drvfuzz::Run(target, drvfuzz::Budget::FromEnvironment(2000));
    EXPECT_GT(outcome.iterations, target.corpus.size());
    EXPECT_EQ(outcome.failingInputs, 0u);
}

}  // namespace
