#include "tools/EventLog.h"

#include "base/Error.h"
#include "base/SafeFile.h"

namespace lumetta {

TJvLogFile::~TJvLogFile() {
    if (!AutoSave()) return;
    try {
        SaveToFile(fileName_);
    } catch (...) {
        // Nothing can be reported while the program shuts down; the old file stays intact.
    }
}

void TJvLogFile::SetFileName(const std::string& fileName) {
    fileName_ = fileName;
    unreadable_ = false;
    if (!FileExists(fileName_)) return;
    try {
        LoadFromFile(fileName_);
    } catch (const Error&) {
        // Its records are not in the list, so writing the list would destroy them: the file
        // is left alone for the rest of the run.
        records_.clear();
        unreadable_ = true;
    }
}

void TJvLogFile::LoadFromFile(const std::string& fileName) {
    records_.clear();
    std::vector<std::uint8_t> bytes = ReadWholeFile(fileName, kTextFileLimit);
    records_ = Parse(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

void TJvLogFile::SaveToFile(const std::string& fileName) const {
    WriteFileAtomically(fileName, Format(records_));
}

void TJvLogFile::Clear() {
    records_.clear();
    if (AutoSave()) SaveToFile(fileName_);
}

std::string TJvLogFile::Format(const std::vector<TJvLogRecord>& records) {
    std::string text;
    for (const TJvLogRecord& r : records) {
        text += '[';
        text += r.Time;
        text += ']';
        for (char c : r.Title) {
            text += c;
            if (c == '>') text += '>';
        }
        text += '>';
        text += r.Description;
        text += "\r\n";
    }
    return text;
}

std::optional<TJvLogRecord> TJvLogFile::ParseLine(std::string_view line) {
    std::size_t open = line.find('[');
    if (open == std::string_view::npos) return std::nullopt;
    std::string_view rest = line.substr(open + 1);
    std::size_t close = rest.find(']');
    if (close == std::string_view::npos) return std::nullopt;

    TJvLogRecord record;
    record.Time = std::string(rest.substr(0, close));
    std::string_view r = rest.substr(close + 1);
    // ">>" is an escaped ">" of the title; the first lone ">" separates the description.
    std::size_t separator = r.size();
    for (std::size_t i = 0; i < r.size(); ++i) {
        if (r[i] != '>') continue;
        if (i + 1 < r.size() && r[i + 1] == '>') {
            ++i;
            continue;
        }
        separator = i;
        break;
    }
    std::string_view title = r.substr(0, separator);
    for (std::size_t i = 0; i < title.size(); ++i) {
        record.Title += title[i];
        if (title[i] == '>' && i + 1 < title.size() && title[i + 1] == '>') ++i;
    }
    if (separator < r.size()) record.Description = std::string(r.substr(separator + 1));
    return record;
}

std::vector<TJvLogRecord> TJvLogFile::Parse(std::string_view text) {
    std::vector<TJvLogRecord> records;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        if (auto record = ParseLine(text.substr(start, end - start)))
            records.push_back(std::move(*record));
        // One line end: CR LF, CR or LF.
        start = end;
        if (start < text.size() && text[start++] == '\r' && start < text.size() &&
            text[start] == '\n')
            ++start;
    }
    return records;
}

std::string FormatLogExportLine(const TJvLogRecord& record) {
    return "[" + record.Time + "] " + record.Title + " > " + record.Description;
}

namespace {

void AppendCsvField(std::string& out, const std::string& field) {
    if (field.find_first_of(",\"\r\n") == std::string::npos) {
        out += field;
        return;
    }
    out += '"';
    for (char c : field) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

} // namespace

std::string FormatLogCsv(const std::vector<TJvLogRecord>& records) {
    std::string text = "Time,Title,Description\r\n";
    for (const TJvLogRecord& r : records) {
        AppendCsvField(text, r.Time);
        text += ',';
        AppendCsvField(text, r.Title);
        text += ',';
        AppendCsvField(text, r.Description);
        text += "\r\n";
    }
    return text;
}

} // namespace lumetta
