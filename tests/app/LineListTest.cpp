#include "app/LineList.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace korva {
namespace {

using Lines = std::vector<std::string>;

// A block holding text, as a file read whole gives one.
std::shared_ptr<const TextBlock> BlockOf(std::string_view text) {
    auto block = std::make_shared<TextBlock>(text.size());
    block->Append(text);
    return block;
}

TEST(LineListTest, CopiesShareTheTextAndAppendEachToItsOwn) {
    LineList first = {"alpha", "beta"};
    LineList second = first;
    second.push_back("gamma");
    first.push_back("delta");
    first.Set(0, "ALPHA");
    EXPECT_EQ(first, (Lines{"ALPHA", "beta", "delta"}));
    EXPECT_EQ(second, (Lines{"alpha", "beta", "gamma"}));
    EXPECT_EQ(first[1].data(), second[1].data());  // one text, two lists

    // The copy's lines stay readable after the list it came from is gone.
    auto source = std::make_unique<LineList>(Lines{"kept line"});
    const LineList kept = *source;
    source.reset();
    EXPECT_EQ(kept, Lines{"kept line"});
}

TEST(LineListTest, ViewsTakenFromAnotherListOutliveItsClearAndReassignment) {
    LineList file;
    const auto block = BlockOf("one\ttwo\tthree");
    file.Hold(block);
    file.PushView(std::string_view(block->data(), 3));
    file.PushView(std::string_view(block->data() + 4, 3));

    LineList queue;
    queue.HoldBlocksOf(file);
    queue.PushView(file[1]);
    queue.PushView(file[0].substr(1));
    EXPECT_TRUE(queue.HoldsText(queue[0]));

    // As a reload does: the list gets the lines of another file.
    file = LineList{"other"};
    file.clear();
    EXPECT_EQ(queue, (Lines{"two", "ne"}));
    EXPECT_FALSE(file.HoldsText(queue[0]));
}

TEST(LineListTest, LinesCopiedFromTheListItselfSurviveNewBlocks) {
    // Blocks start small and double; a line copied from the list's own text stays intact when
    // the copy has to go to a new block.
    LineList list = {std::string(100, 'a')};
    Lines expected = {std::string(100, 'a')};
    for (int i = 0; i < 200; ++i) {
        const std::string_view last = list.back();
        list.push_back(last);
        list.Set(list.size() - 1, list.back().substr(1));
        expected.push_back(expected.back().substr(1));
        if (expected.back().empty()) {
            list.push_back("refill " + std::to_string(i) + std::string(90, 'b'));
            expected.push_back("refill " + std::to_string(i) + std::string(90, 'b'));
        }
    }
    EXPECT_EQ(list, expected);
    for (const std::string_view line : list) EXPECT_TRUE(list.HoldsText(line));
}

TEST(LineListTest, EditsLeaveEarlierViewsReadable) {
    LineList list = {"A\t/a.mid\t+0\t1", "B\t/b.mid\t+0\t1", "C\t/c.mid\t+0\t1"};
    const std::string_view before = list[1];
    list.Set(1, "B2\t/b.mid\t+0\t1");
    list.erase(list.begin());
    list.insert(list.begin() + 1, "BB\t/bb.mid\t+0\t1");
    EXPECT_EQ(before, "B\t/b.mid\t+0\t1");  // the old bytes stay until the list is cleared
    EXPECT_EQ(list, (Lines{"B2\t/b.mid\t+0\t1", "BB\t/bb.mid\t+0\t1", "C\t/c.mid\t+0\t1"}));
    list.erase(list.begin(), list.end());
    EXPECT_TRUE(list.empty());
}

TEST(LineListTest, StoreJoinedKeepsThePiecesTogetherAcrossBlocks) {
    LineList list;
    std::vector<std::string> expected;
    for (int i = 0; i < 300; ++i) {
        const std::string number = std::to_string(i);
        list.PushView(list.StoreJoined({"L", " ", number, " ", std::string(i % 37, 'n')}));
        expected.push_back("L " + number + " " + std::string(i % 37, 'n'));
    }
    EXPECT_EQ(list, expected);
    EXPECT_TRUE(list.StoreJoined({"", ""}).empty());
    list.ReserveText(1000);
    const std::string_view first = list.Store(std::string(600, 'x'));
    const std::string_view second = list.Store(std::string(400, 'y'));
    EXPECT_EQ(first.data() + first.size(), second.data());  // the reserved room took both
}

TEST(LineListTest, LargeReservedTextFillsItsBlockToTheLastByte) {
    // Text reserved to the byte from a few megabytes on has a block of its own, not a whole number
    // of pages long: every byte up to its end is the list's, and it lives on in a copy.
    constexpr std::size_t kBytes = 5 * (std::size_t{1} << 20) + 123;
    auto list = std::make_unique<LineList>();
    list->ReserveText(kBytes);
    const std::string_view text = list->StoreWith(kBytes, [](char* out) {
        for (std::size_t i = 0; i < kBytes; ++i) out[i] = static_cast<char>('a' + i % 26);
    });
    list->PushView(text.substr(kBytes - 30));
    list->PushView(text.substr(0, 3));
    const LineList copy = *list;
    list.reset();
    EXPECT_EQ(copy, (Lines{std::string(text.substr(kBytes - 30)), "abc"}));
    EXPECT_EQ(copy[0].back(), static_cast<char>('a' + (kBytes - 1) % 26));
    EXPECT_TRUE(copy.HoldsText(copy[0]));

    // A file of that size is read into such a block.
    const auto block = std::make_shared<TextBlock>(kBytes, TextBlock::Filling::Whole);
    block->Append(std::string(kBytes, 'x'));
    EXPECT_EQ(std::string_view(block->data(), block->size()), std::string(kBytes, 'x'));
}

TEST(LineListTest, ComparesWithStringsAndConvertsBack) {
    const Lines strings = {"", "\x83\x5C\t\x7F", "z"};
    const LineList list(strings);
    EXPECT_EQ(list, strings);
    EXPECT_NE(list, (Lines{"", "\x83\x5C\t\x7F"}));
    EXPECT_NE(list, (Lines{"", "\x83\x5C\t\x7F", "Z"}));
    EXPECT_EQ(list.ToStrings(), strings);
    EXPECT_EQ(list.at(2), "z");
    EXPECT_THROW(list.at(3), std::out_of_range);

    LineList appended = list;
    appended.Append(LineList{"more"});
    appended.Append(appended);
    EXPECT_EQ(appended.size(), 8u);
    EXPECT_EQ(appended[7], "more");
}

}  // namespace
}  // namespace korva
