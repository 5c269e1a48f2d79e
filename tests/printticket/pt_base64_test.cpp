// Base64 of the DEVMODE snapshot: round trips over boundary sizes, the published vectors,
// line breaks between groups, and damaged text that must be bounded by its terminator.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "fuzz.h"
#include "pt_base64.h"

namespace {

std::vector<BYTE> Pattern(size_t n, unsigned seed) {
    drvfuzz::Random random(seed);
    std::vector<BYTE> bytes(n);
    for (BYTE& b : bytes) b = static_cast<BYTE>(random.next());
    return bytes;
}

std::wstring Encode(const std::vector<BYTE>& bytes) {
    std::wstring text(Base64EncodedChars(bytes.size()), L'#');
    EXPECT_EQ(Base64Encode(bytes.data(), static_cast<DWORD>(bytes.size()), text.data()), S_OK);
    EXPECT_EQ(text.back(), L'\0');
    text.pop_back();
    return text;
}

// Decodes twice, as callers do: for the length, then into a buffer of that size.
std::vector<BYTE> Decode(const std::wstring& text) {
    DWORD length = 0xDEADBEEF;
    EXPECT_EQ(Base64Decode(text.c_str(), nullptr, &length), S_OK);
    std::vector<BYTE> bytes(length + 1, 0xCC);
    DWORD written = length;
    EXPECT_EQ(Base64Decode(text.c_str(), bytes.data(), &written), S_OK);
    EXPECT_EQ(written, length);
    EXPECT_EQ(bytes[length], 0xCC) << "wrote past the length it announced";
    bytes.resize(length);
    return bytes;
}

std::vector<BYTE> Bytes(const char* s) { return std::vector<BYTE>(s, s + std::strlen(s)); }

TEST(PtBase64, RoundTripsEveryBoundarySize) {
    const size_t sizes[] = {1, 2, 3, 4, 5, 6, 7, 47, 48, 49, 255, 256, 257, 4379, 4380, 4381};
    for (size_t n : sizes) {
        SCOPED_TRACE(n);
        const std::vector<BYTE> data = Pattern(n, static_cast<unsigned>(n));
        const std::wstring text = Encode(data);
        EXPECT_EQ(text.size() % 4, 0u);
        EXPECT_EQ(text.size(), (n + 2) / 3 * 4);
        const size_t pads = text.size() - text.find_last_not_of(L'=') - 1;
        EXPECT_EQ(pads, (3 - n % 3) % 3);
        EXPECT_EQ(text.find_first_not_of(
                      L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/="),
                  std::wstring::npos);
        EXPECT_EQ(Decode(text), data);
    }
}

TEST(PtBase64, PublishedVectors) {
    const struct {
        const char* plain;
        const wchar_t* text;
    } cases[] = {
        {"f", L"Zg=="}, {"fo", L"Zm8="}, {"foo", L"Zm9v"}, {"foob", L"Zm9vYg=="}, {"fooba", L"Zm9vYmE="},
        {"foobar", L"Zm9vYmFy"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.plain);
        EXPECT_EQ(Encode(Bytes(c.plain)), c.text);
        EXPECT_EQ(Decode(c.text), Bytes(c.plain));
    }
}

TEST(PtBase64, DecodesDamagedAndBrokenTextWithinItsBounds) {
    const struct {
        const wchar_t* text;
        const char* plain;  // what the text gives
    } cases[] = {
        {L"Zm9v\r\nYmFy", "foobar"},           // a line break between groups is skipped
        {L"\r\n\r\nZm9v\n\rYmFy\r\n", "foobar"},  // several, and at both ends
        {L"Zm9vYmF", "foo"},                    // an incomplete last group is ignored
        {L"Zm9vY", "foo"},
        {L"Zm9", ""},
        {L"", ""},
        {L"Zg==Zm8=", "f" "fo"},                // padding ends a group, not the text
        // White space inside a group (a text wrapped or indented by an XML tool) is skipped too.
        {L"Zm\r\n9vYm", "foo"},
        {L"Zm9v\n    YmFy", "foobar"},
        {L" Z m\t9 v Y\r\n\tm F y ", "foobar"},
        {L"Zm\r\n", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.text)));
        EXPECT_EQ(Decode(c.text), Bytes(c.plain));
    }
    // Characters outside the alphabet, above the ASCII range too, count as 0.
    EXPECT_EQ(Decode(L"\x4E00\xFFFF\x00FF\x0100"), std::vector<BYTE>(3, 0));
    EXPECT_EQ(Decode(L"Z\x4E00\x0041=").size(), 2u);
}

TEST(PtBase64, RefusesMissingArgumentsAndShortBuffers) {
    const BYTE data[3] = {1, 2, 3};
    WCHAR text[8];
    DWORD length = 0;
    EXPECT_EQ(Base64Encode(nullptr, 3, text), E_FAIL);
    EXPECT_EQ(Base64Encode(data, 0, text), E_FAIL);
    EXPECT_EQ(Base64Encode(data, 3, nullptr), E_FAIL);
    EXPECT_EQ(Base64Decode(nullptr, nullptr, &length), E_FAIL);
    EXPECT_EQ(Base64Decode(L"Zm9v", nullptr, nullptr), E_FAIL);

    BYTE small[2] = {0xAA, 0xAA};
    length = sizeof small;
    EXPECT_EQ(Base64Decode(L"Zm9v", small, &length), HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(length, 3u);
    EXPECT_EQ(small[0], 0xAA);
    EXPECT_EQ(small[1], 0xAA);
}

// Text placed so that its terminator is the last character before an inaccessible page, and
// output into a block that ends at one: any read past the text or write past the announced
// length faults at once.
void DecodeGuarded(const std::vector<WCHAR>& chars) {
    std::vector<WCHAR> text(chars);
    text.push_back(0);
    drvfuzz::GuardedBlock in(text.size() * sizeof(WCHAR) + 64);
    ASSERT_TRUE(in.ok());
    const auto* placed = reinterpret_cast<const WCHAR*>(
        in.place(reinterpret_cast<const std::uint8_t*>(text.data()), text.size() * sizeof(WCHAR),
                 text.size() * sizeof(WCHAR)));
    DWORD length = 0;
    ASSERT_EQ(Base64Decode(placed, nullptr, &length), S_OK);
    EXPECT_LE(length, chars.size() / 4 * 3);
    drvfuzz::GuardedBlock out(length + 1);
    ASSERT_TRUE(out.ok());
    DWORD written = length;
    ASSERT_EQ(Base64Decode(placed, out.end(length), &written), S_OK);
    EXPECT_EQ(written, length);
    // Text made only of alphabet characters in whole groups round-trips through the encoder.
    const bool canonical = chars.size() % 4 == 0 && length > 0 && [&] {
        for (WCHAR c : chars)
            if (!(iswalnum(c) && c < 128) && c != L'+' && c != L'/') return false;
        return true;
    }();
    if (canonical) {
        std::vector<WCHAR> again(Base64EncodedChars(length));
        ASSERT_EQ(Base64Encode(out.end(length), length, again.data()), S_OK);
        EXPECT_EQ(std::wstring(again.data()), std::wstring(chars.begin(), chars.end()));
    }
}

TEST(PtBase64, FuzzDecodingStaysInsideTextAndBuffer) {
    std::vector<drvfuzz::Bytes> corpus;
    for (size_t n : {1u, 2u, 3u, 10u, 64u, 300u}) {
        const std::wstring text = Encode(Pattern(n, 7));
        std::wstring broken = text.substr(0, text.size() / 2) + L"\r\n" + text.substr(text.size() / 2);
        for (const std::wstring* t : std::initializer_list<const std::wstring*>{&text, &broken}) {
            const auto* raw = reinterpret_cast<const std::uint8_t*>(t->data());
            corpus.emplace_back(raw, raw + t->size() * sizeof(WCHAR));
        }
    }
    drvfuzz::Target target;
    target.name = "pt-base64-decode";
    target.corpus = corpus;
    target.maxSize = 4096;
    target.run = [](const drvfuzz::Bytes& input) {
        std::vector<WCHAR> chars(input.size() / sizeof(WCHAR));
        if (!chars.empty()) std::memcpy(chars.data(), input.data(), chars.size() * sizeof(WCHAR));
        for (WCHAR& c : chars)
            if (c == 0) c = L'A';  // the text runs to the terminator placed after it
        DecodeGuarded(chars);
    };
    const drvfuzz::Outcome outcome = drvfuzz::Run(target, drvfuzz::Budget::FromEnvironment(20000));
    EXPECT_EQ(outcome.failingInputs, 0u);
    EXPECT_GT(outcome.iterations, 0u);
}

}  // namespace
