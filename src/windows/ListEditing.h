#pragma once
// The settings window's two list pages: entering a page, showing the entry clicked, editing,
// deleting, previewing, adding songs by hand and by folder with titles read from the songs, and
// ageing the new-song marks. While a page is shown the edit buffer holds its list; every change is
// written to the list's file at once, and the title list is kept index-aligned with the buffer.
// A change whose write fails is not kept: the page is loaded afresh from the file, so that the
// buffer, the titles and the count show what the file holds, never a change it does not.

#include <array>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "app/AppModel.h"
#include "app/FileSystem.h"
#include "app/Ports.h"
#include "playlist/CompanionDocument.h"
#include "windows/SettingsWindow.h"

namespace korva {

// What a click on a title shows. Name and path always come; the preference only once Feel was read
// as a number, the volume and the companion documents only once Vol was too.
struct ShownEntry {
    std::string name;
    std::string path;
    std::optional<int> feel;  // the preference item, -1 for none
    std::optional<int> volBar;
    std::string volText;  // Vol as the line holds it
    std::optional<std::string> txt;
    std::optional<std::string> doc;
};

// The fields of the page as the edit button takes them.
struct EditedEntry {
    std::string name;
    std::string path;
    int volBar = 0;
    int feel = -1;  // the preference item, -1 for none
};

// A folder's songs being listed and read: Begin once the folder is chosen, TitlesRead after each
// song, End before any message and at the end.
class TitleReadProgress {
  public:
    virtual ~TitleReadProgress() = default;
    virtual void Begin() = 0;
    virtual void TitlesRead(std::size_t done, std::size_t total) = 0;
    virtual void End() = 0;
};

// The line of a song added to a list: "!1 " and the title read from the file, the path, "+0", "1".
// Raises UserError when the file cannot be read. listed: as for ReadSmfTitle.
std::string NewSongLine(const std::string& sjisPath, bool listed = false);

// One press of the mark command on one line: "!3 " goes, then "!2 " becomes "!3 ", then "!1 " becomes
// "!2 ", each test on the line as the one before left it.
std::string AgedMarks(std::string line);

// Copies a song's file to the folder (ending in "/") under its own name, replacing a file of that
// name through a temporary file, so that an interrupted copy never leaves half a song. A target that
// is the song's own file is left as it is. Returns whether the target holds the song.
bool CopySongToFolder(const std::string& sjisSong, const std::string& sjisFolder);

// The songs of a folder: "*.MID" with the extension's letters in any case, in name order.
struct MidiFolder {
    std::vector<std::string> paths;             // folder text + file name, Shift-JIS
    std::vector<std::string> unconvertible;     // names that Shift-JIS cannot hold, as messages show them
    std::vector<std::string> withControlBytes;  // names with a TAB, line end or other control byte
    bool readable = true;
};
MidiFolder ListMidiFiles(const std::string& sjisFolder);

// The message for names that cannot go into a list line: a control byte would split the line.
std::string ControlBytesMessage(const std::vector<std::string>& sjisNames);

// Adds songs to an edit buffer unless a line with the same path (a-z folded) is there already,
// counting the songs added before in the same run. The lines go to their sorted places on Commit;
// a run given up before Commit leaves the buffer as it was.
class SongAdder {
  public:
    explicit SongAdder(LineList& editBuffer);
    // Raises UserError when the song is new and its file cannot be read. listed: as for ReadSmfTitle.
    bool AddIfNew(const std::string& sjisPath, bool listed = false);
    // The listed songs of a folder that are new, by index into its paths, in the listing's order;
    // from then on their paths count as added. Of files whose paths differ only in the case of a-z,
    // the one whose name comes first in name order is the new song, as in a run through the folder
    // in name order with AddIfNew.
    std::vector<std::size_t> NewSongsOf(const ListedFolder& folder);
    // Adds the line of a song that NewSongsOf gave.
    void AddLine(std::string_view line);
    // Puts the added lines in their sorted places. Returns whether the whole buffer is now known to
    // be in sorted order: a buffer that was sorted before is, one edited in place since its load
    // (where each line took the place a search for it found) is not known to be.
    bool Commit();

  private:
    static constexpr std::size_t kListed = static_cast<std::size_t>(-1);
    LineList& buffer_;
    // Paths with a-z upper-cased: kListed, or while NewSongsOf runs, the song that takes the path.
    std::unordered_map<std::string, std::size_t> known_;
    LineList added_;
};

class ListEditor {
  public:
    ListEditor(AppModel& model, Actions& actions, DocumentView& documents, MessageView& messages);

    // Loads list N into the edit buffer and its title list. A list without a file shows no titles;
    // a list whose file exists but cannot be read shows none either, and is never written over.
    void EnterPage(int list);
    // How many times a change was not made and the page was loaded afresh from the list's file,
    // with a message: the file could not be written, or it had been written elsewhere since the
    // page loaded it (by the song control window, or an editor). Lets the window see that it must
    // show the titles again.
    std::size_t ReloadCount() const { return reloads_; }
    // The entry of title index. A Vol or Feel that is no number is reported ("'%s' は整数ではありません")
    // after the name and path were taken. Remembers the companion documents found.
    ShownEntry ClickTitle(int list, std::size_t index);
    // Replaces the current entry in place and writes the list. Returns whether the page's fields are
    // cleared: not when nothing was edited or the file could not be written (the fields stay for
    // another try).
    bool EditEntry(int list, std::optional<std::size_t> current, EditedEntry fields);
    // Removes the selected entries and writes the list; returns whether any was removed from it.
    bool DeleteEntries(int list, std::vector<std::size_t> selected);
    // Stops playback and plays the current entry's song once.
    void Preview(std::optional<std::size_t> current);
    // Adds a song chosen by hand (a second entry when it is listed already), writes and reloads.
    void ManualAdd(int list, const std::string& sjisPath);
    // Scans a folder and adds its new songs, writes and reloads, and reports how many were added.
    void AutoAdd(int list, FolderDialog& dialog, TitleReadProgress& progress);
    // Ages every entry's new-song mark, writes and reloads.
    void AgeMarks(int list);
    // Opens the companion document remembered by the last click.
    void OpenCompanion(DocumentKind kind);

    // Appends the selected lines, whole, to the other list's file (created when missing). Returns
    // false, with a message, when nothing was selected or the file could not be written.
    bool CopyToOtherList(int list, const std::vector<std::size_t>& selected);
    // Copies the selected lines to the other list, then deletes them here; nothing is deleted when
    // the copy failed, and the copy is taken back when the deletion could not be written. Returns
    // whether they moved.
    bool MoveToOtherList(int list, const std::vector<std::size_t>& selected);
    // Copies each selected song's file into a folder asked for one song after another, each dialog
    // starting where the last one ended, with one message for each song.
    void SendSongs(const std::vector<std::size_t>& selected, FolderDialog& dialog);

  private:
    // Writes the buffer to the list's file. Every change of a list goes through here, and so does
    // the rule for a failure: the page is loaded afresh from the file (ReloadCount counts it).
    bool WriteList(int list);
    // True when the list's file is no longer the one the page loaded or last wrote; the page is then
    // loaded afresh, with a message, so that an out-of-date buffer never overwrites the other change.
    bool ChangedElsewhere(int list);
    void EnterPage(int list, MessageView& loadMessages);
    // Loads the page afresh from the file after a change that was not made.
    void Reload(int list);
    // Asks for a folder, starting at the list's folder, and lists its songs, with a message for what
    // cannot be added (a folder that cannot be read, names that Shift-JIS cannot hold and names with
    // control bytes, which are left out); empties the scratch list. Null when cancelled.
    std::unique_ptr<ListedFolder> ListChosenFolder(int list, FolderDialog& dialog,
                                                   TitleReadProgress& progress);

    AppModel& model_;
    Actions& actions_;
    DocumentView& documents_;
    MessageView& messages_;
    std::string txt_;
    std::string doc_;
    std::array<bool, 2> unreadable_{};  // the list's file exists but its last load could not read it
    std::array<std::optional<FileStamp>, 2> loaded_{};  // the file as the page loaded or last wrote it
    std::size_t reloads_ = 0;
};

}  // namespace korva
