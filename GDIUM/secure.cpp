// The secure-job container.
#include "secure.h"

#include <cstddef>
#include <cstring>

#include "format.h"
#include "job_trailer.h"
#include "pdev.h"

namespace {

// The kind InitEncryptionEx2 takes for an IC-card job.
constexpr DWORD CRYPTO_KIND_ICCARD = 2;
// Room of the plain password buffers (the library writes at most 255 bytes and a terminator).
constexpr DWORD PASSWORD_BUFFER_BYTES = CRYPTO_PIN_BLOB_BYTES;

const char kStartFrame[] = "@PJL TAVRESOURCEWRITE LOCATION=\"SecureJobAccessor:write_start\" SIZE=%d\n";
const char kWriteFrame[] = "@PJL TAVRESOURCEWRITE LOCATION=\"SecureJobAccessor:write\" SIZE=%d\n";
const char kEndFrame[] = "@PJL TAVRESOURCEWRITE LOCATION=\"SecureJobAccessor:write_end\" SIZE=%d\n";
const char kUel[] = "\033%%-12345X";
const char kKeepingTime[] = "@PJL TAVAUXJOBINFO DATA=\"KeepingTime=%02d:%02d\"\r\n";
const char kIcCardComment[] = "@PJL COMMENT ICCARDJOB\n";
const char kEndOfJob[] = "@PJL EOJ NAME = \"END";

// The DEVMODE's secure parameter block is handed to the library as it lies.
static_assert(offsetof(DRVEXTRA, dwSecureOption2) - offsetof(DRVEXTRA, dwSecureOption1) ==
              offsetof(CRYPTO_PARAMS, option2));
static_assert(offsetof(DRVEXTRA, szCryptoPin) - offsetof(DRVEXTRA, dwSecureOption1) ==
              offsetof(CRYPTO_PARAMS, password));
static_assert(sizeof(DRVEXTRA::szCryptoPin) == sizeof(CRYPTO_PARAMS::password));
static_assert(offsetof(DRVEXTRA, wSecureLimit60) - offsetof(DRVEXTRA, dwSecureOption1) ==
              offsetof(CRYPTO_PARAMS, keepMinutes));
static_assert(offsetof(DRVEXTRA, wSecureLimit24) - offsetof(DRVEXTRA, dwSecureOption1) ==
              offsetof(CRYPTO_PARAMS, keepHours));
static_assert(sizeof(DRVEXTRA::abCryptoPin) == CRYPTO_PIN_BLOB_BYTES);


// A secure job as the container sees it: raster jobs are never encrypted.
bool IsSecureJob(const PDEV* pdev) { return pdev->devmode.dmPrivate.wSecureMode != SECUREMODE_NONE && !IsRasterMode(pdev); }

// Sets the open flag for the writer's own output and restores it afterwards.
class PlainOutput {
public:
    explicit PlainOutput(PDEV* pdev) : secure_(pdev->secure), was_(secure_.open) { secure_.open = TRUE; }
    ~PlainOutput() { secure_.open = was_; }
    PlainOutput(const PlainOutput&) = delete;
    PlainOutput& operator=(const PlainOutput&) = delete;

private:
    SECUREJOB& secure_;
    DWORD was_;
};

BOOL Write(PDEV* pdev, const void* data, DWORD cb)
{
    DWORD taken = 0;
    return SpoolWrite(pdev, data, cb, &taken);
}

BOOL WriteText(PDEV* pdev, const char* text) { return Write(pdev, text, static_cast<DWORD>(strlen(text))); }

// One resource-write frame: its line, the library's bytes and (after the pre-print information,
// which the write_end frame carries) the universal exit. Plain output.
BOOL WriteFrame(PDEV* pdev, const char* line, const BYTE* bytes, DWORD length, bool prePrintInfo = false)
{
    PlainOutput plain(pdev);
    SpoolPrintf(pdev, line, static_cast<LONG>(length));
    const BOOL ok = Write(pdev, bytes, length);
    if (prePrintInfo) WritePrePrintInfo(pdev);
    SpoolPrintf(pdev, kUel, 0);
    return ok && !(pdev->jobStatus & JOBSTATUS_FAILED);
}

void EmptyStaging(SPOOLBUFFER& staging)
{
    staging.cursor = staging.start;
    staging.count = 0;
}

void ClearEntryPoints(SECUREJOB& s)
{
    s.CreateEncryption = nullptr;
    s.InitEncryption = nullptr;
    s.InitEncryptionEx = nullptr;
    s.InitEncryptionEx2 = nullptr;
    s.UpdateEncryption = nullptr;
    s.EndEncryption = nullptr;
    s.DeleteEncryption = nullptr;
    s.EncryptPassword = nullptr;
    s.DecryptPassword = nullptr;
}

// Deletes the session (when there is one) and frees the library. TRUE when DeleteEncryption
// confirmed the deletion.
BOOL CloseLibrary(SECUREJOB& s)
{
    BOOL deleted = FALSE;
    if (s.DeleteEncryption && s.handle) deleted = s.DeleteEncryption(s.handle) == 1;
    s.handle = 0;
    if (s.library) FreeLibrary(s.library);
    s.library = nullptr;
    ClearEntryPoints(s);
    return deleted;
}

// The folder of a full path, with its trailing backslash; empty when the path cannot be resolved.
bool FolderOf(const WCHAR* path, WCHAR* folder, DWORD cch)
{
    WCHAR* filePart = nullptr;
    const DWORD length = GetFullPathNameW(path, cch, folder, &filePart);
    if (length == 0 || length >= cch || !filePart) return false;
    *filePart = L'\0';
    return true;
}

// Outside libraries are taken only from the folder that holds the rendering library's code.
bool IsInOwnFolder(const WCHAR* path)
{
    HMODULE self = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&IsInOwnFolder), &self))
        return false;
    WCHAR own[MAX_PATH], ownFolder[MAX_PATH], folder[MAX_PATH];
    const DWORD ownLength = GetModuleFileNameW(self, own, MAX_PATH);
    if (ownLength == 0 || ownLength >= MAX_PATH) return false;
    if (!FolderOf(own, ownFolder, MAX_PATH) || !FolderOf(path, folder, MAX_PATH)) return false;
    return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, ownFolder, -1, folder, -1) == CSTR_EQUAL;
}

template <class F> bool Resolve(HMODULE library, const char* name, F* entry)
{
    *entry = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library, name)));
    return *entry != nullptr;
}

// Loads the library from the path sent by escape and resolves its entry points. FALSE (nothing
// loaded) when the path is missing or outside the library's own folder, the library does not
// load or a mandatory entry point is missing.
bool LoadCryptoLibrary(PDEV* pdev)
{
    SECUREJOB& s = pdev->secure;
    CloseLibrary(s);
    const ESCAPEBLOCK& path = pdev->escItems[ESCITEM_CRYPTO_DLL_PATH];
    // The stored block carries two zero bytes after its payload, so the path is terminated.
    if (!path.data || path.size < sizeof(WCHAR)) return false;
    const auto* file = reinterpret_cast<const WCHAR*>(path.data);
    if (!file[0] || !IsInOwnFolder(file)) return false;
    s.library = LoadLibraryW(file);
    if (!s.library) return false;
    const bool complete = Resolve(s.library, "CreateEncryption", &s.CreateEncryption) &
                          Resolve(s.library, "InitEncryption", &s.InitEncryption) &
                          Resolve(s.library, "InitEncryptionEx", &s.InitEncryptionEx) &
                          Resolve(s.library, "UpdateEncryption", &s.UpdateEncryption) &
                          Resolve(s.library, "EndEncryption", &s.EndEncryption) &
                          Resolve(s.library, "DeleteEncryption", &s.DeleteEncryption) &
                          Resolve(s.library, "EncryptPassword", &s.EncryptPassword) &
                          Resolve(s.library, "DecryptPassword", &s.DecryptPassword);
    Resolve(s.library, "InitEncryptionEx2", &s.InitEncryptionEx2);
    if (!complete) {
        CloseLibrary(s);
        return false;
    }
    return true;
}

// The stored PIN blob's password into out (terminated); its length, 0 when the blob does not
// decrypt. The blob's length field is cleared at once: the blob is valid again only when it is
// re-encrypted.
DWORD DecryptStoredPin(PDEV* pdev, char* out)
{
    DRVEXTRA& ext = pdev->devmode.dmPrivate;
    DWORD blobLength = ext.dwCryptoPinLen;
    ext.dwCryptoPinLen = 0;
    if (blobLength > CRYPTO_PIN_BLOB_BYTES) blobLength = CRYPTO_PIN_BLOB_BYTES;
    DWORD length = CRYPTO_PIN_BLOB_MAX;
    memset(out, 0, PASSWORD_BUFFER_BYTES);
    if (pdev->secure.DecryptPassword(ext.abCryptoPin, blobLength, out, &length) != 1 ||
        length > CRYPTO_PIN_BLOB_MAX) {
        SecureZeroMemory(out, PASSWORD_BUFFER_BYTES);
        return 0;
    }
    out[length] = '\0';
    return length;
}

// Encrypts the password again into the blob fields; the length is 0 when that fails.
void StorePin(PDEV* pdev, const char* password, DWORD length)
{
    DRVEXTRA& ext = pdev->devmode.dmPrivate;
    BYTE blob[CRYPTO_PIN_BLOB_BYTES] = {};
    DWORD blobLength = CRYPTO_PIN_BLOB_MAX;
    if (pdev->secure.EncryptPassword(password, length, blob, &blobLength) && blobLength <= CRYPTO_PIN_BLOB_MAX) {
        memcpy(ext.abCryptoPin, blob, sizeof blob);
        ext.dwCryptoPinLen = blobLength;
    } else {
        ext.dwCryptoPinLen = 0;
    }
}

// Opens the session with the init call of the job's kind; the password is plain only in between.
// The library's encryption header comes back in *out.
void InitSession(PDEV* pdev, const BYTE** out, DWORD* outLength)
{
    SECUREJOB& s = pdev->secure;
    DRVEXTRA& ext = pdev->devmode.dmPrivate;
    char plain[PASSWORD_BUFFER_BYTES];
    const DWORD length = DecryptStoredPin(pdev, plain);
    if (ext.wSecureMode == SECUREMODE_ICCARD && s.InitEncryptionEx2) {
        CRYPTO_PARAMS_EX2 block = {};
        block.option1 = ext.dwSecureOption1;
        block.option2 = ext.dwSecureOption2;
        const DWORD used = length < sizeof block.password ? length : sizeof block.password - 1;
        memcpy(block.password, plain, used);
        s.InitEncryptionEx2(s.handle, CRYPTO_KIND_ICCARD, &block, used, out, outLength);
        StorePin(pdev, block.password, used);
        SecureZeroMemory(&block, sizeof block);
    } else {
        const DWORD used = length < sizeof ext.szCryptoPin ? length : sizeof ext.szCryptoPin;
        memset(ext.szCryptoPin, 0, sizeof ext.szCryptoPin);
        memcpy(ext.szCryptoPin, plain, used);
        if (ext.wSecureMode == SECUREMODE_ICCARD)
            s.InitEncryptionEx(s.handle, &ext.dwSecureOption1, used, out, outLength);
        else
            s.InitEncryption(s.handle, &ext.dwSecureOption1, out, outLength);
        StorePin(pdev, ext.szCryptoPin,
                 ext.wSecureMode == SECUREMODE_ICCARD ? used
                                                      : static_cast<DWORD>(strnlen(ext.szCryptoPin, sizeof ext.szCryptoPin)));
        SecureZeroMemory(ext.szCryptoPin, sizeof ext.szCryptoPin);
    }
    SecureZeroMemory(plain, sizeof plain);
}

}  // namespace

BOOL IsSecureStaging(const PDEV* pdev) { return IsSecureJob(pdev) && !pdev->secure.open; }

BOOL PrepareSecureJob(PDEV* pdev)
{
    if (!!IsRasterMode(pdev)) return TRUE;
    SECUREJOB& s = pdev->secure;
    if (!OpenSpoolBuffer(&pdev->cryptStaging)) return FALSE;
    if (!s.preface) {
        s.preface = static_cast<char*>(GlobalAlloc(GPTR, SECURE_PREFACE_BYTES));
        s.prefaceLength = 0;
        if (!s.preface) return FALSE;
    }
    s.open = FALSE;
    s.startPending = pdev->devmode.dmPrivate.wSecureMode != SECUREMODE_NONE;
    return TRUE;
}

void WriteSecureInfoLine(PDEV* pdev)
{
    const DRVEXTRA& ext = pdev->devmode.dmPrivate;
    char line[SPOOL_FORMAT_BYTES];
    const DWORD length = FormatString(line, sizeof line, kKeepingTime, static_cast<LONG>(ext.wSecureLimit24),
                                      static_cast<LONG>(ext.wSecureLimit60));
    Write(pdev, line, length);
    if (ext.wSecureMode == SECUREMODE_ICCARD) WriteText(pdev, kIcCardComment);
}

void WriteSecurePreface(PDEV* pdev)
{
    SECUREJOB& s = pdev->secure;
    if (s.preface) {
        Write(pdev, s.preface, s.prefaceLength < SECURE_PREFACE_BYTES ? s.prefaceLength : SECURE_PREFACE_BYTES);
        GlobalFree(s.preface);
        s.preface = nullptr;
        s.prefaceLength = 0;
    }
    WriteSecureInfoLine(pdev);
}

BOOL StartSecureJob(PDEV* pdev)
{
    if (!IsSecureJob(pdev)) return TRUE;
    if (!LoadCryptoLibrary(pdev)) return FALSE;
    SECUREJOB& s = pdev->secure;
    s.handle = s.CreateEncryption();
    const BYTE* out = nullptr;
    DWORD outLength = 0;
    InitSession(pdev, &out, &outLength);
    if (!s.handle || !out || outLength == 0) {
        // Without a session nothing could be encrypted: the job fails rather than go out unframed.
        CloseLibrary(s);
        return FALSE;
    }
    return WriteFrame(pdev, kStartFrame, out, outLength);
}

BOOL FlushEncryptionStaging(PDEV* pdev)
{
    if (!pdev) return FALSE;
    SPOOLBUFFER& staging = pdev->cryptStaging;
    if (staging.count == 0) return TRUE;
    SECUREJOB& s = pdev->secure;
    const BYTE* out = nullptr;
    DWORD outLength = 0;
    // Staged bytes without a session cannot be sent: they are never sent in plain.
    const bool encrypted = s.UpdateEncryption && s.UpdateEncryption(s.handle, staging.start, staging.count, &out, &outLength) == 0;
    EmptyStaging(staging);
    if (!encrypted) {
        pdev->jobStatus |= JOBSTATUS_FAILED;
        return FALSE;
    }
    return outLength == 0 || WriteFrame(pdev, kWriteFrame, out, outLength);
}

BOOL EndSecureJob(PDEV* pdev)
{
    if (!IsSecureJob(pdev)) return TRUE;
    SECUREJOB& s = pdev->secure;
    s.startPending = FALSE;
    FlushEncryptionStaging(pdev);
    const BYTE* out = nullptr;
    DWORD outLength = 0;
    if (s.EndEncryption && s.EndEncryption(s.handle, &out, &outLength) == 0 && outLength != 0)
        WriteFrame(pdev, kEndFrame, out, outLength, true);
    {
        PlainOutput plain(pdev);
        WriteText(pdev, kEndOfJob);
        WriteText(pdev, "\"\n");
        SpoolPrintf(pdev, kUel, 0);
    }
    return CloseLibrary(s);
}

void MoveSecureJob(PDEV* from, PDEV* to)
{
    // The frame of the staged tail leaves with the old PDEV's output.
    FlushEncryptionStaging(from);
    FlushSpoolBuffer(from);
    ReleaseSecureJob(to);
    to->secure = from->secure;
    to->cryptStaging = from->cryptStaging;
    from->secure = {};
    from->cryptStaging = {};
    DRVEXTRA& ne = to->devmode.dmPrivate;
    const DRVEXTRA& oe = from->devmode.dmPrivate;
    ne.wSecureMode = oe.wSecureMode;
    memcpy(ne.abCryptoPin, oe.abCryptoPin, sizeof ne.abCryptoPin);
    ne.dwCryptoPinLen = oe.dwCryptoPinLen;
}

void ReleaseSecureJob(PDEV* pdev)
{
    SECUREJOB& s = pdev->secure;
    CloseLibrary(s);
    if (s.preface) GlobalFree(s.preface);
    s = {};
    CloseSpoolBuffer(&pdev->cryptStaging);
}
