#pragma once
// Object packs (.psp): how new library objects reach the user.
//
// A pack is a plain sequence of file records up to the end of the file, with no header, count
// or trailer. Each record (integers little-endian):
//   DL (1 byte), directory part (DL bytes, relative, components separated by "\"),
//   NL (1 byte), file name (NL bytes),
//   uncompressed size (int32, used only for progress), CS (int32),
//   CS bytes: the file's contents as one zlib stream (RFC 1950).
// Importing unpacks every record into the program folder; the program reads its library only at
// start-up, so imported objects appear after a restart.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace lumetta {

// One record of a pack, as listed (the compressed data itself is not held).
struct TPspFileRecord {
    std::string Directory; // as stored: may use "\" or "/", may end with a delimiter, may be empty
    std::string FileName;
    std::int32_t UncompressedSize = 0;
    std::int32_t CompressedSize = 0;
    std::uint64_t DataOffset = 0; // where the zlib stream starts in the pack file

    // Directory and file name joined with "/" ("frames/oak.png"; "oak.png" at the top).
    std::string RelativePath() const;
};

// Builds packs: for the lumetta-pack utility and for tests.
class TObjectPackWriter {
public:
    // Compresses `contents` and appends a record. `directory` is relative ("" for the top);
    // "/" and "\" both separate its components, which are stored joined by "\". Throws Error
    // for a path that would leave the target folder, a file name that is empty or holds a
    // delimiter, a directory part or file name longer than 255 bytes, or data over 2 GB.
    void Add(const std::string& directory, const std::string& fileName,
             const std::vector<std::uint8_t>& contents);

    std::size_t Count() const { return count_; }
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
    // Writes the pack atomically; throws EFileError on failure.
    void Save(const std::string& path) const;

private:
    std::vector<std::uint8_t> bytes_;
    std::size_t count_ = 0;
};

// Receives (bytes of the current file written so far, its uncompressed size from the record)
// after every piece the unpacker writes.
using TUnpackProgress =
    std::function<void(std::int64_t bytesWritten, std::int32_t uncompressedSize)>;

// Where an unpacked file goes, relative to the target folder.
struct TPackPlacement {
    std::vector<std::string> Folders; // folder components, outermost first
    std::string FileName;
};
// Decides where a record's file goes from its stored directory part and file name, or throws
// to refuse the record.
using TPlaceRecord =
    std::function<TPackPlacement(const std::string& directory, const std::string& fileName)>;

// Unpacks every record of the pack at `packPath` into `targetFolder` (with or without a trailing
// "/"), in file order:
//  - the record's folder is made with the target and every missing parent (also when the file
//    is then skipped); without `keepFolders` the file lands at the top of the target folder;
//  - the folders inside the target are walked one by one and never through a link, so a link
//    already inside the target cannot lead a pack elsewhere;
//  - without `overwrite` a file that already exists is skipped, otherwise it is replaced;
//  - the contents are inflated in pieces of at most 1024 bytes, with a progress call after each;
//    bytes after the end of the zlib stream are ignored;
//  - unpacked files never get execute permission bits, and an existing file that has one (a
//    program) is never replaced;
//  - `place`, when given, decides where each file goes (ImportObjectPack's rule).
// Each file is written whole or not at all (TAtomicFile). A record that fails takes back what it
// made: its file never appears and the folders it created are removed; files of earlier records
// stay. Throws:
//  - EFileError "Cannot open file "<pack>". <reason>" when the pack cannot be read;
//  - EReadError "Stream read error" for a record cut short or with a negative size;
//  - EFileError for a record whose path would lead outside the target folder (".." components,
//    a leading delimiter, a drive letter, a NUL byte, a link inside the target), before its file
//    is created;
//  - EFileError "Cannot create file "<target>". <reason>" when the file cannot be written;
//  - Error "zlib returned: data error" (and the other zlib texts, see ZlibErrorText) when the
//    compressed data is damaged or ends before its stream does, and Error "The object pack is
//    damaged: ..." when a stream inflates to more than its record's uncompressed size.
void UnpackObjectPack(const std::string& packPath, const std::string& targetFolder, bool overwrite,
                      bool keepFolders, const TUnpackProgress& progress = {},
                      const TPlaceRecord& place = {});

// The import's rule for where a record goes in the program folder: only object-library content
// is accepted - pictures (thumbnails) in "Data/", welcome pictures in "Desktop/", and the
// container and placement index ("libraryfull.phd", "library.phd", "library.phi") at the top;
// folder and file names are matched without regard to case and written as the program reads
// them. Anything else (the program, Setup.ini, Log.dat, other folders) raises EFileError naming
// the file and why.
TPackPlacement LibraryPlacement(const std::string& directory, const std::string& fileName);

// Imports an object pack into the program folder with LibraryPlacement, overwrite and
// keep-folders on. Every record is checked before anything is written, so a pack holding one
// foreign file changes nothing at all.
void ImportObjectPack(const std::string& packPath, const std::string& programFolder,
                      const TUnpackProgress& progress = {});

// Reads the records of a pack without unpacking anything. Throws like UnpackObjectPack for an
// unreadable pack or a record cut short; paths are listed as stored, unchecked.
std::vector<TPspFileRecord> ListObjectPack(const std::string& packPath);

// Throws the unpacker's EFileError when the record's directory part and file name would lead
// outside the target folder.
void CheckPackRecordPath(const std::string& directory, const std::string& fileName);

// The message for a zlib result code: "zlib returned: data error" for -3 and so on, "ZLib error"
// for codes without a text of their own.
std::string ZlibErrorText(int code);

// The pack version digit recorded after an import: the one character after the first "_v" in
// the file name (folders are ignored; the search is case-sensitive), "" when "_v" ends the name,
// and "1" when there is no "_v" or the name starts with it. "frames_v3.psp" gives "3".
std::string PspVersionFromPackName(const std::string& fileName);

} // namespace lumetta
