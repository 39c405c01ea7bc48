#pragma once
// Files named by Shift-JIS path texts. Every write that replaces a file is atomic: the new content
// goes to a temporary file beside it, is flushed to disk and renamed over the old file, so a crash
// leaves the old file or the new one, never half of one.
//
// Linux file names are case-sensitive while the program's files and patterns are not (a song's
// "Song.mid" is found as "SONG.MID"): lookups match the last path component ignoring a-z case,
// preferring an exact match.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct stat;

namespace korva {

// Lists, settings and companion documents are never larger than this; a larger file is refused
// rather than read until memory runs out (a link to /dev/zero, a runaway log named like a list).
inline constexpr std::size_t kTextFileLimit = std::size_t{64} << 20;

// Why a file could not be read.
struct ReadProblem {
    enum class Kind { None, Missing, Unreadable, NotRegular, TooLarge };
    Kind kind = Kind::None;
    int error = 0;          // the system's error number, for Unreadable
    std::string what;       // for NotRegular: what the path is instead, in Japanese ("名前付きパイプ")
    std::size_t limit = 0;  // for TooLarge
    explicit operator bool() const { return kind != Kind::None; }
};

// Opens the file for the path (last component ignoring a-z case, links followed) for reading. Only
// a regular file is opened: a FIFO, a device, a socket or a folder is refused before it is opened,
// and the open itself never blocks (a FIFO swapped in meanwhile is refused by what the descriptor
// turns out to be). Returns the descriptor, or -1 with problem saying why; status, when given,
// receives the opened file's status.
int OpenRegularFile(const std::string& sjisPath, ReadProblem& problem, struct stat* status = nullptr);

// The whole of a regular file of at most limit bytes; nullopt with problem (when given) set otherwise.
std::optional<std::string> ReadRegularFile(const std::string& sjisPath, std::size_t limit,
                                           ReadProblem* problem = nullptr);

// At most count bytes from the start of a regular file (all of it when shorter); nullopt with
// problem (when given) set when it cannot be opened or read.
std::optional<std::string> ReadFileHead(const std::string& sjisPath, std::size_t count,
                                        ReadProblem* problem = nullptr);
// The same for a path that its caller has just seen listed in its folder as a regular file: it is
// opened without being looked at first. What it turns out to be once open is still checked, so a
// FIFO or a device swapped in meanwhile is refused, never read.
std::optional<std::string> ReadListedFileHead(const std::string& sjisPath, std::size_t count,
                                              ReadProblem* problem = nullptr);

// The whole file, within kTextFileLimit; nullopt when it does not exist or cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& sjisPath);

// What the user is told about a file that could not be read: the path and why, in Japanese
// ("ファイル X を読み込めません（名前付きパイプです）").
std::string ReadProblemMessage(const std::string& sjisPath, const ReadProblem& problem);

// Whether the file is there but is none the program reads (not a regular file, or too large), as
// against one that is missing or that the system would not open: the first the user is told of,
// naming the file and what it is, wherever the program otherwise passes over a file it cannot read.
inline bool IsRefused(const ReadProblem& problem) {
    return problem.kind == ReadProblem::Kind::NotRegular || problem.kind == ReadProblem::Kind::TooLarge;
}

// Replaces (or creates) the file atomically. Raises WriteError naming the path on failure.
//
// A file the user made read-only (a regular file without a write bit for anyone) is never
// replaced, whoever runs the program, root included. A replaced file keeps its mode and its group
// (the group where the system lets the writer give the file to it: the writer is a member of it,
// or root), and root keeps its owner too; a new file gets 0644.
//
// The temporary file is "<name>.tmp-" and six letters or digits, locked (flock) by its writer
// until the rename is over. Before writing, the temporaries of the same file that no running
// writer holds (left by a writer killed before its rename) are removed.
void WriteFileAtomically(const std::string& sjisPath, std::string_view bytes);

// Removes the temporary files that writes of this file left behind and no running writer holds,
// as a write of it does first. Returns how many were removed.
std::size_t RemoveLeftoverTemporaries(const std::string& sjisPath);

// Appends bytes at the end of the file, creating it when missing. Either all of them land or, on a
// failure, the file is cut back to its old length (or is gone again when the append made it). A
// read-only file (as above) is not appended to. Raises WriteError on failure.
void AppendToFile(const std::string& sjisPath, std::string_view bytes);

// The same, returning 0 or the error number (EACCES for a read-only file). When the file's last
// byte ends no line, separator goes first, so that the bytes start on a line of their own.
int AppendWhole(const std::string& sjisPath, std::string_view bytes, std::string_view separator = {});

// Takes back an append that went through: cuts the file back to the length it had before, or
// removes it when the append created it (no old size). Returns 0 or the error number.
int TakeBackAppend(const std::string& sjisPath, std::optional<long long> oldSize);

// The existing file for the path, matching its last component ignoring a-z case.
std::optional<std::filesystem::path> FindIgnoringCase(const std::string& sjisPath);
bool FileExistsIgnoringCase(const std::string& sjisPath);

// What tells one version of a file from the next: which file it is (a replacement is a new file),
// its size and the time it was last written. Lets a holder of a file's content notice that someone
// else has written it since.
struct FileStamp {
    unsigned long long device = 0;
    unsigned long long inode = 0;
    long long size = 0;
    long long modifiedNs = 0;
    bool operator==(const FileStamp&) const = default;
};
// The stamp of the file as it is now (following links); nullopt when it does not exist.
std::optional<FileStamp> StampOf(const std::string& sjisPath);

struct FolderListing {
    std::vector<std::string> paths;          // Shift-JIS paths: folder text + file name
    std::vector<std::string> unconvertible;  // UTF-8 names that Shift-JIS cannot hold, left out
    bool readable = true;
};

// Regular files of a folder whose extension (with its dot) equals extension ignoring a-z case.
FolderListing ListFilesWithExtension(const std::string& sjisFolder, std::string_view extension);

// The same listing, with the folder kept open for reading the heads of the files it lists: each file
// is opened by its name as the system gave it, within the open folder, so that reading a folder of
// many songs costs no conversion of their paths and no look-up of the folder again for each.
class ListedFolder {
  public:
    ListedFolder(const std::string& sjisFolder, std::string_view extension);
    ~ListedFolder();
    ListedFolder(const ListedFolder&) = delete;
    ListedFolder& operator=(const ListedFolder&) = delete;

    // The paths in the order the system listed them, as ListFilesWithExtension gives them.
    const FolderListing& Listing() const { return listing_; }
    // Where the name begins in each path: after the folder's text and its delimiter.
    std::size_t NameAt() const { return nameAt_; }
    // Leaves out the listed files for which drop is true, keeping the others in their order.
    template <typename Drop>
    void RemoveIf(Drop&& drop) {
        std::size_t kept = 0;
        for (std::size_t i = 0; i < listing_.paths.size(); ++i) {
            if (drop(std::as_const(listing_.paths[i])))
                continue;
            if (kept != i) {
                listing_.paths[kept] = std::move(listing_.paths[i]);
                nameStarts_[kept] = nameStarts_[i];
            }
            ++kept;
        }
        listing_.paths.resize(kept);
        nameStarts_.resize(kept);
    }

    // As ReadListedFileHead for listed file `index` (of Listing().paths): at most count bytes from
    // its start into bytes, whose room is used again from file to file. False with problem set when
    // it cannot be read; a FIFO or a device swapped in since the listing is refused unread, and a
    // file gone since is looked for by its path as any other.
    bool ReadHead(std::size_t index, std::size_t count, std::string& bytes, ReadProblem& problem) const;

  private:
    int folder_ = -1;  // the folder, open from the listing until the last file is read
    FolderListing listing_;
    std::size_t nameAt_ = 0;
    std::string names_;                    // the names as the system gave them, each ended by a NUL
    std::vector<std::size_t> nameStarts_;  // where the name of each listed path begins in names_
};

// Called between writing the temporary file and renaming it; lets a test stand in for a crash.
void SetBeforeRenameHookForTesting(std::function<void(const std::filesystem::path& temporary)> hook);

// The steps of a write at which the system can fail.
enum class WriteStep { Write, Flush, Rename };

// Called before each step of every write with the file being written (the temporary file of a
// replacement, the file itself for an append). A non-zero result is taken as the error number the
// system gave for that step; a failing Write first writes half of its bytes, as a disk that fills
// up midway does. Lets a test stand in for a full disk or a failing device.
using WriteFaultHook = std::function<int(WriteStep step, const std::filesystem::path& file)>;
void SetWriteFaultForTesting(WriteFaultHook hook);

}  // namespace korva
