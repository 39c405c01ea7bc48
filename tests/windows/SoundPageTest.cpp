#include "windows/SoundPage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "support/TempDir.h"
#include "text/Encoding.h"

namespace korva {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Captions(const SoundPageList& list) {
    std::vector<std::string> captions;
    for (const SoundPageItem& item : list.items) captions.push_back(item.caption);
    return captions;
}

struct Messages final : MessageView {
    std::vector<std::string> shown;
    void ShowMessage(const std::string& text) override { shown.push_back(ToDisplayUtf8(text)); }
};

// Answers the SoundFont dialog as scripted (none left: cancelled) and keeps the folders it starts in.
struct ScriptedDialog final : SoundFontDialog {
    std::deque<std::optional<std::string>> answers;
    std::vector<std::string> startFolders;
    std::optional<std::string> ChooseSoundFont(const std::string& start) override {
        startFolders.push_back(start);
        if (answers.empty())
            return std::nullopt;
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

TEST(InstalledSoundFontsTest, ListsEachSoundFontFileOnceWithLinksResolved) {
    testing::TempDir dir;
    const fs::path a = dir.Path() / "sf2";
    const fs::path b = dir.Path() / "sf3";
    fs::create_directories(a / "folder.sf2");
    fs::create_directories(b);
    dir.Write("sf2/b.sf2", "RIFF");
    dir.Write("sf2/a.SF3", "RIFF");
    dir.Write("sf2/notes.txt", "not a SoundFont");
    dir.Write("sf3/c.sf2", "RIFF");
    fs::create_symlink(a / "b.sf2", a / "link.sf2");         // beside its target
    fs::create_symlink(a / "gone.sf2", a / "dangling.sf2");  // names nothing
    fs::create_symlink(b / "c.sf2", a / "default-GM.sf2");   // the system's choice, elsewhere
    fs::create_symlink(a / "a.SF3", b / "x.sf3");            // back into the first folder
    const std::vector<fs::path> found = InstalledSoundFonts({a, dir.Path() / "missing", b});
    const std::vector<fs::path> expected = {fs::canonical(a / "a.SF3"), fs::canonical(a / "b.sf2"),
                                            fs::canonical(b / "c.sf2")};
    EXPECT_EQ(found, expected);
}

TEST(InstalledSoundFontsTest, NoFoldersOrOnlyMissingOnesListNothing) {
    EXPECT_TRUE(InstalledSoundFonts({}).empty());
    testing::TempDir dir;
    dir.Write("plain.sf2", "RIFF");
    // A file given as a folder is no folder to list.
    EXPECT_TRUE(InstalledSoundFonts({dir.Path() / "absent", dir.Path() / "plain.sf2"}).empty());
}

TEST(SoundPageGainTest, GainFromTheFileIsShownWithinTheRange) {
    const std::vector<std::pair<std::int32_t, int>> cases = {{20, 20},
                                                             {1, 1},
                                                             {200, 200},
                                                             {0, 1},
                                                             {-5, 1},
                                                             {201, 200},
                                                             {100000, 200},
                                                             {std::numeric_limits<std::int32_t>::min(), 1},
                                                             {std::numeric_limits<std::int32_t>::max(), 200}};
    for (const auto& [gain, shown] : cases) EXPECT_EQ(ShownGain(gain), shown) << gain;
}

TEST(SoundPageGainTest, SpinBoxValueBecomesRoundedHundredthsWithinTheRange) {
    const std::vector<std::pair<double, int>> cases = {
        {0.2, 20},    {0.29, 29}, {0.015, 2}, {0.0149, 1}, {1.0, 100},   {2.0, 200},
        {2.004, 200}, {2.5, 200}, {0.0, 1},   {-1.0, 1},   {1e300, 200}, {std::nan(""), 1}};
    for (const auto& [value, hundredths] : cases) EXPECT_EQ(GainHundredths(value), hundredths) << value;
}

TEST(SoundPageListTest, OutputsAreTheBuiltInSynthThenThePortsAsNamed) {
    struct Case {
        const char* what;
        std::vector<std::string> ports;
        std::string midiOut;
        std::vector<std::string> captions;
        std::size_t chosen;
    };
    const std::string builtIn = "内蔵シンセサイザー";
    const std::vector<Case> cases = {
        {"built-in", {"FLUID Synth:0", "Roland SC-88"}, "", {builtIn, "FLUID Synth:0", "Roland SC-88"}, 0},
        {"a port",
         {"FLUID Synth:0", "Roland SC-88"},
         "Roland SC-88",
         {builtIn, "FLUID Synth:0", "Roland SC-88"},
         2},
        {"a Japanese port", {"音源モジュール"}, Sjis("音源モジュール"), {builtIn, "音源モジュール"}, 1},
        {"gone",
         {"FLUID Synth:0"},
         "Roland SC-88",
         {builtIn, "FLUID Synth:0", "Roland SC-88（見つかりません）"},
         2},
        {"gone, Japanese", {}, Sjis("外部音源"), {builtIn, "外部音源（見つかりません）"}, 1},
        {"nameless port", {"", "A"}, "", {builtIn, "A"}, 0},
        {"letter case counts", {"roland"}, "Roland", {builtIn, "roland", "Roland（見つかりません）"}, 2},
    };
    for (const Case& c : cases) {
        const SoundPageList list = OutputList(c.ports, c.midiOut);
        EXPECT_EQ(Captions(list), c.captions) << c.what;
        EXPECT_EQ(list.chosen, c.chosen) << c.what;
        EXPECT_EQ(list.items.at(list.chosen).value, c.midiOut) << c.what;
    }
}

TEST(SoundPageListTest, PortThatShiftJisCannotHoldIsListedWithoutASetting) {
    const SoundPageList list = OutputList({"Synthé 🎹", "Plain"}, "Plain");
    ASSERT_EQ(list.items.size(), 3u);
    EXPECT_EQ(list.items[1].caption, "Synthé 🎹");
    EXPECT_EQ(list.items[1].name, "Synthé 🎹");
    EXPECT_FALSE(list.items[1].value.has_value());
    EXPECT_EQ(list.chosen, 2u);
}

TEST(SoundPageListTest, SoundFontsAreTheSystemsThenTheInstalledThenTheOneSet) {
    testing::TempDir dir;
    const std::string own = dir.Write("own.sf2", "RIFF");
    const std::vector<fs::path> installed = {"/usr/share/sounds/sf2/A.sf2", "/usr/share/sounds/sf3/B.sf3"};
    const std::string standard = "標準（システムの SoundFont）";
    struct Case {
        std::string soundFont;
        std::vector<std::string> captions;
        std::size_t chosen;
    };
    const std::vector<Case> cases = {
        {"", {standard, installed[0].string(), installed[1].string()}, 0},
        {installed[1].string(), {standard, installed[0].string(), installed[1].string()}, 2},
        {own, {standard, installed[0].string(), installed[1].string(), own}, 3},
        {"/nowhere/x.sf2",
         {standard, installed[0].string(), installed[1].string(), "/nowhere/x.sf2（見つかりません）"},
         3},
    };
    for (const Case& c : cases) {
        const SoundPageList list = SoundFontList(installed, c.soundFont);
        EXPECT_EQ(Captions(list), c.captions) << c.soundFont;
        EXPECT_EQ(list.chosen, c.chosen) << c.soundFont;
        EXPECT_EQ(list.items.at(list.chosen).value, c.soundFont);
    }
}

class SoundPageTest : public ::testing::Test {
  protected:
    SoundPageTest() { model.folders.ProgramFolder = dir.Folder(); }

    testing::TempDir dir;
    AppModel model;
    Messages messages;
    SoundPage page{model, messages};
};

// The window's tests meet a port of such a name; an installed SoundFont can have one too.
TEST_F(SoundPageTest, SoundFontPathShiftJisCannotHoldIsToldAndNothingIsSaved) {
    page.Fill({}, {fs::path("/usr/share/soundfonts/Ünicode.sf2")});
    page.ChooseSoundFont(1);
    EXPECT_FALSE(page.SaveButtonClick());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].find("Ünicode.sf2"), std::string::npos) << messages.shown[0];
    EXPECT_NE(messages.shown[0].find("保存していません"), std::string::npos);
    EXPECT_FALSE(dir.Exists("KORVA.INI"));
    EXPECT_EQ(model.settings.SOUNDFONT, "");
}

TEST_F(SoundPageTest, FailedWriteIsToldAndKeepsTheSettings) {
    fs::create_directory(dir.Path() / "KORVA.INI");
    page.Fill({"A"}, {});
    page.ChooseOutput(1);
    page.SetReverb(false);
    EXPECT_FALSE(page.SaveButtonClick());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].find("書き込めません"), std::string::npos) << messages.shown[0];
    EXPECT_EQ(model.settings.MIDIOUT, "");
    EXPECT_TRUE(model.settings.REVERB);
}

TEST_F(SoundPageTest, BrowsedSoundFontIsChosenAndListedOnce) {
    const std::string own = dir.Write("own.sf2", "RIFF");
    page.Fill({}, {fs::path("/usr/share/sounds/sf2/A.sf2")});
    ScriptedDialog dialog;
    dialog.answers = {std::nullopt, own, own, "/usr/share/sounds/sf2/A.sf2"};
    EXPECT_FALSE(page.BrowseSoundFont(dialog));
    EXPECT_EQ(page.SoundFonts().chosen, 0u);
    EXPECT_TRUE(page.BrowseSoundFont(dialog));
    EXPECT_TRUE(page.BrowseSoundFont(dialog));
    EXPECT_EQ(Captions(page.SoundFonts()),
              (std::vector<std::string>{"標準（システムの SoundFont）", "/usr/share/sounds/sf2/A.sf2", own}));
    EXPECT_EQ(page.SoundFonts().chosen, 2u);
    EXPECT_TRUE(page.BrowseSoundFont(dialog));
    EXPECT_EQ(page.SoundFonts().chosen, 1u);
    // The dialog starts where Debian puts SoundFonts, then in the folder of the one chosen.
    EXPECT_EQ(dialog.startFolders,
              (std::vector<std::string>{"/usr/share/sounds/sf2/", "/usr/share/sounds/sf2/", dir.Folder(),
                                        dir.Folder()}));
    ASSERT_TRUE(page.SaveButtonClick());
    EXPECT_EQ(model.settings.SOUNDFONT, "/usr/share/sounds/sf2/A.sf2");
}

}  // namespace
}  // namespace korva
