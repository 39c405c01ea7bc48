#include "app/SettingsFile.h"

#include <gtest/gtest.h>

#include "support/Fakes.h"

#include <unistd.h>

#include <filesystem>
#include <vector>

#include "app/Errors.h"
#include "app/FileSystem.h"
#include "app/ProfileFile.h"
#include "support/FifoGuard.h"
#include "support/TempDir.h"
#include "support/Unprivileged.h"
#include "text/Encoding.h"

namespace korva {
namespace {

using testing::TempDir;

using testing::RecordingMessages;

class SettingsFileTest : public ::testing::Test {
  protected:
    std::string Ini() const { return dir.Folder() + "KORVA.INI"; }
    Settings Read() const {
        Settings s;
        ReadSettings(Ini(), s);
        return s;
    }
    TempDir dir;
};

TEST_F(SettingsFileTest, NoFileGivesEveryDefault) {
    std::optional<int> orderSeen;
    Settings s;
    ReadSettings(Ini(), s, [&](std::uint8_t rnd) { orderSeen = rnd; });
    EXPECT_EQ(s.PLAYMOD, EASY);
    EXPECT_EQ(s.RNDMODE, NOR);
    EXPECT_EQ(s.CYCMODE, 0);
    EXPECT_EQ(s.SENDRST, 1);
    EXPECT_EQ(s.FIXDPOS, 4);
    EXPECT_EQ(s.MANHPOS, -999);
    EXPECT_EQ(s.INITVOL, "BFFFBFFF");
    EXPECT_EQ(s.TIMBAND, "060912131722");
    EXPECT_EQ(s.CNVTSNG, "SNG2S.EXE % /O#");
    EXPECT_EQ(s.VIWSIZE, 297);
    EXPECT_EQ(s.VIWHIGH, 259);
    EXPECT_TRUE(s.USECLOK);
    EXPECT_FALSE(s.POSCTRL);
    EXPECT_EQ(s.SMFBTN1, "");
    EXPECT_EQ(orderSeen, 0);
    EXPECT_FALSE(dir.Exists("KORVA.INI"));  // reading never creates the file
}

struct IntegerCase {
    const char* line;
    const char* section;
    int Settings::*field;
    int expected;
};

TEST_F(SettingsFileTest, IntegersReadDecimalHexadecimalOrTheDefault) {
    const std::vector<IntegerCase> cases = {
        {"MANHPOS=0x10", "POS00", &Settings::MANHPOS, 16},
        {"MANHPOS=0X1f", "POS00", &Settings::MANHPOS, 31},
        {"MANHPOS=abc", "POS00", &Settings::MANHPOS, -999},
        {"MANHPOS=0x", "POS00", &Settings::MANHPOS, -999},
        {"MANHPOS=12abc", "POS00", &Settings::MANHPOS, -999},
        {"MANHPOS=-40", "POS00", &Settings::MANHPOS, -40},
        {"MANHPOS=+40", "POS00", &Settings::MANHPOS, 40},
        {"MANHPOS= 77 ", "POS00", &Settings::MANHPOS, 77},
        {"MANHPOS=99999999999", "POS00", &Settings::MANHPOS, -999},
        {"VIWSIZE=", "POS01", &Settings::VIWSIZE, 297},
        {"ATSTART=2", "KORVA", &Settings::ATSTART, 2},
    };
    for (const IntegerCase& c : cases) {
        dir.Write("KORVA.INI", std::string("[") + c.section + "]\r\n" + c.line + "\r\n");
        EXPECT_EQ(Read().*c.field, c.expected) << c.line;
    }
}

TEST_F(SettingsFileTest, EightBitKeysKeepTheRemainderModulo256) {
    dir.Write("KORVA.INI", "[KORVA]\r\nFIXDPOS=260\r\nADJUSTH=300\r\nCLSTIME=-1\r\n");
    Settings s = Read();
    EXPECT_EQ(s.FIXDPOS, 4);
    EXPECT_EQ(s.ADJUSTH, 44);
    EXPECT_EQ(s.CLSTIME, 255);
    RecordingMessages messages;
    SaveSettings(Ini(), s, messages);
    EXPECT_EQ(ProfileFile::ReadValue(Ini(), "KORVA", "FIXDPOS"), "4");
    EXPECT_EQ(ProfileFile::ReadValue(Ini(), "KORVA", "ADJUSTH"), "44");
}

TEST_F(SettingsFileTest, TruthValuesAreIntegersWithTheirDefault) {
    dir.Write("KORVA.INI", "[korva]\r\nposctrl=2\r\nUSECLOK=0\r\nVIWFRNT=yes\r\nUSESTRM=yes\r\n");
    Settings s = Read();
    EXPECT_TRUE(s.POSCTRL);  // any number but 0 is on; names ignore case
    EXPECT_FALSE(s.USECLOK);
    EXPECT_FALSE(s.VIWFRNT);  // "yes" is not a number: default off
    EXPECT_TRUE(s.USESTRM);   // default on
}

TEST_F(SettingsFileTest, ListFoldersGetTheirTrailingDelimiter) {
    dir.Write("KORVA.INI", "[KORVA]\r\nLST0DIR=/home/me/midi\r\nLST1DIR=\r\n");
    Settings s = Read();
    EXPECT_EQ(s.LST0DIR, "/home/me/midi/");
    EXPECT_EQ(s.LST1DIR, "");
}

TEST_F(SettingsFileTest, LongValuesAreCutAt1023CharactersOnReading) {
    dir.Write("KORVA.INI", "[KORVA]\r\nEDTPATH=" + std::string(1500, 'x') + "\r\n");
    EXPECT_EQ(Read().EDTPATH, std::string(1023, 'x'));
    // The cut never splits a double-byte character.
    dir.Write("KORVA.INI", "[KORVA]\r\nEDTPATH=" + std::string(1022, 'x') + "\x83\x5C" + "\r\n");
    EXPECT_EQ(Read().EDTPATH, std::string(1022, 'x'));
}

TEST_F(SettingsFileTest, OrderIndicatorIsSetRightAfterRndmode) {
    dir.Write("KORVA.INI", "[KORVA]\r\nRNDMODE=2\r\nINITVOL=A0000000\r\n");
    Settings s;
    std::string initvolWhenOrderSeen;
    ReadSettings(Ini(), s, [&](std::uint8_t rnd) {
        EXPECT_EQ(rnd, 2);
        initvolWhenOrderSeen = s.INITVOL;
    });
    EXPECT_EQ(initvolWhenOrderSeen, "BFFFBFFF");  // keys after RNDMODE are not read yet
    EXPECT_EQ(s.INITVOL, "A0000000");
}

TEST_F(SettingsFileTest, SaveKeepsWhatItDoesNotKnowByteForByte) {
    const std::string sjisValue = "\x83\x5C\x95\x5C";  // "ソ表"
    const std::string original =
        "; my comment\r\n[KORVA]\r\nMYOWNKEY=" + sjisValue +
        "\r\nPLAYMOD=0\r\n\r\n[OTHER]\r\nX=1\r\n[POS00]\r\nMANHPOS=12\r\nMANVPOS=34\r\n";
    dir.Write("KORVA.INI", original);
    Settings s = Read();
    s.PLAYMOD = PROG;
    s.SMFBTN1 = Sjis("ボタン");
    RecordingMessages messages;
    SaveSettings(Ini(), s, messages);
    const std::string saved = dir.Read("KORVA.INI");
    EXPECT_NE(saved.find("; my comment\r\n[KORVA]\r\nMYOWNKEY=" + sjisValue + "\r\nPLAYMOD=3\r\n"),
              std::string::npos);
    EXPECT_NE(saved.find("[OTHER]\r\nX=1\r\n[POS00]\r\nMANHPOS=12\r\nMANVPOS=34\r\n"), std::string::npos);
    EXPECT_EQ(saved.find('\n', 0), saved.find("\r\n", 0) + 1);  // no lone LF was introduced
    EXPECT_EQ(Read().SMFBTN1, Sjis("ボタン"));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0], Sjis("各種の設定を保存しました"));

    SaveSettings(Ini(), Read(), messages);
    EXPECT_EQ(dir.Read("KORVA.INI"), saved);  // a second save changes nothing
}

TEST_F(SettingsFileTest, SaveWritesTheMainKeysInOrderAndNothingElse) {
    dir.Write("KORVA.INI", "[KORVA]\r\nCONVHIS=/old/\r\n[POS01]\r\nVIWHPOS=5\r\n");
    Settings s = Read();
    s.MANHPOS = 10;
    s.VIWHPOS = 99;
    RecordingMessages messages;
    SaveSettings(Ini(), s, messages);
    EXPECT_EQ(ProfileFile::ReadValue(Ini(), "KORVA", "CONVHIS"), "/old/");
    EXPECT_EQ(ProfileFile::ReadValue(Ini(), "POS01", "VIWHPOS"), "5");
    EXPECT_FALSE(ProfileFile::ReadValue(Ini(), "POS00", "MANHPOS").has_value());
    // Keys new to the file are added in this order, after the one it held already.
    const std::vector<std::string> expected = {
        "CONVHIS", "TIMBAND", "DELUXED", "ATSTART", "FIXDPOS", "ADJUSTH", "ADJUSTV", "PLAYMOD", "CYCMODE",
        "RNDMODE", "LST0DIR", "LST1DIR", "EDTPATH", "SMFPATH", "SMFBTN1", "SMFBTN2", "SMFPRM1", "SMFPRM2",
        "PROGRM0", "PROGRM1", "PROGRM2", "PROGRM3", "PROGRM4", "PROGRM5", "SENDRST", "CNVTRCP", "CNVTMCP",
        "CNVTR36", "CNVTSNG", "CNVTMM2", "CNVTMMC", "CNVTSEQ", "INITVOL", "USEFONT", "FONTSIZ", "CLSTIME",
        "AUTOCLS", "USECVS2", "USESNG2", "USEMM2S", "USEKNIF", "USECLOK", "USESTRM", "POSCTRL", "VIWFRNT",
        "INTLOCK", "AUTOVOL", "USEHNT1", "USEHNT2"};
    std::vector<std::string> written;
    const std::string saved = dir.Read("KORVA.INI");
    const std::string section = saved.substr(0, saved.find("[POS01]"));
    for (std::size_t at = section.find("\r\n"); at != std::string::npos; at = section.find("\r\n", at + 2)) {
        const std::size_t equals = section.find('=', at);
        if (equals != std::string::npos && section.find("\r\n", at + 2) > equals)
            written.push_back(section.substr(at + 2, equals - at - 2));
    }
    EXPECT_EQ(written, expected);
}

TEST_F(SettingsFileTest, PositionWritersTouchOnlyTheirSection) {
    Settings s;
    s.MANHPOS = 100;
    s.MANVPOS = 200;
    SaveMainPosition(Ini(), s);
    s.VIWHPOS = 1;
    s.VIWVPOS = 2;
    s.VIWSIZE = 300;
    s.VIWHIGH = 400;
    SaveSongWindowPosition(Ini(), s);
    EXPECT_EQ(dir.Read("KORVA.INI"),
              "[POS00]\r\nMANHPOS=100\r\nMANVPOS=200\r\n[POS01]\r\nVIWHPOS=1\r\nVIWVPOS=2\r\nVIWSIZE="
              "300\r\nVIWHIGH=400\r\n");
    Settings back = Read();
    EXPECT_EQ(back.MANHPOS, 100);
    EXPECT_EQ(back.VIWHIGH, 400);
    EXPECT_EQ(back.PLAYMOD, EASY);
}

TEST_F(SettingsFileTest, SynthSectionRoundTripsAndKeepsWhatOtherSectionsHold) {
    dir.Write("KORVA.INI", "[KORVA]\r\nPLAYMOD=2\r\n[SYNTH]\r\nAUDIODRV=alsa\r\n; by hand\r\n");
    Settings fresh = Read();
    EXPECT_TRUE(fresh.MIDIOUT.empty());
    EXPECT_TRUE(fresh.REVERB);
    EXPECT_TRUE(fresh.CHORUS);
    EXPECT_EQ(fresh.GAIN, 20);

    Settings s = fresh;
    s.MIDIOUT = "SC-8850 Part A";
    s.SOUNDFONT = Sjis("/home/あ/GS.sf2");
    s.REVERB = false;
    s.GAIN = 75;
    SaveSynthSettings(Ini(), s);
    EXPECT_EQ(dir.Read("KORVA.INI"), "[KORVA]\r\nPLAYMOD=2\r\n[SYNTH]\r\nAUDIODRV=alsa\r\n; by hand\r\nSOUNDFONT=" +
                                         Sjis("/home/あ/GS.sf2") +
                                         "\r\nMIDIOUT=SC-8850 Part A\r\nREVERB=0\r\nCHORUS=1\r\nGAIN=75\r\n");
    const Settings back = Read();
    EXPECT_EQ(back.MIDIOUT, "SC-8850 Part A");
    EXPECT_EQ(back.SOUNDFONT, s.SOUNDFONT);
    EXPECT_FALSE(back.REVERB);
    EXPECT_TRUE(back.CHORUS);
    EXPECT_EQ(back.GAIN, 75);
    EXPECT_EQ(back.PLAYMOD, 2);
}

TEST_F(SettingsFileTest, FailedWriteStopsAtThatKeyAndShowsNoSuccess) {
    int renames = 0;
    SetBeforeRenameHookForTesting([&](const std::filesystem::path& temporary) {
        if (++renames == 4)
            std::filesystem::remove(temporary);  // the 4th key's write fails
    });
    Settings s;
    s.ATSTART = 2;
    s.FIXDPOS = 7;
    s.ADJUSTH = 9;
    RecordingMessages messages;
    try {
        SaveSettings(Ini(), s, messages);
        ADD_FAILURE() << "no error raised";
    } catch (const WriteError& e) {
        EXPECT_EQ(e.Text(), Ini() + Sjis(" に書き込めません"));
    }
    SetBeforeRenameHookForTesting({});
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(ProfileFile::ReadValue(Ini(), "KORVA", "ATSTART"), "2");            // before the failure
    EXPECT_FALSE(ProfileFile::ReadValue(Ini(), "KORVA", "FIXDPOS").has_value());  // the failed key
    EXPECT_FALSE(ProfileFile::ReadValue(Ini(), "KORVA", "ADJUSTH").has_value());  // after it
}

TEST_F(SettingsFileTest, UnwritableFolderRaisesTheWriteMessage) {
    const std::string missing = dir.Folder() + "gone/KORVA.INI";
    Settings s;
    try {
        SaveMainPosition(missing, s);
        ADD_FAILURE() << "no error raised";
    } catch (const WriteError& e) {
        EXPECT_EQ(e.Text(), missing + Sjis(" に書き込めません"));
    }
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "gone"));
}

// An editor that saves with a UTF-8 byte order mark: the first section is read as if it were not
// there, and a save keeps it and every other byte.
TEST_F(SettingsFileTest, ByteOrderMarkIsPassedOverAndKeptBySaves) {
    const std::string bom = "\xEF\xBB\xBF";
    dir.Write("KORVA.INI", bom + "[KORVA]\r\nPLAYMOD=1\r\nRNDMODE=2\r\n[POS00]\r\nMANHPOS=12\r\n");
    Settings s = Read();
    EXPECT_EQ(s.PLAYMOD, LIST1);
    EXPECT_EQ(s.RNDMODE, RND);
    EXPECT_EQ(s.MANHPOS, 12);
    s.MANHPOS = 40;
    SaveMainPosition(Ini(), s);
    EXPECT_EQ(dir.Read("KORVA.INI"),
              bom + "[KORVA]\r\nPLAYMOD=1\r\nRNDMODE=2\r\n[POS00]\r\nMANHPOS=40\r\nMANVPOS=" +
                  std::to_string(s.MANVPOS) + "\r\n");
    RecordingMessages messages;
    SaveSettings(Ini(), Read(), messages);
    const std::string saved = dir.Read("KORVA.INI");
    EXPECT_EQ(saved.rfind(bom + "[KORVA]\r\nPLAYMOD=1\r\n", 0), 0u);
    EXPECT_EQ(saved.find('\xEF', 1), std::string::npos);  // the mark is there once, at the start
    EXPECT_EQ(Read().RNDMODE, RND);

    // A file of the mark alone gets its first section right after it.
    dir.Write("KORVA.INI", bom);
    s.MANHPOS = 7;
    SaveMainPosition(Ini(), s);
    EXPECT_EQ(dir.Read("KORVA.INI").rfind(bom + "[POS00]\r\nMANHPOS=7\r\n", 0), 0u);
    EXPECT_EQ(Read().MANHPOS, 7);
}

// A settings file that is a FIFO: reading it never waits, every key keeps its default and the
// reader is told what the file is; a save refuses to replace it and says why.
TEST_F(SettingsFileTest, FifoSettingsAreNamedAndNeverReplaced) {
    ASSERT_TRUE(testing::MakeFifo(Ini()));
    Settings s;
    std::string refused;
    EXPECT_TRUE(testing::EndsWithoutWaitingOn({Ini()}, [&] { refused = ReadSettings(Ini(), s); }));
    const std::string named = Sjis("ファイル ") + Ini() + Sjis(" を読み込めません（名前付きパイプです）");
    EXPECT_EQ(refused, named);
    EXPECT_EQ(s.PLAYMOD, Settings{}.PLAYMOD);
    RecordingMessages messages;
    EXPECT_TRUE(testing::EndsWithoutWaitingOn({Ini()}, [&] {
        try {
            SaveSettings(Ini(), s, messages);
            ADD_FAILURE() << "the FIFO was written over";
        } catch (const WriteError& error) {
            EXPECT_EQ(error.Text(), Ini() + Sjis(" に書き込めません") + "\n" + named);
        }
    }));
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(std::filesystem::is_fifo(std::filesystem::status(Ini())));
    // A file that is simply missing is no matter to tell of.
    std::filesystem::remove(Ini());
    EXPECT_EQ(ReadSettings(Ini(), s), "");
}

TEST_F(SettingsFileTest, UnreadableFileIsNeverReplaced) {
    dir.Write("KORVA.INI", "[KORVA]\r\nPLAYMOD=1\r\n");
    std::filesystem::permissions(dir.Path() / "KORVA.INI", std::filesystem::perms::none);
    std::filesystem::permissions(dir.Path(), std::filesystem::perms::all);
    const std::optional<bool> passed = testing::RunUnprivileged([&] {
        Settings s;
        EXPECT_THROW(SaveMainPosition(Ini(), s), WriteError);
        return !HasFailure();
    });
    if (!passed)
        GTEST_SKIP() << "no unprivileged user to run as";
    EXPECT_TRUE(*passed);
    std::filesystem::permissions(dir.Path() / "KORVA.INI", std::filesystem::perms::owner_read);
    EXPECT_EQ(dir.Read("KORVA.INI"), "[KORVA]\r\nPLAYMOD=1\r\n");
}

TEST(ProfileFileTest, SetAddsKeysAtTheEndOfTheirSectionAndKeepsLineEnds) {
    TempDir dir;
    const std::string ini = dir.Write("A.INI", "[a]\nk1=1\n\n[b]\nz=9");
    ProfileFile::WriteValue(ini, "A", "K2", "2");
    ProfileFile::WriteValue(ini, "b", "Y", "8");
    ProfileFile::WriteValue(ini, "c", "X", "7");
    ProfileFile::WriteValue(ini, "A", "K1", "one");
    EXPECT_EQ(dir.Read("A.INI"), "[a]\nK1=one\nK2=2\n\n[b]\nz=9\nY=8\n[c]\nX=7\n");
    EXPECT_EQ(ProfileFile::ReadValue(ini, "B", "y"), "8");
    EXPECT_FALSE(ProfileFile::ReadValue(ini, "a", "z").has_value());  // keys belong to their section
}

TEST(ProfileFileTest, ValuesLoseBlanksAndEnclosingQuotes) {
    TempDir dir;
    const std::string ini = dir.Write("A.INI", "[s]\r\n  a = \"x y\" \r\n;b=comment\r\nc='q'\r\n");
    EXPECT_EQ(ProfileFile::ReadValue(ini, "s", "a"), "x y");
    EXPECT_FALSE(ProfileFile::ReadValue(ini, "s", ";b").has_value());
    EXPECT_EQ(ProfileFile::ReadValue(ini, "s", "c"), "q");
}

TEST(TimeBandTest, TwelveCharactersGiveSixHours) {
    EXPECT_EQ(TimeBandHours("060912131722"), (std::array<int, 6>{6, 9, 12, 13, 17, 22}));
    EXPECT_EQ(TimeBandHours("06xx12131722"), (std::array<int, 6>{6, 0, 12, 13, 17, 22}));
    EXPECT_FALSE(TimeBandHours("06091213172").has_value());
    EXPECT_FALSE(TimeBandHours("0609121317220").has_value());
}

}  // namespace
}  // namespace korva
