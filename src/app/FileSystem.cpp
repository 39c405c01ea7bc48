#include "app/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <system_error>

#include "app/Errors.h"
#include "app/FileDescriptor.h"
#include "text/Encoding.h"
#include "text/ShiftJis.h"

namespace korva {

namespace fs = std::filesystem;

namespace {

std::function<void(const fs::path&)>& BeforeRenameHook() {
    static std::function<void(const fs::path&)> hook;
    return hook;
}

WriteFaultHook& WriteFault() {
    static WriteFaultHook hook;
    return hook;
}

int InjectedFault(WriteStep step, const fs::path& file) {
    return WriteFault() ? WriteFault()(step, file) : 0;
}

// 0, or the error number of the write that failed.
int WriteBytes(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

int WriteStepped(int fd, std::string_view bytes, const fs::path& file) {
    if (const int fault = InjectedFault(WriteStep::Write, file)) {
        // Whatever lands of the first half, the write fails with the fault.
        static_cast<void>(WriteBytes(fd, bytes.substr(0, bytes.size() / 2)));
        return fault;
    }
    return WriteBytes(fd, bytes);
}

int FlushStepped(int fd, const fs::path& file) {
    if (const int fault = InjectedFault(WriteStep::Flush, file))
        return fault;
    return ::fsync(fd) == 0 ? 0 : errno;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        if (x != y && !(x < 0x80 && y < 0x80 && std::tolower(x) == std::tolower(y)))
            return false;
    }
    return true;
}

// The file a path stands for: a symbolic link is followed to the file it names (which need not exist
// yet), so that replacing the file keeps the link and changes what it points to, and the temporary
// file is made on the same file system as that file. Empty for a chain of links that never ends.
fs::path FollowLinks(fs::path path) {
    constexpr int kMostLinks = 40;  // as the kernel's own limit on links in a lookup
    for (int hops = 0; hops < kMostLinks; ++hops) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(path, ec)))
            return path;
        const fs::path link = fs::read_symlink(path, ec);
        if (ec)
            return {};
        path = link.is_absolute() ? link : path.parent_path() / link;
    }
    return {};
}

}  // namespace

WriteError::WriteError(const std::string& sjisPath) : UserError(sjisPath + Sjis(" に書き込めません")) {}
WriteError::WriteError(const std::string& sjisPath, const std::string& sjisReason)
    : UserError(sjisPath + Sjis(" に書き込めません") + "\n" + sjisReason) {}

std::string InputOutputMessage(int error) {
    if (error == ENOENT || error == ENOTDIR)
        return Sjis("ﾌｧｲﾙが見つかりません");
    if (error == EACCES || error == EPERM)
        return Sjis("ﾌｧｲﾙへのｱｸｾｽが拒否されました");
    return Sjis("I/O ｴﾗｰ (") + std::to_string(error) + ")";
}

namespace {

// What a file that is not a regular file is, for the user.
std::string KindOf(mode_t mode) {
    if (S_ISDIR(mode))
        return Sjis("フォルダ");
    if (S_ISFIFO(mode))
        return Sjis("名前付きパイプ");
    if (S_ISSOCK(mode))
        return Sjis("ソケット");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return Sjis("デバイス");
    return Sjis("通常のファイルではないもの");
}

}  // namespace

namespace {

// Refuses a descriptor that turns out to be no regular file (a FIFO or a device swapped in between);
// fd itself or -1.
int KeepIfRegular(int fd, ReadProblem& problem, struct stat* status) {
    struct stat after {};
    if (::fstat(fd, &after) != 0 || !S_ISREG(after.st_mode)) {
        problem.kind = ReadProblem::Kind::NotRegular;
        problem.what = KindOf(after.st_mode);
        ::close(fd);
        return -1;
    }
    if (status)
        *status = after;
    return fd;
}

constexpr int kOpenFlags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;

// As OpenRegularFile, leaving the descriptor non-blocking: reads of a regular file do not heed the
// flag (a reader that is told EAGAIN anyway clears it and reads again).
int OpenRegularFileNonBlocking(const std::string& sjisPath, ReadProblem& problem, struct stat* status) {
    problem = ReadProblem{};
    // Looked at before opening: opening some devices already does something (a tape rewinds). The
    // path as given is looked at first; only when it names nothing is the name looked for ignoring
    // case, so the usual file costs one look-up before it is opened.
    std::optional<fs::path> found;
    try {
        found = ToFsPath(sjisPath);
    } catch (const EncodingError&) {
    }
    struct stat before {};
    if (!found || ::stat(found->c_str(), &before) != 0) {
        found = FindIgnoringCase(sjisPath);
        if (!found) {
            problem.kind = ReadProblem::Kind::Missing;
            problem.error = ENOENT;
            return -1;
        }
        if (::stat(found->c_str(), &before) != 0) {
            problem.kind = errno == ENOENT ? ReadProblem::Kind::Missing : ReadProblem::Kind::Unreadable;
            problem.error = errno;
            return -1;
        }
    }
    if (!S_ISREG(before.st_mode)) {
        problem.kind = ReadProblem::Kind::NotRegular;
        problem.what = KindOf(before.st_mode);
        return -1;
    }
    const int fd = ::open(found->c_str(), kOpenFlags);
    if (fd < 0) {
        problem.kind = errno == ENOENT ? ReadProblem::Kind::Missing : ReadProblem::Kind::Unreadable;
        problem.error = errno;
        return -1;
    }
    return KeepIfRegular(fd, problem, status);
}

void ClearNonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        static_cast<void>(::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK));
}

// At most count bytes from the start of the open regular file of the given size, into bytes; false
// with problem set when the read fails.
bool ReadHeadInto(int fd, std::size_t count, unsigned long long size, std::string& bytes,
                  ReadProblem& problem) {
    bytes.resize(count);
    std::size_t got = 0;
    // A file that was shorter than count when opened has been read once that much has come: the
    // read that would only find its end is spared.
    while (got < count && (got == 0 || got < size)) {
        const ssize_t n = ::read(fd, bytes.data() + got, count - got);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN) {
                ClearNonBlocking(fd);
                continue;
            }
            problem.kind = ReadProblem::Kind::Unreadable;
            problem.error = errno;
            return false;
        }
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    return true;
}

std::optional<std::string> ReadHead(int fd, std::size_t count, unsigned long long size,
                                    ReadProblem& problem) {
    std::string bytes;
    if (!ReadHeadInto(fd, count, size, bytes, problem))
        return std::nullopt;
    return bytes;
}

}  // namespace

int OpenRegularFile(const std::string& sjisPath, ReadProblem& problem, struct stat* status) {
    const int fd = OpenRegularFileNonBlocking(sjisPath, problem, status);
    // Regular files never block; the flag only kept the open itself from waiting.
    if (fd >= 0)
        ClearNonBlocking(fd);
    return fd;
}

std::optional<std::string> ReadRegularFile(const std::string& sjisPath, std::size_t limit,
                                           ReadProblem* problem) {
    ReadProblem local;
    ReadProblem& out = problem ? *problem : local;
    struct stat status {};
    const FileDescriptor file(OpenRegularFile(sjisPath, out, &status));
    if (file.Get() < 0)
        return std::nullopt;
    const auto tooLarge = [&out, limit] {
        out.kind = ReadProblem::Kind::TooLarge;
        out.limit = limit;
        return std::nullopt;
    };
    if (static_cast<unsigned long long>(status.st_size) > limit)
        return tooLarge();
    std::string bytes;
    // One byte more than the size, so that a file that grew meanwhile is noticed without a regrowth.
    bytes.resize(static_cast<std::size_t>(status.st_size) + 1);
    std::size_t got = 0;
    for (;;) {
        if (got == bytes.size()) {
            if (got > limit)
                return tooLarge();
            bytes.resize(std::min(limit + 1, std::max<std::size_t>(2 * got, 4096)));
        }
        const ssize_t n = ::read(file.Get(), bytes.data() + got, bytes.size() - got);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            out.kind = ReadProblem::Kind::Unreadable;
            out.error = errno;
            return std::nullopt;
        }
        got += static_cast<std::size_t>(n);
    }
    if (got > limit)
        return tooLarge();
    bytes.resize(got);
    return bytes;
}

std::optional<std::string> ReadFileHead(const std::string& sjisPath, std::size_t count,
                                        ReadProblem* problem) {
    ReadProblem local;
    ReadProblem& out = problem ? *problem : local;
    struct stat status {};
    const FileDescriptor file(OpenRegularFileNonBlocking(sjisPath, out, &status));
    if (file.Get() < 0)
        return std::nullopt;
    return ReadHead(file.Get(), count, static_cast<unsigned long long>(status.st_size), out);
}

std::optional<std::string> ReadListedFileHead(const std::string& sjisPath, std::size_t count,
                                              ReadProblem* problem) {
    ReadProblem local;
    ReadProblem& out = problem ? *problem : local;
    out = ReadProblem{};
    int fd = -1;
    try {
        fd = ::open(ToFsPath(sjisPath).c_str(), kOpenFlags);
    } catch (const EncodingError&) {
    }
    // A file gone or renamed since its folder was listed is looked for as any other.
    if (fd < 0)
        return ReadFileHead(sjisPath, count, problem);
    struct stat status {};
    const FileDescriptor file(KeepIfRegular(fd, out, &status));
    if (file.Get() < 0)
        return std::nullopt;
    return ReadHead(file.Get(), count, static_cast<unsigned long long>(status.st_size), out);
}

std::optional<std::string> ReadWholeFile(const std::string& sjisPath) {
    return ReadRegularFile(sjisPath, kTextFileLimit);
}

std::string ReadProblemMessage(const std::string& sjisPath, const ReadProblem& problem) {
    const std::string head = Sjis("ファイル ") + sjisPath + Sjis(" を読み込めません（");
    switch (problem.kind) {
        case ReadProblem::Kind::NotRegular:
            return head + problem.what + Sjis("です）");
        case ReadProblem::Kind::TooLarge:
            return head + Sjis("大きすぎます。上限は ") + std::to_string(problem.limit >> 20) + " MB" +
                   Sjis("です）");
        case ReadProblem::Kind::Missing:
        case ReadProblem::Kind::Unreadable:
            return head + InputOutputMessage(problem.error) + Sjis("）");
        case ReadProblem::Kind::None:
            break;
    }
    return head + Sjis("）");
}

namespace {

// The file a replacement of the path writes: the existing file (name matched ignoring a-z case,
// links followed), or the path itself for a new file. Raises WriteError naming the path.
fs::path ReplacementTarget(const std::string& sjisPath) {
    fs::path target;
    try {
        target = FollowLinks(FindIgnoringCase(sjisPath).value_or(ToFsPath(sjisPath)));
    } catch (const EncodingError&) {
        throw WriteError(sjisPath);
    }
    if (target.empty())
        throw WriteError(sjisPath);
    return target;
}

constexpr std::string_view kTemporaryMark = ".tmp-";
constexpr std::size_t kTemporarySuffix = 6;  // the characters mkstemp puts for "XXXXXX"

// Whether the name is one of the temporary files a replacement of the file named `of` makes.
bool IsTemporaryNameOf(const std::string& name, const std::string& of) {
    if (name.size() != of.size() + kTemporaryMark.size() + kTemporarySuffix)
        return false;
    if (!SameIgnoringCase(name.substr(0, of.size()), of) ||
        name.compare(of.size(), kTemporaryMark.size(), kTemporaryMark) != 0)
        return false;
    return std::all_of(name.end() - kTemporarySuffix, name.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

bool SameInode(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Removes the temporary files that replacements of the target left behind when they were killed
// before their rename. A writer holds an exclusive lock on its temporary file from the moment it
// has made it until its rename is over, so a file whose lock can be taken at once belongs to no
// running writer, whatever copy of the program it came from. Returns how many were removed.
std::size_t RemoveLeftoversOf(const fs::path& target) {
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    const std::string name = target.filename().native();
    std::vector<fs::path> found;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (IsTemporaryNameOf(it->path().filename().native(), name))
            found.push_back(it->path());
    }
    std::size_t removed = 0;
    for (const fs::path& path : found) {
        // Not following a link, and never blocking on what is not a regular file.
        const FileDescriptor file(
            ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW | O_NONBLOCK));
        struct stat opened {};
        if (file.Get() < 0 || ::fstat(file.Get(), &opened) != 0 || !S_ISREG(opened.st_mode))
            continue;
        // A lock that cannot be had, for whatever reason (a live writer, a file system without
        // locks), keeps the file.
        if (::flock(file.Get(), LOCK_EX | LOCK_NB) != 0)
            continue;
        // Removed only while the name still is the file locked.
        struct stat named {};
        if (::lstat(path.c_str(), &named) == 0 && SameInode(named, opened) && ::unlink(path.c_str()) == 0)
            ++removed;
    }
    return removed;
}

// Makes the temporary file for a replacement of the target and takes its lock. A clean-up may
// remove a new file in the moment between its making and its lock; the file is then made afresh.
// Returns the descriptor, or -1 with errno set.
int MakeLockedTemporary(const fs::path& target, fs::path& temporary) {
    constexpr int kTries = 8;
    for (int attempt = 0; attempt < kTries; ++attempt) {
        std::string pattern = target.native();
        pattern += kTemporaryMark;
        pattern.append(kTemporarySuffix, 'X');
        // Close-on-exec: a converter started meanwhile must not inherit the file and its lock.
        const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (fd < 0)
            return -1;
        // Without locks on this file system the file is made all the same; no clean-up removes
        // a file it cannot lock.
        if (::flock(fd, LOCK_EX) != 0 && errno != ENOLCK && errno != EOPNOTSUPP && errno != EINVAL) {
            const int error = errno;
            ::unlink(pattern.c_str());
            ::close(fd);
            errno = error;
            return -1;
        }
        struct stat mine {};
        struct stat named {};
        if (::fstat(fd, &mine) == 0 && ::lstat(pattern.c_str(), &named) == 0 && SameInode(mine, named)) {
            temporary = pattern;
            return fd;
        }
        ::close(fd);
    }
    errno = EAGAIN;
    return -1;
}

// The user made the file read-only: no write bit for anyone. Judged by the mode bits alone, so
// that root, who may write any file, leaves it as the user meant too.
bool IsReadOnly(const struct stat& status) {
    return S_ISREG(status.st_mode) && (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

// Gives the new file the owner, group and mode of the one it replaces; a new file gets 0644.
// The group is kept where the system lets the writer hand the file to it (the writer is a member,
// or root); elsewhere the file becomes the writer's, as the owner always does unless root writes
// it. Refusing the write there would leave the user's own file unsaveable for good. Returns 0 or
// the error number of a mode that could not be set.
int TakeOverOwnership(int fd, const std::optional<struct stat>& old) {
    if (!old)
        return ::fchmod(fd, S_IRUSR | S_IWUSR | S_IRGRP | S_IROTH) == 0 ? 0 : errno;
    const uid_t owner = ::geteuid() == 0 ? old->st_uid : static_cast<uid_t>(-1);
    if (::fchown(fd, owner, old->st_gid) != 0 && errno != EPERM && errno != EINVAL)
        return errno;
    // After the owner: a change of owner clears the set-id bits.
    return ::fchmod(fd, old->st_mode & 07777) == 0 ? 0 : errno;
}

}  // namespace

void WriteFileAtomically(const std::string& sjisPath, std::string_view bytes) {
    const fs::path target = ReplacementTarget(sjisPath);
    RemoveLeftoversOf(target);
    std::optional<struct stat> old;
    if (struct stat status{}; ::stat(target.c_str(), &status) == 0)
        old = status;
    if (old && IsReadOnly(*old))
        throw WriteError(sjisPath);
    fs::path temporary;
    const FileDescriptor file(MakeLockedTemporary(target, temporary));
    if (file.Get() < 0)
        throw WriteError(sjisPath);
    int error = WriteStepped(file.Get(), bytes, temporary);
    if (error == 0)
        error = FlushStepped(file.Get(), temporary);
    if (error == 0)
        error = TakeOverOwnership(file.Get(), old);
    if (error == 0 && BeforeRenameHook())
        BeforeRenameHook()(temporary);
    // The descriptor, and with it the lock, stays open until the name is gone: a clean-up must not
    // take the file from under the rename. Its data was flushed, so closing it afterwards reports
    // nothing that matters any more.
    if (error == 0 && (InjectedFault(WriteStep::Rename, temporary) != 0 ||
                       ::rename(temporary.c_str(), target.c_str()) != 0))
        error = EIO;
    if (error != 0) {
        std::error_code ec;
        fs::remove(temporary, ec);
        throw WriteError(sjisPath);
    }
}

std::size_t RemoveLeftoverTemporaries(const std::string& sjisPath) {
    try {
        return RemoveLeftoversOf(ReplacementTarget(sjisPath));
    } catch (const WriteError&) {
        return 0;
    }
}

std::optional<FileStamp> StampOf(const std::string& sjisPath) {
    const std::optional<fs::path> found = FindIgnoringCase(sjisPath);
    struct stat info {};
    if (!found || ::stat(found->c_str(), &info) != 0)
        return std::nullopt;
    return FileStamp{static_cast<unsigned long long>(info.st_dev),
                     static_cast<unsigned long long>(info.st_ino), static_cast<long long>(info.st_size),
                     static_cast<long long>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

void AppendToFile(const std::string& sjisPath, std::string_view bytes) {
    if (AppendWhole(sjisPath, bytes) != 0)
        throw WriteError(sjisPath);
}

int AppendWhole(const std::string& sjisPath, std::string_view bytes, std::string_view separator) {
    fs::path target;
    try {
        target = FindIgnoringCase(sjisPath).value_or(ToFsPath(sjisPath));
    } catch (const EncodingError&) {
        return EINVAL;
    }
    // Made here only when it is missing, so that a failed append takes away the file it made.
    bool made = false;
    int fd = ::open(target.c_str(), O_RDWR | O_APPEND | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
        fd = ::open(target.c_str(), O_RDWR | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        made = fd >= 0;
        if (fd < 0 && errno == EEXIST)  // made by someone else in between
            fd = ::open(target.c_str(), O_RDWR | O_APPEND | O_CLOEXEC);
    }
    if (fd < 0)
        return errno;
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        return error;
    }
    // Root opens a read-only file for writing all the same; the user's mark is kept by hand.
    if (IsReadOnly(info)) {
        ::close(fd);
        return EACCES;
    }
    std::string joined;
    std::string_view out = bytes;
    char last = '\n';
    if (!separator.empty() && info.st_size > 0 && ::pread(fd, &last, 1, info.st_size - 1) == 1 &&
        last != '\n' && last != '\r') {
        joined.reserve(separator.size() + bytes.size());
        joined.append(separator).append(bytes);
        out = joined;
    }
    int error = WriteStepped(fd, out, target);
    if (error == 0)
        error = FlushStepped(fd, target);
    // A full disk may have taken part of the bytes: cut them off again, so that the file never ends
    // in half a line. Should even that fail, the error is reported all the same.
    if (error != 0 && S_ISREG(info.st_mode) && ::ftruncate(fd, info.st_size) == 0)
        static_cast<void>(::fsync(fd));
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error != 0 && made)
        static_cast<void>(::unlink(target.c_str()));
    return error;
}

int TakeBackAppend(const std::string& sjisPath, std::optional<long long> oldSize) {
    const std::optional<fs::path> found = FindIgnoringCase(sjisPath);
    if (!found)
        return ENOENT;
    if (!oldSize)
        return ::unlink(found->c_str()) == 0 ? 0 : errno;
    const FileDescriptor file(::open(found->c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (file.Get() < 0)
        return errno;
    if (::ftruncate(file.Get(), static_cast<off_t>(*oldSize)) != 0 || ::fsync(file.Get()) != 0)
        return errno;
    return 0;
}

std::optional<fs::path> FindIgnoringCase(const std::string& sjisPath) {
    fs::path path;
    try {
        path = ToFsPath(sjisPath);
    } catch (const EncodingError&) {
        return std::nullopt;
    }
    std::error_code ec;
    if (fs::exists(path, ec))
        return path;
    const std::string wanted = path.filename().native();
    if (wanted.empty())
        return std::nullopt;
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (SameIgnoringCase(it->path().filename().native(), wanted)) {
            return path.has_parent_path() ? it->path() : it->path().filename();
        }
    }
    return std::nullopt;
}

bool FileExistsIgnoringCase(const std::string& sjisPath) {
    const auto found = FindIgnoringCase(sjisPath);
    std::error_code ec;
    return found && fs::is_regular_file(*found, ec);
}

namespace {

// Lists the open folder into listing (see ListFilesWithExtension); names, when given, receives each
// listed name as the system gave it, ended by a NUL, and nameStarts where each begins. Closes dir.
void ListInto(DIR* const dir, const std::string& sjisFolder, std::string_view extension,
              FolderListing& listing, std::string* names, std::vector<std::size_t>* nameStarts) {
    const std::string prefix = WithTrailingPathDelimiter(sjisFolder);
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (entry == nullptr) {
            if (errno != 0)
                listing.readable = false;
            break;
        }
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        // The extension as a path gives it: from the last dot, unless that dot begins the name.
        const std::size_t dot = name.rfind('.');
        if (dot == std::string_view::npos || dot == 0 || !SameIgnoringCase(name.substr(dot), extension))
            continue;
        bool regular = entry->d_type == DT_REG;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            // A link counts as what it leads to.
            struct stat status {};
            regular = ::fstatat(::dirfd(dir), entry->d_name, &status, 0) == 0 && S_ISREG(status.st_mode);
        }
        if (!regular)
            continue;
        // The name alone is converted, as the path of a file in the folder would convert it.
        Conversion converted = Utf8ToCp932(name);
        if (!converted.ok) {
            listing.unconvertible.emplace_back(name);
            continue;
        }
        std::string path;
        path.reserve(prefix.size() + converted.text.size());
        path.append(prefix).append(converted.text);
        listing.paths.push_back(std::move(path));
        if (names) {
            nameStarts->push_back(names->size());
            names->append(name).push_back('\0');
        }
    }
    ::closedir(dir);
}

}  // namespace

FolderListing ListFilesWithExtension(const std::string& sjisFolder, std::string_view extension) {
    FolderListing listing;
    fs::path folder;
    try {
        folder = ToFsPath(sjisFolder.empty() ? "." : sjisFolder);
    } catch (const EncodingError&) {
        listing.readable = false;
        return listing;
    }
    // Read with readdir: the type of most entries comes with the entry, and a folder of many songs
    // needs no more than their names.
    DIR* const dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        listing.readable = false;
        return listing;
    }
    ListInto(dir, sjisFolder, extension, listing, nullptr, nullptr);
    return listing;
}

ListedFolder::ListedFolder(const std::string& sjisFolder, std::string_view extension)
    : nameAt_(WithTrailingPathDelimiter(sjisFolder).size()) {
    try {
        folder_ = ::open(ToFsPath(sjisFolder.empty() ? "." : sjisFolder).c_str(),
                         O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
    } catch (const EncodingError&) {
    }
    // The listing reads a descriptor of its own, which it closes; the folder's stays for the reads.
    const int listed = folder_ >= 0 ? ::fcntl(folder_, F_DUPFD_CLOEXEC, 0) : -1;
    DIR* const dir = listed >= 0 ? ::fdopendir(listed) : nullptr;
    if (dir == nullptr) {
        if (listed >= 0)
            ::close(listed);
        listing_.readable = false;
        return;
    }
    ListInto(dir, sjisFolder, extension, listing_, &names_, &nameStarts_);
}

ListedFolder::~ListedFolder() {
    if (folder_ >= 0)
        ::close(folder_);
}

bool ListedFolder::ReadHead(std::size_t index, std::size_t count, std::string& bytes,
                            ReadProblem& problem) const {
    problem = ReadProblem{};
    const int fd = ::openat(folder_, names_.c_str() + nameStarts_[index], kOpenFlags);
    if (fd < 0) {
        // Gone or renamed since the listing: looked for as any other file.
        std::optional<std::string> read = ReadFileHead(listing_.paths[index], count, &problem);
        if (read)
            bytes = std::move(*read);
        return read.has_value();
    }
    struct stat status {};
    const FileDescriptor file(KeepIfRegular(fd, problem, &status));
    return file.Get() >= 0 &&
           ReadHeadInto(file.Get(), count, static_cast<unsigned long long>(status.st_size), bytes, problem);
}

void SetBeforeRenameHookForTesting(std::function<void(const fs::path&)> hook) {
    BeforeRenameHook() = std::move(hook);
}

void SetWriteFaultForTesting(WriteFaultHook hook) {
    WriteFault() = std::move(hook);
}

}  // namespace korva
