#pragma once
// Whole-file reading and crash-safe whole-file writing.
//
// Every file Lumetta writes (settings, log, saved pictures, unpacked objects) goes through
// TAtomicFile: the bytes go to a file without a name where the file system allows it
// (O_TMPFILE), else to a hidden temporary file in the target's folder; every write is checked
// for its full length, the file is flushed to disk and only then put in place of the target. A
// crash, a full disk or an unwritable folder therefore leaves either the old file or the new one
// in place, never a truncated mixture, and a process killed part-way leaves no partial file
// behind where the file system supports nameless files. Where it does not, the temporary name is
// "." + the target's name (cut so that the whole name fits the file system's limit) + "." + six
// characters, and the next write of the same target removes such files of ours that were left
// by a write that never finished.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lumetta {

// True when `path` names an existing regular file (or a link to one); folders do not count.
bool FileExists(const std::string& path);

// Reads the whole file. Throws EFileError "Cannot open file "<path>". <reason>" when it cannot
// be opened (missing, a folder, no permission), EReadError "Stream read error" when reading
// fails part-way, and EReadError "<path> is too large to read (<n> bytes)" for a file beyond
// `limit` bytes, before storage for it is obtained.
inline constexpr std::size_t kNoReadLimit = ~std::size_t(0);
std::vector<std::uint8_t> ReadWholeFile(const std::string& path, std::size_t limit = kNoReadLimit);
// What the program's own text files (settings, placement index, log) may hold at most: far
// beyond any real one, small enough that a stray huge file cannot fill memory.
inline constexpr std::size_t kTextFileLimit = std::size_t(64) << 20;

// One file being written whole. Commit puts it in place of the target; destroyed uncommitted
// (an error, an exception), it leaves the target and the folder as they were.
class TAtomicFile {
public:
    // The target is `path`; its folder must exist.
    explicit TAtomicFile(const std::string& path);
    // The target is `name` (a plain file name) inside the open folder `folderFd`, which the
    // caller keeps open until the object is gone; `displayPath` names the target in messages.
    // With `allowExecutable` false the file never gets an execute permission bit, and an
    // existing file that has one is not replaced.
    TAtomicFile(int folderFd, const std::string& name, const std::string& displayPath,
                bool allowExecutable);
    ~TAtomicFile();
    TAtomicFile(const TAtomicFile&) = delete;
    TAtomicFile& operator=(const TAtomicFile&) = delete;

    // Both throw EFileError "Cannot create file "<target>". <reason>"; the target is then
    // untouched.
    void Write(const void* data, std::size_t size);
    // Flushes the file to disk and puts it in place of the target. A new file gets the usual
    // permissions (0666 less the umask); a replaced file keeps the permissions it had.
    void Commit();

private:
    void Open(bool allowExecutable);
    [[noreturn]] void Fail(int error);
    void NameTemporary();

    int folder_ = -1;
    bool ownsFolder_ = false;
    std::string name_;
    std::string displayPath_;
    std::string tempName_; // the temporary name in the folder, once the file has one
    int fd_ = -1;
    bool nameless_ = false; // O_TMPFILE: no name until Commit
};

// Replaces (or creates) `path` with exactly the given bytes through TAtomicFile. Throws
// EFileError "Cannot create file "<path>". <reason>" on any failure; an existing target then
// keeps its old contents and nothing is left behind. A replaced file keeps its permissions.
void WriteFileAtomically(const std::string& path, const void* data, std::size_t size);
void WriteFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes);
void WriteFileAtomically(const std::string& path, std::string_view text);

// The hidden temporary name used for `name` when nameless files are not available: at most
// 255 bytes however long `name` is; `suffix` stands for the six random characters.
std::string TemporaryNameFor(const std::string& name, std::string_view suffix);

namespace safefile_testing {
// Forces the named-temporary route even where nameless files work (tests of the fallback).
void UseNamedTemporaries(bool on);
// How old a leftover temporary must be before a later write removes it (default 10 minutes).
void SetStaleAge(int seconds);
} // namespace safefile_testing

} // namespace lumetta
