#include "tools/ObjectPack.h"

#include "base/Error.h"
#include "base/SafeFile.h"
#include "codecs/ImageIO.h"
#include "library/IniFile.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <zlib.h>

namespace lumetta {

namespace {

constexpr std::size_t kPieceSize = 1024;
constexpr std::size_t kMaxNameLength = 255;
constexpr std::uint64_t kMaxData = std::uint64_t(std::numeric_limits<std::int32_t>::max());

bool IsDelimiter(char c) {
    return c == '\\' || c == '/';
}

std::vector<std::string> Components(const std::string& part) {
    std::vector<std::string> result;
    std::string current;
    for (char c : part) {
        if (IsDelimiter(c)) {
            if (!current.empty()) result.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty()) result.push_back(current);
    return result;
}

// A directory part or file name that could reach outside the folder it is joined to: a leading
// delimiter (an absolute or UNC path), a drive letter, a parent-folder component, or a NUL byte
// that would cut the path short when it reaches the file system.
bool LeavesFolder(const std::string& part) {
    if (part.find('\0') != std::string::npos) return true;
    if (!part.empty() && IsDelimiter(part[0])) return true;
    if (part.size() >= 2 && std::isalpha(static_cast<unsigned char>(part[0])) && part[1] == ':')
        return true;
    for (const std::string& component : Components(part))
        if (component == "..") return true;
    return false;
}

std::string StoredPath(const std::string& directory, const std::string& fileName) {
    std::string path = directory;
    if (!path.empty() && !fileName.empty() && !IsDelimiter(path.back())) path += '\\';
    path += fileName;
    for (char& c : path)
        if (c == '\0') c = '?';
    return path;
}

std::string Slashes(std::string path) {
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

// "\" becomes "/"; a non-empty folder part gets a trailing delimiter.
std::string LocalFolder(const std::string& directory) {
    std::string folder = Slashes(directory);
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder;
}

std::string CreateMessage(const std::string& path, int error) {
    return "Cannot create file \"" + path + "\". " + std::strerror(error);
}

void PutI32(std::vector<std::uint8_t>& out, std::int32_t value) {
    auto v = std::uint32_t(value);
    for (int i = 0; i < 4; ++i)
        out.push_back(std::uint8_t(v >> (8 * i)));
}

// The pack being read: sequential reads that fail with "Stream read error" when the file ends
// before the requested bytes.
class PackFile {
public:
    explicit PackFile(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
        if (fd_ < 0) Fail(path, errno);
        struct stat st;
        if (::fstat(fd_, &st) != 0) Fail(path, errno);
        if (S_ISDIR(st.st_mode)) Fail(path, EISDIR);
        size_ = std::uint64_t(st.st_size);
    }
    ~PackFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    PackFile(const PackFile&) = delete;
    PackFile& operator=(const PackFile&) = delete;

    bool AtEnd() const { return position_ >= size_; }
    std::uint64_t Position() const { return position_; }

    void Read(void* bytes, std::uint64_t count) {
        if (count > size_ - position_) throw EReadError("Stream read error");
        auto* p = static_cast<std::uint8_t*>(bytes);
        while (count > 0) {
            ssize_t got = ::pread(fd_, p, std::size_t(count), off_t(position_));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) throw EReadError("Stream read error");
            p += got;
            position_ += std::uint64_t(got);
            count -= std::uint64_t(got);
        }
    }
    // Reads at an offset without moving the read position.
    void ReadAt(std::uint64_t offset, void* bytes, std::size_t count) {
        auto* p = static_cast<std::uint8_t*>(bytes);
        while (count > 0) {
            ssize_t got = ::pread(fd_, p, count, off_t(offset));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) throw EReadError("Stream read error");
            p += got;
            offset += std::uint64_t(got);
            count -= std::size_t(got);
        }
    }
    void Skip(std::uint64_t count) {
        if (count > size_ - position_) throw EReadError("Stream read error");
        position_ += count;
    }
    std::uint8_t ReadByte() {
        std::uint8_t b;
        Read(&b, 1);
        return b;
    }
    std::string ReadShortString() {
        std::string text(ReadByte(), '\0');
        Read(text.data(), text.size());
        return text;
    }
    // A signed size; a negative one cannot describe a record.
    std::int32_t ReadSize() {
        std::uint8_t b[4];
        Read(b, 4);
        auto value = std::int32_t(std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 |
                                  std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24);
        if (value < 0) throw EReadError("Stream read error");
        return value;
    }

private:
    [[noreturn]] static void Fail(const std::string& path, int error) {
        throw EFileError("Cannot open file \"" + path + "\". " + std::strerror(error));
    }

    int fd_;
    std::uint64_t size_ = 0;
    std::uint64_t position_ = 0;
};

// A folder held open by descriptor.
class FolderHandle {
public:
    FolderHandle() = default;
    explicit FolderHandle(int fd) : fd_(fd) {}
    ~FolderHandle() {
        if (fd_ >= 0) ::close(fd_);
    }
    FolderHandle(FolderHandle&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    FolderHandle& operator=(FolderHandle&& other) noexcept {
        if (this != &other) {
            if (fd_ >= 0) ::close(fd_);
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    int Get() const { return fd_; }

private:
    int fd_ = -1;
};

// What one record made: removed again, newest first, unless the record completes. Only folders
// the record itself created are removed, and only while they are empty.
class RecordUndo {
public:
    RecordUndo() = default;
    ~RecordUndo() {
        if (!kept_) {
            for (auto it = inside_.rbegin(); it != inside_.rend(); ++it)
                ::unlinkat(it->first.Get(), it->second.c_str(), AT_REMOVEDIR);
            for (auto it = paths_.rbegin(); it != paths_.rend(); ++it)
                ::rmdir(it->c_str());
        }
    }
    RecordUndo(const RecordUndo&) = delete;
    RecordUndo& operator=(const RecordUndo&) = delete;

    void MadePath(const std::string& path) { paths_.push_back(path); }
    void MadeInside(int parent, const std::string& name) {
        inside_.emplace_back(FolderHandle(::fcntl(parent, F_DUPFD_CLOEXEC, 0)), name);
    }
    void Keep() { kept_ = true; }

private:
    std::vector<std::string> paths_;
    std::vector<std::pair<FolderHandle, std::string>> inside_;
    bool kept_ = false;
};

// Opens the target folder, making it and its missing parents first. The target itself is the
// caller's choice, so links on the way to it are followed.
FolderHandle OpenTarget(const std::string& target, RecordUndo& undo, int& error) {
    std::string path = target;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    std::vector<std::string> missing;
    for (std::string p = path; !p.empty() && p != "/" && p != ".";) {
        struct stat st;
        if (::stat(p.c_str(), &st) == 0) break;
        missing.push_back(p);
        const std::size_t slash = p.rfind('/');
        p = slash == std::string::npos ? std::string() : p.substr(0, slash);
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (::mkdir(it->c_str(), 0777) == 0)
            undo.MadePath(*it);
        else if (errno != EEXIST)
            break;
    }
    FolderHandle folder(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Get() < 0) error = errno;
    return folder;
}

// Opens (making them as needed) the folders below `root` one component at a time, never
// following a link: a link already in the target cannot lead a pack anywhere else. `viaLink`
// tells that a component was a link.
FolderHandle OpenInside(const FolderHandle& root, const std::vector<std::string>& components,
                        RecordUndo& undo, int& error, bool& viaLink) {
    FolderHandle current(::fcntl(root.Get(), F_DUPFD_CLOEXEC, 0));
    for (const std::string& name : components) {
        if (name == ".") continue;
        if (::mkdirat(current.Get(), name.c_str(), 0777) == 0) undo.MadeInside(current.Get(), name);
        FolderHandle next(
            ::openat(current.Get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (next.Get() < 0) {
            error = errno;
            struct stat st;
            viaLink = ::fstatat(current.Get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                      S_ISLNK(st.st_mode);
            return {};
        }
        current = std::move(next);
    }
    return current;
}

std::string OutsideMessage(const std::string& directory, const std::string& fileName) {
    return "Object pack path \"" + StoredPath(directory, fileName) +
           "\" leads outside the target folder";
}

// Ends the inflate stream on every way out.
struct Inflater {
    z_stream z{};
    Inflater() {
        int rc = inflateInit2(&z, 15);
        if (rc != Z_OK) throw Error(ZlibErrorText(rc));
    }
    ~Inflater() { inflateEnd(&z); }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;
};

// Inflates the record's zlib stream, read from the pack in pieces, into the file: output in
// pieces of at most 1024 bytes with a progress call after each. Output beyond the size the
// record declares means damage: the file is dropped.
void InflateInto(PackFile& pack, std::uint64_t offset, std::uint64_t compressedSize,
                 TAtomicFile& out, const std::string& storedPath, std::int32_t uncompressedSize,
                 const TUnpackProgress& progress) {
    // No compressed bytes at all give an empty file, as there is nothing to inflate.
    if (compressedSize == 0) return;
    Inflater inflater;
    z_stream& z = inflater.z;
    std::vector<std::uint8_t> input(std::size_t(std::min<std::uint64_t>(compressedSize, 65536)));
    std::uint64_t left = compressedSize;
    std::uint8_t piece[kPieceSize];
    std::int64_t written = 0;
    for (;;) {
        if (z.avail_in == 0 && left > 0) {
            const std::size_t n = std::size_t(std::min<std::uint64_t>(left, input.size()));
            pack.ReadAt(offset, input.data(), n);
            offset += n;
            left -= n;
            z.next_in = input.data();
            z.avail_in = uInt(n);
        }
        z.next_out = piece;
        z.avail_out = uInt(kPieceSize);
        int rc = inflate(&z, Z_NO_FLUSH);
        // Z_BUF_ERROR: the compressed bytes ran out before the stream's end (and its check
        // value), so what was inflated cannot be trusted to be the whole file. Z_NEED_DICT: a
        // stream that needs a preset dictionary nobody can supply.
        if (rc < 0 || rc == Z_NEED_DICT) throw Error(ZlibErrorText(rc));
        const std::size_t got = kPieceSize - z.avail_out;
        if (got > 0) {
            if (written + std::int64_t(got) > uncompressedSize)
                throw Error("The object pack is damaged: \"" + storedPath +
                            "\" holds more than the " + std::to_string(uncompressedSize) +
                            " bytes its record declares");
            out.Write(piece, got);
            written += std::int64_t(got);
            if (progress) progress(written, uncompressedSize);
        }
        if (rc == Z_STREAM_END) break; // bytes after the stream's end are ignored
    }
}

} // namespace

std::string TPspFileRecord::RelativePath() const {
    return LocalFolder(Directory) + Slashes(FileName);
}

void CheckPackRecordPath(const std::string& directory, const std::string& fileName) {
    if (LeavesFolder(directory) || LeavesFolder(fileName))
        throw EFileError("Object pack path \"" + StoredPath(directory, fileName) +
                         "\" leads outside the target folder");
}

std::string ZlibErrorText(int code) {
    switch (code) {
    case Z_ERRNO:
        return "zlib returned: ERRNO";
    case Z_STREAM_ERROR:
        return "zlib returned: Stream error";
    case Z_DATA_ERROR:
        return "zlib returned: data error";
    case Z_MEM_ERROR:
        return "zlib returned: memory error";
    case Z_BUF_ERROR:
        return "zlib returned: buffer error";
    case Z_VERSION_ERROR:
        return "zlib returned: Version error";
    default:
        return "ZLib error";
    }
}

void TObjectPackWriter::Add(const std::string& directory, const std::string& fileName,
                            const std::vector<std::uint8_t>& contents) {
    CheckPackRecordPath(directory, fileName);
    if (fileName.empty() || fileName == "." || fileName.find_first_of("\\/") != std::string::npos)
        throw Error("Invalid file name \"" + StoredPath(directory, fileName) + "\"");

    std::string stored;
    for (const std::string& component : Components(directory)) {
        if (!stored.empty()) stored += '\\';
        stored += component;
    }
    if (stored.size() > kMaxNameLength)
        throw Error("Folder name \"" + stored + "\" is longer than 255 bytes");
    if (fileName.size() > kMaxNameLength)
        throw Error("File name \"" + fileName + "\" is longer than 255 bytes");
    if (contents.size() > kMaxData)
        throw Error("File \"" + StoredPath(stored, fileName) + "\" is larger than 2 GB");

    uLongf packedSize = compressBound(uLong(contents.size()));
    std::vector<std::uint8_t> packed(packedSize);
    int rc = compress2(packed.data(), &packedSize, contents.data(), uLong(contents.size()),
                       Z_BEST_COMPRESSION);
    if (rc != Z_OK) throw Error(ZlibErrorText(rc));
    if (packedSize > kMaxData)
        throw Error("File \"" + StoredPath(stored, fileName) + "\" is larger than 2 GB");

    bytes_.push_back(std::uint8_t(stored.size()));
    bytes_.insert(bytes_.end(), stored.begin(), stored.end());
    bytes_.push_back(std::uint8_t(fileName.size()));
    bytes_.insert(bytes_.end(), fileName.begin(), fileName.end());
    PutI32(bytes_, std::int32_t(contents.size()));
    PutI32(bytes_, std::int32_t(packedSize));
    bytes_.insert(bytes_.end(), packed.begin(), packed.begin() + std::ptrdiff_t(packedSize));
    ++count_;
}

void TObjectPackWriter::Save(const std::string& path) const {
    WriteFileAtomically(path, bytes_);
}

void UnpackObjectPack(const std::string& packPath, const std::string& targetFolder, bool overwrite,
                      bool keepFolders, const TUnpackProgress& progress,
                      const TPlaceRecord& place) {
    std::string target = targetFolder.empty() ? "./" : targetFolder;
    if (target.back() != '/') target += '/';

    PackFile pack(packPath);
    while (!pack.AtEnd()) {
        const std::string directory = pack.ReadShortString();
        CheckPackRecordPath(directory, "");
        const std::string fileName = pack.ReadShortString();
        CheckPackRecordPath(directory, fileName);
        const std::int32_t uncompressedSize = pack.ReadSize();
        const std::uint64_t compressedSize = std::uint64_t(pack.ReadSize());
        const std::uint64_t dataOffset = pack.Position();
        pack.Skip(compressedSize);

        TPackPlacement placement;
        if (place) {
            placement = place(directory, fileName);
        } else {
            // Delimiters in the file name separate folders too.
            placement.Folders = Components(directory);
            std::vector<std::string> parts = Components(fileName);
            if (!parts.empty()) {
                placement.FileName = parts.back();
                parts.pop_back();
            }
            placement.Folders.insert(placement.Folders.end(), parts.begin(), parts.end());
        }
        std::string folderPath;
        for (const std::string& component : placement.Folders)
            folderPath += component + "/";

        // The record's folder is made (with the target and every missing parent) also when its
        // file is then skipped or lands at the top; a record that fails takes back what it made.
        RecordUndo undo;
        int error = 0;
        bool viaLink = false;
        FolderHandle root = OpenTarget(target, undo, error);
        FolderHandle folder;
        if (root.Get() >= 0) folder = OpenInside(root, placement.Folders, undo, error, viaLink);
        if (!keepFolders) {
            folderPath.clear();
            if (root.Get() >= 0) folder = FolderHandle(::fcntl(root.Get(), F_DUPFD_CLOEXEC, 0));
        }
        const std::string path = target + folderPath + placement.FileName;

        if (!overwrite && folder.Get() >= 0) {
            struct stat st;
            if (::fstatat(folder.Get(), placement.FileName.c_str(), &st, AT_SYMLINK_NOFOLLOW) ==
                0) {
                undo.Keep();
                continue;
            }
        }
        if (viaLink) throw EFileError(OutsideMessage(directory, fileName));
        if (folder.Get() < 0) throw EFileError(CreateMessage(path, error ? error : ENOENT));
        if (placement.FileName.empty()) throw EFileError(CreateMessage(path, EISDIR));

        TAtomicFile out(folder.Get(), placement.FileName, path, /*allowExecutable=*/false);
        InflateInto(pack, dataOffset, compressedSize, out, StoredPath(directory, fileName),
                    uncompressedSize, progress);
        out.Commit();
        undo.Keep();
    }
}

TPackPlacement LibraryPlacement(const std::string& directory, const std::string& fileName) {
    const std::vector<std::string> folders = Components(directory);
    const std::vector<std::string> names = Components(fileName);
    auto refuse = [&](const std::string& why) -> TPackPlacement {
        throw EFileError("The object pack holds \"" + StoredPath(directory, fileName) +
                         "\", which " + why + "; nothing was imported");
    };
    if (names.size() != 1) return refuse("is not a plain file name");
    const std::string& name = names[0];
    std::vector<std::string> meaningful;
    for (const std::string& f : folders)
        if (f != ".") meaningful.push_back(f);
    if (meaningful.empty()) {
        for (const char* known : {"libraryfull.phd", "library.phd", "library.phi"})
            if (SameText(name, known)) return {{}, known};
        return refuse("is not part of an object library");
    }
    if (meaningful.size() == 1) {
        for (const char* known : {"Data", "Desktop"}) {
            if (!SameText(meaningful[0], known)) continue;
            const std::size_t dot = name.rfind('.');
            if (dot == std::string::npos || dot == 0 || !HasPictureDecoder(name.substr(dot + 1)))
                return refuse("is not a picture");
            return {{known}, name};
        }
    }
    return refuse("is not part of an object library");
}

void ImportObjectPack(const std::string& packPath, const std::string& programFolder,
                      const TUnpackProgress& progress) {
    // Everything is checked before anything is written: a pack with one foreign file changes
    // nothing at all.
    for (const TPspFileRecord& record : ListObjectPack(packPath)) {
        CheckPackRecordPath(record.Directory, record.FileName);
        LibraryPlacement(record.Directory, record.FileName);
    }
    UnpackObjectPack(packPath, programFolder, /*overwrite=*/true, /*keepFolders=*/true, progress,
                     LibraryPlacement);
}

std::vector<TPspFileRecord> ListObjectPack(const std::string& packPath) {
    std::vector<TPspFileRecord> records;
    PackFile pack(packPath);
    while (!pack.AtEnd()) {
        TPspFileRecord record;
        record.Directory = pack.ReadShortString();
        record.FileName = pack.ReadShortString();
        record.UncompressedSize = pack.ReadSize();
        record.CompressedSize = pack.ReadSize();
        record.DataOffset = pack.Position();
        pack.Skip(std::uint64_t(record.CompressedSize));
        records.push_back(std::move(record));
    }
    return records;
}

std::string PspVersionFromPackName(const std::string& fileName) {
    std::size_t slash = fileName.rfind('/');
    std::string name = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
    std::size_t at = name.find("_v");
    if (at == std::string::npos || at == 0) return "1";
    return name.substr(at + 2, 1);
}

} // namespace lumetta
