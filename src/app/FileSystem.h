#pragma once
// Files named by Shift-JIS path texts. Every write that replaces a file is atomic: the new content
// goes to a temporary file beside it, is flushed to disk and renamed over the old file, so a crash
// leaves the old file or the new one, never half of one.
//
// Linux file names are case-sensitive while the program's files and patterns are not (a song's
// "Song.mid" is found as "SONG.MID"): lookups match the last path component ignoring a-z case,
// preferring an exact match.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korva {

// The whole file; nullopt when it does not exist or cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& sjisPath);

// Replaces (or creates) the file atomically. Raises WriteError naming the path on failure.
void WriteFileAtomically(const std::string& sjisPath, std::string_view bytes);

// Appends bytes at the end of the file, creating it when missing. Either all of them land or, on a
// failure, the file is cut back to its old length. Raises WriteError on failure.
void AppendToFile(const std::string& sjisPath, std::string_view bytes);

// The same, returning 0 or the error number. When the file's last byte ends no line, separator goes
// first, so that the bytes start on a line of their own.
int AppendWhole(const std::string& sjisPath, std::string_view bytes, std::string_view separator = {});

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
