#pragma once
// Whole-file reading and crash-safe whole-file writing.
//
// Every file Lumetta writes (settings, log, saved pictures, unpacked objects) goes through
// WriteFileAtomically: the bytes go to a temporary file in the target's folder, every write is
// checked for its full length, the file is flushed to disk and only then renamed over the
// target. A crash, a full disk or an unwritable folder therefore leaves either the old file or
// the new one in place, never a truncated mixture.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lumetta {

// True when `path` names an existing regular file (or a link to one); folders do not count.
bool FileExists(const std::string& path);

// Reads the whole file. Throws EFileError "Cannot open file "<path>". <reason>" when it cannot
// be opened (missing, a folder, no permission) and EReadError "Stream read error" when reading
// fails part-way.
std::vector<std::uint8_t> ReadWholeFile(const std::string& path);

// Replaces (or creates) `path` with exactly the given bytes. Throws EFileError
// "Cannot create file "<path>". <reason>" on any failure; the temporary file is removed then and
// an existing target keeps its old contents. A new file gets the usual permissions (0666 less
// the umask); a replaced file keeps the permissions it had.
void WriteFileAtomically(const std::string& path, const void* data, std::size_t size);
void WriteFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes);
void WriteFileAtomically(const std::string& path, std::string_view text);

} // namespace lumetta
