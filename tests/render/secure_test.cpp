// The secure-job container, driven in-process: a PDEV as StartDoc leaves it for a secure job, the
// library path and PIN blob sent by escape, the stream written through SpoolWrite, and
// WritePrinter replaced by a recorder. The stand-in encryption libraries (VRCRYPT.DLL, and
// VRCRYPTN.DLL without InitEncryptionEx2) lie next to this program, which is the folder of the
// rendering library's code here.
#include <windows.h>
#include <winddi.h>

#include <gtest/gtest.h>

#include <cwctype>
#include <string>
#include <vector>

#include "crypto_standin.h"
#include "driver_escapes.h"
#include "escape.h"
#include "import_patch.h"
#include "job_reader.h"
#include "output.h"
#include "pdev.h"
#include "secure.h"
#include "test_files.h"

namespace {

const std::string kUel = "\x1b%-12345X";
const std::string kPreface = kUel + "@PJL JOB NAME=\"secure\"\r\n@PJL SET HOLD=STORE\r\n";
const std::string kKeepingTime = "@PJL TAVAUXJOBINFO DATA=\"KeepingTime=05:07\"\r\n";
const std::string kIcCard = "@PJL COMMENT ICCARDJOB\n";
const std::string kEndOfJob = "@PJL EOJ NAME = \"END\"\n" + kUel;
const HANDLE kPrinter = reinterpret_cast<HANDLE>(0x5EC);

std::string g_spooled;

BOOL WINAPI RecordingWritePrinter(HANDLE printer, LPVOID data, DWORD cb, LPDWORD written)
{
    EXPECT_EQ(printer, kPrinter);
    g_spooled.append(static_cast<const char*>(data), cb);
    *written = cb;
    return TRUE;
}

std::string Pattern(size_t length, int seed)
{
    std::string bytes(length, '\0');
    for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>((i * 13 + seed) % 256);
    return bytes;
}

class Secure : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_spooled.clear();
        ASSERT_TRUE(patch_.active()) << "the program imports WritePrinter";
        standin_ = LoadLibraryW((ExeFolder() + L"VRCRYPT.DLL").c_str());
        ASSERT_NE(standin_, nullptr);
        encrypt_ = reinterpret_cast<PFN_EncryptPassword>(
            reinterpret_cast<void*>(GetProcAddress(standin_, "EncryptPassword")));
        decrypt_ = reinterpret_cast<PFN_DecryptPassword>(
            reinterpret_cast<void*>(GetProcAddress(standin_, "DecryptPassword")));
        ASSERT_TRUE(encrypt_ && decrypt_);
    }
    void TearDown() override
    {
        for (PDEV* pdev : pdevs_) {
            ReleaseSecureJob(pdev);
            FreeEscapeItems(pdev);
            CloseSpoolBuffer(&pdev->spool);
            GlobalFree(pdev);
        }
        if (standin_) FreeLibrary(standin_);
    }

    // A PDEV after StartDoc of a job with this secure mode, the library path and the PIN blob
    // sent by escape, and the job header's preface in its buffer.
    PDEV* MakePdev(WORD secureMode, const std::wstring& library, const std::string& password,
                   WORD rasterMode = RASTERMODE_VECTOR)
    {
        auto* pdev = static_cast<PDEV*>(GlobalAlloc(GPTR, sizeof(PDEV)));
        if (!pdev) return nullptr;
        pdevs_.push_back(pdev);
        pdev->signature1 = pdev->signature2 = PDEV_SIGNATURE;
        pdev->hPrinter = kPrinter;
        pdev->lastEscapeFinal = TRUE;
        DRVEXTRA& ext = pdev->devmode.dmPrivate;
        ext.wRasterMode = rasterMode;
        ext.wSecureMode = secureMode;
        ext.dwSecureOption1 = 2;
        ext.dwSecureOption2 = 3;
        ext.wSecureLimit24 = 5;
        ext.wSecureLimit60 = 7;

        SURFOBJ so = {};
        so.dhpdev = reinterpret_cast<DHPDEV>(pdev);
        if (!library.empty()) {
            WCHAR path[260] = {};
            library.copy(path, 259);
            EXPECT_EQ(EscapeImpl(&so, DRVESC_CRYPTO_DLL_PATH, sizeof path, path, 0, nullptr), 1u);
        }
        BYTE blob[CRYPTO_PIN_BLOB_BYTES] = {};
        DWORD blobLength = CRYPTO_PIN_BLOB_MAX;
        EXPECT_TRUE(encrypt_(password.data(), static_cast<DWORD>(password.size()), blob, &blobLength));
        EXPECT_EQ(EscapeImpl(&so, DRVESC_ENCRYPTED_PIN, blobLength, blob, 0, nullptr), 1u);

        EXPECT_TRUE(OpenSpoolBuffer(&pdev->spool));
        EXPECT_TRUE(PrepareSecureJob(pdev));
        if (pdev->secure.preface) {
            kPreface.copy(pdev->secure.preface, SECURE_PREFACE_BYTES);
            pdev->secure.prefaceLength = static_cast<DWORD>(kPreface.size());
        }
        return pdev;
    }

    static BOOL Write(PDEV* pdev, const std::string& bytes)
    {
        DWORD taken = 0;
        return SpoolWrite(pdev, bytes.data(), static_cast<DWORD>(bytes.size()), &taken);
    }
    // EndDoc: the container is closed and the output flushed. The whole job as spooled.
    static std::string Finish(PDEV* pdev, BOOL* ended)
    {
        *ended = EndSecureJob(pdev);
        EXPECT_TRUE(FlushSpoolBuffer(pdev));
        return g_spooled;
    }
    // The password of the PDEV's PIN blob; "?" when it does not decrypt.
    std::string StoredPassword(const PDEV* pdev) const
    {
        const DRVEXTRA& ext = pdev->devmode.dmPrivate;
        char plain[CRYPTO_PIN_BLOB_BYTES] = {};
        DWORD length = CRYPTO_PIN_BLOB_MAX;
        if (decrypt_(ext.abCryptoPin, ext.dwCryptoPinLen, plain, &length) != 1) return "?";
        return std::string(plain, length);
    }

    HMODULE standin_ = nullptr;
    PFN_EncryptPassword encrypt_ = nullptr;
    PFN_DecryptPassword decrypt_ = nullptr;
    std::vector<PDEV*> pdevs_;

private:
    ImportPatch patch_{SelfModule(), "winspool.drv", "WritePrinter", reinterpret_cast<const void*>(&RecordingWritePrinter)};
};

// The program's folder spelled another way: a detour through its parent, in lower case.
std::wstring RoundaboutFolder()
{
    std::wstring folder = ExeFolder();
    const size_t last = folder.find_last_of(L'\\', folder.size() - 2);
    folder += L"..\\" + folder.substr(last + 1);
    for (WCHAR& c : folder) c = static_cast<WCHAR>(towlower(c));
    return folder;
}

TEST_F(Secure, StreamGoesOutInEncryptedBlocksBehindThePlainPreface)
{
    const struct Case {
        const char* name;
        WORD mode;
        std::wstring library;
        std::string password;
        std::vector<size_t> writes;
        size_t resetAfter;  // writes before a DrvResetPDEV to a new PDEV; 0 none
        DWORD initKind;
        std::vector<DWORD> blocks;
    } cases[] = {
        {"library job", 1, ExeFolder() + L"VRCRYPT.DLL", "4711", {10000}, 0, standin::kInit, {4096, 4096, 1808}},
        {"IC-card job, odd writes", 2, ExeFolder() + L"VRCRYPT.DLL", "IC-card-secret-0123456789",
         {1, 4095, 7, 5000, 333, 2909}, 0, standin::kInitEx2, {4096, 4096, 4096, 57}},
        {"IC-card job, library without InitEncryptionEx2", 2, RoundaboutFolder() + L"vrcryptn.dll", "card-pin-42",
         {4096, 1}, 0, standin::kInitEx, {4096, 1}},
        {"reset during the job", 1, ExeFolder() + L"VRCRYPT.DLL", "0815", {5000, 5000}, 1, standin::kInit,
         {4096, 904, 4096, 904}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_spooled.clear();
        PDEV* pdev = MakePdev(c.mode, c.library, c.password);
        ASSERT_NE(pdev, nullptr);
        std::string input;
        for (size_t i = 0; i < c.writes.size(); ++i) {
            if (i == c.resetAfter && i != 0) {
                PDEV* next = MakePdev(c.mode, L"", "unused");
                MoveSecureJob(pdev, next);
                pdev = next;
            }
            const std::string bytes = Pattern(c.writes[i], static_cast<int>(i));
            EXPECT_TRUE(Write(pdev, bytes));
            input += bytes;
        }
        BOOL ended = FALSE;
        const std::string stream = Finish(pdev, &ended);
        EXPECT_TRUE(ended);
        EXPECT_EQ(pdev->jobStatus & JOBSTATUS_FAILED, 0u);

        const standin::SecureStream split = standin::SplitSecureStream(stream);
        ASSERT_TRUE(split.ok) << split.error;
        EXPECT_EQ(split.before, kPreface + kKeepingTime + (c.mode == 2 ? kIcCard : ""))
            << "only the preface and the information lines precede write_start";
        EXPECT_EQ(split.after, kEndOfJob);
        EXPECT_TRUE(jobreader::ParseJob(split.before + split.after).ok);

        const standin::Decrypted job = standin::DecryptSecureFrames(split.frames, c.password);
        ASSERT_TRUE(job.ok) << job.error;
        EXPECT_EQ(job.header.kind, c.initKind);
        EXPECT_EQ(job.header.option1, 2u);
        EXPECT_EQ(job.header.option2, 3u);
        EXPECT_EQ(job.blocks, c.blocks);
        EXPECT_TRUE(job.plain == input);

        // The password is plain only while the container opens; the blob holds it again after.
        EXPECT_EQ(std::string(pdev->devmode.dmPrivate.szCryptoPin, 13), std::string(13, '\0'));
        EXPECT_EQ(StoredPassword(pdev), c.password);
        EXPECT_EQ(pdev->secure.library, nullptr);
    }
    EXPECT_EQ(GetModuleHandleW(L"VRCRYPTN.DLL"), nullptr) << "the library is released at the end of the job";
}

// A secure job whose library cannot be used fails: no byte of its data leaves, in plain or
// otherwise, and the printer still gets the preface and the end of the job.
TEST_F(Secure, JobWithoutAUsableLibraryFails)
{
    TempFolder elsewhere;
    ASSERT_TRUE(CopyFileW((ExeFolder() + L"VRCRYPT.DLL").c_str(), (elsewhere.path() + L"VRFOREIGN.DLL").c_str(), FALSE));
    const struct Case {
        const char* name;
        std::wstring library;
    } cases[] = {
        {"no path sent", L""},
        {"no such file", ExeFolder() + L"VRNONE.DLL"},
        {"no encryption entry points", ExeFolder() + L"drvprobe.dll"},
        {"library outside the driver's folder", elsewhere.path() + L"VRFOREIGN.DLL"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_spooled.clear();
        PDEV* pdev = MakePdev(1, c.library, "4711");
        ASSERT_NE(pdev, nullptr);
        EXPECT_FALSE(Write(pdev, Pattern(5000, 1)));
        EXPECT_NE(pdev->jobStatus & JOBSTATUS_FAILED, 0u);
        EXPECT_FALSE(Write(pdev, Pattern(10, 2)));
        BOOL ended = TRUE;
        EXPECT_EQ(Finish(pdev, &ended), kPreface + kKeepingTime + kEndOfJob);
        EXPECT_FALSE(ended);
        EXPECT_EQ(pdev->secure.library, nullptr);
    }
    EXPECT_EQ(GetModuleHandleW(L"VRFOREIGN.DLL"), nullptr) << "a library outside the folder is never loaded";
}

TEST_F(Secure, RasterJobsNeverStage)
{
    PDEV* pdev = MakePdev(1, ExeFolder() + L"VRCRYPT.DLL", "4711", RASTERMODE_RASTER);
    ASSERT_NE(pdev, nullptr);
    EXPECT_EQ(pdev->cryptStaging.start, nullptr);
    const std::string bytes = Pattern(10000, 3);
    EXPECT_TRUE(Write(pdev, bytes));
    BOOL ended = FALSE;
    EXPECT_TRUE(Finish(pdev, &ended) == bytes);
    EXPECT_TRUE(ended);
    EXPECT_EQ(pdev->jobStatus, 0u);
    EXPECT_EQ(pdev->secure.library, nullptr);
}

}  // namespace
