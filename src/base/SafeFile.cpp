#include "base/SafeFile.h"

#include "base/Error.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace lumetta {

namespace {

// The longest file name the usual Linux file systems accept.
constexpr std::size_t kNameMax = 255;
constexpr std::size_t kRandomLength = 6;
// "." + name + "." + six characters.
constexpr std::size_t kTemporaryNameRoom = kNameMax - 2 - kRandomLength;

bool gUseNamedTemporaries = false;
int gStaleSeconds = 10 * 60;

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

private:
    int fd_;
};

mode_t NewFileMode() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

std::string RandomSuffix() {
    static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    static std::mt19937 engine{std::random_device{}()};
    std::uniform_int_distribution<int> pick(0, int(sizeof kChars) - 2);
    std::string suffix(kRandomLength, 'x');
    for (char& c : suffix)
        c = kChars[pick(engine)];
    return suffix;
}

bool IsAlnum(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Removes temporaries that an earlier write of the same target left behind when the process
// died before finishing: only regular files of ours with exactly the temporary name's shape,
// and only once they have not been written to for a while, so that a write still under way in
// another process is never disturbed.
void RemoveStaleTemporaries(int folder, const std::string& name) {
    const std::string prefix = TemporaryNameFor(name, "");
    const int listFd = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listFd < 0) return;
    DIR* dir = ::fdopendir(listFd);
    if (!dir) {
        ::close(listFd);
        return;
    }
    const std::time_t now = std::time(nullptr);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view candidate(entry->d_name);
        if (candidate.size() != prefix.size() + kRandomLength ||
            candidate.substr(0, prefix.size()) != prefix)
            continue;
        bool shaped = true;
        for (char c : candidate.substr(prefix.size()))
            shaped = shaped && IsAlnum(c);
        struct stat st;
        if (!shaped || ::fstatat(folder, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) continue;
        if (now - st.st_mtime < gStaleSeconds) continue;
        ::unlinkat(folder, entry->d_name, 0);
    }
    ::closedir(dir);
}

} // namespace

bool FileExists(const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::vector<std::uint8_t> ReadWholeFile(const std::string& path, std::size_t limit) {
    FileHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.Get() < 0) throw EFileError(OpenMessage(path, errno));
    struct stat st;
    if (::fstat(file.Get(), &st) != 0) throw EFileError(OpenMessage(path, errno));
    if (S_ISDIR(st.st_mode)) throw EFileError(OpenMessage(path, EISDIR));

    // A regular file is read straight into storage of its size; what it may have grown by
    // since, or a file of unknown size, comes in chunks after it.
    const auto tooLarge = [&](std::uint64_t size) {
        return EReadError(path + " is too large to read (" + std::to_string(size) + " bytes)");
    };
    if (S_ISREG(st.st_mode) && std::uint64_t(st.st_size) > limit) throw tooLarge(st.st_size);
    std::vector<std::uint8_t> bytes;
    std::size_t have = 0;
    if (S_ISREG(st.st_mode) && st.st_size > 0) bytes.resize(std::size_t(st.st_size));
    const auto readInto = [&](std::uint8_t* to, std::size_t room) {
        for (;;) {
            const ssize_t got = ::read(file.Get(), to, room);
            if (got >= 0) return std::size_t(got);
            if (errno != EINTR) throw EReadError("Stream read error");
        }
    };
    while (have < bytes.size()) {
        const std::size_t got = readInto(bytes.data() + have, bytes.size() - have);
        if (got == 0) break;
        have += got;
    }
    bytes.resize(have);
    if (have == 0 || have == std::size_t(st.st_size)) {
        std::uint8_t chunk[65536];
        for (;;) {
            const std::size_t got = readInto(chunk, sizeof chunk);
            if (got == 0) break;
            if (got > limit - bytes.size()) throw tooLarge(std::uint64_t(bytes.size()) + got);
            bytes.insert(bytes.end(), chunk, chunk + got);
        }
    }
    return bytes;
}

std::string TemporaryNameFor(const std::string& name, std::string_view suffix) {
    std::string temp;
    temp.reserve(kNameMax);
    temp += '.';
    temp.append(name, 0, std::min(name.size(), kTemporaryNameRoom));
    temp += '.';
    temp += suffix;
    return temp;
}

// ---------------------------------------------------------------- TAtomicFile

TAtomicFile::TAtomicFile(const std::string& path) : displayPath_(path) {
    const std::size_t slash = path.rfind('/');
    std::string folder =
        slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
    name_ = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name_.empty()) throw EFileError(CreateMessage(path, EISDIR));
    folder_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // A folder we may write into but not list still takes the file.
    if (folder_ < 0 && errno == EACCES)
        folder_ = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folder_ < 0) throw EFileError(CreateMessage(path, errno));
    ownsFolder_ = true;
    try {
        Open(true);
    } catch (...) {
        ::close(folder_);
        throw;
    }
}

TAtomicFile::TAtomicFile(int folderFd, const std::string& name, const std::string& displayPath,
                         bool allowExecutable)
    : folder_(folderFd), name_(name), displayPath_(displayPath) {
    Open(allowExecutable);
}

TAtomicFile::~TAtomicFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!tempName_.empty()) ::unlinkat(folder_, tempName_.c_str(), 0);
    if (ownsFolder_) ::close(folder_);
}

void TAtomicFile::Fail(int error) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!tempName_.empty()) ::unlinkat(folder_, tempName_.c_str(), 0);
    tempName_.clear();
    throw EFileError(CreateMessage(displayPath_, error));
}

void TAtomicFile::Open(bool allowExecutable) {
    mode_t mode = NewFileMode();
    struct stat st;
    if (::fstatat(folder_, name_.c_str(), &st, 0) == 0) {
        if (S_ISDIR(st.st_mode)) Fail(EISDIR);
        if (S_ISREG(st.st_mode)) mode = st.st_mode & 07777;
    }
    if (!allowExecutable) {
        // What the name itself is: a link is replaced, never written through.
        if (::fstatat(folder_, name_.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
            if (S_ISREG(st.st_mode) && (st.st_mode & 0111))
                throw EFileError("Cannot create file \"" + displayPath_ +
                                 "\". It is a program file, which is never replaced");
            if (!S_ISREG(st.st_mode)) mode = NewFileMode();
        }
        mode &= ~mode_t(0111);
    }

    RemoveStaleTemporaries(folder_, name_);
    if (!gUseNamedTemporaries) {
        fd_ = ::openat(folder_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
        if (fd_ >= 0) {
            nameless_ = true;
        } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
            Fail(errno);
        }
    }
    for (int attempt = 0; fd_ < 0; ++attempt) {
        std::string temp = TemporaryNameFor(name_, RandomSuffix());
        fd_ = ::openat(folder_, temp.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
        if (fd_ >= 0)
            tempName_ = temp;
        else if (errno != EEXIST || attempt > 100)
            Fail(errno);
    }
    if (::fchmod(fd_, mode) != 0) Fail(errno);
}

void TAtomicFile::Write(const void* data, std::size_t size) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
        ssize_t put = ::write(fd_, p, size);
        if (put < 0) {
            if (errno == EINTR) continue;
            Fail(errno);
        }
        // A write that stores nothing without an error would loop for ever; treat it as a full
        // disk.
        if (put == 0) Fail(ENOSPC);
        p += put;
        size -= std::size_t(put);
    }
}

// Gives a nameless file its temporary name, right before it replaces the target. Linking by
// descriptor needs a privilege most users lack; the /proc route works for everyone.
void TAtomicFile::NameTemporary() {
    char procPath[64];
    std::snprintf(procPath, sizeof procPath, "/proc/self/fd/%d", fd_);
    for (int attempt = 0;; ++attempt) {
        std::string temp = TemporaryNameFor(name_, RandomSuffix());
        int rc = ::linkat(fd_, "", folder_, temp.c_str(), AT_EMPTY_PATH);
        if (rc != 0 && errno != EEXIST)
            rc = ::linkat(AT_FDCWD, procPath, folder_, temp.c_str(), AT_SYMLINK_FOLLOW);
        if (rc == 0) {
            tempName_ = temp;
            return;
        }
        if (errno != EEXIST || attempt > 100) Fail(errno);
    }
}

void TAtomicFile::Commit() {
    if (::fsync(fd_) != 0) Fail(errno);
    if (nameless_) NameTemporary();
    const int fd = fd_;
    fd_ = -1;
    // close can report a failed write-back on some file systems.
    if (::close(fd) != 0) Fail(errno);
    if (::renameat(folder_, tempName_.c_str(), folder_, name_.c_str()) != 0) Fail(errno);
    tempName_.clear();
    // Makes the rename durable; a failure here cannot undo the visible result, so it is not
    // reported.
    ::fsync(folder_);
}

void WriteFileAtomically(const std::string& path, const void* data, std::size_t size) {
    TAtomicFile file(path);
    file.Write(data, size);
    file.Commit();
}

void WriteFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    WriteFileAtomically(path, bytes.data(), bytes.size());
}

void WriteFileAtomically(const std::string& path, std::string_view text) {
    WriteFileAtomically(path, text.data(), text.size());
}

namespace safefile_testing {
void UseNamedTemporaries(bool on) {
    gUseNamedTemporaries = on;
}
void SetStaleAge(int seconds) {
    gStaleSeconds = seconds;
}
} // namespace safefile_testing

} // namespace lumetta
