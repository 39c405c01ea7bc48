// The writers of the user's files meeting a write that fails: the settings save, the playlist
// rewrites and appends of list editing and the song control, and the reject files of a load. Each
// must leave the old file whole and no temporary file behind, and tell the user; a list page then
// shows what the file holds. The faults come from the file-system seam at each step of a write,
// from the kernel itself (a file-size limit and, where a mount namespace may be had, a small full
// tmpfs), and from the user, who made a file read-only.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/Errors.h"
#include "app/FileSystem.h"
#include "playlist/LineFile.h"
#include "playlist/PlaylistLoader.h"
#include "support/Fakes.h"
#include "support/JukeboxRig.h"
#include "support/SmfWriter.h"
#include "support/TempDir.h"
#include "text/Encoding.h"
#include "windows/ListEditing.h"
#include "windows/SettingsWindow.h"

namespace korva {
namespace {

using Lines = std::vector<std::string>;
using testing::TempDir;

// The settings window's questions are never asked by a save.
class NoDialogs final : public SettingsWindowView {
  public:
    void CheckListMode(int) override {}
    void PressOrderButton(int) override {}
    void PressCycleButton(int) override {}
    std::optional<std::string> ChooseProgramFile(const std::string&, const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::string> ChooseFolder(const std::string&) override { return std::nullopt; }
};

std::string NotRecordedMessage(const std::string& rejectPath) {
    return Sjis("異常行を検出した（異常行は読込スキップしたが、記録ファイル ") + rejectPath +
           Sjis(" に書き込めませんでした）");
}

// Files of the folder that are not the user's: temporary files of a replacement.
Lines LeftOvers(const std::filesystem::path& folder) {
    Lines names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.find(".tmp-") != std::string::npos)
            names.push_back(name);
    }
    return names;
}

// One core over playlists and a settings file in a temporary program folder.
struct Writers {
    explicit Writers(const TempDir& folder) : dir(folder), rig(dir.Folder()) { rig.Connect(); }

    AppModel& Model() { return rig.Model(); }
    Lines& Shown() { return rig.messages.shown; }
    std::string Ini() { return Model().folders.SettingsPath(); }
    std::string List(int list) { return Model().folders.PlaylistPath(list); }
    std::string Reject(int list) { return Model().folders.RejectPath(list); }

    const TempDir& dir;
    testing::JukeboxRig rig;
    testing::RecordingSettingsPorts host{rig.Model()};
    NoDialogs dialogs;
    SettingsWindow settingsWindow{rig.Model(), host.Ports(), dialogs, rig.messages};
    ListEditor editor{rig.Model(), host, host, rig.messages};
};

struct Fault {
    WriteStep step;
    int error;
    const char* name;
};
void PrintTo(const Fault& fault, std::ostream* out) {
    *out << fault.name;
}

class WriteFaults : public ::testing::TestWithParam<Fault> {
  protected:
    ~WriteFaults() override { SetWriteFaultForTesting(nullptr); }

    // From now on every write fails at this test's step.
    void FailWrites() {
        SetWriteFaultForTesting([fault = GetParam()](WriteStep step, const std::filesystem::path&) {
            return step == fault.step ? fault.error : 0;
        });
    }
    void Heal() { SetWriteFaultForTesting(nullptr); }

    TempDir dir;
    Writers w{dir};
};

const std::string kOldIni = "[KORVA]\r\nPLAYMOD=3\r\n; kept by hand\r\n[SYNTH]\r\nAUDIODRV=alsa\r\n";
const std::string kOldList = "!1 B\t/m/b.mid\t+0\t1\r\nD\t/m/d.mid\t-2\t0\r\n";

TEST_P(WriteFaults, SettingsSaveKeepsTheOldFileAndSaysWhichFile) {
    dir.Write("KORVA.INI", kOldIni);
    w.Model().settings.PLAYMOD = 5;
    FailWrites();
    w.settingsWindow.SaveBitBtnClick();
    EXPECT_EQ(w.Shown(), Lines{w.Ini() + Sjis(" に書き込めません")}) << "and no word of success";
    EXPECT_EQ(dir.Read("KORVA.INI"), kOldIni);
    EXPECT_EQ(LeftOvers(dir.Path()), Lines{});
    EXPECT_EQ(w.Model().settings.PLAYMOD, 5) << "the record keeps the change for the next save";

    Heal();
    w.Shown().clear();
    w.settingsWindow.SaveBitBtnClick();
    EXPECT_EQ(w.Shown(), Lines{Sjis("各種の設定を保存しました")});
    EXPECT_NE(dir.Read("KORVA.INI").find("PLAYMOD=5"), std::string::npos);
    EXPECT_NE(dir.Read("KORVA.INI").find("; kept by hand"), std::string::npos);
}

// What a list page shows: the edit buffer, the titles and the count.
struct PageShows {
    Lines buffer;
    Lines titles;
    std::string count;
    bool operator==(const PageShows&) const = default;
};
void PrintTo(const PageShows& page, std::ostream* out) {
    *out << "buffer:";
    for (const auto& line : page.buffer) *out << " [" << line << "]";
    *out << " titles:";
    for (const auto& title : page.titles) *out << " [" << title << "]";
    *out << " count: " << page.count;
}

PageShows PageOf(const AppModel& model, int list) {
    return {model.EditBuffer.ToStrings(), model.TitleLists[list].titles.ToStrings(),
            model.TitleLists[list].countText};
}

// What a page entered afresh on the list's file shows.
PageShows FileShows(const AppModel& model, int list) {
    AppModel fresh;
    fresh.folders = model.folders;
    testing::RecordingMessages quiet;
    LoadPlaylist(fresh, list, quiet);
    return PageOf(fresh, list);
}

class NoProgress final : public TitleReadProgress {
  public:
    void Begin() override {}
    void TitlesRead(std::size_t, std::size_t) override {}
    void End() override {}
};

std::string Song(const TempDir& dir, const std::string& name, std::string_view title) {
    testing::SmfWriter writer;
    writer.AddTrack().TrackName(0, title).Note(0, 240, 0, 60);
    return dir.Write(name, writer.Bytes());
}

// The song control renames the song of the play queue's line "!1 B" in both lists.
void RenameThroughSongControl(Writers& w) {
    w.Model().settings.PLAYMOD = 0;
    w.Model().PlayQueue = {"!1 B\t/m/b.mid\t+0\t1"};
    w.Model().play.QueuePosition = 0;
    SongControl& control = w.rig.songControlRules;
    control.FormActivate();
    control.NameEditChange("Renamed");
    control.ChngButtonClick();
}

// Every operation that writes a list, on the page of list 0.
struct ListOperation {
    const char* name;
    std::function<void(Writers&, const TempDir&)> run;
    bool appendsToTheOtherList = false;
};

const std::vector<ListOperation>& ListOperations() {
    static const std::vector<ListOperation> operations = {
        {"AddByHand", [](Writers& w, const TempDir& dir) { w.editor.ManualAdd(0, Song(dir, "c.mid", "C")); }},
        {"AddAFolder",
         [](Writers& w, const TempDir& dir) {
             std::filesystem::create_directory(dir.Path() / "songs");
             Song(dir, "songs/a.mid", "A");
             Song(dir, "songs/e.mid", "E");
             testing::ScriptedFolderDialog folder;
             folder.answer = dir.Folder() + "songs";
             NoProgress progress;
             w.editor.AutoAdd(0, folder, progress);
         }},
        {"Edit",
         [](Writers& w, const TempDir&) {
             w.editor.EditEntry(0, 1, {"E", "/m/d.mid", 0, 1});
         }},
        {"Delete", [](Writers& w, const TempDir&) { w.editor.DeleteEntries(0, {0}); }},
        {"AgeMarks", [](Writers& w, const TempDir&) { w.editor.AgeMarks(0); }},
        {"CopyToTheOtherList", [](Writers& w, const TempDir&) { w.editor.CopyToOtherList(0, {0}); }, true},
        {"MoveToTheOtherList", [](Writers& w, const TempDir&) { w.editor.MoveToOtherList(0, {0}); }, true},
        {"SongControl", [](Writers& w, const TempDir&) { RenameThroughSongControl(w); }},
    };
    return operations;
}

// After a failed write of a list, whatever operation made it, the page shows what the file holds,
// not the change that could not be written; a later change is written over the file as it is.
TEST_P(WriteFaults, AfterEveryFailedListWriteThePageShowsWhatTheFileHolds) {
    const std::string oldOther = "Z\t/m/z.mid\t+0\t1\r\n";
    for (const ListOperation& operation : ListOperations()) {
        SCOPED_TRACE(operation.name);
        TempDir folder;
        folder.Write("KORVA.DT0", kOldList);
        folder.Write("KORVA.DT1", oldOther);
        Writers writers(folder);
        writers.editor.EnterPage(0);
        const PageShows before = PageOf(writers.Model(), 0);
        ASSERT_EQ(before, FileShows(writers.Model(), 0));

        FailWrites();
        operation.run(writers, folder);
        Heal();
        // Only an append goes through a failing rename: it renames nothing.
        const bool appended =
            std::string(operation.name) == "CopyToTheOtherList" && GetParam().step == WriteStep::Rename;
        EXPECT_EQ(folder.Read("KORVA.DT0"), kOldList);
        EXPECT_EQ(folder.Read("KORVA.DT1"),
                  appended ? oldOther + kOldList.substr(0, kOldList.find('\n') + 1) : oldOther);
        EXPECT_EQ(LeftOvers(folder.Path()), Lines{});
        EXPECT_EQ(PageOf(writers.Model(), 0), FileShows(writers.Model(), 0));
        EXPECT_EQ(PageOf(writers.Model(), 0), before);
        Lines told;
        if (operation.appendsToTheOtherList && GetParam().step != WriteStep::Rename)
            told = {InputOutputMessage(GetParam().error) + "\n" + writers.List(1)};
        else if (std::string(operation.name) != "CopyToTheOtherList")
            told = {PlaylistNotWrittenMessage(writers.List(0))};
        EXPECT_EQ(writers.Shown(), told);

        // The page is in step with the file: the next change is written without a word.
        writers.Shown().clear();
        writers.editor.AgeMarks(0);
        EXPECT_EQ(writers.Shown(), Lines{});
        EXPECT_EQ(folder.Read("KORVA.DT0"), "!2 B\t/m/b.mid\t+0\t1\r\nD\t/m/d.mid\t-2\t0\r\n");
    }
}

TEST_P(WriteFaults, SongControlRewriteKeepsBothListsAsTheyWere) {
    const std::string song = "/m/b.mid";
    dir.Write("KORVA.DT0", kOldList);
    dir.Write("KORVA.DT1", "B\t/m/b.mid\t+1\t2\r\n");
    w.Model().settings.PLAYMOD = 0;
    w.Model().PlayQueue = {"!1 B\t/m/b.mid\t+0\t1"};
    w.Model().play.QueuePosition = 0;
    SongControl& control = w.rig.songControlRules;
    control.FormActivate();
    control.NameEditChange("Renamed");
    FailWrites();
    control.ChngButtonClick();
    EXPECT_EQ(w.Shown(), Lines{PlaylistNotWrittenMessage(w.List(0))}) << "list 1 is not tried after it";
    EXPECT_EQ(dir.Read("KORVA.DT0"), kOldList);
    EXPECT_EQ(dir.Read("KORVA.DT1"), "B\t/m/b.mid\t+1\t2\r\n");
    EXPECT_EQ(LeftOvers(dir.Path()), Lines{});
    EXPECT_TRUE(control.Fields().message.empty()) << "no rewrite is claimed";
}

TEST_P(WriteFaults, RejectFileKeepsItsOldLinesAndTheLoadGoesOn) {
    dir.Write("KORVA.DT0", "Good\t/m/g.mid\t+0\t1\r\nno fields at all\r\n");
    dir.Write("KORVA.NG0", "old reject\r\n");
    FailWrites();
    LoadPlaylist(w.Model(), 0, w.rig.messages);
    EXPECT_EQ(w.Shown(), Lines{NotRecordedMessage(w.Reject(0))});
    EXPECT_EQ(dir.Read("KORVA.NG0"), "old reject\r\n");
    EXPECT_EQ(LeftOvers(dir.Path()), Lines{});
    EXPECT_EQ(w.Model().EditBuffer, Lines{"Good\t/m/g.mid\t+0\t1"});
    EXPECT_EQ(w.Model().TitleLists[0].titles, Lines{"Good"});
}

TEST_P(WriteFaults, MoveToTheOtherListIsDoneWholeOrNotAtAll) {
    dir.Write("KORVA.DT0", kOldList);
    const std::string oldOther = "Z\t/m/z.mid\t+0\t1";  // its last line lacks its end
    for (const bool otherExists : {true, false}) {
        SCOPED_TRACE(otherExists ? "onto the other list" : "into a new other list");
        std::filesystem::remove(dir.Path() / "KORVA.DT1");
        if (otherExists)
            dir.Write("KORVA.DT1", oldOther);
        w.Shown().clear();
        w.editor.EnterPage(0);
        FailWrites();
        EXPECT_FALSE(w.editor.MoveToOtherList(0, {0, 1}));
        Heal();
        // An append renames nothing: at that step it goes through, and the deletion here cannot be
        // written; the copy is then taken back.
        EXPECT_EQ(w.Shown(), Lines{GetParam().step == WriteStep::Rename
                                       ? PlaylistNotWrittenMessage(w.List(0))
                                       : InputOutputMessage(GetParam().error) + "\n" + w.List(1)});
        EXPECT_EQ(dir.Exists("KORVA.DT1"), otherExists);
        if (otherExists) {
            EXPECT_EQ(dir.Read("KORVA.DT1"), oldOther) << "no half line is left at its end";
        }
        EXPECT_EQ(dir.Read("KORVA.DT0"), kOldList) << "the move deletes nothing";
        EXPECT_EQ(w.Model().EditBuffer.size(), 2u);
    }
}

INSTANTIATE_TEST_SUITE_P(Steps, WriteFaults,
                         ::testing::Values(Fault{WriteStep::Write, ENOSPC, "DiskFullMidWrite"},
                                           Fault{WriteStep::Flush, EIO, "FlushFails"},
                                           Fault{WriteStep::Rename, EROFS, "RenameFails"}),
                         [](const ::testing::TestParamInfo<Fault>& paramInfo) {
                             return std::string(paramInfo.param.name);
                         });

// --- Files the user made read-only -------------------------------------------------------------

struct ReadOnlyCase {
    const char* name;
    const char* file;  // made read-only (0444)
    std::function<void(Writers&)> run;
    std::function<std::string(Writers&)> message;  // the writer's own failure message
};
void PrintTo(const ReadOnlyCase& readOnly, std::ostream* out) {
    *out << readOnly.name;
}

class ReadOnlyFiles : public ::testing::TestWithParam<ReadOnlyCase> {};

// Whoever runs the program, root included: the mode bits alone say the file is not to be written.
TEST_P(ReadOnlyFiles, EveryWriterLeavesAReadOnlyFileAsItWasAndSaysItCannotWriteIt) {
    TempDir dir;
    dir.Write("KORVA.INI", kOldIni);
    dir.Write("KORVA.DT0", kOldList + "no fields at all\r\n");
    dir.Write("KORVA.DT1", "Z\t/m/z.mid\t+0\t1\r\n");
    dir.Write("KORVA.NG0", "old reject\r\n");
    const std::filesystem::path file = dir.Path() / GetParam().file;
    const std::string old = dir.Read(GetParam().file);
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
    Writers w(dir);

    GetParam().run(w);
    EXPECT_EQ(dir.Read(GetParam().file), old);
    struct stat status {};
    ASSERT_EQ(::stat(file.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0444u);
    EXPECT_EQ(LeftOvers(dir.Path()), Lines{});
    EXPECT_NE(std::find(w.Shown().begin(), w.Shown().end(), GetParam().message(w)), w.Shown().end())
        << "not told that the file cannot be written";
    EXPECT_EQ(std::find(w.Shown().begin(), w.Shown().end(), Sjis("各種の設定を保存しました")),
              w.Shown().end());
    if (std::string(GetParam().file) == "KORVA.DT0") {
        EXPECT_EQ(PageOf(w.Model(), 0), FileShows(w.Model(), 0));
    }
}

std::string NotWrittenList0(Writers& w) {
    return PlaylistNotWrittenMessage(w.List(0));
}

INSTANTIATE_TEST_SUITE_P(
    Writers, ReadOnlyFiles,
    ::testing::Values(ReadOnlyCase{"SettingsSave", "KORVA.INI",
                                   [](Writers& w) {
                                       w.Model().settings.PLAYMOD = 5;
                                       w.settingsWindow.SaveBitBtnClick();
                                   },
                                   [](Writers& w) { return w.Ini() + Sjis(" に書き込めません"); }},
                      ReadOnlyCase{"ListEdit", "KORVA.DT0",
                                   [](Writers& w) {
                                       w.editor.EnterPage(0);
                                       w.editor.EditEntry(0, 1, {"E", "/m/d.mid", 0, 1});
                                   },
                                   NotWrittenList0},
                      ReadOnlyCase{"ListMarks", "KORVA.DT0",
                                   [](Writers& w) {
                                       w.editor.EnterPage(0);
                                       w.editor.AgeMarks(0);
                                   },
                                   NotWrittenList0},
                      ReadOnlyCase{"AppendToTheOtherList", "KORVA.DT1",
                                   [](Writers& w) {
                                       w.editor.EnterPage(0);
                                       w.editor.MoveToOtherList(0, {0});
                                   },
                                   [](Writers& w) { return InputOutputMessage(EACCES) + "\n" + w.List(1); }},
                      ReadOnlyCase{"SongControl", "KORVA.DT0",
                                   [](Writers& w) {
                                       w.editor.EnterPage(0);  // open meanwhile
                                       RenameThroughSongControl(w);
                                   },
                                   NotWrittenList0},
                      ReadOnlyCase{"RejectFile", "KORVA.NG0", [](Writers& w) { w.editor.EnterPage(0); },
                                   [](Writers& w) { return NotRecordedMessage(w.Reject(0)); }}),
    [](const ::testing::TestParamInfo<ReadOnlyCase>& paramInfo) {
        return std::string(paramInfo.param.name);
    });

// --- Faults the kernel makes -------------------------------------------------------------------

std::string Numbered(const std::string& pattern, int count, int from = 0) {
    std::string text;
    for (int i = from; i < from + count; ++i) {
        std::string line = pattern;
        line.replace(line.find('#'), 1, std::to_string(1000 + i));
        text += line + "\r\n";
    }
    return text;
}

// Every new file below is larger than 4 KiB, and so is what is appended: past a file-size limit of
// 4 KiB, and more than the page left in a full tmpfs.
struct BigFiles {
    std::string ini = "[KORVA]\r\nPLAYMOD=3\r\n" + Numbered("; a comment the user keeps, number #", 150);
    std::string list0 = Numbered("Song #\t/music/song-#.mid\t+0\t1", 200) +
                        Numbered("a broken line # without any field", 150);
    std::string list1 = Numbered("Other #\t/music/other-#.mid\t+0\t1", 100);
    std::string reject = "old reject\r\n";
};

// Runs the three writers against a kernel that refuses the writes, in this (child) process; the
// folder already holds the files. Returns what went wrong, empty when all held.
std::string RunWritersAgainstRefusingKernel(const TempDir& dir, const BigFiles& old) {
    std::string problems;
    const auto check = [&problems](bool held, const std::string& what) {
        if (!held)
            problems += what + "\n";
    };
    Writers w(dir);
    w.Model().settings.PLAYMOD = 5;
    w.settingsWindow.SaveBitBtnClick();
    check(w.Shown() == Lines{w.Ini() + Sjis(" に書き込めません")}, "settings: the message");

    w.Shown().clear();
    w.editor.EnterPage(0);  // the load meets the broken lines and writes them to the reject file
    check(w.Shown() == Lines{NotRecordedMessage(w.Reject(0))}, "reject file: the message");
    check(w.Model().EditBuffer.size() == 200, "reject file: the valid lines are loaded");

    w.Shown().clear();
    check(!w.editor.EditEntry(0, 0, {"Edited", "/music/song-1000.mid", 0, 1}), "rewrite: reported done");
    check(w.Shown() == Lines{PlaylistNotWrittenMessage(w.List(0))}, "rewrite: the message");

    w.Shown().clear();
    std::vector<std::size_t> all(200);
    for (std::size_t i = 0; i < all.size(); ++i) all[i] = i;
    check(!w.editor.CopyToOtherList(0, all), "append: reported done");
    check(w.Shown().size() == 1 && w.Shown()[0].find(w.List(1)) != std::string::npos, "append: the message");

    check(dir.Read("KORVA.INI") == old.ini, "settings: the old file is not whole");
    check(dir.Read("KORVA.DT0") == old.list0, "rewrite: the old file is not whole");
    check(dir.Read("KORVA.DT1") == old.list1, "append: the old file is not as it was");
    check(dir.Read("KORVA.NG0") == old.reject, "reject file: the old file is not whole");
    check(LeftOvers(dir.Path()).empty(), "a temporary file is left");
    return problems;
}

// Makes writes into the folder fail; false with the reason when this machine does not allow it.
using KernelFault = std::function<bool(const TempDir& dir, const BigFiles& old, std::string& reason)>;

bool LimitFileSize(const TempDir& dir, const BigFiles& old, std::string& reason) {
    for (const auto& [name, bytes] : {std::pair{"KORVA.INI", old.ini},
                                      {"KORVA.DT0", old.list0},
                                      {"KORVA.DT1", old.list1},
                                      {"KORVA.NG0", old.reject}})
        dir.Write(name, bytes);
    // Past the limit a write fails with EFBIG instead of the signal ending the process.
    const rlimit limit{4096, 4096};
    if (::signal(SIGXFSZ, SIG_IGN) == SIG_ERR || ::setrlimit(RLIMIT_FSIZE, &limit) != 0) {
        reason = std::string("no file-size limit: ") + std::strerror(errno);
        return false;
    }
    return true;
}

bool WriteIdMap(const char* file, const std::string& text) {
    const int fd = ::open(file, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    return ::close(fd) == 0 && written;
}

// A 64 KiB tmpfs over the folder, in a mount namespace of this process alone (made with a user
// namespace where the process is not privileged), filled up after the old files are written.
bool MountFullTmpfs(const TempDir& dir, const BigFiles& old, std::string& reason) {
    if (::unshare(CLONE_NEWNS) != 0) {
        const std::string uid = std::to_string(::getuid());
        const std::string gid = std::to_string(::getgid());
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0 || !WriteIdMap("/proc/self/setgroups", "deny") ||
            !WriteIdMap("/proc/self/uid_map", "0 " + uid + " 1") ||
            !WriteIdMap("/proc/self/gid_map", "0 " + gid + " 1")) {
            reason = std::string("no mount namespace: ") + std::strerror(errno);
            return false;
        }
    }
    if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("tmpfs", dir.Path().c_str(), "tmpfs", 0, "size=64k") != 0) {
        reason = std::string("no tmpfs: ") + std::strerror(errno);
        return false;
    }
    for (const auto& [name, bytes] : {std::pair{"KORVA.INI", old.ini},
                                      {"KORVA.DT0", old.list0},
                                      {"KORVA.DT1", old.list1},
                                      {"KORVA.NG0", old.reject}})
        dir.Write(name, bytes);
    const int fd = ::open((dir.Path() / "filler").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    const std::string block(4096, 'x');
    while (fd >= 0 && ::write(fd, block.data(), block.size()) > 0) {
    }
    const int fillError = errno;
    if (fd < 0 || ::close(fd) != 0 || fillError != ENOSPC) {
        reason = "the tmpfs did not fill up";
        return false;
    }
    return true;
}

struct KernelCase {
    const char* name;
    KernelFault fault;
};
void PrintTo(const KernelCase& kernelCase, std::ostream* out) {
    *out << kernelCase.name;
}

class KernelWriteFaults : public ::testing::TestWithParam<KernelCase> {};

constexpr int kSkipped = 77;

TEST_P(KernelWriteFaults, EveryWriterKeepsItsOldFileWhole) {
    TempDir dir;
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    // The fault is made in a child process, so that neither the limit nor the mount reaches this one.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(pipeFds[0]);
        const BigFiles old;
        std::string report;
        int code = 0;
        if (!GetParam().fault(dir, old, report)) {
            code = kSkipped;
        } else {
            report = RunWritersAgainstRefusingKernel(dir, old);
            code = report.empty() ? 0 : 1;
        }
        const bool told =
            ::write(pipeFds[1], report.data(), report.size()) == static_cast<ssize_t>(report.size());
        ::_exit(told ? code : 2);
    }
    ::close(pipeFds[1]);
    std::string report;
    char buffer[512];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeFds[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the writers ended by a signal: " << WTERMSIG(status);
    if (WEXITSTATUS(status) == kSkipped)
        GTEST_SKIP() << GetParam().name << " cannot be had here (" << report << ")";
    EXPECT_EQ(WEXITSTATUS(status), 0) << report;
}

INSTANTIATE_TEST_SUITE_P(Kernel, KernelWriteFaults,
                         ::testing::Values(KernelCase{"FileSizeLimit", &LimitFileSize},
                                           KernelCase{"FullTmpfs", &MountFullTmpfs}),
                         [](const ::testing::TestParamInfo<KernelCase>& paramInfo) {
                             return std::string(paramInfo.param.name);
                         });

TEST(KernelWriteFault, AppendToTheFullDeviceReportsNoSpace) {
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "/dev/full is not there";
    EXPECT_EQ(AppendWhole("/dev/full", "Song\t/m/s.mid\t+0\t1\r\n"), ENOSPC);
    EXPECT_THROW(AppendToFile("/dev/full", "x"), WriteError);
}

}  // namespace
}  // namespace korva
