// Song files that change after the queue was built: deleted, emptied or cut short while the reset
// file before them plays. The real synthesizer and player meet each with the message it calls for,
// and a song cut inside its track plays what is left of it.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "SynthJukebox.h"
#include "SynthTestSupport.h"
#include "text/Encoding.h"

namespace korva {
namespace {

using namespace korva::testing;
namespace fs = std::filesystem;

// Four quarter notes at 120 beats a minute: two seconds.
std::string FourNotes() {
    SmfWriter writer(0, 480);
    auto& track = writer.AddTrack().Tempo(0, 500000).ProgramChange(0, 0, 0);
    for (int i = 0; i < 4; ++i) track.Note(static_cast<std::uint32_t>(i) * 480, 480, 0, 60 + i);
    return writer.Bytes();
}

std::string CutToText(std::uintmax_t size, const std::string& path) {
    return Sjis("ＭＩＤＩファイルが途中で切れています（") + std::to_string(size) + Sjis(" バイト目）：") +
           path;
}

struct Damage {
    const char* name;
    std::function<void(const fs::path& song)> apply;
    // The one message the user gets, by the song's path; empty when the song plays.
    std::function<std::string(const std::string& path)> message;
};
void PrintTo(const Damage& damage, std::ostream* out) {
    *out << damage.name;
}

const Damage kDamages[] = {
    {"Deleted", [](const fs::path& song) { fs::remove(song); },
     [](const std::string& path) { return Sjis("ＭＩＤＩファイル（ ") + path + Sjis("）がありません"); }},
    {"EmptiedToZeroBytes", [](const fs::path& song) { fs::resize_file(song, 0); },
     [](const std::string&) {
         return Sjis(
             "選択されたＭＩＤＩファイルは再生できない形式です．ヘッダにマックバイナリが付いている"
             "可能性もありますので対策ツールで確認してください．");
     }},
    {"CutToTenBytes", [](const fs::path& song) { fs::resize_file(song, 10); },
     [](const std::string& path) { return CutToText(10, path); }},
    // The header, the track's head and two bytes of its first event: no event is left.
    {"CutInsideItsFirstEvent", [](const fs::path& song) { fs::resize_file(song, 14 + 8 + 2); },
     [](const std::string& path) { return CutToText(14 + 8 + 2, path); }},
    {"CutInsideItsTrack", [](const fs::path& song) { fs::resize_file(song, fs::file_size(song) * 2 / 3); },
     [](const std::string&) { return std::string(); }},
};

class VanishedSongs : public ::testing::TestWithParam<Damage> {};

TEST_P(VanishedSongs, MeetsItsMessageWhenItsTurnComesAndNeverCrashes) {
    TempDir dir;
    fs::copy_file(fs::path(KORVA_DATA_DIR) / "KORVA_GM.MID", dir.Path() / "KORVA_GM.MID");
    std::string playlist;
    for (const char* title : {"Alpha", "Victim", "Zulu"})
        playlist +=
            std::string(title) + "\t" + dir.Write(std::string(title) + ".mid", FourNotes()) + "\t+0\t1\r\n";
    dir.Write("KORVA.DT0", playlist);
    const fs::path victim = dir.Path() / "Victim.mid";

    VirtualSynth synth;
    ASSERT_TRUE(synth.Engine().WaitUntilLoaded());
    SynthJukebox rig(synth.Engine(), synth.Device(), dir.Folder(), 1);
    Jukebox& jukebox = rig.jukebox;
    RecordingDeck& deck = rig.deck;
    RecordingMessages& messages = rig.messages;
    jukebox.Commands().Play();
    ASSERT_EQ(jukebox.Model().PlayQueue.size(), 3u);
    // The queue is built; the song is damaged at the last moment, while its reset file plays.
    bool damaged = false;
    for (int block = 0; block < 4000 && deck.playLit; ++block) {
        if (!damaged && !deck.shown.empty() && deck.shown.back().text == ".. No.2") {
            GetParam().apply(victim);
            damaged = true;
        }
        synth.Render(kBlock);
    }
    ASSERT_TRUE(damaged);
    EXPECT_FALSE(deck.playLit) << "the run came to an end";

    const std::string expected = GetParam().message(victim.string());
    const std::vector<std::string> titles = deck.Texts();
    const bool zuluPlayed = std::find(titles.begin(), titles.end(), "Zulu") != titles.end();
    if (expected.empty()) {
        EXPECT_EQ(messages.shown, std::vector<std::string>{});
        EXPECT_TRUE(zuluPlayed) << "what is left of the song plays, and the run goes on";
    } else {
        EXPECT_EQ(messages.shown, std::vector<std::string>{expected});
        EXPECT_EQ(deck.shown.back(), (StatusEntry{"Victim", StatusKind::Error}));
        EXPECT_FALSE(zuluPlayed) << "the run stops at the song";
    }
    EXPECT_EQ(std::count(titles.begin(), titles.end(), "Alpha"), 1);
}

INSTANTIATE_TEST_SUITE_P(Damages, VanishedSongs, ::testing::ValuesIn(kDamages),
                         [](const ::testing::TestParamInfo<Damage>& paramInfo) {
                             return std::string(paramInfo.param.name);
                         });

}  // namespace
}  // namespace korva
