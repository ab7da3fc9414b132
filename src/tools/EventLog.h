#pragma once
// The event log Log.dat: records of time, title and description, one line each.
//
// Line format: "[" Time "]" Title ">" Description CR LF, where every ">" in the title is
// doubled. The program adds no records itself; the log shows what the file held at start-up
// until it is cleared.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumetta {

struct TJvLogRecord {
    std::string Time; // kept as text, never parsed
    std::string Title;
    std::string Description;

    bool operator==(const TJvLogRecord&) const = default;
};

class TJvLogFile {
public:
    TJvLogFile() = default;
    // Saves to the file when auto-save is on; a failure there is ignored (the program is
    // ending and has nobody to tell).
    ~TJvLogFile();
    TJvLogFile(const TJvLogFile&) = delete;
    TJvLogFile& operator=(const TJvLogFile&) = delete;

    // Stores the name and loads the file when it exists. A file that exists but cannot be read
    // leaves the list empty and is never written over: auto-save stays off for it.
    void SetFileName(const std::string& fileName);
    const std::string& FileName() const { return fileName_; }

    void SetAutoSave(bool autoSave) { autoSave_ = autoSave; }
    // On only when switched on, a file name is set and that file, if it exists, could be read.
    bool AutoSave() const { return autoSave_ && !fileName_.empty() && !unreadable_; }

    // Replaces the list with the records of the file (without saving). Throws EFileError when
    // it cannot be read.
    void LoadFromFile(const std::string& fileName);
    // Writes every record's line, replacing the file atomically; throws EFileError on failure.
    void SaveToFile(const std::string& fileName) const;
    // Empties the list, then saves to the file when auto-save is on.
    void Clear();
    void Add(TJvLogRecord record) { records_.push_back(std::move(record)); }

    const std::vector<TJvLogRecord>& Records() const { return records_; }
    std::size_t Count() const { return records_.size(); }

    // The file text of the records, and the parsing of one line (none when the line has no
    // "[" or no "]" after it).
    static std::string Format(const std::vector<TJvLogRecord>& records);
    static std::optional<TJvLogRecord> ParseLine(std::string_view line);
    static std::vector<TJvLogRecord> Parse(std::string_view text);

private:
    std::vector<TJvLogRecord> records_;
    std::string fileName_;
    bool autoSave_ = false;
    bool unreadable_ = false;
};

// The viewer's export and print line: "[time] title > description" (no line end).
std::string FormatLogExportLine(const TJvLogRecord& record);
// The viewer's export file text: one export line per record, each ended by CR LF.
std::string FormatLogExport(const std::vector<TJvLogRecord>& records);

} // namespace lumetta
