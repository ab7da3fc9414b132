#include "library/IniFile.h"

#include "base/Error.h"
#include "base/SafeFile.h"

#include <iterator>
#include <utility>

namespace lumetta {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = LowerAscii(c);
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// One ini line never holds a line break.
std::string OneLine(std::string_view text) {
    std::string s(text);
    for (char& c : s)
        if (c == '\r' || c == '\n') c = ' ';
    return s;
}

} // namespace

bool TryStrToInt(std::string_view text, std::int32_t& value) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int base = 10;
    if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i == text.size()) return false;
    // Accumulate the magnitude in 64 bits; the limit allows exactly the int32 range.
    const std::int64_t limit = negative ? std::int64_t(1) << 31 : (std::int64_t(1) << 31) - 1;
    std::int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        int digit = base == 16 ? HexDigit(text[i])
                               : (text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : -1);
        if (digit < 0) return false;
        magnitude = magnitude * base + digit;
        if (magnitude > limit) return false;
    }
    value = std::int32_t(negative ? -magnitude : magnitude);
    return true;
}

bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

TMemIniFile::TMemIniFile(std::string fileName) : fileName_(std::move(fileName)) {
    if (!FileExists(fileName_)) return;
    std::vector<std::uint8_t> bytes = ReadWholeFile(fileName_, kTextFileLimit);
    Parse(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

TMemIniFile TMemIniFile::FromText(std::string_view text) {
    TMemIniFile ini;
    ini.Parse(text);
    return ini;
}

void TMemIniFile::Parse(std::string_view text) {
    sections_.clear();
    // A UTF-8 byte-order mark is no part of the first line (it would hide a section header
    // there); it is written back as it was.
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    byteOrderMark_ = text.substr(0, kBom.size()) == kBom;
    if (byteOrderMark_) text.remove_prefix(kBom.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        std::string_view raw =
            text.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
        pos = end == std::string_view::npos ? text.size() : end + 1;
        // Every CR before the LF belongs to the line end: files passed through more than one
        // line-end conversion end their lines in CR CR LF.
        while (!raw.empty() && raw.back() == '\r')
            raw.remove_suffix(1);

        std::string_view trimmed = Trim(raw);
        if (trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']') {
            Section section;
            section.name = std::string(Trim(trimmed.substr(1, trimmed.size() - 2)));
            section.header = std::string(raw);
            section.hasHeader = true;
            sections_.push_back(std::move(section));
            continue;
        }
        if (sections_.empty()) sections_.push_back(Section{}); // lines before any section
        Line line;
        line.raw = std::string(raw);
        std::size_t eq = raw.find('=');
        if (!trimmed.empty() && trimmed.front() != ';' && eq != std::string_view::npos) {
            std::string_view key = Trim(raw.substr(0, eq));
            if (!key.empty()) {
                line.key = std::string(key);
                line.valueStart = eq + 1;
                line.isKey = true;
            }
        }
        sections_.back().lines.push_back(std::move(line));
    }
}

const TMemIniFile::Section* TMemIniFile::FindSection(std::string_view name) const {
    for (const Section& s : sections_)
        if (s.hasHeader && SameText(s.name, name)) return &s;
    return nullptr;
}

TMemIniFile::Section* TMemIniFile::FindSection(std::string_view name) {
    return const_cast<Section*>(std::as_const(*this).FindSection(name));
}

const TMemIniFile::Line* TMemIniFile::FindKey(const Section& section, std::string_view key) {
    for (const Line& l : section.lines)
        if (l.isKey && SameText(l.key, key)) return &l;
    return nullptr;
}

TMemIniFile::Line* TMemIniFile::FindKey(Section& section, std::string_view key) {
    return const_cast<Line*>(FindKey(std::as_const(section), key));
}

std::string TMemIniFile::ReadString(std::string_view section, std::string_view key,
                                    const std::string& defaultValue) const {
    const Section* s = FindSection(section);
    const Line* l = s ? FindKey(*s, key) : nullptr;
    return l ? l->raw.substr(l->valueStart) : defaultValue;
}

std::int32_t TMemIniFile::ReadInteger(std::string_view section, std::string_view key,
                                      std::int32_t defaultValue) const {
    const Section* s = FindSection(section);
    const Line* l = s ? FindKey(*s, key) : nullptr;
    std::int32_t value;
    if (l && TryStrToInt(std::string_view(l->raw).substr(l->valueStart), value)) return value;
    return defaultValue;
}

bool TMemIniFile::ReadBool(std::string_view section, std::string_view key,
                           bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void TMemIniFile::WriteString(std::string_view section, std::string_view key,
                              std::string_view value) {
    std::string keyText = OneLine(Trim(key));
    Section* s = FindSection(section);
    if (!s) {
        // Keep a blank line between the previous section and the new one.
        if (!sections_.empty()) {
            auto& lines = sections_.back().lines;
            if (!lines.empty() ? !Trim(lines.back().raw).empty() : sections_.back().hasHeader)
                lines.push_back(Line{});
        }
        Section fresh;
        fresh.name = OneLine(section);
        fresh.header = "[" + fresh.name + "]";
        fresh.hasHeader = true;
        sections_.push_back(std::move(fresh));
        s = &sections_.back();
    }
    Line line;
    line.raw = keyText + "=" + OneLine(value);
    line.key = keyText;
    line.valueStart = keyText.size() + 1;
    line.isKey = true;
    if (Line* existing = FindKey(*s, keyText)) {
        *existing = std::move(line);
        return;
    }
    // Append after the section's last non-blank line, so its trailing blank lines stay last.
    auto at = s->lines.end();
    while (at != s->lines.begin() && Trim(std::prev(at)->raw).empty())
        --at;
    s->lines.insert(at, std::move(line));
}

void TMemIniFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value) {
    WriteString(section, key, std::to_string(value));
}

void TMemIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

void TMemIniFile::DeleteKey(std::string_view section, std::string_view key) {
    Section* s = FindSection(section);
    if (!s) return;
    const Line* line = FindKey(*s, Trim(key));
    if (!line) return;
    s->lines.erase(s->lines.begin() + (line - s->lines.data()));
}

bool TMemIniFile::SectionExists(std::string_view section) const {
    return FindSection(section) != nullptr;
}

bool TMemIniFile::ValueExists(std::string_view section, std::string_view key) const {
    const Section* s = FindSection(section);
    return s && FindKey(*s, key);
}

std::vector<std::string> TMemIniFile::ReadSection(std::string_view section) const {
    std::vector<std::string> keys;
    if (const Section* s = FindSection(section))
        for (const Line& l : s->lines)
            if (l.isKey) keys.push_back(l.key);
    return keys;
}

std::vector<std::string> TMemIniFile::ReadSections() const {
    std::vector<std::string> names;
    for (const Section& s : sections_)
        if (s.hasHeader) names.push_back(s.name);
    return names;
}

std::string TMemIniFile::ToText() const {
    std::string text = byteOrderMark_ ? "\xEF\xBB\xBF" : "";
    for (const Section& s : sections_) {
        if (s.hasHeader) text += s.header + "\n";
        for (const Line& l : s.lines)
            text += l.raw + "\n";
    }
    return text;
}

void TMemIniFile::UpdateFile() const {
    if (fileName_.empty()) throw EFileError("Cannot create file \"\". No file name");
    WriteFileAtomically(fileName_, ToText());
}

} // namespace lumetta
