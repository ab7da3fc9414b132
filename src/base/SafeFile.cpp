#include "base/SafeFile.h"

#include "base/Error.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumetta {

namespace {

std::string OpenMessage(const std::string& path, int error) {
    return "Cannot open file \"" + path + "\". " + std::strerror(error);
}

std::string CreateMessage(const std::string& path, int error) {
    return "Cannot create file \"" + path + "\". " + std::strerror(error);
}

// Closes a descriptor on every way out of a scope.
class FileHandle {
public:
    explicit FileHandle(int fd) : fd_(fd) {}
    ~FileHandle() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    int Get() const { return fd_; }
    // Closes now and reports whether the close itself succeeded (it can report a failed
    // write-back on some file systems).
    bool Close() {
        int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

std::string FolderOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

mode_t NewFileMode() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Makes a completed rename durable; failure here does not undo the (already visible) result,
// so it is not reported.
void SyncFolder(const std::string& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

bool FileExists(const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
    FileHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.Get() < 0) throw EFileError(OpenMessage(path, errno));
    struct stat st;
    if (::fstat(file.Get(), &st) != 0) throw EFileError(OpenMessage(path, errno));
    if (S_ISDIR(st.st_mode)) throw EFileError(OpenMessage(path, EISDIR));

    std::vector<std::uint8_t> bytes;
    if (S_ISREG(st.st_mode) && st.st_size > 0) bytes.reserve(std::size_t(st.st_size));
    std::uint8_t chunk[65536];
    for (;;) {
        ssize_t got = ::read(file.Get(), chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR) continue;
            throw EReadError("Stream read error");
        }
        if (got == 0) break;
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    return bytes;
}

void WriteFileAtomically(const std::string& path, const void* data, std::size_t size) {
    struct stat target;
    bool targetExists = ::stat(path.c_str(), &target) == 0;
    if (targetExists && S_ISDIR(target.st_mode)) throw EFileError(CreateMessage(path, EISDIR));

    // The temporary name starts with a dot so that folder listings (thumbnails, object packs)
    // never pick up a half-written file.
    std::string folder = FolderOf(path);
    std::size_t slash = path.rfind('/');
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string temp = (folder == "/" ? "" : folder) + "/." + base + ".XXXXXX";
    std::vector<char> name(temp.begin(), temp.end());
    name.push_back('\0');

    FileHandle file(::mkostemp(name.data(), O_CLOEXEC));
    if (file.Get() < 0) throw EFileError(CreateMessage(path, errno));
    std::string tempPath(name.data());

    auto fail = [&](int error) {
        file.Close();
        ::unlink(tempPath.c_str());
        throw EFileError(CreateMessage(path, error));
    };

    mode_t mode =
        targetExists && S_ISREG(target.st_mode) ? (target.st_mode & 07777) : NewFileMode();
    if (::fchmod(file.Get(), mode) != 0) fail(errno);

    const auto* p = static_cast<const std::uint8_t*>(data);
    std::size_t left = size;
    while (left > 0) {
        ssize_t put = ::write(file.Get(), p, left);
        if (put < 0) {
            if (errno == EINTR) continue;
            fail(errno);
        }
        // A write that stores nothing without an error would loop for ever; treat it as a full
        // disk.
        if (put == 0) fail(ENOSPC);
        p += put;
        left -= std::size_t(put);
    }
    if (::fsync(file.Get()) != 0) fail(errno);
    if (!file.Close()) {
        int error = errno;
        ::unlink(tempPath.c_str());
        throw EFileError(CreateMessage(path, error));
    }
    if (::rename(tempPath.c_str(), path.c_str()) != 0) {
        int error = errno;
        ::unlink(tempPath.c_str());
        throw EFileError(CreateMessage(path, error));
    }
    SyncFolder(folder);
}

void WriteFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    WriteFileAtomically(path, bytes.data(), bytes.size());
}

void WriteFileAtomically(const std::string& path, std::string_view text) {
    WriteFileAtomically(path, text.data(), text.size());
}

} // namespace lumetta
