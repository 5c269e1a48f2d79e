// The rendering library's text formatter.
#include "format.h"

namespace {

constexpr char DIGITS[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
// Fraction digits of "%f": thousandths.
constexpr int FRACTION_DIGITS = 3;

// Output into a fixed destination: characters beyond its room are dropped, one byte is always
// kept for the terminator.
class Sink {
public:
    Sink(char* dest, size_t size) : dest_(dest), room_(size ? size - 1 : 0) {}

    void Put(char c)
    {
        if (count_ < room_) dest_[count_++] = c;
    }
    void Put(const char* text, size_t length)
    {
        for (size_t i = 0; i < length; ++i) Put(text[i]);
    }
    void Zeros(size_t n)
    {
        for (size_t i = 0; i < n; ++i) Put('0');
    }
    DWORD Finish(size_t size)
    {
        if (size) dest_[count_] = '\0';
        return static_cast<DWORD>(count_);
    }

private:
    char* dest_;
    size_t room_;
    size_t count_ = 0;
};

// The digits of value in base (10 or 16) into buffer, ending at its end; returns the first digit.
// At least minDigits digits are produced.
char* Digits(DWORD value, DWORD base, int minDigits, char* end)
{
    char* p = end;
    int produced = 0;
    do {
        *--p = DIGITS[value % base];
        value /= base;
        ++produced;
    } while (value != 0 || produced < minDigits);
    return p;
}

// Signed decimal text of value (with its minus sign) into buffer; returns its length and start.
size_t SignedText(LONG value, char* buffer, size_t size, const char** start)
{
    char* end = buffer + size;
    const DWORD magnitude = static_cast<DWORD>(AbsValue(value));
    char* p = Digits(magnitude, 10, 1, end);
    if (value < 0) *--p = '-';
    *start = p;
    return static_cast<size_t>(end - p);
}

void PutFixed(Sink& out, LONG value)
{
    char buffer[16];
    if (value < 0) out.Put('-');
    const DWORD magnitude = static_cast<DWORD>(AbsValue(value));
    const char* p = Digits(magnitude >> 8, 10, 1, buffer + sizeof buffer);
    out.Put(p, static_cast<size_t>(buffer + sizeof buffer - p));
    const DWORD fraction = magnitude & 0xFF;
    if (fraction == 0) return;
    // Thousandths, rounded; at most 996, so the integer part never carries.
    DWORD thousandths = ((fraction * 100000 / 256) + 50) / 100;
    char digits[FRACTION_DIGITS];
    for (int i = FRACTION_DIGITS - 1; i >= 0; --i) {
        digits[i] = DIGITS[thousandths % 10];
        thousandths /= 10;
    }
    size_t length = FRACTION_DIGITS;
    while (length > 0 && digits[length - 1] == '0') --length;
    out.Put('.');
    out.Put(digits, length);
}

}  // namespace

LONG AbsValue(LONG n)
{
    // Worked on the unsigned value, so the most negative value wraps to itself instead of
    // overflowing.
    const DWORD u = static_cast<DWORD>(n);
    return static_cast<LONG>(n < 0 ? 0u - u : u);
}

DWORD FormatVarArgs(char* dest, size_t destSize, const char* format, va_list args)
{
    if (!dest) return 0;
    Sink out(dest, destSize);
    size_t width = 0;
    char buffer[16];
    for (const char* f = format; f && *f; ++f) {
        if (*f != '%') {
            out.Put(*f);
            continue;
        }
        ++f;
        while (*f >= '0' && *f <= '9') width = static_cast<size_t>(*f++ - '0');
        const char conversion = *f;
        if (conversion == '\0') break;
        switch (conversion) {
        case 'd': {
            const char* p;
            const size_t length = SignedText(va_arg(args, int), buffer, sizeof buffer, &p);
            if (length < width) out.Zeros(width - length);
            out.Put(p, length);
            break;
        }
        case 'l': {
            const char* p;
            const size_t length = SignedText(va_arg(args, int), buffer, sizeof buffer, &p);
            out.Put(p, length);
            break;
        }
        case 'u': {
            const char* p = Digits(va_arg(args, unsigned), 10, 1, buffer + sizeof buffer);
            out.Put(p, static_cast<size_t>(buffer + sizeof buffer - p));
            break;
        }
        case 'x':
        case 'X': {
            const char* p = Digits(va_arg(args, unsigned), 16, 2, buffer + sizeof buffer);
            out.Put(p, static_cast<size_t>(buffer + sizeof buffer - p));
            break;
        }
        case 'c':
            out.Put(static_cast<char>(va_arg(args, unsigned) & 0xFF));
            break;
        case 's':
            for (const char* s = va_arg(args, const char*); s && *s; ++s) out.Put(*s);
            break;
        case 'b':
            if (va_arg(args, unsigned))
                out.Put("true", 4);
            else
                out.Put("false", 5);
            break;
        case 'f':
            PutFixed(out, va_arg(args, int));
            break;
        default:
            out.Put(conversion);
            break;
        }
    }
    return out.Finish(destSize);
}

DWORD FormatString(char* dest, size_t destSize, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const DWORD length = FormatVarArgs(dest, destSize, format, args);
    va_end(args);
    return length;
}
