// A stand-in for the printer family's encryption library (see standin_cipher.h). Sessions are
// kept in a small table; the handle is the slot number plus one. Built twice: VRCRYPT.DLL with
// every entry point, and VRCRYPTN.DLL (VRCRYPT_NO_EX2) without InitEncryptionEx2.
#include <windows.h>

#include <cstring>
#include <vector>

#include "crypto_api.h"
#include "standin_cipher.h"

namespace {

struct Session {
    bool used = false;
    bool initialised = false;
    standin::Keystream keys{"", 0, 0, 0};
    DWORD blocks = 0;
    DWORD bytes = 0;
    std::vector<BYTE> out;
};

constexpr DWORD kSessions = 8;
Session g_sessions[kSessions];

Session* Find(CRYPTHANDLE handle)
{
    if (handle == 0 || handle > kSessions || !g_sessions[handle - 1].used) return nullptr;
    return &g_sessions[handle - 1];
}

DWORD Init(CRYPTHANDLE handle, DWORD kind, DWORD option1, DWORD option2, const char* password, DWORD length,
           const BYTE** out, DWORD* outLength)
{
    Session* s = Find(handle);
    if (!s || !out || !outLength || length > standin::kMaxPassword) return 1;
    s->keys = standin::Keystream(password, length, option1, option2);
    s->initialised = true;
    const standin::Header header = {standin::kHeaderMagic, kind, option1, option2, length,
                                    standin::Fnv(password, length)};
    s->out.assign(reinterpret_cast<const BYTE*>(&header), reinterpret_cast<const BYTE*>(&header + 1));
    *out = s->out.data();
    *outLength = static_cast<DWORD>(s->out.size());
    return 0;
}

}  // namespace

extern "C" {

CRYPTHANDLE WINAPI CreateEncryption(void)
{
    for (DWORD i = 0; i < kSessions; ++i)
        if (!g_sessions[i].used) {
            g_sessions[i] = Session{};
            g_sessions[i].used = true;
            return i + 1;
        }
    return 0;
}

DWORD WINAPI InitEncryption(CRYPTHANDLE handle, const void* params, const BYTE** out, DWORD* outLength)
{
    const auto* p = static_cast<const CRYPTO_PARAMS*>(params);
    return Init(handle, standin::kInit, p->option1, p->option2, p->password,
                static_cast<DWORD>(strnlen(p->password, sizeof p->password)), out, outLength);
}

DWORD WINAPI InitEncryptionEx(CRYPTHANDLE handle, const void* params, DWORD passwordLength, const BYTE** out,
                              DWORD* outLength)
{
    const auto* p = static_cast<const CRYPTO_PARAMS*>(params);
    if (passwordLength > sizeof p->password) passwordLength = sizeof p->password;
    return Init(handle, standin::kInitEx, p->option1, p->option2, p->password, passwordLength, out, outLength);
}

#ifndef VRCRYPT_NO_EX2
DWORD WINAPI InitEncryptionEx2(CRYPTHANDLE handle, DWORD kind, const CRYPTO_PARAMS_EX2* params, DWORD passwordLength,
                               const BYTE** out, DWORD* outLength)
{
    if (kind != 2 || !params || passwordLength >= sizeof params->password) return 1;
    return Init(handle, standin::kInitEx2, params->option1, params->option2, params->password, passwordLength, out,
                outLength);
}
#endif

DWORD WINAPI UpdateEncryption(CRYPTHANDLE handle, const BYTE* data, DWORD length, const BYTE** out,
                              DWORD* outLength)
{
    Session* s = Find(handle);
    if (!s || !s->initialised || !data || !out || !outLength) return 1;
    const standin::BlockHead head = {s->blocks++, length};
    s->out.resize(sizeof head + length);
    memcpy(s->out.data(), &head, sizeof head);
    s->keys.Apply(data, s->out.data() + sizeof head, length);
    s->bytes += length;
    *out = s->out.data();
    *outLength = static_cast<DWORD>(s->out.size());
    return 0;
}

DWORD WINAPI EndEncryption(CRYPTHANDLE handle, const BYTE** out, DWORD* outLength)
{
    Session* s = Find(handle);
    if (!s || !s->initialised || !out || !outLength) return 1;
    const standin::Trailer trailer = {standin::kTrailerMagic, s->blocks, s->bytes};
    s->out.assign(reinterpret_cast<const BYTE*>(&trailer), reinterpret_cast<const BYTE*>(&trailer + 1));
    *out = s->out.data();
    *outLength = static_cast<DWORD>(s->out.size());
    return 0;
}

DWORD WINAPI DeleteEncryption(CRYPTHANDLE handle)
{
    Session* s = Find(handle);
    if (!s) return 0;
    *s = Session{};
    return 1;
}

DWORD WINAPI EncryptPassword(const char* password, DWORD length, BYTE* out, DWORD* outLength)
{
    if (!password || !out || !outLength) return 0;
    const DWORD sealed = standin::SealPassword(password, length, out, *outLength);
    if (sealed) *outLength = sealed;
    return sealed != 0;
}

DWORD WINAPI DecryptPassword(const BYTE* blob, DWORD length, char* out, DWORD* outLength)
{
    if (!blob || !out || !outLength) return 0;
    return standin::OpenPassword(blob, length, out, *outLength, outLength) ? 1 : 0;
}

}  // extern "C"
