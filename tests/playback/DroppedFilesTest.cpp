#include "playback/DroppedFiles.h"

#include <gtest/gtest.h>

#include "support/Fakes.h"

#include <deque>

#include "text/Encoding.h"

namespace korva {
namespace {

using testing::ScriptedRandom;

TEST(DroppedFilesTest, EachRuleMetAddsTheNameOnce) {
    const struct {
        const char* name;
        bool sng, cvs, mm2;
        int count;
    } cases[] = {
        {"/m/a.mid", false, false, false, 1}, {"/m/a.MID", true, true, true, 1},
        {"/m/b.RCP", false, false, false, 0}, {"/m/b.RCP", false, true, false, 1},
        {"/m/b.rcp", false, true, false, 1},  {"/m/c.R", false, true, false, 1},
        {"/m/c.R", false, false, true, 0},    {"/m/d.sng", true, false, false, 1},
        {"/m/d.sng", false, true, true, 0},   {"/m/e.seq", false, false, true, 1},
        {"/m/f.M", false, true, true, 2},     {"/m/g.", false, true, true, 2},
        {"/m/noext", true, true, true, 0},    {"/m.d/noext", true, true, true, 0},
        {"/m/h.MIDI", true, true, true, 0},   {"/m/i.RCP.MCP", false, true, false, 1},
        {"/m/j.CP.", false, true, false, 1},  {"/m/k.txt", true, true, true, 0},
    };
    for (const auto& c : cases) {
        Settings settings;
        settings.USESNG2 = c.sng;
        settings.USECVS2 = c.cvs;
        settings.USEMM2S = c.mm2;
        EXPECT_EQ(AcceptanceCount(c.name, settings), c.count) << c.name << c.sng << c.cvs << c.mm2;
    }
}

TEST(DroppedFilesTest, ExtensionIsFoundDoubleByteAware) {
    // "ソ" ends in the byte of a backslash and "表" too; the folder name holds a dot.
    Settings settings;
    EXPECT_EQ(AcceptanceCount(Sjis("/曲.集/ソ表.mid"), settings), 1);
    EXPECT_EQ(AcceptanceCount(Sjis("/曲.mid/ソ表"), settings), 0);
}

TEST(DroppedFilesTest, DropInNormalOrderIsSortedWithoutRegardToCase) {
    ScriptedRandom random;
    const auto queue = EasyQueue({"/x/c.mid", "/x/B.mid", "/x/a.mid"}, DropSource::Drop, NOR, random);
    EXPECT_EQ(queue, (std::vector<std::string>{"/x/a.mid", "/x/B.mid", "/x/c.mid"}));
    EXPECT_EQ(EasyQueue({"/x/c.mid", "/x/B.mid"}, DropSource::Drop, NEW, random),
              (std::vector<std::string>{"/x/B.mid", "/x/c.mid"}));
    EXPECT_TRUE(random.bounds.empty());
}

TEST(DroppedFilesTest, DropInNormalOrderIsSortedByReading) {
    ScriptedRandom random;
    std::vector<std::string> names;
    for (const char* name : {"/x/カ.mid", "/x/ｲ.mid", "/x/あ.mid", "/x/Ｂ.mid", "/x/a.mid"})
        names.push_back(Sjis(name));
    std::vector<std::string> expected;
    for (const char* name : {"/x/a.mid", "/x/Ｂ.mid", "/x/あ.mid", "/x/ｲ.mid", "/x/カ.mid"})
        expected.push_back(Sjis(name));
    EXPECT_EQ(EasyQueue(names, DropSource::Drop, NOR, random), expected);
}

TEST(DroppedFilesTest, DropInRandomOrderDrawsAmongTheRemainingNames) {
    ScriptedRandom random({2, 0, 0});
    const auto queue = EasyQueue({"a", "b", "c"}, DropSource::Drop, RND, random);
    EXPECT_EQ(queue, (std::vector<std::string>{"c", "a", "b"}));
    EXPECT_EQ(random.bounds, (std::vector<int>{3, 2, 1}));
}

TEST(DroppedFilesTest, ChosenFileKeepsItsOrderInEveryOrderMode) {
    ScriptedRandom random({1});
    EXPECT_EQ(EasyQueue({"b", "a"}, DropSource::FileChoice, RND, random),
              (std::vector<std::string>{"b", "a"}));
    EXPECT_TRUE(random.bounds.empty());
}

TEST(DroppedFilesTest, SongLinesAreNumberedFromOneWithThreeDigits) {
    std::vector<std::string> queue;
    for (int i = 0; i < 1000; ++i) queue.push_back("f" + std::to_string(i));
    const auto lines = NumberedSongLines(queue);
    EXPECT_EQ(lines[0], "001 f0");
    EXPECT_EQ(lines[9], "010 f9");
    EXPECT_EQ(lines[998], "999 f998");
    EXPECT_EQ(lines[999], "1000 f999");
}

}  // namespace
}  // namespace korva
