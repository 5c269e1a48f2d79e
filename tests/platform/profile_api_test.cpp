// Behaviour of the profile functions that the model-data and settings readers
// rely on: GetPrivateProfileStringW, GetPrivateProfileIntW and
// WritePrivateProfileStringW. Every test works on its own INI file in a fresh
// folder under the temporary folder, and removes it afterwards.

#include <windows.h>

#include <gtest/gtest.h>

#include "test_files.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

// A folder of its own under the temporary folder, removed with its contents; its path has no
// trailing backslash.
class ScratchFolder {
 public:
  const std::wstring& path() const { return path_; }

 private:
  TempFolder folder_;
  std::wstring path_ = folder_.path().substr(0, folder_.path().size() - 1);
};

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()),
                            &written, nullptr);
  CloseHandle(h);
  return ok && written == bytes.size();
}

std::string ReadFileBytes(const std::wstring& path) {
  std::string bytes;
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return bytes;
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(h, chunk, sizeof chunk, &got, nullptr) && got != 0)
    bytes.append(chunk, got);
  CloseHandle(h);
  return bytes;
}

// UTF-16LE bytes of a wide string, as they stand in a Unicode INI file.
std::string Utf16Bytes(const std::wstring& text) {
  std::string bytes;
  for (wchar_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
  }
  return bytes;
}

// Offsets of the given pieces in the text, in order; npos for a missing one.
std::vector<std::size_t> Offsets(const std::string& text,
                                 const std::vector<std::string>& pieces) {
  std::vector<std::size_t> at;
  for (const auto& p : pieces) at.push_back(text.find(p));
  return at;
}

bool StrictlyAscending(const std::vector<std::size_t>& v) {
  for (std::size_t i = 0; i < v.size(); ++i) {
    if (v[i] == std::string::npos) return false;
    if (i > 0 && v[i] <= v[i - 1]) return false;
  }
  return true;
}

// Joins names into a list of NUL-terminated strings (without the final
// second NUL), the form the list calls count.
std::wstring NulList(const std::vector<std::wstring>& names) {
  std::wstring list;
  for (const auto& n : names) list += n + L'\0';
  return list;
}

constexpr std::size_t kGuard = 8;
constexpr wchar_t kGuardChar = L'#';

// Result of one GetPrivateProfileStringW call into a buffer of `size`
// characters followed by guard characters that must stay untouched.
struct ProfileRead {
  DWORD count = 0;
  std::wstring buffer;  // all `size` characters of the buffer
  bool guard_intact = false;

  std::wstring text() const { return std::wstring(buffer.c_str()); }
};

ProfileRead ReadProfile(const wchar_t* section, const wchar_t* key,
                        const wchar_t* def, DWORD size,
                        const std::wstring& file) {
  std::vector<wchar_t> buf(size + kGuard, kGuardChar);
  ProfileRead r;
  r.count = GetPrivateProfileStringW(section, key, def, buf.data(), size,
                                     file.c_str());
  r.buffer.assign(buf.data(), size);
  r.guard_intact = std::all_of(buf.begin() + size, buf.end(),
                               [](wchar_t c) { return c == kGuardChar; });
  return r;
}

// A model data file as the readers meet it: ANSI text, CRLF line ends.
const char kDataFile[] =
    "; whole-line comment before the first section\r\n"
    "[Values]\r\n"
    "Plain=hello\r\n"
    "  Padded   =   padded value   \r\n"
    "Empty=\r\n"
    "DoubleQuoted=\"quoted text\"\r\n"
    "SingleQuoted='single text'\r\n"
    "TwoQuoted=\"first\",\"second\"\r\n"
    "Unbalanced=\"open\r\n"
    "Trailing=value ; remark\r\n"
    "; Commented=hidden\r\n"
    "Long=0123456789ABCDEF\r\n"
    "\r\n"
    "[Numbers]\r\n"
    "Decimal=42\r\n"
    "Blanks=   7\r\n"
    "Negative=-17\r\n"
    "Garbage=12abc\r\n"
    "Hex=0x10\r\n"
    "Plus=+5\r\n"
    "Word=abc\r\n"
    "Empty=\r\n";

const std::vector<std::wstring> kValuesKeys = {
    L"Plain",        L"Padded",    L"Empty",      L"DoubleQuoted",
    L"SingleQuoted", L"TwoQuoted", L"Unbalanced", L"Trailing",
    L"Long"};
const std::vector<std::wstring> kSections = {L"Values", L"Numbers"};

class ProfileApi : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(folder_.path().empty()) << "no temporary folder";
    ini_ = folder_.path() + L"\\probe.ini";
  }
  void TearDown() override {
    // Drop the cached copy before the file goes away.
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, ini_.c_str());
  }

  void UseDataFile() { ASSERT_TRUE(WriteFileBytes(ini_, kDataFile)); }

  BOOL Write(const wchar_t* section, const wchar_t* key, const wchar_t* value) {
    return WritePrivateProfileStringW(section, key, value, ini_.c_str());
  }
  std::wstring Value(const wchar_t* section, const wchar_t* key) {
    return ReadProfile(section, key, L"<default>", 256, ini_).text();
  }
  std::vector<std::wstring> List(const wchar_t* section) {
    const ProfileRead r = ReadProfile(section, nullptr, L"", 4096, ini_);
    std::vector<std::wstring> names;
    std::size_t start = 0;
    for (std::size_t i = 0; i < r.count && i < r.buffer.size(); ++i) {
      if (r.buffer[i] == L'\0') {
        names.push_back(r.buffer.substr(start, i - start));
        start = i + 1;
      }
    }
    return names;
  }

  ScratchFolder folder_;
  std::wstring ini_;
};

TEST_F(ProfileApi, ValuesAreTrimmedUnquotedAndLookedUpWithoutCase) {
  UseDataFile();
  struct Case {
    const wchar_t* section;
    const wchar_t* key;
    const wchar_t* def;
    std::wstring expected;
  };
  const Case cases[] = {
      {L"Values", L"Plain", L"dflt", L"hello"},
      {L"VALUES", L"pLAIN", L"dflt", L"hello"},
      {L"Values", L"Padded", L"dflt", L"padded value"},
      // Present but empty: the empty text, not the default.
      {L"Values", L"Empty", L"dflt", L""},
      {L"Values", L"Missing", L"dflt", L"dflt"},
      {L"NoSuchSection", L"Plain", L"dflt", L"dflt"},
      // Trailing blanks of a default are cut; a NULL default is empty.
      {L"Values", L"Missing", L"dflt   ", L"dflt"},
      {L"Values", L"Missing", nullptr, L""},
      // Quotes around the whole value are dropped, single or double ones.
      {L"Values", L"DoubleQuoted", L"dflt", L"quoted text"},
      {L"Values", L"SingleQuoted", L"dflt", L"single text"},
      // A value that merely starts and ends with the same quote loses
      // those two as well (Wine 8.0): a list of quoted names comes back
      // without its first and last quote.
      {L"Values", L"TwoQuoted", L"dflt", L"first\",\"second"},
      {L"Values", L"Unbalanced", L"dflt", L"\"open"},
      // ';' after a value is part of the value.
      {L"Values", L"Trailing", L"dflt", L"value ; remark"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "[" << (c.section ? c.section : L"(null)") << "] "
                 << c.key << " default " << (c.def ? c.def : L"(null)"));
    const ProfileRead r = ReadProfile(c.section, c.key, c.def, 64, ini_);
    EXPECT_EQ(r.text(), c.expected);
    EXPECT_EQ(r.count, c.expected.size());
    EXPECT_TRUE(r.guard_intact);
  }
}

TEST_F(ProfileApi, LongValueIsCutToBufferSizeLessOne) {
  UseDataFile();
  const std::wstring full = L"0123456789ABCDEF";
  const DWORD sizes[] = {1, 2, 8, 16, 17, 64};
  for (DWORD size : sizes) {
    SCOPED_TRACE(testing::Message() << "buffer of " << size);
    const ProfileRead r = ReadProfile(L"Values", L"Long", L"", size, ini_);
    const std::size_t kept = std::min<std::size_t>(full.size(), size - 1);
    EXPECT_EQ(r.count, kept);
    EXPECT_EQ(r.buffer.substr(0, kept + 1), full.substr(0, kept) + L'\0');
    EXPECT_TRUE(r.guard_intact);
  }
}

TEST_F(ProfileApi, KeyAndSectionListsAreDoubleNulTerminated) {
  UseDataFile();
  // The comment lines give neither a key nor a section.
  EXPECT_EQ(List(L"Values"), kValuesKeys);
  EXPECT_EQ(List(L"vALUES"), kValuesKeys);
  EXPECT_EQ(List(nullptr), kSections);

  struct Case {
    const wchar_t* section;
    std::vector<std::wstring> names;
  };
  const Case cases[] = {{L"Values", kValuesKeys}, {nullptr, kSections}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.section ? "key list" : "section list");
    const std::wstring list = NulList(c.names);
    const DWORD full = static_cast<DWORD>(list.size());
    const DWORD sizes[] = {3, 4, 7, 8, 9, full - 1, full, full + 1, full + 2};
    for (DWORD size : sizes) {
      SCOPED_TRACE(testing::Message() << "buffer of " << size);
      const ProfileRead r = ReadProfile(c.section, nullptr, L"", size, ini_);
      EXPECT_TRUE(r.guard_intact);
      if (size >= full + 2) {
        // Every name with its NUL, then the closing NUL.
        EXPECT_EQ(r.count, full);
        EXPECT_EQ(r.buffer.substr(0, full + 1), list + L'\0');
      } else if (size == full + 1) {
        // Wine 8.0: the whole list fits, yet the count is that of a cut
        // list (size - 2), one less than the characters copied.
        EXPECT_EQ(r.count, size - 2);
        EXPECT_EQ(r.buffer, list + L'\0');
      } else {
        // Too small: the last name is cut and the list is closed with two
        // NULs inside the buffer. When the cut of a key list falls just
        // after a whole name, Wine 8.0 writes one NUL less and leaves the
        // last character of the buffer as it was.
        const std::wstring kept = list.substr(0, size - 2);
        EXPECT_EQ(r.count, size - 2);
        EXPECT_EQ(r.buffer.substr(0, size - 1), kept + L'\0');
        const bool untouched_end = c.section != nullptr && kept.back() == L'\0';
        EXPECT_EQ(r.buffer[size - 1], untouched_end ? kGuardChar : L'\0');
      }
    }
  }
}

TEST_F(ProfileApi, IntegerValues) {
  UseDataFile();
  struct Case {
    const wchar_t* key;
    int def;
    int expected;
  };
  const Case cases[] = {
      {L"Decimal", 99, 42},
      {L"Blanks", 99, 7},
      {L"Negative", 99, -17},
      {L"Garbage", 99, 12},  // the leading digits only
      {L"Hex", 99, 16},      // a 0x prefix reads as hexadecimal (undocumented)
      {L"Plus", 99, 5},
      {L"Word", 99, 0},      // present but not a number: 0, not the default
      {L"Missing", 99, 99},
      {L"Missing", -1, -1},
      // Present but empty: the default (Wine 8.0; undocumented).
      {L"Empty", 99, 99},
      {L"Empty", -1, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.key << " default " << c.def);
    EXPECT_EQ(static_cast<int>(
                  GetPrivateProfileIntW(L"Numbers", c.key, c.def, ini_.c_str())),
              c.expected);
  }
}

TEST_F(ProfileApi, MissingFileGivesDefaultsAndIsNotCreated) {
  const ProfileRead r = ReadProfile(L"Values", L"Plain", L"dflt", 64, ini_);
  EXPECT_EQ(r.text(), L"dflt");
  EXPECT_EQ(r.count, 4u);
  EXPECT_EQ(static_cast<int>(
                GetPrivateProfileIntW(L"Values", L"Plain", -1, ini_.c_str())),
            -1);
  EXPECT_EQ(GetFileAttributesW(ini_.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(ProfileApi, WritesKeepOrderOfWriting) {
  // The file does not exist yet: the first write creates it.
  ASSERT_TRUE(Write(L"First", L"A", L"1"));
  ASSERT_TRUE(Write(L"First", L"B", L"2"));
  ASSERT_TRUE(Write(L"Second", L"C", L"3"));
  ASSERT_TRUE(Write(L"first", L"D", L"4"));   // existing section, other case
  ASSERT_TRUE(Write(L"First", L"b", L"20"));  // existing key stays in place

  EXPECT_EQ(List(nullptr), (std::vector<std::wstring>{L"First", L"Second"}));
  EXPECT_EQ(List(L"First"), (std::vector<std::wstring>{L"A", L"B", L"D"}));
  EXPECT_EQ(Value(L"First", L"B"), L"20");

  // On disk: ANSI text, keys at the end of their section, sections at the
  // end of the file.
  const std::string disk = ReadFileBytes(ini_);
  EXPECT_TRUE(StrictlyAscending(Offsets(
      disk, {"[First]", "A=1", "B=20", "D=4", "[Second]", "C=3"})))
      << disk;
  EXPECT_EQ(disk.find("B=2\r"), std::string::npos) << disk;
  EXPECT_EQ(disk.find('\0'), std::string::npos) << "not ANSI text";
}

TEST_F(ProfileApi, NullValueDeletesKeyAndNullKeyDeletesSection) {
  ASSERT_TRUE(WriteFileBytes(ini_,
                             "[First]\r\nA=1\r\nB=2\r\nC=3\r\n"
                             "[Second]\r\nD=4\r\n"
                             "[Third]\r\nE=5\r\n"));
  EXPECT_TRUE(Write(L"First", L"b", nullptr));
  EXPECT_EQ(List(L"First"), (std::vector<std::wstring>{L"A", L"C"}));
  EXPECT_EQ(Value(L"First", L"B"), L"<default>");

  EXPECT_TRUE(Write(L"SECOND", nullptr, nullptr));
  EXPECT_EQ(List(nullptr), (std::vector<std::wstring>{L"First", L"Third"}));
  EXPECT_EQ(Value(L"Second", L"D"), L"<default>");

  const std::string disk = ReadFileBytes(ini_);
  EXPECT_EQ(disk.find("B=2"), std::string::npos) << disk;
  EXPECT_EQ(disk.find("[Second]"), std::string::npos) << disk;
  EXPECT_EQ(disk.find("D=4"), std::string::npos) << disk;
  EXPECT_TRUE(StrictlyAscending(
      Offsets(disk, {"[First]", "A=1", "C=3", "[Third]", "E=5"})))
      << disk;
}

TEST_F(ProfileApi, AllNullWriteFlushesAndRereadsTheFile) {
  ASSERT_TRUE(Write(L"S", L"Written", L"yes"));
  // Documented as returning zero for the flush; Wine 8.0 does the same.
  EXPECT_FALSE(Write(nullptr, nullptr, nullptr));
  EXPECT_NE(ReadFileBytes(ini_).find("Written=yes"), std::string::npos);

  // A change made to the file behind the cache is seen after the flush.
  ASSERT_EQ(Value(L"S", L"Written"), L"yes");
  ASSERT_TRUE(WriteFileBytes(ini_, "[S]\r\nWritten=new\r\n"));
  EXPECT_FALSE(Write(nullptr, nullptr, nullptr));
  EXPECT_EQ(Value(L"S", L"Written"), L"new");
}

TEST_F(ProfileApi, WriteIntoMissingFolderFails) {
  const std::wstring missing = folder_.path() + L"\\absent";
  const std::wstring file = missing + L"\\probe.ini";
  EXPECT_FALSE(WritePrivateProfileStringW(L"S", L"K", L"V", file.c_str()));
  EXPECT_EQ(GetFileAttributesW(missing.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(ProfileApi, UnicodeFileIsReadAndWrittenAsUnicode) {
  // U+4E2D has no form in the ANSI code page.
  ASSERT_TRUE(WriteFileBytes(
      ini_, "\xFF\xFE" + Utf16Bytes(L"[S]\r\nOld=\u4E2Dx\r\n")));
  EXPECT_EQ(Value(L"S", L"Old"), L"\u4E2Dx");

  ASSERT_TRUE(Write(L"S", L"New", L"y\u4E2D"));
  EXPECT_EQ(Value(L"S", L"New"), L"y\u4E2D");
  const std::string disk = ReadFileBytes(ini_);
  EXPECT_EQ(disk.substr(0, 2), "\xFF\xFE");
  EXPECT_NE(disk.find(Utf16Bytes(L"New=y\u4E2D")), std::string::npos);
}

}  // namespace
