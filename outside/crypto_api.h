// The encryption library of a secure job, as its callers see it: the entry points the rendering
// library resolves by name, and the parameter blocks it hands over. The library belongs to the
// printer family and is loaded by path; the bytes it returns through an output pointer stay its
// own and are valid until its next call on the same handle.
#pragma once
#include <windows.h>

// The session a CreateEncryption call opens; 0 is never a session.
typedef DWORD CRYPTHANDLE;

// The secure parameter block as it lies in the DEVMODE (from dwSecureOption1): two option values,
// the plain password while the container is being opened, a value of the library, and the
// keeping time.
struct CRYPTO_PARAMS {
    DWORD option1;
    DWORD option2;
    char password[13];  // not terminated when all 13 bytes are used
    BYTE reserved[3];
    DWORD value;
    WORD keepMinutes;
    WORD keepHours;
};

// The block of InitEncryptionEx2 (kind 2, IC-card jobs): the two option values and a longer
// password.
struct CRYPTO_PARAMS_EX2 {
    DWORD option1;
    DWORD option2;
    char password[33];
};

// The 256-byte blob that EncryptPassword fills; the library reports at most 255 bytes used.
constexpr DWORD CRYPTO_PIN_BLOB_BYTES = 256;
constexpr DWORD CRYPTO_PIN_BLOB_MAX = 255;

typedef CRYPTHANDLE(WINAPI* PFN_CreateEncryption)(void);
typedef DWORD(WINAPI* PFN_InitEncryption)(CRYPTHANDLE handle, const void* params, const BYTE** out, DWORD* outLength);
typedef DWORD(WINAPI* PFN_InitEncryptionEx)(CRYPTHANDLE handle, const void* params, DWORD passwordLength,
                                            const BYTE** out, DWORD* outLength);
typedef DWORD(WINAPI* PFN_InitEncryptionEx2)(CRYPTHANDLE handle, DWORD kind, const CRYPTO_PARAMS_EX2* params,
                                             DWORD passwordLength, const BYTE** out, DWORD* outLength);
// 0 = success.
typedef DWORD(WINAPI* PFN_UpdateEncryption)(CRYPTHANDLE handle, const BYTE* data, DWORD length, const BYTE** out,
                                            DWORD* outLength);
// 0 = success.
typedef DWORD(WINAPI* PFN_EndEncryption)(CRYPTHANDLE handle, const BYTE** out, DWORD* outLength);
// 1 = success.
typedef DWORD(WINAPI* PFN_DeleteEncryption)(CRYPTHANDLE handle);
// Not 0 = success. *outLength holds the room on entry (CRYPTO_PIN_BLOB_MAX) and the blob's length
// on return.
typedef DWORD(WINAPI* PFN_EncryptPassword)(const char* password, DWORD length, BYTE* out, DWORD* outLength);
// 1 = success; *outLength as for EncryptPassword, the result is the plain password's bytes.
typedef DWORD(WINAPI* PFN_DecryptPassword)(const BYTE* blob, DWORD length, char* out, DWORD* outLength);
