#include "platform/HandOverReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace korva {
namespace {

using State = HandOverReader::State;
using namespace std::chrono_literals;

const HandOverReader::TimePoint kAccepted{std::chrono::seconds(1000)};

TEST(HandOverReaderTest, NamesArriveInPiecesAndCountOnceTheSenderCloses) {
    HandOverReader reader(kAccepted);
    EXPECT_EQ(reader.Feed(std::string("/music/a.m", 10), kAccepted + 10ms), State::Reading);
    EXPECT_EQ(reader.Feed(std::string("id\0\0/music/b c.mid\0", 19), kAccepted + 1500ms), State::Reading);
    EXPECT_TRUE(reader.Names().empty());
    EXPECT_EQ(reader.End(kAccepted + 2000ms), State::Complete);  // the deadline itself is still in time
    EXPECT_EQ(reader.Names(), (std::vector<std::string>{"/music/a.mid", "/music/b c.mid"}));
    // Complete stays complete.
    EXPECT_EQ(reader.Feed("more", kAccepted + 2001ms), State::Complete);
    EXPECT_EQ(reader.Expire(kAccepted + 10s), State::Complete);
}

TEST(HandOverReaderTest, AMessageThatIsNotWholeBringsNothing) {
    HandOverReader nothing(kAccepted);
    EXPECT_EQ(nothing.End(kAccepted), State::Dropped);

    HandOverReader brokenOff(kAccepted);
    brokenOff.Feed(std::string("/music/a.mid\0/music/b", 21), kAccepted);
    EXPECT_EQ(brokenOff.End(kAccepted + 1ms), State::Dropped);
    EXPECT_TRUE(brokenOff.Names().empty());

    HandOverReader failed(kAccepted);
    failed.Feed(std::string("/music/a.mid\0", 13), kAccepted);
    failed.Drop();
    EXPECT_EQ(failed.End(kAccepted + 1ms), State::Dropped);
    EXPECT_TRUE(failed.Names().empty());
}

TEST(HandOverReaderTest, OneDeadlineHoldsForTheWholeMessage) {
    // A sender that trickles a byte at a time gets no more time for each byte.
    HandOverReader trickle(kAccepted);
    HandOverReader::TimePoint now = kAccepted;
    for (int i = 0; i < 19; ++i, now += 100ms) {
        ASSERT_EQ(trickle.Feed("x", now), State::Reading) << i;
        ASSERT_EQ(trickle.Expire(now), State::Reading) << i;
    }
    EXPECT_EQ(trickle.Deadline(), kAccepted + 2s);
    EXPECT_EQ(trickle.Expire(kAccepted + 2001ms), State::Dropped);
    EXPECT_EQ(trickle.End(kAccepted + 2002ms), State::Dropped);

    HandOverReader late(kAccepted);
    EXPECT_EQ(late.Feed(std::string("/music/a.mid\0", 13), kAccepted + 2001ms), State::Dropped);
    HandOverReader closedLate(kAccepted);
    closedLate.Feed(std::string("/music/a.mid\0", 13), kAccepted);
    EXPECT_EQ(closedLate.End(kAccepted + 2001ms), State::Dropped);
    EXPECT_TRUE(closedLate.Names().empty());
}

TEST(HandOverReaderTest, AMessageOverItsBoundIsDropped) {
    HandOverReader atBound(kAccepted, 8);
    EXPECT_EQ(atBound.Feed(std::string("abc\0", 4), kAccepted), State::Reading);
    EXPECT_EQ(atBound.Feed(std::string("def\0", 4), kAccepted), State::Reading);
    EXPECT_EQ(atBound.End(kAccepted), State::Complete);
    EXPECT_EQ(atBound.Names(), (std::vector<std::string>{"abc", "def"}));

    HandOverReader over(kAccepted, 8);
    EXPECT_EQ(over.Feed(std::string("abc\0", 4), kAccepted), State::Reading);
    EXPECT_EQ(over.Feed(std::string("defg\0", 5), kAccepted), State::Dropped);
    EXPECT_EQ(over.End(kAccepted), State::Dropped);

    // The program's own bound: as much as a command line can bring passes, more does not.
    HandOverReader program(kAccepted);
    const std::string names(2 << 20, 'a');
    EXPECT_EQ(program.Feed(names, kAccepted), State::Reading);
    EXPECT_EQ(program.Feed(names, kAccepted), State::Reading);
    EXPECT_EQ(program.Feed("a", kAccepted), State::Dropped);
}

}  // namespace
}  // namespace korva
