#include "convert/AutoConvert.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "convert/CommandLine.h"
#include "convert/ForeignFormats.h"
#include "playback/PlayerCommands.h"
#include "support/JukeboxRig.h"
#include "support/TempDir.h"
#include "text/Encoding.h"
#include "windows/SongWindow.h"

namespace korva {
namespace {

using testing::TempDir;

struct Expansion {
    const char* name;
    std::string templateText;
    std::string source;
    std::string folder;
    std::string programFolder;
    std::string expected;
};

class ExpandTemplateTest : public ::testing::TestWithParam<Expansion> {};

TEST_P(ExpandTemplateTest, GivesTheCommandLine) {
    const Expansion& c = GetParam();
    EXPECT_EQ(ExpandTemplate(c.templateText, c.source, c.folder, c.programFolder), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Templates, ExpandTemplateTest,
    ::testing::Values(Expansion{"DefaultRcp", "CVS.EXE % -Flog -O#", "/song/A.RCP", "/midi/", "/prog/",
                                "/prog/CVS.EXE /song/A.RCP -Flog -O/midi/"},
                      Expansion{"NoHashHasNoFolderPrefix", "CVS.EXE % -Flog", "/song/A.RCP", "/midi/",
                                "/prog/", "CVS.EXE /song/A.RCP -Flog"},
                      Expansion{"TextAfterHashIsDropped", "CVS.EXE % -O# -Flog", "/song/A.RCP", "/midi/",
                                "/prog/", "/prog/CVS.EXE /song/A.RCP -O/midi/"},
                      Expansion{"HashInTheSourceIsKept", "CVS.EXE % -Flog -O#", "/song/#1.RCP", "/midi/",
                                "/prog/", "/prog/CVS.EXE /song/#1.RCP -Flog -O/midi/"},
                      Expansion{"HashBeforePercentEndsTheLine", "X.EXE # %", "/song/A.RCP", "/midi/",
                                "/prog/", "/prog/X.EXE /midi/"},
                      Expansion{"HashWithoutPercent", "X.EXE -O#", "/song/A.RCP", "/midi/", "/prog/",
                                "/prog/X.EXE -O/midi/"},
                      Expansion{"BlankInSourceIsQuoted", "CVS.EXE % -O#", "/my song/A.RCP", "/midi/",
                                "/prog/", "/prog/CVS.EXE \"/my song/A.RCP\" -O/midi/"},
                      Expansion{"BlankInFolderIsQuoted", "CVS.EXE % -O#", "/s/A.RCP", "/my midi/", "/prog/",
                                "/prog/CVS.EXE /s/A.RCP -O\"/my midi/\""},
                      Expansion{"BlankInProgramFolderIsQuoted", "CVS.EXE % -O#", "/s/A.RCP", "/m/",
                                "/my prog/", "\"/my prog/\"CVS.EXE /s/A.RCP -O/m/"},
                      Expansion{"QuoteInSourceIsEscaped", "CVS.EXE %", "/s/a\"b.RCP", "", "/p/",
                                "CVS.EXE \"/s/a\\\"b.RCP\""},
                      Expansion{"OptionsAfterSourceAreCut", "C.EXE %" + std::string(300, 'x'), "/s.RCP", "",
                                "/p/", "C.EXE /s.RCP" + std::string(255, 'x')}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(CommandLineTest, QuotedPathsComeBackAsOneArgumentEach) {
    const std::string kanjiWithTrailBackslash = Sjis("表");  // 0x95 0x5C
    ASSERT_EQ(kanjiWithTrailBackslash[1], '\\');
    for (const std::string& path :
         {std::string("/a b/c.RCP"), std::string("/x\"y/"), std::string("/dir with\\\\/"),
          "/" + kanjiWithTrailBackslash + " " + kanjiWithTrailBackslash, std::string("\t\"")}) {
        const auto arguments = SplitCommandLine("P.EXE " + QuoteArgument(path) + " -O" + QuoteArgument(path));
        ASSERT_EQ(arguments.size(), 3u) << path;
        EXPECT_EQ(arguments[1], path);
        EXPECT_EQ(arguments[2], "-O" + path);
    }
    EXPECT_EQ(SplitCommandLine("  a\t\"\"  b\\c "), (std::vector<std::string>{"a", "", "b\\c"}));
}

// A text that is not valid Shift-JIS (a lead byte at its end, or before a quote or a blank) still
// comes back whole and never swallows the closing quote or the blank after it.
TEST(CommandLineTest, StrayLeadBytesNeverSwallowAQuoteOrABlank) {
    for (const std::string& path : {std::string("/a \xFB"), std::string("/a b\x81\"c"), std::string("/a\x95"),
                                    std::string("/a b\x81\\"), std::string("/\x81\t\x81")}) {
        const auto arguments = SplitCommandLine("P.EXE " + QuoteArgument(path) + " -O" + QuoteArgument(path));
        ASSERT_EQ(arguments.size(), 3u) << path;
        EXPECT_EQ(arguments[1], path);
        EXPECT_EQ(arguments[2], "-O" + path);
    }
    EXPECT_EQ(ExpandTemplate("conv.sh % -x", "/a \xFB", "", "/p/"), "conv.sh \"/a \xFB\" -x");
    EXPECT_EQ(SplitCommandLine(ExpandTemplate("conv.sh % -x", "/a \xFB", "", "/p/")),
              (std::vector<std::string>{"conv.sh", "/a \xFB", "-x"}));
}

TEST(CommandLineTest, ConverterIsFoundBeforeTheBlankThatPrecedesPercent) {
    EXPECT_EQ(ConverterPathOf("CVS.EXE % -O#", "/p/"), "/p/CVS.EXE");
    EXPECT_EQ(ConverterPathOf("CVS.EXE  % -O#", "/p/"), "/p/CVS.EXE");
    EXPECT_EQ(ConverterPathOf("CVS.EXE -O#", "/p/"), std::nullopt);
    EXPECT_EQ(ConverterNameOf("SNG2S.EXE % /O#"), "SNG2S.EXE");
    EXPECT_EQ(ConverterNameOf("SNG2S.EXE"), "");
    EXPECT_EQ(PredictedOutput("/song/A.B.RCP", "/m/"), "/m/A.MID");
    EXPECT_EQ(PredictedOutput("/song.x/A.RCP", ""), "A.MID");
}

TEST(ForeignFormatsTest, ExtensionChoosesRowAndLabelIgnoringCase) {
    struct Row {
        const char* path;
        int row;
        const char* label;
        bool foreign;
    };
    for (const Row& r :
         {Row{"/s/a.RCP", 0, "RCP", true}, Row{"/s/a.rcp", 0, "RCP", true}, Row{"/s/a.Mcp", 1, "MCP", true},
          Row{"/s/a.r36", 2, "R36", true}, Row{"/s/a.sng", 3, "SNG", true}, Row{"/s/a.MM2", 4, "MM2", true},
          Row{"/s/a.mmc", 5, "MMC", true}, Row{"/s/a.seq", 6, "SEQ", true}, Row{"/s/a.MID", 0, "RCP", false},
          Row{"/s/a.MI", 0, "RCP", false}, Row{"/s.SEQ/a", 0, "RCP", false}}) {
        EXPECT_EQ(ForeignRow(r.path), r.row) << r.path;
        EXPECT_EQ(ForeignLabel(r.path), r.label) << r.path;
        EXPECT_EQ(IsForeignAtPlayTime(r.path), r.foreign) << r.path;
    }
    Settings settings;
    settings.CNVTSEQ = "SEQ.EXE %";
    EXPECT_EQ(TemplateOfRow(settings, ForeignRow("x.Seq")), "SEQ.EXE %");
}

// The conversion window as the user works it: activation, then the scripted clicks, then closing.
class ClickingWindow final : public ConversionWindowView {
  public:
    explicit ClickingWindow(AutoConvert& logic) : logic_(logic) {}
    void ShowConversionWindow() override {
        ++shown;
        open_ = true;
        logic_.FormActivate();
        if (clicks)
            clicks(logic_);
        if (open_)
            CloseConversionWindow();
    }
    void CloseConversionWindow() override {
        open_ = false;
        logic_.FormClose();
    }
    void ConversionFieldsChanged() override { seen = logic_.Fields(); }
    std::function<void(AutoConvert&)> clicks;
    ConversionFields seen;  // as last shown
    int shown = 0;

  private:
    AutoConvert& logic_;
    bool open_ = false;
};

class AutoConvertTest : public ::testing::Test {
  protected:
    AutoConvertTest() {
        model.settings.PLAYMOD = EASY;
        model.settings.SENDRST = 0;
        model.settings.LST0DIR = dir.Folder();
        rig.Connect();
        logic.AttachWindow(&window);
        rig.ThePlayer().SetPlayTimeConverter(&logic);
    }
    // A queue of files in the folder, as a drop makes it.
    void Queue(const std::vector<std::string>& names) {
        model.PlayQueue.clear();
        for (const std::string& name : names) model.PlayQueue.push_back(dir.Write(name, "MThd song"));
        model.SongLines = model.PlayQueue;
        model.play.QueuePosition = 0;
    }

    TempDir dir;
    testing::JukeboxRig rig{dir.Folder()};
    AppModel& model = rig.Model();
    AutoConvert& logic = rig.jukebox.Conversion();
    ClickingWindow window{logic};
};

TEST_F(AutoConvertTest, TemplateWithoutPercentReportsTheConverterMissing) {
    model.settings.CNVTRCP = "CVS.EXE -O#";
    dir.Write("CVS.EXE", "#!/bin/sh\n");
    Queue({"A.RCP"});
    window.clicks = [&](AutoConvert& w) {
        w.List0SpeedButtonClick();
        EXPECT_EQ(window.seen.message, Sjis("警告：変換に必要なコンバータが見つかりません"));
        EXPECT_FALSE(window.seen.startEnabled);
        EXPECT_EQ(window.seen.down, FolderButton::List0);
    };
    rig.ThePlayer().PlayEasyEntry();
    EXPECT_EQ(rig.deck.shown.front().text, Sjis(".. コンバータがない"));
    EXPECT_EQ(model.conversion.ConvertState, NotConverted);
    EXPECT_TRUE(rig.device.opened.empty());  // cancelling then stops
    EXPECT_EQ(window.seen.down, FolderButton::None);
}

TEST_F(AutoConvertTest, WithoutHashTheWindowAndContinuousModeGiveTheBareExpansion) {
    model.settings.CNVTRCP = "CVS.EXE  % -Flog";
    dir.Write("cvs.exe", "#!/bin/sh\n");  // found ignoring case, after two blanks
    dir.Write("KORVA.INI", "[KORVA]\r\nCONVHIS=/old/\r\n");
    dir.Write("A.MID", "MThd");  // already there: a warning, not a block
    Queue({"A.RCP", "B.SNG"});
    window.clicks = [&](AutoConvert& w) {
        EXPECT_EQ(window.seen.historyCaption, "/old/");
        EXPECT_TRUE(window.seen.historyEnabled);
        EXPECT_EQ(window.seen.kind, "RCP");
        EXPECT_EQ(window.seen.converter, "CVS.EXE");
        w.List0SpeedButtonClick();
        EXPECT_EQ(window.seen.commandLine, "CVS.EXE  " + dir.Folder() + "A.RCP -Flog");
        EXPECT_EQ(window.seen.message, Sjis("警告：コンバート先に同名のファイルがあります"));
        EXPECT_TRUE(window.seen.startEnabled && window.seen.continuousEnabled);
    };
    logic.ConvertForeignFile(std::string(model.PlayQueue[0]));
    EXPECT_EQ(model.conversion.ConvertedPath, dir.Folder() + "A.MID");
    // Continuous mode keeps the RCP template for the SNG file that follows.
    EXPECT_EQ(logic.BuildContinuousCommandLine(std::string(model.PlayQueue[1])),
              "CVS.EXE  " + dir.Folder() + "B.SNG -Flog");
    EXPECT_EQ(model.conversion.ConvertedPath, dir.Folder() + "B.MID");
    EXPECT_EQ(window.seen.commandLine, "");  // closing clears the window
}

TEST_F(AutoConvertTest, InstalledConverterIsFoundInTheSharedFolderAndRunsThere) {
    std::filesystem::create_directories(dir.Path() / "share");
    model.folders.SupportFolders = {dir.Folder(), dir.Folder() + "share/"};
    model.settings.CNVTRCP = "CVS.EXE % -O#";
    dir.Write("share/CVS.EXE", "#!/bin/sh\n");
    Queue({"A.RCP", "B.RCP"});
    window.clicks = [&](AutoConvert& w) {
        w.List0SpeedButtonClick();
        EXPECT_TRUE(window.seen.startEnabled);
        EXPECT_EQ(window.seen.commandLine,
                  dir.Folder() + "share/CVS.EXE " + dir.Folder() + "A.RCP -O" + dir.Folder());
    };
    logic.ConvertForeignFile(std::string(model.PlayQueue[0]));
    dir.Write("CVS.EXE", "#!/bin/sh\n");  // a copy of the user's own comes first
    EXPECT_EQ(logic.BuildContinuousCommandLine(std::string(model.PlayQueue[1])),
              dir.Folder() + "CVS.EXE " + dir.Folder() + "B.RCP -O" + dir.Folder());
}

TEST_F(AutoConvertTest, CancelledFolderChoiceSkipsToTheNextEntryOrStopsALoneOne) {
    dir.Write("CVS.EXE", "#!/bin/sh\n");
    window.clicks = [](AutoConvert& w) { w.OtherSpeedButtonClick(); };  // the folder dialog is cancelled
    Queue({"A.RCP", "B.mid", "C.mid"});
    rig.ThePlayer().PlayEasyEntry();
    EXPECT_EQ(rig.device.OpenFile(), dir.Folder() + "B.mid");
    EXPECT_EQ(model.play.QueuePosition, 1);
    EXPECT_EQ(window.seen.down, FolderButton::None);
    EXPECT_EQ(rig.folderDialog.starts.size(), 1u);

    rig.ThePlayer().Stop();
    Queue({"A.RCP"});
    rig.ThePlayer().PlayEasyEntry();
    EXPECT_EQ(rig.device.Mode(), DeviceMode::None);
    EXPECT_FALSE(rig.songList.shown);
    EXPECT_EQ(window.shown, 2);
}

// With no folder set for list 0 the converter gets an empty folder and writes where it runs, in its
// own folder; that is where the converted file is looked for, whatever the program's working folder.
TEST_F(AutoConvertTest, EmptyListFolderLooksForTheOutputWhereTheConverterRuns) {
    std::filesystem::create_directories(dir.Path() / "share");
    model.folders.SupportFolders = {dir.Folder(), dir.Folder() + "share/"};
    model.settings.LST0DIR.clear();
    model.settings.CNVTRCP = "CVS.EXE % -O#";
    dir.Write("share/CVS.EXE", "#!/bin/sh\n");
    dir.Write("share/A.MID", "MThd");
    Queue({"A.RCP", "B.RCP"});
    window.clicks = [&](AutoConvert& w) {
        w.List0SpeedButtonClick();
        EXPECT_EQ(window.seen.commandLine, dir.Folder() + "share/CVS.EXE " + dir.Folder() + "A.RCP -O");
        EXPECT_EQ(window.seen.message, Sjis("警告：コンバート先に同名のファイルがあります"));
    };
    logic.ConvertForeignFile(std::string(model.PlayQueue[0]));
    EXPECT_EQ(model.conversion.ConvertedPath, dir.Folder() + "share/A.MID");
    logic.BuildContinuousCommandLine(std::string(model.PlayQueue[1]));
    EXPECT_EQ(model.conversion.ConvertedPath, dir.Folder() + "share/B.MID");
}

// While an entry waits for its conversion the device stands stopped, yet play is under way: Play
// (from the deck or the media keys, which reach it past the window) starts no new queue, and the
// list mode does not step, so the conversion's outcome lands in the queue it belongs to.
TEST_F(AutoConvertTest, PlayAndModeStepWaitWhileAnEntryIsConverted) {
    dir.Write("CVS.EXE", "#!/bin/sh\n");
    rig.folderDialog.answer = std::nullopt;
    window.clicks = [&](AutoConvert& w) {
        rig.ThePlayer().Play();
        EXPECT_FALSE(StepListMode(model.settings, true, rig.ThePlayer()));
        // Choosing an entry in the song window would move the position under the conversion.
        EXPECT_FALSE(SelectQueueEntry(model.play, 0, rig.ThePlayer()));
        EXPECT_EQ(model.settings.PLAYMOD, EASY);
        EXPECT_TRUE(rig.folderDialog.starts.empty());
        EXPECT_EQ(model.PlayQueue.size(), 3u);
        w.OtherSpeedButtonClick();  // cancelled: the entry is skipped
    };
    Queue({"A.RCP", "B.mid", "C.mid"});
    rig.ThePlayer().PlayEasyEntry();
    EXPECT_EQ(rig.device.OpenFile(), dir.Folder() + "B.mid");
    EXPECT_EQ(model.play.QueuePosition, 1);
    // Once the conversion is over, the mode steps again when the device is idle.
    rig.ThePlayer().Stop();
    EXPECT_TRUE(StepListMode(model.settings, true, rig.ThePlayer()));
}

}  // namespace
}  // namespace korva
