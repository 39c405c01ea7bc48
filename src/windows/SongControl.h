#pragma once
// The song control window's logic: correcting the playing song's entry in both playlist files,
// and passing the song through the SMF knife followed by a comparison play of the converted and the
// kept song. The window only draws SongControlFields and forwards its events.

#include <array>
#include <functional>
#include <string>

#include "app/AppModel.h"
#include "convert/ProcessRunner.h"
#include "playback/PlayerCommands.h"
#include "playback/PlayerViews.h"

namespace korva {

// The ink of a search panel's caption: teal at rest, cyan while its playlist is searched, white once
// entries were rewritten there.
enum class SearchInk { Teal, Cyan, White };

struct SearchPanel {
    std::string caption;  // Shift-JIS
    SearchInk ink = SearchInk::Teal;
};

// What the window shows (Shift-JIS texts).
struct SongControlFields {
    std::string path;            // PathPanel: the song, the key of the search
    std::string name;            // NameEdit
    int feel = -1;               // FeelRadioGroup: 0 (L) .. 3 (R), -1 for none
    int volPosition = 0;         // VolScrollBar, -5 .. +5
    std::string volText = "+0";  // VolPanel: what the rewrite writes as the volume offset
    bool changeEnabled = false;  // ChngButton
    bool knifeEnabled = false;   // Cnv1SpeedButton and Cnv2SpeedButton
    std::string knifeCaption1 = "1";
    std::string knifeCaption2 = "2";
    std::array<SearchPanel, 2> search;  // Info0Panel, Info1Panel
    std::string message;                // MsgLabel
};

// The window as the logic sees it.
class SongControlWindowView {
  public:
    virtual ~SongControlWindowView() = default;
    // The fields changed; the window shows them.
    virtual void SongControlFieldsChanged() = 0;
};

class SongControl {
  public:
    // The views are read at every use; player gives the deck's actions (Stop, the EASY play).
    SongControl(AppModel& model, const Views& views, std::function<PlayerCommands&()> player);

    void AttachWindow(SongControlWindowView* window) { window_ = window; }
    // What starts the SMF knife; without one the knife cannot start.
    void AttachRunner(ProcessRunner* runner) { runner_ = runner; }

    const SongControlFields& Fields() const { return fields_; }

    // Fills the window from the song at QueuePosition; not while the knife runs.
    void FormActivate();
    // The fields were filled from the song that is at QueuePosition now, in the same list mode and
    // queue; refilling would only throw away what the user has typed.
    bool ShowsCurrentSong() const;

    void NameEditChange(const std::string& sjisName) { fields_.name = sjisName; }
    void FeelRadioGroupClick(int feel);
    void VolScrollBarChange(int position);
    // Rewrites the song's entries in "KORVA.DT0" and "KORVA.DT1".
    void ChngButtonClick();
    void Cnv1SpeedButtonClick();
    void Cnv2SpeedButtonClick();
    // Runs the SMF knife on the song shown with the parameter text of the pressed button, then plays
    // the converted song and the kept one in EASY mode. Problems are shown as messages.
    void RunSmfKnife(const std::string& parameters);

  private:
    struct Source {
        int mode = -1;
        int position = -1;
        std::size_t queueLength = 0;
        std::string entry;
        bool operator==(const Source&) const = default;
    };
    Source CurrentSource() const;
    void FillFromListEntry(const std::string& line);
    void FillFromEasyEntry(const std::string& path);
    bool RewriteList(int list, const std::string& line);
    void StartComparisonPlay(const std::string& song);
    void Changed();

    AppModel& model_;
    const Views& views_;
    std::function<PlayerCommands&()> player_;
    SongControlWindowView* window_ = nullptr;
    ProcessRunner* runner_ = nullptr;
    SongControlFields fields_;
    Source filledFrom_;
    // The entry's preference as it stands in the queue, written back while none is chosen.
    std::string storedFeel_;
    bool knifeRunning_ = false;
};

}  // namespace korva
