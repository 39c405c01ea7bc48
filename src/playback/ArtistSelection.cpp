#include "playback/ArtistSelection.h"

#include <algorithm>
#include <optional>

#include "app/Errors.h"
#include "app/FileSystem.h"
#include "playback/PlayQueue.h"
#include "playback/QueueDrawPool.h"
#include "playlist/Artists.h"
#include "playlist/LineFile.h"
#include "playlist/LineOrder.h"
#include "playlist/PlaylistEntry.h"
#include "text/Encoding.h"
#include "text/ShiftJis.h"

namespace korva {

namespace {

// Holds the wait cursor while an operation runs, and gives it back however the operation ends.
class WaitCursor {
  public:
    explicit WaitCursor(ArtistsWindowView* window) : window_(window) {
        if (window_)
            window_->SetWaitCursor(true);
    }
    ~WaitCursor() {
        if (window_)
            window_->SetWaitCursor(false);
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

  private:
    ArtistsWindowView* window_;
};

// The lines of a list's file as they stand; nullopt when there is no such file, which is skipped
// without a word. A file that is there but is none the program reads (a FIFO, a device) is skipped
// too; refused, when given, receives what the user is told of it.
std::optional<std::vector<std::string>> ListLines(const AppModel& model, int list,
                                                  std::vector<std::string>* refused = nullptr) {
    const std::string path = model.folders.PlaylistPath(list);
    ReadProblem problem;
    auto lines = ReadLines(path, &problem);
    if (!lines && refused && IsRefused(problem))
        refused->push_back(ReadProblemMessage(path, problem));
    return lines;
}

std::string FeelMessage(const std::string& path, std::size_t lineNumber, std::string_view title) {
    return Sjis("プレイリスト ") + path + Sjis(" の ") + std::to_string(lineNumber) + Sjis(" 行目「") +
           std::string(title) +
           Sjis(
               "」の好みの値が数字ではないため、曲を選べません。この行を直すか、このアーチストを選択から"
               "外してください。");
}

}  // namespace

ArtistSelection::ArtistSelection(AppModel& model, RandomSource& random, const Views& views)
    : model_(model), random_(random), views_(views) {}

void ArtistSelection::SearchArtists() {
    views_.status->ShowStatus(".. Search Artists", StatusKind::Notice);
    if (window_)
        window_->PaintPending();
    std::vector<std::string> refused;
    {
        const WaitCursor wait(window_);
        artists_.clear();
        pickUps_.clear();
        dataTitles_.clear();
        artistsSorted_ = false;
        for (const int list : {0, 1}) {
            if (const auto lines = ListLines(model_, list, &refused))
                CollectArtists(*lines);
        }
        // Sorted from now on, so that a name put back goes to its sorted place.
        if (artists_.size() > 1) {
            SortTitles(artists_);
            artistsSorted_ = true;
        }
        ListsChanged();
    }
    for (const std::string& message : refused) views_.messages->ShowMessage(message);
    if (window_)
        window_->ShowArtistsWindow();
}

void ArtistSelection::CollectArtists(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        const auto artist = ArtistOfTitle(TitleOfLine(line));
        // A "by " with nothing after it names nobody; a blank row could only be picked by mistake.
        if (!artist || artist->empty())
            continue;
        if (std::find(artists_.begin(), artists_.end(), *artist) == artists_.end())
            artists_.emplace_back(*artist);
    }
}

void ArtistSelection::GetArtist(int index) {
    if (index < 0 || index >= static_cast<int>(artists_.size()))
        return;
    pickUps_.push_back(std::move(artists_[index]));
    artists_.erase(artists_.begin() + index);
    ListsChanged();
}

void ArtistSelection::PutArtist(int index) {
    if (index < 0 || index >= static_cast<int>(pickUps_.size()))
        return;
    std::string artist = std::move(pickUps_[index]);
    pickUps_.erase(pickUps_.begin() + index);
    const auto at = artistsSorted_ ? std::upper_bound(artists_.begin(), artists_.end(), artist, TitleLess())
                                   : artists_.end();
    artists_.insert(at, std::move(artist));
    ListsChanged();
}

void ArtistSelection::CollectArtistEntries(int list, const std::vector<std::string>& lines,
                                           const std::string& artist, std::vector<std::string>& queue) const {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (!TitleHasArtist(TitleOfLine(line), artist))
            continue;
        PlaylistEntry fields;
        SplitEntry(line, fields);
        const auto feel = ToIntStrict(fields.Feel);
        if (!feel)
            throw UserError(FeelMessage(model_.folders.PlaylistPath(list), i + 1, fields.Name));
        if (*feel >= 0 && *feel <= 2)
            queue.push_back(line);
    }
}

std::optional<std::string> ArtistSelection::CollectAll(const std::vector<std::string>& artists,
                                                       std::vector<std::string>& queue) const {
    try {
        for (const int list : {0, 1}) {
            const auto lines = ListLines(model_, list);
            if (!lines)
                continue;
            for (const std::string& artist : artists) CollectArtistEntries(list, *lines, artist, queue);
        }
    } catch (const UserError& error) {
        return error.Text();
    }
    return std::nullopt;
}

bool ArtistSelection::OkBitBtnClick() {
    if (pickUps_.empty())
        return true;
    std::optional<std::string> failure;
    {
        const WaitCursor wait(window_);
        model_.PlayQueue.clear();
        model_.SongLines.clear();
        std::vector<std::string> queue;
        failure = CollectAll(pickUps_, queue);
        if (!failure) {
            OrderQueue(queue);
            model_.SongLines.reserve(queue.size());
            for (const std::string& line : queue) {
                PlaylistEntry fields;
                SplitEntry(line, fields);
                model_.SongLines.push_back(
                    SongLineOf(ToIntStrict(fields.Feel).value_or(-1), fields.Vol, fields.Name));
            }
            model_.PlayQueue = LineList(queue);
        }
        views_.songList->SongLinesChanged();
    }
    if (failure)
        views_.messages->ShowMessage(*failure);
    return !failure;
}

void ArtistSelection::OrderQueue(std::vector<std::string>& queue) {
    switch (model_.settings.RNDMODE) {
        case NEW:
            // The list's own order, which brings the marked titles ("!1 " first) to the front.
            SortTitles(queue);
            break;
        case RND:
            queue = InDrawnOrder(std::move(queue), random_);
            break;
        default:
            break;
    }
}

void ArtistSelection::CansBitBtnClick() {
    views_.status->ShowStatus("", StatusKind::Notice);
}

void ArtistSelection::DataScan(int artistIndex, int pickUpIndex) {
    if (artistIndex >= 0 && artistIndex < static_cast<int>(artists_.size()) &&
        !ScanArtist(artists_[artistIndex]))
        return;
    if (pickUpIndex >= 0 && pickUpIndex < static_cast<int>(pickUps_.size()))
        ScanArtist(pickUps_[pickUpIndex]);
}

bool ArtistSelection::ScanArtist(const std::string& artist) {
    std::optional<std::string> failure;
    {
        const WaitCursor wait(window_);
        std::vector<std::string> entries;
        failure = CollectAll({artist}, entries);
        if (!failure) {
            dataTitles_.clear();
            for (const std::string& line : entries) dataTitles_.emplace_back(TitleOfLine(line));
            SortTitles(dataTitles_);
            ListsChanged();
        }
    }
    if (failure)
        views_.messages->ShowMessage(*failure);
    return !failure;
}

void ArtistSelection::ListsChanged() {
    if (window_)
        window_->ArtistListsChanged();
}

}  // namespace korva
