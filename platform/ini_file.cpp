#include "platform/ini_file.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <langinfo.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_descriptor.h"

// File rules, as the profile functions of the original platform read them:
// - lines end at "\n" or "\r"; a UTF-8 byte-order mark at the start is skipped;
// - "[name]" opens a section (blanks around the name ignored; text after "]"
//   ignored); a "[" line without "]" is ignored and opens nothing;
// - "key=value" lines before the first section, lines without "=" and lines
//   whose first non-blank character is ";" are ignored; a ";" later in a line
//   is part of the value;
// - only the first section of a name is searched, and in it the first line of
//   the key wins;
// - a NUL byte is an ordinary character (it matches no name and spoils a
//   number).
// The file is scanned as a stream in fixed-size blocks for every read, so a
// huge file or line costs time, not memory.

namespace {

constexpr std::size_t kMaxValueLength = 2047;
constexpr std::size_t kBlockSize = 64 * 1024;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(char c) { return c == '\n' || c == '\r'; }
char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    }
    return true;
}

// A text fed byte by byte with its surrounding blanks removed: keeps at most
// `cap` bytes of it, but knows its whole length and its last byte.
class TrimmedText {
public:
    explicit TrimmedText(std::size_t cap) : cap_(cap) {}

    void Clear() {
        kept_.clear();
        pending_.clear();
        pendingCount_ = 0;
        length_ = 0;
        last_ = 0;
    }

    void Add(char c) {
        if (IsBlank(c)) {
            if (length_ == 0) return;  // leading blank
            ++pendingCount_;
            if (pending_.size() < cap_) pending_.push_back(c);
            return;
        }
        for (char blank : pending_) Keep(blank);
        length_ += pendingCount_ + 1;
        pending_.clear();
        pendingCount_ = 0;
        Keep(c);
        last_ = c;
    }

    const std::string& Kept() const { return kept_; }
    uint64_t Length() const { return length_; }
    char Last() const { return last_; }

    bool Is(const std::string& name) const {
        return length_ == name.size() && EqualNoCase(kept_, name);
    }

private:
    void Keep(char c) {
        if (kept_.size() < cap_) kept_.push_back(c);
    }

    std::size_t cap_;
    std::string kept_;
    std::string pending_;  // blanks seen since the last non-blank, up to cap_
    uint64_t pendingCount_ = 0;
    uint64_t length_ = 0;
    char last_ = 0;
};

// The value as the profile functions give it: one pair of enclosing quotes
// removed, then cut to the longest value they return.
std::string FinishValue(const TrimmedText& text) {
    const std::string& kept = text.Kept();
    const uint64_t length = text.Length();
    if (length >= 2 && kept[0] == text.Last() && (kept[0] == '"' || kept[0] == '\'')) {
        const uint64_t inner = length - 2;
        return kept.substr(1, inner < kMaxValueLength ? static_cast<std::size_t>(inner) : kMaxValueLength);
    }
    return kept.substr(0, length < kMaxValueLength ? static_cast<std::size_t>(length) : kMaxValueLength);
}

// Fills buffer as far as the file reaches; -1 on a read error.
ssize_t ReadBlock(int fd, char* buffer, std::size_t size) {
    std::size_t filled = 0;
    while (filled < size) {
        const ssize_t got = read(fd, buffer + filled, size - filled);
        if (got < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (got == 0) break;
        filled += static_cast<std::size_t>(got);
    }
    return static_cast<ssize_t>(filled);
}

std::optional<std::string> FindValue(const std::string& fileName, const std::string& section,
                                     const std::string& ident) {
    FileDescriptor file(open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (file.Get() < 0) return std::nullopt;
    struct stat info {};
    if (fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;

    enum class State { LineStart, Header, Key, Value, SkipLine };
    State state = State::LineStart;
    bool inSection = false;
    TrimmedText header(section.size() + 1);
    TrimmedText key(ident.size() + 1);
    TrimmedText value(kMaxValueLength + 1);

    std::vector<char> buffer(kBlockSize);
    bool first = true;
    for (;;) {
        const ssize_t got = ReadBlock(file.Get(), buffer.data(), buffer.size());
        if (got < 0) return std::nullopt;
        if (got == 0) break;
        std::size_t i = 0;
        const std::size_t end = static_cast<std::size_t>(got);
        if (first && end >= 3 && buffer[0] == '\xEF' && buffer[1] == '\xBB' && buffer[2] == '\xBF') i = 3;
        first = false;
        for (; i < end; ++i) {
            const char c = buffer[i];
            switch (state) {
            case State::LineStart:
                if (IsBlank(c) || IsLineEnd(c)) break;
                if (c == '[') {
                    header.Clear();
                    state = State::Header;
                } else if (c == ';') {
                    state = State::SkipLine;
                } else {
                    key.Clear();
                    key.Add(c);
                    state = State::Key;
                }
                break;
            case State::Header:
                if (c == ']') {
                    if (inSection) return std::nullopt;  // the first such section had no such key
                    inSection = header.Is(section);
                    state = State::SkipLine;
                } else if (IsLineEnd(c)) {
                    state = State::LineStart;
                } else {
                    header.Add(c);
                }
                break;
            case State::Key:
                if (c == '=') {
                    if (inSection && key.Is(ident)) {
                        value.Clear();
                        state = State::Value;
                    } else {
                        state = State::SkipLine;
                    }
                } else if (IsLineEnd(c)) {
                    state = State::LineStart;
                } else {
                    key.Add(c);
                }
                break;
            case State::Value:
                if (IsLineEnd(c)) return FinishValue(value);
                value.Add(c);
                break;
            case State::SkipLine:
                if (IsLineEnd(c)) state = State::LineStart;
                break;
            }
        }
    }
    if (state == State::Value) return FinishValue(value);
    return std::nullopt;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::optional<int32_t> ParseInteger(const std::string& text) {
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n && IsBlank(text[i])) ++i;
    if (i == n) return std::nullopt;
    constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
    int64_t value = 0;
    if (text[i] == '$' || (text[i] == '0' && i + 1 < n && (text[i + 1] == 'x' || text[i + 1] == 'X'))) {
        i += text[i] == '$' ? 1 : 2;
        if (i == n) return std::nullopt;
        for (; i < n; ++i) {
            const int digit = HexDigit(text[i]);
            if (digit < 0) return std::nullopt;
            value = value * 16 + digit;
            if (value > kMax) return std::nullopt;
        }
        return static_cast<int32_t>(value);
    }
    bool negative = false;
    if (text[i] == '+' || text[i] == '-') {
        negative = text[i] == '-';
        ++i;
    }
    if (i == n) return std::nullopt;
    for (; i < n; ++i) {
        if (!IsDigit(text[i])) return std::nullopt;
        value = value * 10 + (text[i] - '0');
        if (value > kMax + 1) return std::nullopt;
    }
    if (negative) value = -value;
    if (value > kMax) return std::nullopt;
    return static_cast<int32_t>(value);
}

// The decimal separator of the user's regional settings (LC_ALL, LC_NUMERIC,
// LANG), looked up without touching the process's global locale, which the
// GL driver's own number parsing depends on.
std::string UserDecimalSeparator() {
    const locale_t user = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
    if (user == static_cast<locale_t>(nullptr)) return ".";
    const char* radix = nl_langinfo_l(RADIXCHAR, user);
    std::string separator = (radix != nullptr && *radix != '\0') ? radix : ".";
    freelocale(user);
    return separator;
}

locale_t CLocale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

// Decimal only, by a syntax checked here, so that the conversion never meets
// hexadecimal floats, "inf" or "nan".
std::optional<double> ParseFloat(const std::string& text, const std::string& separator) {
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n && IsBlank(text[i])) ++i;
    std::string plain;  // the number in the C locale's form
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-') plain.push_back('-');
        ++i;
    }
    std::size_t digits = 0;
    while (i < n && IsDigit(text[i])) {
        plain.push_back(text[i++]);
        ++digits;
    }
    if (text.compare(i, separator.size(), separator) == 0) {
        plain.push_back('.');
        i += separator.size();
        while (i < n && IsDigit(text[i])) {
            plain.push_back(text[i++]);
            ++digits;
        }
    }
    if (digits == 0) return std::nullopt;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        plain.push_back('e');
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-')) plain.push_back(text[i++]);
        std::size_t exponentDigits = 0;
        while (i < n && IsDigit(text[i])) {
            plain.push_back(text[i++]);
            ++exponentDigits;
        }
        if (exponentDigits == 0) return std::nullopt;
    }
    while (i < n && IsBlank(text[i])) ++i;
    if (i != n) return std::nullopt;

    const locale_t c = CLocale();
    if (c == static_cast<locale_t>(nullptr)) return std::nullopt;
    char* end = nullptr;
    const double value = strtod_l(plain.c_str(), &end, c);
    if (end != plain.c_str() + plain.size() || !std::isfinite(value)) return std::nullopt;
    return value;  // an underflow gives zero or a subnormal, which is what was written
}

}  // namespace

TIniFile::TIniFile(std::string fileName) : fileName_(std::move(fileName)) {}

std::string TIniFile::ReadString(const std::string& section, const std::string& ident,
                                 const std::string& defaultValue) const {
    std::optional<std::string> value = FindValue(fileName_, section, ident);
    return value ? *value : defaultValue;
}

int32_t TIniFile::ReadInteger(const std::string& section, const std::string& ident,
                              int32_t defaultValue) const {
    const std::optional<int32_t> value = ParseInteger(ReadString(section, ident, ""));
    return value ? *value : defaultValue;
}

double TIniFile::ReadFloat(const std::string& section, const std::string& ident,
                           double defaultValue) const {
    const std::optional<double> value = ParseFloat(ReadString(section, ident, ""), UserDecimalSeparator());
    return value ? *value : defaultValue;
}
