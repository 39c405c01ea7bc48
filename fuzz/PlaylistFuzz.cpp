// Playlist bytes: the line splitter, the field splitter and its checks, and the loader over a real
// file (its sorted lists, its titles and the reject file it writes for abnormal lines).

#include <cstdlib>

#include "FuzzSupport.h"
#include "app/AppModel.h"
#include "app/Ports.h"
#include "playlist/LineFile.h"
#include "playlist/PlaylistEntry.h"
#include "playlist/PlaylistLoader.h"

namespace {

class CountedMessages final : public korva::MessageView {
  public:
    void ShowMessage(const std::string& text) override { shown += text.size(); }
    std::size_t shown = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace korva;
    const std::string_view bytes = fuzz::Input(data, size);

    std::size_t validLines = 0;
    PlaylistEntry carried;
    for (const std::string& line : SplitLines(bytes)) {
        const EntryView view = ViewEntry(line);
        SplitEntry(line, carried);
        const bool valid = IsValidEntryLine(line);
        validLines += valid;
        if (valid) {
            // A valid line splits into four fields that join back into the same line, unless its
            // preference is empty (it then reads as "1").
            PlaylistEntry fields;
            SplitEntry(line, fields);
            if (view.tabs != 3 || (line.back() != '\t' && JoinEntry(fields) != line))
                std::abort();
        }
        (void)ToIntStrict(view.Vol);
        (void)ToIntStrict(view.Feel);
        (void)BeginsWithNewMark(view.Name);
    }

    // Bytes after a NUL never reach the loader's lines; the file holds them all the same.
    AppModel model;
    model.folders = MakeFolders(fuzz::Scratch().Folder(), {});
    fuzz::Scratch().Write("KORVA.DT0", bytes);
    CountedMessages messages;
    LoadPlaylist(model, 0, messages);
    if (model.EditBuffer.size() != validLines || model.ScratchList.size() != validLines ||
        model.TitleLists[0].titles.size() != validLines)
        std::abort();
    return 0;
}
