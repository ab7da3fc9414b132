#include "tools/ObjectPack.h"

#include "base/Error.h"
#include "base/SafeFile.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>
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
    // Checks the length against the file before allocating anything for it.
    std::vector<std::uint8_t> ReadBlock(std::uint64_t count) {
        if (count > size_ - position_) throw EReadError("Stream read error");
        std::vector<std::uint8_t> bytes(count);
        Read(bytes.data(), count);
        return bytes;
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

// An unpacked file under construction: written piece by piece to a hidden temporary file in the
// target's folder and renamed over the target only when complete. Destroyed uncommitted (an
// error, an exception from the progress callback) it removes the temporary file, so the target
// keeps its old contents.
class PendingFile {
public:
    explicit PendingFile(const std::string& target) : target_(target) {
        struct stat st;
        bool exists = ::stat(target.c_str(), &st) == 0;
        if (exists && S_ISDIR(st.st_mode)) throw EFileError(CreateMessage(target, EISDIR));

        std::size_t slash = target.rfind('/');
        std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
        std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
        folder_ = folder;
        std::string pattern = (folder == "." ? "./" : folder) + "." + base + ".XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        fd_ = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd_ < 0) throw EFileError(CreateMessage(target, errno));
        temp_ = name.data();

        mode_t mode;
        if (exists && S_ISREG(st.st_mode)) {
            mode = st.st_mode & 07777;
        } else {
            mode_t mask = ::umask(0);
            ::umask(mask);
            mode = 0666 & ~mask;
        }
        if (::fchmod(fd_, mode) != 0) Fail(errno);
    }
    ~PendingFile() {
        if (fd_ >= 0) ::close(fd_);
        if (!temp_.empty()) ::unlink(temp_.c_str());
    }
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    void Write(const std::uint8_t* bytes, std::size_t count) {
        while (count > 0) {
            ssize_t put = ::write(fd_, bytes, count);
            if (put < 0 && errno == EINTR) continue;
            if (put < 0) Fail(errno);
            // A write that stores nothing without an error would loop for ever: a full disk.
            if (put == 0) Fail(ENOSPC);
            bytes += put;
            count -= std::size_t(put);
        }
    }
    void Commit() {
        if (::fsync(fd_) != 0) Fail(errno);
        int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) Fail(errno);
        if (::rename(temp_.c_str(), target_.c_str()) != 0) Fail(errno);
        temp_.clear();
        // Makes the rename durable; a failure here cannot undo the visible result.
        int folder = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder >= 0) {
            ::fsync(folder);
            ::close(folder);
        }
    }

private:
    [[noreturn]] void Fail(int error) { throw EFileError(CreateMessage(target_, error)); }

    std::string target_;
    std::string folder_;
    std::string temp_;
    int fd_ = -1;
};

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

void InflateInto(const std::vector<std::uint8_t>& data, const std::string& target,
                 std::int32_t uncompressedSize, const TUnpackProgress& progress) {
    PendingFile out(target);
    // No compressed bytes at all give an empty file, as there is nothing to inflate.
    if (!data.empty()) {
        Inflater inflater;
        z_stream& z = inflater.z;
        z.next_in = const_cast<Bytef*>(data.data());
        z.avail_in = uInt(data.size());
        std::uint8_t piece[kPieceSize];
        std::int64_t written = 0;
        for (;;) {
            z.next_out = piece;
            z.avail_out = uInt(kPieceSize);
            int rc = inflate(&z, Z_NO_FLUSH);
            // Z_BUF_ERROR: the compressed bytes ran out before the stream's end (and its check
            // value), so what was inflated cannot be trusted to be the whole file. Z_NEED_DICT:
            // a stream that needs a preset dictionary nobody can supply.
            if (rc < 0 || rc == Z_NEED_DICT) throw Error(ZlibErrorText(rc));
            std::size_t got = kPieceSize - z.avail_out;
            if (got > 0) {
                out.Write(piece, got);
                written += std::int64_t(got);
                if (progress) progress(written, uncompressedSize);
            }
            if (rc == Z_STREAM_END) break; // bytes after the stream's end are ignored
        }
    }
    out.Commit();
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
                      bool keepFolders, const TUnpackProgress& progress) {
    std::string target = targetFolder.empty() ? "./" : targetFolder;
    if (target.back() != '/') target += '/';

    PackFile pack(packPath);
    while (!pack.AtEnd()) {
        std::string directory = pack.ReadShortString();
        CheckPackRecordPath(directory, "");
        std::string folder = LocalFolder(directory);
        // A folder that cannot be created shows up as the file's creation error below.
        std::string create = target + folder;
        while (create.size() > 1 && create.back() == '/')
            create.pop_back();
        std::error_code ignored;
        std::filesystem::create_directories(create, ignored);
        if (!keepFolders) folder.clear();

        std::string fileName = pack.ReadShortString();
        CheckPackRecordPath(directory, fileName);
        std::string path = target + folder + Slashes(fileName);

        std::int32_t uncompressedSize = pack.ReadSize();
        std::vector<std::uint8_t> data = pack.ReadBlock(std::uint64_t(pack.ReadSize()));

        if (!overwrite) {
            struct stat st;
            if (::lstat(path.c_str(), &st) == 0) continue;
        }
        InflateInto(data, path, uncompressedSize, progress);
    }
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
