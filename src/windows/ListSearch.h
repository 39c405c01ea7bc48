#pragma once
// The settings window's list checks: whether every entry of a list names an existing song file, and
// the search of both playlist files for a text.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "app/AppModel.h"

namespace korva {

struct PathCheck {
    enum class Outcome { AllFound, Missing, Empty, Unreadable };
    Outcome outcome = Outcome::Unreadable;
    // "Name → Path" for each line whose song is missing. A line without a path is shown whole.
    std::vector<std::string> missing;
    // For a list file that is there but is none the program reads (a FIFO, a device, a file too
    // large): what the user is told about it, after the message of an unreadable list.
    std::string refused;
};

// Checks every line of list N's file, abnormal lines included, without touching the working lists.
PathCheck CheckPaths(const AppModel& model, int list);

// The message a path check ends with; empty when it found missing songs (they are shown instead).
std::string PathCheckMessage(PathCheck::Outcome outcome);

// Whether pattern occurs in text starting at a character: a match never begins at the second byte
// of a double-byte character. An empty text never matches.
bool ContainsAtCharStart(std::string_view text, std::string_view pattern);

struct ListSearch {
    bool searched = false;           // the list's file exists and was read
    std::string path;                // the file searched
    std::vector<std::string> found;  // its matching lines, unchanged, in file order
};

struct SearchResult {
    std::array<ListSearch, 2> lists;
    // The message area: "リスト０の検索を開始します", its result, "リスト１の検索を開始します", its result,
    // the lines separated by CR; a list without a file adds no line of its own.
    std::string message;
    bool failed = false;  // a file could not be read: "プレイリストの検索でエラーが発生しました"
    std::string refused;  // what is told after it of a file that is none the program reads
};

// Searches both playlist files line by line for the text, letters compared upper-cased (a-z and
// full-width ａ-ｚ) in the text and in every line.
SearchResult SearchLists(const AppModel& model, std::string_view sjisText);

}  // namespace korva
