// Pictures of windows for tests; see window_capture.h.
#include "window_capture.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "test_files.h"

void PumpMessages()
{
    MSG msg;
    for (int round = 0; round < 4; ++round) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

WindowCapture WindowCapture::Of(HWND window)
{
    WindowCapture c;
    UpdateWindow(window);
    PumpMessages();
    RECT client;
    if (!GetClientRect(window, &client) || client.right <= 0 || client.bottom <= 0) return c;
    const int w = client.right, h = client.bottom;
    HDC dc = GetDC(window);
    if (!dc) return c;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC mem = CreateCompatibleDC(dc);
    if (section && mem && bits) {
        HGDIOBJ old = SelectObject(mem, section);
        BitBlt(mem, 0, 0, w, h, dc, 0, 0, SRCCOPY);
        GdiFlush();
        c.width_ = w;
        c.height_ = h;
        c.pixels_.resize(static_cast<size_t>(w) * h);
        const auto* source = static_cast<const uint32_t*>(bits);
        for (size_t i = 0; i < c.pixels_.size(); ++i) c.pixels_[i] = source[i] & 0xFFFFFF;
        SelectObject(mem, old);
    }
    if (mem) DeleteDC(mem);
    if (section) DeleteObject(section);
    ReleaseDC(window, dc);
    return c;
}

uint32_t WindowCapture::at(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0xFFFFFFFF;
    return pixels_[static_cast<size_t>(y) * width_ + x];
}

COLORREF WindowCapture::color(int x, int y) const
{
    const uint32_t p = at(x, y);
    if (p == 0xFFFFFFFF) return CLR_INVALID;
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

int WindowCapture::count(const RECT& area, COLORREF wanted) const
{
    int n = 0;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            if (color(x, y) == wanted) ++n;
        }
    }
    return n;
}

RECT WindowCapture::boundsOfOther(const RECT& area, COLORREF background) const
{
    RECT r = {area.right, area.bottom, area.left, area.top};
    bool any = false;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            const COLORREF c = color(x, y);
            if (c == CLR_INVALID || c == background) continue;
            any = true;
            r.left = std::min<LONG>(r.left, x);
            r.top = std::min<LONG>(r.top, y);
            r.right = std::max<LONG>(r.right, x + 1);
            r.bottom = std::max<LONG>(r.bottom, y + 1);
        }
    }
    return any ? r : RECT{0, 0, 0, 0};
}

namespace {

uint32_t Crc32(const unsigned char* data, size_t n, uint32_t crc = 0)
{
    crc = ~crc;
    for (size_t i = 0; i < n; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void PutBig32(std::string& out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

void Chunk(std::string& out, const char* type, const std::string& data)
{
    PutBig32(out, static_cast<uint32_t>(data.size()));
    std::string body(type, 4);
    body += data;
    out += body;
    PutBig32(out, Crc32(reinterpret_cast<const unsigned char*>(body.data()), body.size()));
}

}  // namespace

std::string WindowCapture::png() const
{
    // Up to 256 colours the pixels are indexes into a palette of the colours in the order they
    // first appear, packed as tightly as their number allows; beyond that, RGB.
    std::vector<uint32_t> palette;
    std::unordered_map<uint32_t, uint8_t> index;
    for (uint32_t p : pixels_) {
        if (index.count(p)) continue;
        if (palette.size() == 256) {
            palette.clear();
            break;
        }
        index.emplace(p, static_cast<uint8_t>(palette.size()));
        palette.push_back(p);
    }
    const bool indexed = !palette.empty();
    const int depth = !indexed ? 8 : palette.size() <= 2 ? 1 : palette.size() <= 4 ? 2 : palette.size() <= 16 ? 4 : 8;

    // Raw rows (filter byte 0, then the pixels), in zlib stored blocks of at most 65535 bytes.
    std::string raw;
    for (int y = 0; y < height_; ++y) {
        raw.push_back('\0');
        if (!indexed) {
            for (int x = 0; x < width_; ++x) {
                const uint32_t p = pixels_[static_cast<size_t>(y) * width_ + x];
                raw.push_back(static_cast<char>((p >> 16) & 0xFF));
                raw.push_back(static_cast<char>((p >> 8) & 0xFF));
                raw.push_back(static_cast<char>(p & 0xFF));
            }
            continue;
        }
        unsigned acc = 0;
        int bits = 0;
        for (int x = 0; x < width_; ++x) {
            acc = (acc << depth) | index[pixels_[static_cast<size_t>(y) * width_ + x]];
            bits += depth;
            if (bits == 8) {
                raw.push_back(static_cast<char>(acc));
                acc = 0;
                bits = 0;
            }
        }
        if (bits) raw.push_back(static_cast<char>(acc << (8 - bits)));
    }
    std::string z = "\x78\x01";
    size_t pos = 0;
    do {
        const size_t n = std::min<size_t>(65535, raw.size() - pos);
        const bool last = pos + n == raw.size();
        z.push_back(last ? '\x01' : '\x00');
        z.push_back(static_cast<char>(n & 0xFF));
        z.push_back(static_cast<char>(n >> 8));
        z.push_back(static_cast<char>(~n & 0xFF));
        z.push_back(static_cast<char>((~n >> 8) & 0xFF));
        z.append(raw, pos, n);
        pos += n;
    } while (pos < raw.size());
    uint32_t a = 1, b = 0;
    for (unsigned char ch : raw) {
        a = (a + ch) % 65521;
        b = (b + a) % 65521;
    }
    PutBig32(z, (b << 16) | a);

    std::string out = "\x89PNG\r\n\x1a\n";
    std::string header;
    PutBig32(header, static_cast<uint32_t>(width_));
    PutBig32(header, static_cast<uint32_t>(height_));
    header.push_back(static_cast<char>(depth));
    header.push_back(indexed ? '\x03' : '\x02');
    header += std::string(3, '\0');
    Chunk(out, "IHDR", header);
    if (indexed) {
        std::string plte;
        for (uint32_t p : palette) {
            plte.push_back(static_cast<char>((p >> 16) & 0xFF));
            plte.push_back(static_cast<char>((p >> 8) & 0xFF));
            plte.push_back(static_cast<char>(p & 0xFF));
        }
        Chunk(out, "PLTE", plte);
    }
    Chunk(out, "IDAT", z);
    Chunk(out, "IEND", "");
    return out;
}

bool WindowCapture::writePng(const std::wstring& path) const
{
    return WriteTextFile(path, png());
}

void KeepCaptureForReview(const WindowCapture& capture, const std::wstring& name)
{
    WCHAR folder[MAX_PATH];
    const DWORD n = GetEnvironmentVariableW(L"DRV_CAPTURE_DIR", folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    std::wstring path = folder;
    if (path.back() != L'\\' && path.back() != L'/') path += L'\\';
    CreateDirectoryW(path.c_str(), nullptr);
    capture.writePng(path + name + L".png");
}

bool MatchesGolden(const WindowCapture& capture, const std::wstring& goldenPath, std::string* message)
{
    const std::string actual = capture.png();
    if (GetEnvironmentVariableW(L"DRV_UPDATE_GOLDEN", nullptr, 0) > 0) {
        if (!WriteTextFile(goldenPath, actual)) {
            *message = "cannot write the golden file";
            return false;
        }
        return true;
    }
    const std::string golden = ReadTextFile(goldenPath);
    if (golden.empty()) {
        *message = "no golden file (set DRV_UPDATE_GOLDEN to write it after review)";
        return false;
    }
    if (golden != actual) {
        *message = "the capture differs from the golden file";
        return false;
    }
    return true;
}
