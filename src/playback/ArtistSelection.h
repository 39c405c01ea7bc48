#pragma once
// ARTS mode: the songs of artists the user picks each time play starts. The search gathers the
// artists of both playlists for the artists window; its OK queues the picked artists' entries,
// list 0 before list 1, artist by artist in the order picked, each artist's entries in file order,
// and then orders the queue by RNDMODE. The window shows the three lists kept here and forwards
// the user's actions; it decides nothing.

#include <optional>
#include <string>
#include <vector>

#include "app/AppModel.h"
#include "app/Ports.h"
#include "playback/PlayerViews.h"

namespace korva {

// The artists window as the core sees it.
class ArtistsWindowView {
  public:
    virtual ~ArtistsWindowView() = default;
    // Lets what waits to be painted (the status line) be painted now.
    virtual void PaintPending() = 0;
    virtual void SetWaitCursor(bool on) = 0;
    // The artist, pick-up and data lists changed.
    virtual void ArtistListsChanged() = 0;
    // Shows the window modally, centred on the screen; returns when it has closed.
    virtual void ShowArtistsWindow() = 0;
};

class ArtistSelection {
  public:
    // The views are read at every use, so windows may attach theirs later.
    ArtistSelection(AppModel& model, RandomSource& random, const Views& views);
    void AttachWindow(ArtistsWindowView* window) { window_ = window; }

    // ArtistListBox: names not yet picked. PickUpListBox: the picks in the order picked.
    // DataListBox: the titles of the last data scan, sorted.
    const std::vector<std::string>& Artists() const { return artists_; }
    const std::vector<std::string>& PickUps() const { return pickUps_; }
    const std::vector<std::string>& DataTitles() const { return dataTitles_; }

    // Play in ARTS mode: ".. Search Artists", the artists of both lists, then the window. Returns
    // once the window has closed; its OK has filled the queue by then, or nothing has.
    void SearchArtists();

    // Get and Put (and the double clicks): move the artist at index to the end of the pick-ups,
    // or back to the artists (to its sorted place once the artists are sorted). An index that
    // names no artist does nothing.
    void GetArtist(int index);
    void PutArtist(int index);

    // OK: queues the picked artists' entries and fills the song window's lines. Returns whether
    // the window closes; it stays open, with the queue empty, when an entry cannot be read and a
    // message has said which.
    bool OkBitBtnClick();
    // CANS: the status line goes blank; the window closes.
    void CansBitBtnClick();
    // Data scan: the titles of the artist selected in the artist list, then of the one selected in
    // the pick-up list (which replace the first); -1 for no selection. The queue stays empty.
    void DataScan(int artistIndex, int pickUpIndex);

  private:
    void CollectArtists(const std::vector<std::string>& lines);
    // Appends the lines of one list that belong to the artist and whose Feel is 0 to 2. Raises
    // UserError naming the line when a matching line's Feel is not a number.
    void CollectArtistEntries(int list, const std::vector<std::string>& lines, const std::string& artist,
                              std::vector<std::string>& queue) const;
    // The entries of the artists in both lists, list 0's first; the message when a line stops it.
    std::optional<std::string> CollectAll(const std::vector<std::string>& artists,
                                          std::vector<std::string>& queue) const;
    // The titles of one artist's entries in both lists; false when a message has said why not.
    bool ScanArtist(const std::string& artist);
    void OrderQueue(std::vector<std::string>& queue);
    void ListsChanged();

    AppModel& model_;
    RandomSource& random_;
    const Views& views_;
    ArtistsWindowView* window_ = nullptr;
    std::vector<std::string> artists_;
    bool artistsSorted_ = false;
    std::vector<std::string> pickUps_;
    std::vector<std::string> dataTitles_;
};

}  // namespace korva
