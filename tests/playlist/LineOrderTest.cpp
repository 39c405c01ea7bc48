#include "playlist/LineOrder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "text/Collation.h"

namespace korva {
namespace {

using Lines = std::vector<std::string>;

// What TitleOrder must give: a stable sort by CompareTitles.
std::vector<std::uint32_t> ExpectedOrder(const Lines& lines) {
    std::vector<std::uint32_t> order(lines.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&lines](std::uint32_t a, std::uint32_t b) {
        return CompareTitles(lines[a], lines[b]) < 0;
    });
    return order;
}

TEST(LineOrderTest, KeyedOrderFollowsCompareTitlesAndKeepsIdenticalLinesInOrder) {
    // Short alphabets make long shared prefixes (past the 8 key bytes held beside each line),
    // identical lines and lines that begin others; letters of both cases and widths, kana of both
    // kinds and widths, TABs between fields, NUL bytes and bytes that are no Shift-JIS.
    const std::string alphabet[] = {"a",
                                    "A",
                                    "b",
                                    "B",
                                    "z",
                                    "\t",
                                    "\x83\x62",
                                    "\x83"
                                    "B",
                                    "\x82\x60",
                                    "\x82\xA0",
                                    "\x83\x41",
                                    "\xB1",
                                    " ",
                                    "!",
                                    "~",
                                    std::string(1, '\0'),
                                    "\x7F",
                                    "\xFC\xFC",
                                    "\xA0"};
    constexpr int kLetters = static_cast<int>(std::size(alphabet));
    std::mt19937 engine(11);
    for (const std::size_t prefix : {0u, 5u, 7u, 8u, 9u, 30u, 70u}) {
        Lines lines;
        const std::string shared(prefix, 'k');
        for (int i = 0; i < 400; ++i) {
            std::string line = shared;
            const int length = std::uniform_int_distribution<int>(0, 6)(engine);
            for (int c = 0; c < length; ++c)
                line += alphabet[std::uniform_int_distribution<int>(0, kLetters - 1)(engine)];
            lines.push_back(line);
        }
        EXPECT_EQ(TitleOrder(lines), ExpectedOrder(lines)) << "shared prefix " << prefix;
        const LineList list(lines);
        EXPECT_EQ(TitleOrder(list), ExpectedOrder(lines)) << "shared prefix " << prefix;
    }
}

TEST(LineOrderTest, SortsLettersOfEitherCaseTogetherAndKanaByReading) {
    // "ッ" (0x83 0x62) is read as "ツ" and follows "ソ" (0x83 0x5C), and "ウ" (0x83 0x45) comes
    // before both; each spelling of "alpha" precedes "beta", lower case first.
    Lines lines{"beta", "\x83\x62", "ALPHA", "Alpha", "\x83\x5C", "alpha", "Beta", "\x83\x45"};
    SortTitles(lines);
    EXPECT_EQ(lines, (Lines{"alpha", "Alpha", "ALPHA", "beta", "Beta", "\x83\x45", "\x83\x5C", "\x83\x62"}));
    LineList list{"beta", "ALPHA", "\x83\x45", "alpha"};
    SortTitles(list);
    EXPECT_EQ(list, (Lines{"alpha", "ALPHA", "beta", "\x83\x45"}));
}

TEST(LineOrderTest, PermuteTakesItemsInTheGivenOrder) {
    std::vector<int> items{10, 11, 12};
    Permute(items, {2, 0, 1});
    EXPECT_EQ(items, (std::vector<int>{12, 10, 11}));
}

}  // namespace
}  // namespace korva
