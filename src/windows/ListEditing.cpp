#include "windows/ListEditing.h"

#include <sys/stat.h>

#include <algorithm>
#include <iterator>

#include "app/Errors.h"
#include "app/FileSystem.h"
#include "playlist/EditBuffer.h"
#include "playlist/LineFile.h"
#include "playlist/LineOrder.h"
#include "playlist/PlaylistEntry.h"
#include "playlist/PlaylistLoader.h"
#include "playlist/SmfTitle.h"
#include "text/Encoding.h"
#include "text/ShiftJis.h"

namespace korva {

namespace {

// The key under which auto add compares paths: single-byte a-z upper-cased. The second byte of a
// double-byte character may look like a letter and is kept as it is.
std::string FoldedPath(std::string_view path) {
    std::string folded(path);
    for (std::size_t i = 0; i < folded.size();) {
        const char c = folded[i];
        if (static_cast<unsigned char>(c) >= 0x80) {
            i += CharLengthAt(folded, i);
            continue;
        }
        if (c >= 'a' && c <= 'z')
            folded[i] = static_cast<char>(c - 'a' + 'A');
        ++i;
    }
    return folded;
}

// Takes the messages of a load whose file the page has loaded before, as it is: what they say
// was said then.
class SaidBefore final : public MessageView {
  public:
    void ShowMessage(const std::string&) override {}
};

std::string NothingSelected() {
    return Sjis("曲データを選択してください");
}

// Appends the lines whole at the end of the file, creating it when missing; a failure leaves the
// file as it was. Raises UserError with the input/output message and the file's path.
void AppendLinesTo(const std::string& sjisPath, const std::vector<std::string>& lines) {
    std::string bytes;
    for (const std::string& line : lines) {
        bytes += line;
        bytes += "\r\n";
    }
    // A last line without its end would run into the first line appended.
    if (const int error = AppendWhole(sjisPath, bytes, "\r\n"))
        throw UserError(InputOutputMessage(error) + "\n" + sjisPath);
}

bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    struct stat first {};
    struct stat second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

std::string NotAnInteger(std::string_view text) {
    std::string message(1, '\'');
    message.append(text);
    message += Sjis("' は整数ではありません");
    return message;
}

// A name typed into the field must not break the line: a TAB would start another field.
// A TAB, a line end or another byte below 32: in a list line it would split the line.
bool IsControlByte(char c) {
    return static_cast<unsigned char>(c) < 32;
}

bool HasControlBytes(std::string_view text) {
    return std::any_of(text.begin(), text.end(), IsControlByte);
}

std::string WithoutControlBytes(std::string_view text) {
    std::string kept;
    kept.reserve(text.size());
    std::remove_copy_if(text.begin(), text.end(), std::back_inserter(kept), IsControlByte);
    return kept;
}

// The line of a new song from its file's head, as NewSongLine makes it, in line (whose room is used
// again from song to song).
void MakeNewSongLine(std::string_view head, const std::string& sjisPath, std::string& line) {
    line.assign(kNewMarks[0]);
    AppendTitleFromFileBytes(head, sjisPath, line);
    line.append(1, '\t').append(sjisPath).append("\t+0\t1");
}

// The message for the new song that a run through them in name order finds unreadable first. The
// songs are read in the order listed, so the one that failed there may come after another, not read
// yet, that fails too and comes first by name: those are tried in name order up to it.
std::string FirstUnreadable(const ListedFolder& folder, const std::vector<std::size_t>& fresh,
                            std::size_t failed, ReadProblem problem) {
    const std::vector<std::string>& paths = folder.Listing().paths;
    std::vector<std::string_view> names;
    names.reserve(fresh.size());
    for (const std::size_t index : fresh) names.push_back(std::string_view(paths[index]).substr(folder.NameAt()));
    std::string head;
    ReadProblem other;
    for (const std::uint32_t k : TitleOrder(names)) {
        const std::size_t index = fresh[k];
        if (index == failed)
            break;
        if (index < failed)  // read before the one that failed
            continue;
        if (!folder.ReadHead(index, kTitleReadBytes, head, other)) {
            failed = index;
            problem = other;
            break;
        }
    }
    return TitleReadMessage(problem, paths[failed]) + "\n" + paths[failed];
}

// The paths, all of one folder (its text nameAt bytes long), in name order.
void SortByName(std::vector<std::string>& paths, std::size_t nameAt) {
    std::vector<std::string_view> names;
    names.reserve(paths.size());
    for (const std::string& path : paths) names.push_back(std::string_view(path).substr(nameAt));
    Permute(paths, TitleOrder(names));
}

}  // namespace

std::string NewSongLine(const std::string& sjisPath, bool listed) {
    PlaylistEntry entry{std::string(kNewMarks[0]) + ReadSmfTitle(sjisPath, listed), sjisPath, "+0", "1"};
    return JoinEntry(entry);
}

std::string AgedMarks(std::string line) {
    const auto beginsWith = [&line](std::string_view mark) {
        return line.compare(0, mark.size(), mark) == 0;
    };
    if (beginsWith(kNewMarks[2]))
        line.erase(0, kNewMarkLength);
    if (beginsWith(kNewMarks[1]))
        line.replace(0, kNewMarkLength, kNewMarks[2]);
    if (beginsWith(kNewMarks[0]))
        line.replace(0, kNewMarkLength, kNewMarks[1]);
    return line;
}

MidiFolder ListMidiFiles(const std::string& sjisFolder) {
    FolderListing listing = ListFilesWithExtension(sjisFolder, ".MID");
    MidiFolder songs{std::move(listing.paths), std::move(listing.unconvertible), {}, listing.readable};
    // The platform lists a folder in no particular order; a user expects the songs in name order.
    // Every path is the folder's text and a name, so the names alone decide.
    SortByName(songs.paths, WithTrailingPathDelimiter(sjisFolder).size());
    // Names that cannot go into a list line are set apart, in the same order.
    const auto unlistable =
        std::stable_partition(songs.paths.begin(), songs.paths.end(),
                              [](const std::string& path) { return !HasControlBytes(path); });
    for (auto path = unlistable; path != songs.paths.end(); ++path)
        songs.withControlBytes.push_back(FileNamePart(*path));
    songs.paths.erase(unlistable, songs.paths.end());
    return songs;
}

SongAdder::SongAdder(LineList& editBuffer) : buffer_(editBuffer) {
    known_.reserve(buffer_.size());
    for (const std::string_view line : buffer_) known_.try_emplace(FoldedPath(ViewEntry(line).Path), kListed);
}

bool SongAdder::AddIfNew(const std::string& sjisPath, bool listed) {
    std::string key = FoldedPath(sjisPath);
    if (known_.count(key) != 0)
        return false;
    added_.push_back(NewSongLine(sjisPath, listed));
    known_.try_emplace(std::move(key), kListed);
    return true;
}

std::vector<std::size_t> SongAdder::NewSongsOf(const ListedFolder& folder) {
    const std::vector<std::string>& paths = folder.Listing().paths;
    known_.reserve(known_.size() + paths.size());
    // Each path new to the buffer is taken by one song: the first listed, or one listed later
    // whose name comes first in name order. The slots of the paths this run takes, to be marked
    // as listed once it is over.
    std::vector<std::size_t*> taken;
    taken.reserve(paths.size());
    const auto nameOf = [&paths, nameAt = folder.NameAt()](std::size_t index) {
        return std::string_view(paths[index]).substr(nameAt);
    };
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const auto [slot, added] = known_.try_emplace(FoldedPath(paths[i]), i);
        if (added)
            taken.push_back(&slot->second);
        else if (slot->second != kListed && CompareTitles(nameOf(i), nameOf(slot->second)) < 0)
            slot->second = i;
    }
    std::vector<bool> isNew(paths.size());
    for (std::size_t* const slot : taken) {
        isNew[*slot] = true;
        *slot = kListed;
    }
    std::vector<std::size_t> fresh;
    fresh.reserve(taken.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (isNew[i])
            fresh.push_back(i);
    }
    return fresh;
}

void SongAdder::AddLine(std::string_view line) {
    added_.push_back(line);
}

bool SongAdder::Commit() {
    // Each line goes after the lines identical to it, in the order added. On a sorted buffer one
    // sort of buffer and added lines together does that, each key made once, and shows whether the
    // buffer was sorted: a buffer with lines edited in place since its load is not, and there each
    // line takes the place a search for it finds.
    if (added_.empty())
        return false;
    const std::size_t kept = buffer_.size();
    // The added lines join the buffer where they are, in the blocks they were made in.
    buffer_.HoldBlocksOf(added_);
    buffer_.reserve(kept + added_.size());
    for (const std::string_view line : added_) buffer_.PushView(line);
    const std::vector<std::uint32_t> order = TitleOrder(buffer_);
    // A stable sort keeps a sorted buffer's lines in their order, and moves some of an unsorted one.
    std::uint32_t next = 0;
    bool bufferSorted = true;
    for (const std::uint32_t index : order) {
        if (index < kept) {
            if (index != next) {
                bufferSorted = false;
                break;
            }
            ++next;
        }
    }
    if (bufferSorted) {
        Permute(buffer_.Views(), order);
    } else {
        buffer_.erase(buffer_.begin() + static_cast<std::ptrdiff_t>(kept), buffer_.end());
        Permute(added_.Views(), TitleOrder(added_));
        for (const std::string_view line : added_) {
            const auto place = std::upper_bound(buffer_.begin(), buffer_.end(), line, TitleLess{});
            buffer_.insert(place, line);
        }
    }
    added_.clear();
    return bufferSorted;
}

ListEditor::ListEditor(AppModel& model, Actions& actions, DocumentView& documents, MessageView& messages)
    : model_(model), actions_(actions), documents_(documents), messages_(messages) {}

void ListEditor::EnterPage(int list) {
    EnterPage(list, messages_);
}

void ListEditor::EnterPage(int list, MessageView& loadMessages) {
    loaded_[static_cast<std::size_t>(list)] = StampOf(model_.folders.PlaylistPath(list));
    const bool read = LoadPlaylist(model_, list, loadMessages);
    unreadable_[static_cast<std::size_t>(list)] = !read && loaded_[static_cast<std::size_t>(list)];
    if (!read) {
        // The loader leaves the titles as they were, which would no longer match the empty buffer.
        model_.TitleLists[list].titles.clear();
        ShowCount(model_, list);
    }
}

ShownEntry ListEditor::ClickTitle(int list, std::size_t index) {
    ShownEntry shown;
    if (index >= model_.EditBuffer.size() || index >= model_.TitleLists[list].titles.size())
        return shown;
    const EntryView entry = ViewEntry(model_.EditBuffer[index]);
    shown.name.assign(entry.Name);
    shown.path.assign(entry.Path);
    const std::optional<int> feel = ToIntStrict(entry.Feel);
    if (!feel) {
        messages_.ShowMessage(NotAnInteger(entry.Feel));
        return shown;
    }
    shown.feel = std::clamp(*feel, -1, 3);
    const std::optional<int> vol = ToIntStrict(entry.Vol);
    if (!vol) {
        messages_.ShowMessage(NotAnInteger(entry.Vol));
        return shown;
    }
    shown.volBar = std::clamp(*vol, -5, 5);
    shown.volText = entry.Vol;
    // The base is the path up to its first dot; a path without one has no companion documents.
    if (FindChar(shown.path, '.') != std::string::npos) {
        for (const DocumentKind kind : {DocumentKind::Txt, DocumentKind::Doc}) {
            std::string document = CompanionDocument(shown.path, kind);
            if (!FileExistsIgnoringCase(document))
                continue;
            (kind == DocumentKind::Txt ? shown.txt : shown.doc) = document;
            (kind == DocumentKind::Txt ? txt_ : doc_) = std::move(document);
        }
    }
    return shown;
}

bool ListEditor::EditEntry(int list, std::optional<std::size_t> current, EditedEntry fields) {
    fields.name = WithoutControlBytes(fields.name);
    if (!current || fields.name.empty())
        return false;
    PlaylistEntry entry{fields.name, fields.path, FormatVol(fields.volBar), std::to_string(fields.feel)};
    // The fields are cleared after an edit while the title stays chosen: an edit then keeps the
    // entry's own file rather than writing a line without one that would never play again. The
    // volume shown and a preference chosen since are the user's and are written; with no
    // preference chosen the entry keeps its own.
    if (fields.path.empty() && *current < model_.EditBuffer.size()) {
        PlaylistEntry own;
        SplitEntry(model_.EditBuffer[*current], own);
        entry.Path = std::move(own.Path);
        if (fields.feel < 0)
            entry.Feel = std::move(own.Feel);
    }
    if (!ReplaceEntry(model_, list, *current, JoinEntry(entry)))
        return false;
    return WriteList(list);
}

bool ListEditor::DeleteEntries(int list, std::vector<std::size_t> selected) {
    std::sort(selected.begin(), selected.end());
    selected.erase(std::unique(selected.begin(), selected.end()), selected.end());
    bool removed = false;
    for (auto index = selected.rbegin(); index != selected.rend(); ++index)
        removed |= RemoveEntry(model_, list, *index);
    if (!removed)
        return false;
    ShowCount(model_, list);
    return WriteList(list);
}

void ListEditor::Preview(std::optional<std::size_t> current) {
    if (current && *current < model_.EditBuffer.size())
        actions_.PlaySingle(std::string(ViewEntry(model_.EditBuffer[*current]).Path));
}

std::string ControlBytesMessage(const std::vector<std::string>& sjisNames) {
    std::string text = Sjis("次の名前にはタブや改行などの制御文字があるためリストに入れられません:");
    for (std::string name : sjisNames) {
        // Shown with blanks where the control bytes are, each name on a line of its own.
        std::replace_if(name.begin(), name.end(), IsControlByte, ' ');
        text += "\n" + name;
    }
    return text;
}

void ListEditor::ManualAdd(int list, const std::string& sjisPath) {
    if (HasControlBytes(sjisPath)) {
        // A TAB or line end would break the list's line into other fields or lines.
        messages_.ShowMessage(ControlBytesMessage({FileNamePart(sjisPath)}));
        return;
    }
    std::string line;
    try {
        line = NewSongLine(sjisPath);
    } catch (const UserError& error) {
        messages_.ShowMessage(error.Text());
        return;
    }
    const auto place =
        std::upper_bound(model_.EditBuffer.begin(), model_.EditBuffer.end(), line, TitleLess{});
    model_.EditBuffer.insert(place, line);
    if (WriteList(list))
        LoadPlaylist(model_, list, messages_);
}

std::unique_ptr<ListedFolder> ListEditor::ListChosenFolder(int list, FolderDialog& dialog,
                                                           TitleReadProgress& progress) {
    model_.LastFolder = list == 0 ? model_.settings.LST0DIR : model_.settings.LST1DIR;
    const std::optional<std::string> chosen = dialog.ChooseFolder(model_.LastFolder);
    if (!chosen)
        return nullptr;
    progress.Begin();
    model_.LastFolder = WithTrailingPathDelimiter(*chosen);
    auto folder = std::make_unique<ListedFolder>(model_.LastFolder, ".MID");
    // Names that cannot go into a list line are set apart, and named in name order.
    std::vector<std::string> withControlBytes;
    folder->RemoveIf([&withControlBytes](const std::string& path) {
        if (!HasControlBytes(path))
            return false;
        withControlBytes.push_back(path);
        return true;
    });
    SortByName(withControlBytes, folder->NameAt());
    const FolderListing& songs = folder->Listing();
    if (!songs.readable || !songs.unconvertible.empty() || !withControlBytes.empty() || songs.paths.empty())
        progress.End();
    if (!songs.readable)
        messages_.ShowMessage(Sjis("フォルダ ") + model_.LastFolder + Sjis(" を読み込めません"));
    if (!songs.unconvertible.empty())
        messages_.ShowMessage(UnholdableNamesMessage(songs.unconvertible));
    if (!withControlBytes.empty()) {
        for (std::string& path : withControlBytes) path = FileNamePart(path);
        messages_.ShowMessage(ControlBytesMessage(withControlBytes));
    }
    model_.ScratchList.clear();
    return folder;
}

void ListEditor::AutoAdd(int list, FolderDialog& dialog, TitleReadProgress& progress) {
    const std::unique_ptr<ListedFolder> folder = ListChosenFolder(list, dialog, progress);
    if (!folder || folder->Listing().paths.empty())
        return;
    const std::vector<std::string>& found = folder->Listing().paths;
    SongAdder adder(model_.EditBuffer);
    const std::vector<std::size_t> fresh = adder.NewSongsOf(*folder);
    // The songs are read in the order the folder listed them, which is the order of their places on
    // the disk. Each head and line is made in the room of the one before.
    std::string head;
    std::string line;
    ReadProblem problem;
    std::size_t done = 0;
    for (const std::size_t index : fresh) {
        if (!folder->ReadHead(index, kTitleReadBytes, head, problem)) {
            // Nothing of this run reached the buffer: it still agrees with the title list.
            progress.End();
            messages_.ShowMessage(FirstUnreadable(*folder, fresh, index, problem));
            return;
        }
        MakeNewSongLine(head, found[index], line);
        adder.AddLine(line);
        // The songs listed before it that were no new songs count as read too.
        done = index + 1;
        progress.TitlesRead(done, found.size());
    }
    if (done < found.size())
        progress.TitlesRead(found.size(), found.size());
    const bool sorted = adder.Commit();
    progress.End();
    if (!WriteList(list))
        return;
    // The file now holds the buffer's lines; in sorted order, the load takes that order as it is.
    const LineList written = std::move(model_.EditBuffer);
    LoadPlaylist(model_, list, messages_, sorted ? &written : nullptr);
    messages_.ShowMessage(Sjis("ＭＩＤＩデータの自動追加を完了し ") + std::to_string(fresh.size()) +
                          Sjis(" 曲を追加しました"));
}

void ListEditor::AgeMarks(int list) {
    auto& buffer = model_.EditBuffer;
    for (std::size_t i = 0; i < buffer.size(); ++i) {
        if (BeginsWithNewMark(buffer[i]))
            buffer.Set(i, AgedMarks(std::string(buffer[i])));
    }
    if (WriteList(list))
        LoadPlaylist(model_, list, messages_);
}

void ListEditor::OpenCompanion(DocumentKind kind) {
    const std::string& document = kind == DocumentKind::Txt ? txt_ : doc_;
    if (!document.empty())
        documents_.OpenDocument(document);
}

bool CopySongToFolder(const std::string& sjisSong, const std::string& sjisFolder) {
    const std::string target = sjisFolder + FileNamePart(sjisSong);
    try {
        const std::filesystem::path source = ToFsPath(sjisSong);
        if (SameFile(source, ToFsPath(target)))
            return true;
        const std::optional<std::string> bytes = ReadWholeFile(sjisSong);
        if (!bytes)
            return false;
        WriteFileAtomically(target, *bytes);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool ListEditor::CopyToOtherList(int list, const std::vector<std::size_t>& selected) {
    std::vector<std::size_t> indexes = selected;
    std::sort(indexes.begin(), indexes.end());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    std::vector<std::string> lines;
    for (const std::size_t index : indexes) {
        if (index < model_.EditBuffer.size())
            lines.emplace_back(model_.EditBuffer[index]);
    }
    if (lines.empty()) {
        messages_.ShowMessage(NothingSelected());
        return false;
    }
    try {
        AppendLinesTo(model_.folders.PlaylistPath(1 - list), lines);
    } catch (const UserError& error) {
        messages_.ShowMessage(error.Text());
        return false;
    }
    return true;
}

bool ListEditor::MoveToOtherList(int list, const std::vector<std::size_t>& selected) {
    const std::string other = model_.folders.PlaylistPath(1 - list);
    const std::optional<FileStamp> before = StampOf(other);
    // Checked first: the songs would otherwise be copied and then not deleted here.
    if (ChangedElsewhere(list) || !CopyToOtherList(list, selected))
        return false;
    const std::optional<FileStamp> copied = StampOf(other);
    if (DeleteEntries(list, selected))
        return true;
    // The deletion could not be written: the copy is taken back too (unless the other list was
    // written since), so that a move is done whole or not at all.
    if (copied && StampOf(other) == copied)
        static_cast<void>(
            TakeBackAppend(other, before ? std::optional<long long>(before->size) : std::nullopt));
    return false;
}

void ListEditor::SendSongs(const std::vector<std::size_t>& selected, FolderDialog& dialog) {
    std::vector<std::size_t> indexes = selected;
    std::sort(indexes.begin(), indexes.end());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    while (!indexes.empty() && indexes.back() >= model_.EditBuffer.size()) indexes.pop_back();
    if (indexes.empty()) {
        messages_.ShowMessage(NothingSelected());
        return;
    }
    std::string folder;
    for (const std::size_t index : indexes) {
        const std::optional<std::string> chosen = dialog.ChooseFolder(folder);
        if (!chosen)
            continue;
        folder = WithTrailingPathDelimiter(*chosen);
        const std::string song(ViewEntry(model_.EditBuffer[index]).Path);
        messages_.ShowMessage(CopySongToFolder(song, folder)
                                  ? Sjis("曲データを指定のフォルダにコピーしました")
                                  : Sjis("曲データのコピーでエラーが発生しました"));
    }
}

bool ListEditor::WriteList(int list) {
    const std::string path = model_.folders.PlaylistPath(list);
    // The buffer of a list that could not be read holds none of its songs: writing it would replace
    // the file with only what was added since.
    if (unreadable_[static_cast<std::size_t>(list)]) {
        messages_.ShowMessage(PlaylistNotWrittenMessage(path));
        Reload(list);
        return false;
    }
    if (ChangedElsewhere(list))
        return false;
    try {
        WriteLineList(path, model_.EditBuffer);
        loaded_[static_cast<std::size_t>(list)] = StampOf(path);
        return true;
    } catch (const WriteError&) {
        messages_.ShowMessage(PlaylistNotWrittenMessage(path));
    }
    // Whatever the change was, the page goes back to what the file holds: the buffer, the titles
    // and the count never show a change that is not in the file.
    Reload(list);
    return false;
}

bool ListEditor::ChangedElsewhere(int list) {
    const std::string path = model_.folders.PlaylistPath(list);
    if (StampOf(path) == loaded_[static_cast<std::size_t>(list)])
        return false;
    Reload(list);
    messages_.ShowMessage(
        Sjis("ﾌｧｲﾙ ") + path +
        Sjis(" はほかで書き換えられていたため、読み込み直しました。もう一度操作してください"));
    return true;
}

void ListEditor::Reload(int list) {
    // The file the page loaded, as it was then (a write that failed left it so): the abnormal lines
    // the load meets again were reported when the page loaded it.
    SaidBefore saidBefore;
    const bool asLoaded =
        StampOf(model_.folders.PlaylistPath(list)) == loaded_[static_cast<std::size_t>(list)];
    EnterPage(list, asLoaded ? static_cast<MessageView&>(saidBefore) : messages_);
    ++reloads_;
}

}  // namespace korva
