#include "app/ini_file.h"

#include <climits>
#include <cstdint>

#include "app/platform.h"

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsGbkLeadByte(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return u >= 0x81 && u <= 0xFE;
}

// Case-insensitive for ASCII letters only. The second byte of a GBK double
// byte can be an ASCII letter (0x40..0x7E); it must compare exactly, or two
// different Chinese names would be taken for the same one.
bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (IsGbkLeadByte(a[i]) && i + 1 < a.size()) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1])
                return false;
            ++i;
        } else if (AsciiLower(a[i]) != AsciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

bool HasLineBreakOrNul(std::string_view s)
{
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool IsValidName(std::string_view s)
{
    return !s.empty() && !HasLineBreakOrNul(s) && !IsBlank(s.front()) && !IsBlank(s.back());
}

bool IsQuote(char c)
{
    return c == '"' || c == '\'';
}

bool HasQuotePair(std::string_view v)
{
    return v.size() >= 2 && IsQuote(v.front()) && v.front() == v.back();
}

// One line: text in [begin, end), line ending in [end, next).
struct CLine {
    std::size_t begin;
    std::size_t end;
    std::size_t next;
};

CLine LineAt(const std::string& data, std::size_t pos)
{
    const std::size_t nl = data.find('\n', pos);
    if (nl == std::string::npos)
        return {pos, data.size(), data.size()};
    std::size_t end = nl;
    if (end > pos && data[end - 1] == '\r')
        --end;
    return {pos, end, nl + 1};
}

// "[name]" after trimming, up to the last ']' (a GBK second byte may be ']').
std::optional<std::string_view> SectionName(std::string_view text)
{
    const std::string_view t = Trim(text);
    if (t.empty() || t.front() != '[')
        return std::nullopt;
    const std::size_t close = t.rfind(']');
    if (close == 0 || close == std::string_view::npos)
        return std::nullopt;
    return t.substr(1, close - 1);
}

}  // namespace

// Where a key is, or where it would go.
struct CIniFile::CLocation {
    bool sectionFound = false;
    bool keyFound = false;
    std::size_t valueBegin = 0;  // trimmed value, quotes included
    std::size_t valueEnd = 0;
    std::size_t insertAt = 0;    // after the section's last key line (or its header)
    bool insertNeedsBreak = false;  // that line has no line ending (end of file)
};

CIniFile::CLocation CIniFile::Locate(std::string_view section, std::string_view key) const
{
    CLocation loc;
    bool inSection = false;
    for (std::size_t pos = 0; pos < m_data.size();) {
        const CLine line = LineAt(m_data, pos);
        pos = line.next;
        const std::string_view text(m_data.data() + line.begin, line.end - line.begin);
        if (const auto name = SectionName(text)) {
            if (inSection)
                break;  // later sections of the same name are not consulted
            if (SameName(*name, section)) {
                inSection = loc.sectionFound = true;
                loc.insertAt = line.next;
                loc.insertNeedsBreak = line.next == line.end;
            }
            continue;
        }
        if (!inSection)
            continue;
        const std::string_view t = Trim(text);
        const std::size_t eq = text.find('=');
        if (t.empty() || t.front() == ';' || eq == std::string_view::npos)
            continue;  // blank, comment or not a key
        loc.insertAt = line.next;
        loc.insertNeedsBreak = line.next == line.end;
        if (!SameName(Trim(text.substr(0, eq)), key))
            continue;
        std::size_t b = line.begin + eq + 1;
        std::size_t e = line.end;
        while (b < e && IsBlank(m_data[b]))
            ++b;
        while (e > b && IsBlank(m_data[e - 1]))
            --e;
        loc.keyFound = true;
        loc.valueBegin = b;
        loc.valueEnd = e;
        break;
    }
    return loc;
}

bool CIniFile::Load(const std::string& path)
{
    auto bytes = vexa::ReadFileBytes(path);
    m_data = bytes ? std::move(*bytes) : std::string();
    return bytes.has_value();
}

std::string CIniFile::Save(const std::string& path) const
{
    return vexa::WriteFileAtomic(path, m_data);
}

std::optional<std::string> CIniFile::Find(std::string_view section, std::string_view key) const
{
    const CLocation loc = Locate(section, key);
    if (!loc.keyFound)
        return std::nullopt;
    std::string_view v(m_data.data() + loc.valueBegin, loc.valueEnd - loc.valueBegin);
    if (HasQuotePair(v))
        v = v.substr(1, v.size() - 2);
    v = v.substr(0, v.find('\0'));
    return std::string(v.substr(0, MAX_VALUE_LENGTH));
}

std::string CIniFile::GetString(std::string_view section, std::string_view key, std::string_view def) const
{
    auto v = Find(section, key);
    return v ? std::move(*v) : std::string(def);
}

int CIniFile::GetInt(std::string_view section, std::string_view key, int def) const
{
    const auto v = Find(section, key);
    return v && !v->empty() ? ParseProfileInt(*v) : def;
}

bool CIniFile::SetString(std::string_view section, std::string_view key, std::string_view value)
{
    if (!IsValidName(section) || !IsValidName(key) || HasLineBreakOrNul(value))
        return false;
    if (key.find('=') != std::string_view::npos || key.front() == ';' || key.front() == '[')
        return false;

    // Reading trims blanks and strips one pair of quotes; quote such values.
    std::string text(value);
    if (!value.empty() && (IsBlank(value.front()) || IsBlank(value.back()) || HasQuotePair(value)))
        text = '"' + text + '"';

    const CLocation loc = Locate(section, key);
    if (loc.keyFound) {
        m_data.replace(loc.valueBegin, loc.valueEnd - loc.valueBegin, text);
        return true;
    }
    std::string line = std::string(key) + '=' + text + "\r\n";
    if (loc.sectionFound) {
        if (loc.insertNeedsBreak)
            line.insert(0, "\r\n");
        m_data.insert(loc.insertAt, line);
        return true;
    }
    if (!m_data.empty() && m_data.back() != '\n')
        m_data += "\r\n";
    m_data += '[';
    m_data += section;
    m_data += "]\r\n";
    m_data += line;
    return true;
}

bool CIniFile::SetInt(std::string_view section, std::string_view key, int value)
{
    return SetString(section, key, std::to_string(value));
}

int ParseProfileInt(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    // Accumulate the magnitude with a ceiling just above the int range, so
    // any number of digits neither overflows nor loses the saturation.
    constexpr std::int64_t ceiling = std::int64_t{INT_MAX} + 1;
    std::int64_t magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > ceiling)
            magnitude = ceiling;
    }
    if (negative)
        return static_cast<int>(-magnitude);  // -2^31 fits
    return magnitude > INT_MAX ? INT_MAX : static_cast<int>(magnitude);
}
