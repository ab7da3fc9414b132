#pragma once
// An ini file held in memory: Setup.ini and the placement index library.phi.
//
// Syntax: "[Section]" header lines, then "Key=Value" lines. Section and key names are compared
// without regard to ASCII letter case; spaces and tabs around a key name are ignored; the value
// is everything after the first "=", kept byte for byte (no code-page conversion). Lines before
// the first section, comment lines (";"), blank lines and lines without "=" are kept as they are.
// When a section or key occurs twice, the first occurrence is the one read and written.
//
// Input lines may end in LF, CR LF or any number of CRs before the LF, and the file may start
// with a UTF-8 byte-order mark (kept when the file is written back). UpdateFile writes LF line
// ends, the native text form of the platform; lines that were not changed keep their bytes
// otherwise. New keys go to the end
// of their section (after its last non-blank line), new sections to the end of the file with a
// blank line before them.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lumetta {

// Parses a 32-bit signed integer the way the ini reader and the placement records accept it:
// optional leading spaces, an optional sign, then decimal digits or "0x"/"0X" and hexadecimal
// digits, nothing after. Values outside the 32-bit signed range are rejected.
bool TryStrToInt(std::string_view text, std::int32_t& value);

// ASCII case-insensitive equality.
bool SameText(std::string_view a, std::string_view b);

class TMemIniFile {
public:
    // An empty ini with no file name (UpdateFile then fails).
    TMemIniFile() = default;
    // Loads `fileName` when it exists; a missing file reads as empty. Throws EFileError when the
    // file exists but cannot be read.
    explicit TMemIniFile(std::string fileName);

    // An ini parsed from text, with no file name.
    static TMemIniFile FromText(std::string_view text);

    const std::string& FileName() const { return fileName_; }

    std::string ReadString(std::string_view section, std::string_view key,
                           const std::string& defaultValue) const;
    // Decimal or 0x hexadecimal; anything else (also out of range) gives the default.
    std::int32_t ReadInteger(std::string_view section, std::string_view key,
                             std::int32_t defaultValue) const;
    // Any integer other than 0 is true; a value that is not an integer gives the default.
    bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;

    // CR and LF inside a value are written as spaces, so that a value can never break the file
    // into extra lines (and so inject keys or sections).
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, std::int32_t value);
    void WriteBool(std::string_view section, std::string_view key, bool value);
    // Removes the key's line (the first occurrence); nothing when the key is not there.
    void DeleteKey(std::string_view section, std::string_view key);

    bool SectionExists(std::string_view section) const;
    bool ValueExists(std::string_view section, std::string_view key) const;
    // The key names of a section in file order; empty when the section does not exist.
    std::vector<std::string> ReadSection(std::string_view section) const;
    // The section names in file order.
    std::vector<std::string> ReadSections() const;

    // The whole ini as text, in the form UpdateFile writes.
    std::string ToText() const;
    // Rewrites the whole file atomically. Throws EFileError when it cannot be written or when
    // the ini has no file name.
    void UpdateFile() const;

private:
    struct Line {
        std::string raw;            // the line as read (without its line end), or as last written
        std::string key;            // trimmed key name; empty for lines that are not Key=Value
        std::size_t valueStart = 0; // offset of the value in raw
        bool isKey = false;
    };
    struct Section {
        std::string name;
        std::string header; // the header line as read; empty for the lines before any section
        bool hasHeader = false;
        std::vector<Line> lines;
    };

    void Parse(std::string_view text);
    const Section* FindSection(std::string_view name) const;
    Section* FindSection(std::string_view name);
    static const Line* FindKey(const Section& section, std::string_view key);
    static Line* FindKey(Section& section, std::string_view key);

    std::string fileName_;
    std::vector<Section> sections_;
    bool byteOrderMark_ = false;
};

} // namespace lumetta
