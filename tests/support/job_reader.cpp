#include "job_reader.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace jobreader {
namespace {

constexpr char kEsc = '\x1B';
constexpr char kEtx = '\x03';
constexpr std::string_view kUel = "\x1B%-12345X";

// The parameterised PCL commands: parameter and group characters, the terminating letters, and
// those of them followed by a binary payload of value bytes. "*" takes any letter (symbol sets,
// font IDs and default fonts of ESC( and ESC)).
struct PclCommandInfo {
    std::string_view prefix;
    std::string_view letters;
    std::string_view dataLetters;
};
constexpr PclCommandInfo kPclCommands[] = {
    {"%", "ABX", ""},          // HP-GL/2 and PCL mode, universal exit
    {"&a", "CGHLMNPRV", ""},   // cursor, margins, duplex side, print direction
    {"&b", "M", ""},           // monochrome print mode
    {"&c", "T", ""},           // text path
    {"&d", "D@", ""},          // underline
    {"&f", "SXY", ""},         // cursor stack, macros
    {"&k", "GHS", ""},         // line termination, HMI, pitch mode
    {"&l", "ACDEFGHLMOPSTUXZ", ""},  // page size, orientation, source, bin, copies, duplex ...
    {"&n", "W", "W"},          // alphanumeric ID
    {"&p", "CISX", "X"},       // palette management, transparent print data
    {"&r", "F", ""},           // flush pages
    {"&s", "C", ""},           // line wrap
    {"&t", "P", ""},           // text parsing method
    {"&u", "D", ""},           // unit of measure
    {"(", "*", ""},            // primary symbol set, font ID, default font
    {"/l", "O", ""},           // paper-feed edge of the printer family
    {"/t", "R", ""},           // raster resolution of the printer family's 1200-dpi mode
    {"(f", "W", "W"},          // symbol set definition
    {"(s", "BHPSTVW", "W"},    // primary font characteristics, character data
    {")", "*", ""},            // secondary symbol set, font ID, default font
    {")s", "BHPSTVW", "W"},    // secondary font characteristics, font header
    {"*b", "MVWY", "VW"},      // compression, raster data by plane and by row, Y offset
    {"*c", "ABDEFGHKLPQRSTVWXY", "W"},  // rectangles, fonts, patterns, picture frame
    {"*g", "W", "W"},          // configure raster data
    {"*i", "W", "W"},          // viewing illuminant
    {"*l", "ORW", "W"},        // logical operation, pixel placement, colour lookup tables
    {"*m", "W", "W"},          // download dither matrix
    {"*o", "W", "W"},          // driver configuration
    {"*p", "PRXY", ""},        // palette stack, pattern reference point, cursor in dots
    {"*r", "ABCFSTU", ""},     // raster start and end, presentation, size, simple colour
    {"*t", "HIJKRV", ""},      // destination size, gamma, render algorithm, scaling, resolution
    {"*v", "ABCINOSTW", "W"},  // colour components, transparency, pattern, configure image data
};

// The HP-GL/2 mnemonics of PCL 5 colour's HP-GL/2 mode.
constexpr std::string_view kHpglMnemonics[] = {
    "AA", "AC", "AD", "AR", "AT", "BP", "BR", "BZ", "CF", "CI", "CO", "CP", "CR", "CT", "DF",
    "DI", "DL", "DR", "DT", "DV", "EA", "EP", "ER", "ES", "EW", "FI", "FN", "FP", "FT", "IN",
    "IP", "IR", "IW", "LA", "LB", "LM", "LO", "LT", "MC", "MG", "NP", "PA", "PC", "PD", "PE",
    "PM", "PP", "PR", "PS", "PU", "PW", "QL", "RA", "RF", "RO", "RR", "RT", "SA", "SB", "SC",
    "SD", "SI", "SL", "SM", "SP", "SR", "SS", "SV", "TD", "TR", "UL", "WG", "WU",
};
// The mnemonics whose parameters may be quoted strings.
constexpr std::string_view kQuotedParameters[] = {"BP", "CO", "MG"};

bool Between(char c, int low, int high)
{
    const int u = static_cast<unsigned char>(c);
    return u >= low && u <= high;
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

template <typename Table>
bool Contains(const Table& table, std::string_view word)
{
    return std::find(std::begin(table), std::end(table), word) != std::end(table);
}

const PclCommandInfo* FindPcl(char parameter, char group)
{
    const std::string prefix = group ? std::string{parameter, group} : std::string{parameter};
    for (const PclCommandInfo& spec : kPclCommands)
        if (spec.prefix == prefix) return &spec;
    return nullptr;
}

std::string Escaped(std::string_view bytes)
{
    std::string out;
    for (const char c : bytes) {
        if (Between(c, 0x20, 0x7E) && c != '\\' && c != '"') {
            out += c;
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(c));
            out += hex;
        }
    }
    return out;
}

// Reads a number [+-]digits[.digits] at `p`; returns its end, or `p` when there is none.
std::size_t NumberEnd(std::string_view s, std::size_t p)
{
    std::size_t q = p;
    if (q < s.size() && (s[q] == '+' || s[q] == '-')) ++q;
    bool digits = false;
    while (q < s.size() && IsDigit(s[q])) ++q, digits = true;
    if (q < s.size() && s[q] == '.') {
        ++q;
        while (q < s.size() && IsDigit(s[q])) ++q, digits = true;
    }
    return digits ? q : p;
}

double ToNumber(std::string_view text)
{
    return text.empty() ? 0.0 : std::strtod(std::string(text).c_str(), nullptr);
}

// A PJL line's command words (upper-case, single blanks, none around ':') and its value.
struct PjlKeyValue {
    std::string key;
    std::string value;
};
PjlKeyValue SplitPjl(std::string_view line)
{
    PjlKeyValue kv;
    std::size_t p = line.size() >= 4 ? 4 : line.size();  // after "@PJL"
    bool blank = false;
    for (; p < line.size() && line[p] != '='; ++p) {
        const char c = line[p];
        if (IsBlank(c)) {
            blank = true;
            continue;
        }
        if (blank && !kv.key.empty() && c != ':' && kv.key.back() != ':') kv.key += ' ';
        blank = false;
        kv.key += Upper(c);
    }
    if (p == line.size()) return kv;
    for (++p; p < line.size() && IsBlank(line[p]);) ++p;
    const std::size_t start = p;
    if (p < line.size() && line[p] == '"') {
        const std::size_t close = line.find('"', p + 1);
        p = close == std::string_view::npos ? line.size() : close + 1;
    } else {
        while (p < line.size() && !IsBlank(line[p])) ++p;
    }
    kv.value = std::string(line.substr(start, p - start));
    return kv;
}

bool IsPjlPrefixInLowerCase(std::string_view four)
{
    std::string upper;
    for (const char c : four) upper += Upper(c);
    return upper == "@PJL" && four != "@PJL";
}

std::string NormalisedKey(std::string_view key)
{
    return SplitPjl("@PJL " + std::string(key)).key;
}

class Reader {
public:
    enum class Mode { Pjl, Pcl, Hpgl };

    Reader(std::string_view bytes, Mode mode) : s_(bytes), mode_(mode) {}

    JobStream Run()
    {
        while (pos_ < s_.size() && out_.ok) {
            if (s_.substr(pos_, kUel.size()) == kUel) {
                Push(Kind::Uel, pos_);
                pos_ += kUel.size();
                mode_ = Mode::Pjl;
                labelEnd_ = kEtx;
                continue;
            }
            switch (mode_) {
            case Mode::Pjl:
                if (s_.substr(pos_, 4) == "@PJL") ReadPjl();
                else if (IsPjlPrefixInLowerCase(s_.substr(pos_, 4))) Fail(pos_, "PJL prefix in lower case");
                else mode_ = Mode::Pcl;
                break;
            case Mode::Pcl:
                if (s_[pos_] == kEsc) ReadEscape();
                else ReadText();
                break;
            case Mode::Hpgl:
                ReadHpgl();
                break;
            }
        }
        return std::move(out_);
    }

private:
    Item& Push(Kind kind, std::size_t offset)
    {
        Item& item = out_.items.emplace_back();
        item.kind = kind;
        item.offset = offset;
        return item;
    }

    void Fail(std::size_t at, const std::string& what)
    {
        if (!out_.ok) return;
        out_.ok = false;
        out_.errorOffset = at;
        const std::size_t from = at > 16 ? at - 16 : 0;
        out_.error = "offset " + std::to_string(at) + ": " + what + "; bytes \"" +
                     Escaped(s_.substr(from, at - from)) + "\" >>> \"" + Escaped(s_.substr(at, 16)) + "\"";
    }

    void ReadPjl()
    {
        const std::size_t start = pos_;
        if (pos_ + 4 < s_.size() && !IsBlank(s_[pos_ + 4])) return Fail(start, "malformed PJL prefix");
        const std::size_t newline = s_.find('\n', pos_);
        if (newline == std::string_view::npos) return Fail(start, "PJL line without a line end");
        std::size_t end = newline;
        const bool crlf = end > start && s_[end - 1] == '\r';
        if (crlf) --end;
        const std::string_view line = s_.substr(start, end - start);
        for (std::size_t i = 0; i < line.size(); ++i)
            if (Between(line[i], 0, 0x1F) && line[i] != '\t')
                return Fail(start + i, "control byte in a PJL line");
        Item& item = Push(Kind::Pjl, start);
        item.text = std::string(line);
        item.lineEnd = crlf ? "\r\n" : "\n";
        pos_ = newline + 1;
        const PjlKeyValue kv = SplitPjl(line);
        if (kv.key == "ENTER LANGUAGE") {
            std::string language;
            for (const char c : kv.value) language += Upper(c);
            if (language != "PCL") return Fail(start, "language " + kv.value + " is not read");
            mode_ = Mode::Pcl;
        }
    }

    // Text in PCL mode up to the next escape; rejected when it is HP-GL/2 sent in PCL mode.
    void ReadText()
    {
        const std::size_t start = pos_;
        std::size_t end = s_.find(kEsc, pos_);
        if (end == std::string_view::npos) end = s_.size();
        const std::string_view text = s_.substr(start, end - start);
        if (text.find(';') != std::string_view::npos) {
            const JobStream asHpgl = Reader(text, Mode::Hpgl).Run();
            if (asHpgl.ok && !asHpgl.items.empty())
                return Fail(start, "HP-GL/2 commands in PCL mode (" + asHpgl.items[0].mnemonic + ")");
        }
        Push(Kind::Data, start).text = std::string(text);
        pos_ = end;
    }

    void ReadEscape()
    {
        const std::size_t start = pos_;
        if (pos_ + 1 >= s_.size()) return Fail(start, "escape at the end of the stream");
        const char c = s_[pos_ + 1];
        if (Between(c, 48, 126)) {
            if (c != 'E' && c != '9' && c != '=') return Fail(start, "unknown two-character escape");
            Push(Kind::PclTwo, start).letter = c;
            pos_ += 2;
            if (c == 'E') {
                mode_ = Mode::Pcl;
                labelEnd_ = kEtx;
            }
            return;
        }
        if (!Between(c, 33, 47)) return Fail(start, "malformed escape sequence");
        std::size_t p = pos_ + 2;
        char group = 0;
        if (p < s_.size() && Between(s_[p], 96, 126)) group = s_[p++];
        const PclCommandInfo* spec = FindPcl(c, group);
        const std::size_t first = out_.items.size();
        for (bool last = false; !last;) {
            const std::size_t valueStart = p;
            p = NumberEnd(s_, p);
            if (p == valueStart && p < s_.size() && (s_[p] == '+' || s_[p] == '-' || s_[p] == '.'))
                return Fail(p, "malformed value in escape sequence");
            if (p >= s_.size()) return Fail(start, "escape sequence runs past the end");
            const char t = s_[p];
            if (!Between(t, 64, 94) && !Between(t, 96, 126))
                return Fail(p, "malformed escape sequence: no terminating letter");
            last = Between(t, 64, 94);
            const char letter = last ? t : static_cast<char>(t - 32);
            ++p;
            if (!spec || (spec->letters != "*" && spec->letters.find(letter) == std::string_view::npos))
                return Fail(start, std::string("unknown PCL command ESC") + c + (group ? std::string{group} : "") +
                                       "#" + letter);
            Item& item = Push(Kind::Pcl, start);
            item.parameter = c;
            item.group = group;
            item.letter = letter;
            item.value = std::string(s_.substr(valueStart, p - 1 - valueStart));
            item.number = ToNumber(item.value);
            if (spec->dataLetters.find(letter) != std::string_view::npos) {
                const std::string_view v = item.value;
                if (v.find_first_of("-.") != std::string_view::npos)
                    return Fail(valueStart, "byte count of a data command is not a whole number");
                const std::size_t count = static_cast<std::size_t>(item.number);
                if (count > s_.size() - p)
                    return Fail(p, "payload of " + std::to_string(count) + " bytes runs past the end (" +
                                       std::to_string(s_.size() - p) + " left)");
                item.payload = std::string(s_.substr(p, count));
                p += count;
            }
            if (c == '%' && letter == 'X') return Fail(start, "universal exit with a value other than -12345");
            if (c == '%' && letter == 'B') mode_ = Mode::Hpgl;
            if (c == '%' && letter == 'A') mode_ = Mode::Pcl;
        }
        if (out_.items.size() - first > 1)
            for (std::size_t i = first; i < out_.items.size(); ++i) out_.items[i].merged = true;
        pos_ = p;
    }

    void ReadHpgl()
    {
        while (pos_ < s_.size() && (IsBlank(s_[pos_]) || s_[pos_] == ';')) ++pos_;
        if (pos_ >= s_.size() || s_.substr(pos_, kUel.size()) == kUel) return;
        const std::size_t start = pos_;
        if (s_[pos_] == kEsc) {
            const std::size_t first = out_.items.size();
            ReadEscape();
            for (std::size_t i = first; out_.ok && i < out_.items.size(); ++i) {
                const Item& item = out_.items[i];
                if (!(item.kind == Kind::PclTwo && item.letter == 'E') &&
                    !(item.kind == Kind::Pcl && item.parameter == '%' && item.letter == 'A'))
                    return Fail(start, "PCL escape in HP-GL/2 mode");
            }
            return;
        }
        if (pos_ + 1 >= s_.size() || !IsLetter(s_[pos_]) || !IsLetter(s_[pos_ + 1]))
            return Fail(start, "malformed HP-GL/2 mnemonic");
        const std::string mnemonic{Upper(s_[pos_]), Upper(s_[pos_ + 1])};
        if (!Contains(kHpglMnemonics, mnemonic)) return Fail(start, "unknown HP-GL/2 mnemonic " + mnemonic);
        pos_ += 2;
        Item& item = Push(Kind::Hpgl, start);
        item.mnemonic = mnemonic;
        if (mnemonic == "IN" || mnemonic == "DF") labelEnd_ = kEtx;
        if (mnemonic == "LB") return ReadLabel(item);
        if (mnemonic == "PE") return ReadEncodedPolyline(item);
        if (mnemonic == "DT" || mnemonic == "SM") {
            // One character right after the mnemonic (none: the default); DT may add ",mode".
            std::string symbol;
            if (pos_ < s_.size() && s_[pos_] != ';' && s_[pos_] != kEsc && !Between(s_[pos_], 0, 0x1F))
                symbol = std::string(1, s_[pos_++]);
            if (mnemonic == "DT") labelEnd_ = symbol.empty() ? kEtx : symbol[0];
            if (mnemonic == "DT" && pos_ < s_.size() && s_[pos_] == ',') {
                const std::size_t comma = pos_++;
                ReadParameters(item);
                if (item.numbers.size() != 1) return Fail(comma, "DT without its one mode after ','");
                item.text = symbol + "," + item.text;
                return;
            }
            item.text = symbol;
            if (pos_ < s_.size() && s_[pos_] == ';') ++pos_;
            return;
        }
        ReadParameters(item);
    }

    // Numbers (and, for a few commands, quoted strings) separated by commas or blanks, up to
    // ';', the next mnemonic, an escape or the end.
    void ReadParameters(Item& item)
    {
        const std::size_t start = pos_;
        bool needValue = false;
        std::size_t count = 0;
        for (;;) {
            while (pos_ < s_.size() && IsBlank(s_[pos_])) ++pos_;
            const char c = pos_ < s_.size() ? s_[pos_] : ';';
            if (c == ';' || IsLetter(c) || c == kEsc) {
                if (needValue) return Fail(pos_, "HP-GL/2 parameter missing after ','");
                std::string_view text = s_.substr(start, pos_ - start);
                while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
                while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
                item.text = std::string(text);
                if (c == ';' && pos_ < s_.size()) ++pos_;
                return;
            }
            if (c == ',') {
                if (count == 0 || needValue) return Fail(pos_, "empty HP-GL/2 parameter");
                needValue = true;
                ++pos_;
                continue;
            }
            if (c == '"' && Contains(kQuotedParameters, item.mnemonic)) {
                std::size_t close = pos_;
                do {
                    close = s_.find('"', close + 1);
                    if (close == std::string_view::npos) return Fail(pos_, "HP-GL/2 string without its closing quote");
                } while (close + 1 < s_.size() && s_[close + 1] == '"' && ++close);
                pos_ = close + 1;
            } else {
                const std::size_t end = NumberEnd(s_, pos_);
                if (end == pos_) return Fail(pos_, "unexpected byte in the parameters of " + item.mnemonic);
                item.numbers.push_back(ToNumber(s_.substr(pos_, end - pos_)));
                pos_ = end;
            }
            ++count;
            needValue = false;
        }
    }

    void ReadLabel(Item& item)
    {
        const std::size_t end = s_.find(labelEnd_, pos_);
        const std::size_t esc = s_.find(kEsc, pos_);
        if (end == std::string_view::npos || esc < end)
            return Fail(item.offset, "label without its terminator " + Escaped(std::string(1, labelEnd_)));
        item.text = std::string(s_.substr(pos_, end - pos_));
        pos_ = end + 1;
    }

    // PE data: flags < > : = 7 and base-32/64 digits (63-126, terminators 191-254), up to ';'.
    void ReadEncodedPolyline(Item& item)
    {
        const std::size_t end = s_.find(';', pos_);
        if (end == std::string_view::npos) return Fail(item.offset, "PE without its ';'");
        for (std::size_t i = pos_; i < end; ++i) {
            const char c = s_[i];
            if (!Between(c, 63, 126) && !Between(c, 191, 254) && std::string_view("<>:=7").find(c) == std::string_view::npos)
                return Fail(i, "byte outside the PE encoding");
        }
        item.payload = std::string(s_.substr(pos_, end - pos_));
        pos_ = end + 1;
    }

    std::string_view s_;
    Mode mode_;
    std::size_t pos_ = 0;
    char labelEnd_ = kEtx;
    JobStream out_;
};

// Appends the bytes of a method 0, 1 or 2 row.
bool Expand(int method, std::string_view in, Bytes& row, std::string& error)
{
    if (method == 0) {
        row.assign(in.begin(), in.end());
        return true;
    }
    if (method == 1) {
        if (in.size() % 2) return error = "run-length row of odd length " + std::to_string(in.size()), false;
        for (std::size_t i = 0; i < in.size(); i += 2)
            row.insert(row.end(), static_cast<unsigned char>(in[i]) + 1u, static_cast<std::uint8_t>(in[i + 1]));
        return true;
    }
    for (std::size_t i = 0; i < in.size();) {
        const int control = static_cast<signed char>(in[i++]);
        if (control >= 0) {
            if (in.size() - i < static_cast<std::size_t>(control) + 1)
                return error = "TIFF literal run at byte " + std::to_string(i - 1) + " runs past the end", false;
            row.insert(row.end(), in.begin() + i, in.begin() + i + control + 1);
            i += control + 1;
        } else if (control != -128) {
            if (i >= in.size()) return error = "TIFF repeat at byte " + std::to_string(i - 1) + " without its byte", false;
            row.insert(row.end(), 1 - control, static_cast<std::uint8_t>(in[i++]));
        }
    }
    return true;
}

// Applies the replacements of a method 3 or 9 row to `row` (the seed).
bool ApplyDelta(int method, std::string_view in, Bytes& row, std::string& error)
{
    std::size_t i = 0, at = 0;
    auto next = [&](std::size_t& value) {
        if (i >= in.size()) return false;
        value = static_cast<unsigned char>(in[i++]);
        return true;
    };
    auto extend = [&](std::size_t& value) {
        std::size_t b = 0;
        do {
            if (!next(b)) return false;
            value += b;
        } while (b == 255);
        return true;
    };
    while (i < in.size()) {
        const std::size_t commandAt = i;
        const unsigned command = static_cast<unsigned char>(in[i++]);
        std::size_t offset, count;
        bool repeated = false, ok = true;
        if (method == 3) {
            count = (command >> 5) + 1;
            offset = command & 31;
            if (offset == 31) ok = extend(offset);
        } else {
            repeated = command & 0x80;
            offset = repeated ? (command >> 5) & 3 : (command >> 3) & 15;
            count = repeated ? command & 31 : command & 7;
            if (offset == (repeated ? 3u : 15u)) ok = extend(offset);
            if (ok && count == (repeated ? 31u : 7u)) ok = extend(count);
            count += repeated ? 2 : 1;
        }
        at += offset;
        const std::size_t dataBytes = repeated ? 1 : count;
        if (!ok || in.size() - i < dataBytes)
            return error = "delta command at byte " + std::to_string(commandAt) + " runs past the end", false;
        if (at + count > row.size())
            return error = "delta command at byte " + std::to_string(commandAt) + " writes bytes " +
                           std::to_string(at) + ".." + std::to_string(at + count - 1) + " of a row of " +
                           std::to_string(row.size()),
                   false;
        for (std::size_t k = 0; k < count; ++k) row[at + k] = static_cast<std::uint8_t>(in[repeated ? i : i + k]);
        i += dataBytes;
        at += count;
    }
    return true;
}

}  // namespace

bool Item::Is(std::string_view parameterAndGroup, char upperLetter) const
{
    const std::string_view p = parameterAndGroup;
    if (kind != Kind::Pcl || letter != upperLetter || p.empty() || p.size() > 2 || p[0] != parameter) return false;
    return p.size() == 2 ? p[1] == group : group == 0;
}

JobStream ParseJob(const std::string& bytes)
{
    return Reader(bytes, Reader::Mode::Pcl).Run();
}

std::vector<std::string> PjlValues(const JobStream& job, std::string_view key)
{
    const std::string wanted = NormalisedKey(key);
    std::vector<std::string> values;
    for (const Item& item : job.items) {
        if (item.kind != Kind::Pjl) continue;
        PjlKeyValue kv = SplitPjl(item.text);
        if (kv.key == wanted) values.push_back(std::move(kv.value));
    }
    return values;
}

std::vector<const Item*> PclCommands(const JobStream& job, std::string_view prefix, char letter)
{
    std::vector<const Item*> found;
    for (const Item& item : job.items)
        if (item.kind == Kind::Pcl && (letter ? item.Is(prefix, letter) : item.Is(prefix, item.letter)))
            found.push_back(&item);
    return found;
}

std::vector<const Item*> HpglCommands(const JobStream& job, std::string_view mnemonic)
{
    std::vector<const Item*> found;
    for (const Item& item : job.items)
        if (item.kind == Kind::Hpgl && item.mnemonic == mnemonic) found.push_back(&item);
    return found;
}

RasterRows DecodeRasterRow(int method, std::string_view payload, const Bytes& seed)
{
    RasterRows result;
    auto fail = [&](const std::string& error) {
        result.ok = false;
        result.error = "method " + std::to_string(method) + ": " + error;
        result.rows.clear();
        return result;
    };
    switch (method) {
    case 0:
    case 1:
    case 2: {
        Bytes row;
        if (!Expand(method, payload, row, result.error)) return fail(result.error);
        if (row.size() > seed.size())
            return fail("row of " + std::to_string(row.size()) + " bytes is wider than the raster (" +
                        std::to_string(seed.size()) + ")");
        row.resize(seed.size(), 0);
        result.rows.push_back(std::move(row));
        return result;
    }
    case 3:
    case 9: {
        Bytes row = seed;
        if (!ApplyDelta(method, payload, row, result.error)) return fail(result.error);
        result.rows.push_back(std::move(row));
        return result;
    }
    case 5: {
        // Blocks of a command byte and a two-byte count (high byte first): rows of methods
        // 0-3 with their byte counts, empty rows, or repeats of the previous row.
        Bytes previous = seed;
        std::vector<Bytes> rows;
        for (std::size_t i = 0; i < payload.size();) {
            if (payload.size() - i < 3) return fail("block header at byte " + std::to_string(i) + " cut off");
            const unsigned command = static_cast<unsigned char>(payload[i]);
            const std::size_t count =
                static_cast<unsigned char>(payload[i + 1]) * 256u + static_cast<unsigned char>(payload[i + 2]);
            const std::string where = "block at byte " + std::to_string(i) + ": ";
            i += 3;
            if (command <= 3) {
                if (payload.size() - i < count) return fail(where + "row data runs past the end");
                RasterRows one = DecodeRasterRow(static_cast<int>(command), payload.substr(i, count), previous);
                if (!one.ok) return fail(where + one.error);
                previous = one.rows[0];
                rows.push_back(previous);
                i += count;
            } else if (command == 4 || command == 5) {
                if (command == 4 || count == 0) std::fill(previous.begin(), previous.end(), 0);
                rows.insert(rows.end(), count, previous);
            } else {
                return fail(where + "unknown block command " + std::to_string(command));
            }
        }
        result.rows = std::move(rows);
        return result;
    }
    default:
        return fail("compression method not read");
    }
}

}  // namespace jobreader
