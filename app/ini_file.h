#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// A Windows private-profile (INI) file, handled as bytes: section and key
// names are compared as GBK text, values are returned as the bytes in the
// file. Reads follow GetPrivateProfileString/Int, writes follow
// WritePrivateProfileString, and everything the program does not change
// (comments, other sections, line endings, unknown keys) stays as it was.
//
// The file is untrusted: any bytes are accepted. Memory use is the size of
// the file; every query scans it once.
class CIniFile {
public:
    // GetPrivateProfileString returns at most this many characters.
    static constexpr std::size_t MAX_VALUE_LENGTH = 4095;

    CIniFile() = default;
    explicit CIniFile(std::string bytes) : m_data(std::move(bytes)) {}

    // A missing or unreadable file gives an empty profile and returns false.
    bool Load(const std::string& path);
    // Writes through WriteFileAtomic; returns an error message, empty on success.
    [[nodiscard]] std::string Save(const std::string& path) const;
    const std::string& Bytes() const { return m_data; }

    // The value of the first matching key in the first matching section,
    // trimmed, with one pair of matching surrounding quotes (' or ") removed,
    // cut at a NUL byte and at MAX_VALUE_LENGTH. nullopt when the key is absent.
    std::optional<std::string> Find(std::string_view section, std::string_view key) const;
    std::string GetString(std::string_view section, std::string_view key, std::string_view def) const;
    // Missing key or empty value: def. Otherwise ParseProfileInt of the value.
    int GetInt(std::string_view section, std::string_view key, int def) const;

    // Replaces the value of an existing key in place, or appends the key at
    // the end of its section, or appends the section at the end of the file.
    // New lines end with CR LF. A value with surrounding blanks or quotes is
    // written in double quotes so that it reads back unchanged. Returns false
    // (and changes nothing) for names or values a profile line cannot hold:
    // line breaks or NUL anywhere, an empty or blank-edged name, '=' in a key,
    // a key starting with ';' or '['.
    bool SetString(std::string_view section, std::string_view key, std::string_view value);
    bool SetInt(std::string_view section, std::string_view key, int value);

private:
    struct CLocation;
    CLocation Locate(std::string_view section, std::string_view key) const;

    std::string m_data;
};

// Leading blanks, an optional sign, decimal digits up to the first other
// character; no digits gives 0. Values beyond the int range saturate.
int ParseProfileInt(std::string_view text);
