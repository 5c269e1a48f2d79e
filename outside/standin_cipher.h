// The stand-in encryption library's cipher, shared by the library and by the tests that read its
// output back. It is deterministic and reversible and protects nothing: the data is XORed with
// a keystream seeded from the password and the two option values.
//
// What the library returns:
//   init (write_start)  STANDIN_HEADER: magic "VRCS", the init call used, both options, the
//                       password's length and a check value of its bytes
//   update (write)      block index and input length (two DWORDs), then the input XORed
//   end (write_end)     magic "VRCE", the number of blocks and of input bytes
//   password blob       'P', the length, then the bytes XORed with a fixed pattern
#pragma once
#include <windows.h>

#include <cstring>

namespace standin {

constexpr DWORD kHeaderMagic = 0x53435256;   // "VRCS"
constexpr DWORD kTrailerMagic = 0x45435256;  // "VRCE"
constexpr DWORD kMaxPassword = 64;

// Which init call opened the session.
enum InitKind : DWORD { kInit = 1, kInitEx = 2, kInitEx2 = 3 };

struct Header {
    DWORD magic;
    DWORD kind;
    DWORD option1;
    DWORD option2;
    DWORD passwordLength;
    DWORD passwordCheck;
};

struct BlockHead {
    DWORD index;
    DWORD length;
};

struct Trailer {
    DWORD magic;
    DWORD blocks;
    DWORD bytes;
};

inline DWORD Fnv(const char* bytes, DWORD length)
{
    DWORD h = 2166136261u;
    for (DWORD i = 0; i < length; ++i) h = (h ^ static_cast<BYTE>(bytes[i])) * 16777619u;
    return h;
}

// The keystream: xorshift32 from a seed of the password and the options.
class Keystream {
public:
    Keystream(const char* password, DWORD length, DWORD option1, DWORD option2)
        : state_(Fnv(password, length) ^ (option1 * 0x9E3779B9u) ^ (option2 * 0x85EBCA6Bu))
    {
        if (state_ == 0) state_ = 1;
    }
    void Apply(const BYTE* in, BYTE* out, DWORD length)
    {
        for (DWORD i = 0; i < length; ++i) out[i] = in[i] ^ Next();
    }

private:
    BYTE Next()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return static_cast<BYTE>(state_ >> 24);
    }
    DWORD state_;
};

inline BYTE PinMask(DWORD i) { return static_cast<BYTE>(0xA5 + i * 31); }

// The password blob; 0 when it does not fit.
inline DWORD SealPassword(const char* password, DWORD length, BYTE* out, DWORD room)
{
    if (length > kMaxPassword || length + 2 > room) return 0;
    out[0] = 'P';
    out[1] = static_cast<BYTE>(length);
    for (DWORD i = 0; i < length; ++i) out[2 + i] = static_cast<BYTE>(password[i]) ^ PinMask(i);
    return length + 2;
}

// The password of a blob; FALSE for a blob that is not one.
inline BOOL OpenPassword(const BYTE* blob, DWORD length, char* out, DWORD room, DWORD* outLength)
{
    if (length < 2 || blob[0] != 'P' || blob[1] != length - 2 || blob[1] >= room) return FALSE;
    for (DWORD i = 0; i < blob[1]; ++i) out[i] = static_cast<char>(blob[2 + i] ^ PinMask(i));
    out[blob[1]] = '\0';
    *outLength = blob[1];
    return TRUE;
}

}  // namespace standin
