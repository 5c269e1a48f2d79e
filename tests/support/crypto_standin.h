// Reads a secure job back for tests: splits the stream into its plain parts and the
// "SecureJobAccessor" frames, and decrypts the frames of the stand-in encryption library
// (outside/standin_cipher.h) into the plain job stream.
#pragma once
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "standin_cipher.h"

namespace standin {

struct SecureFrame {
    std::string location;  // write_start, write or write_end
    std::string payload;   // the SIZE bytes after the frame's line
};

// A secure job: the plain bytes before the first frame, the frames (each closed by the universal
// exit after its bytes, the write_end frame after its pre-print comments) and the plain bytes
// after the last one.
struct SecureStream {
    bool ok = true;
    std::string error;
    std::string before;
    std::vector<SecureFrame> frames;
    std::string after;
};

inline SecureStream SplitSecureStream(const std::string& stream)
{
    static const std::string kHead = "@PJL TAVRESOURCEWRITE LOCATION=\"SecureJobAccessor:";
    static const std::string kUel = "\x1b%-12345X";
    SecureStream result;
    size_t pos = stream.find(kHead);
    result.before = stream.substr(0, pos);
    while (pos != std::string::npos && stream.compare(pos, kHead.size(), kHead) == 0) {
        const size_t quote = stream.find('"', pos + kHead.size());
        const size_t size = quote == std::string::npos ? quote : quote + 1;
        if (size == std::string::npos || stream.compare(size, 6, " SIZE=") != 0) {
            result.ok = false;
            result.error = "malformed frame line at " + std::to_string(pos);
            return result;
        }
        size_t digits = size + 6, end = digits;
        while (end < stream.size() && stream[end] >= '0' && stream[end] <= '9') ++end;
        if (end == digits || end >= stream.size() || stream[end] != '\n') {
            result.ok = false;
            result.error = "frame SIZE without a number and a line feed at " + std::to_string(pos);
            return result;
        }
        const size_t length = std::stoul(stream.substr(digits, end - digits));
        const size_t data = end + 1;
        // The write_end frame carries the job's pre-print information comments before its exit.
        size_t frameEnd = data + length;
        static const std::string kPrePrint = "@PJL COMMENT PREPRINTINFO : ";
        while (frameEnd <= stream.size() && stream.compare(frameEnd, kPrePrint.size(), kPrePrint) == 0) {
            const size_t lineEnd = stream.find('\n', frameEnd);
            if (lineEnd == std::string::npos) break;
            frameEnd = lineEnd + 1;
        }
        if (frameEnd + kUel.size() > stream.size() || stream.compare(frameEnd, kUel.size(), kUel) != 0) {
            result.ok = false;
            result.error = "frame at " + std::to_string(pos) + " is not SIZE bytes followed by the universal exit: \"" +
                           stream.substr(frameEnd, 40) + "\"";
            return result;
        }
        result.frames.push_back({stream.substr(pos + kHead.size(), quote - pos - kHead.size()), stream.substr(data, length)});
        pos = frameEnd + kUel.size();
    }
    if (pos != std::string::npos) result.after = stream.substr(pos);
    return result;
}

// The plain stream of a secure job, with the encryption header and the input size of each block.
struct Decrypted {
    bool ok = true;
    std::string error;
    Header header = {};
    std::string plain;
    std::vector<DWORD> blocks;
};

inline Decrypted DecryptSecureFrames(const std::vector<SecureFrame>& frames, const std::string& password)
{
    Decrypted result;
    auto fail = [&](const std::string& why) {
        result.ok = false;
        result.error = why;
        return result;
    };
    if (frames.size() < 2 || frames.front().location != "write_start" || frames.back().location != "write_end")
        return fail("not write_start, write frames, write_end");
    if (frames.front().payload.size() != sizeof(Header)) return fail("write_start does not carry the header");
    memcpy(&result.header, frames.front().payload.data(), sizeof(Header));
    const DWORD length = static_cast<DWORD>(password.size());
    if (result.header.magic != kHeaderMagic || result.header.passwordLength != length ||
        result.header.passwordCheck != Fnv(password.data(), length))
        return fail("the header does not name this password");
    Keystream keys(password.data(), length, result.header.option1, result.header.option2);
    for (size_t i = 1; i + 1 < frames.size(); ++i) {
        const std::string& payload = frames[i].payload;
        BlockHead head;
        if (frames[i].location != "write" || payload.size() < sizeof head) return fail("frame " + std::to_string(i));
        memcpy(&head, payload.data(), sizeof head);
        if (head.index != i - 1 || head.length != payload.size() - sizeof head)
            return fail("block " + std::to_string(i) + " out of order or of another length");
        std::string plain(head.length, '\0');
        keys.Apply(reinterpret_cast<const BYTE*>(payload.data()) + sizeof head, reinterpret_cast<BYTE*>(plain.data()),
                   head.length);
        result.plain += plain;
        result.blocks.push_back(head.length);
    }
    Trailer trailer;
    if (frames.back().payload.size() != sizeof trailer) return fail("write_end does not carry the trailer");
    memcpy(&trailer, frames.back().payload.data(), sizeof trailer);
    if (trailer.magic != kTrailerMagic || trailer.blocks != result.blocks.size() || trailer.bytes != result.plain.size())
        return fail("the trailer does not count the blocks sent");
    return result;
}

}  // namespace standin
