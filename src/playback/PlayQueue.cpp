#include "playback/PlayQueue.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "app/FileSystem.h"
#include "playback/DroppedFiles.h"
#include "playback/QueueDrawPool.h"
#include "playlist/LineFile.h"
#include "playlist/LineOrder.h"
#include "playlist/PlaylistEntry.h"
#include "text/Encoding.h"
#include "text/ShiftJis.h"

namespace korva {

namespace {

constexpr int kFeelL = 0;
constexpr int kFeelM = 1;
constexpr int kFeelS = 2;
constexpr int kFeelR = 3;  // and every larger number

const std::string kPreparing = ".. Preparations for Play";

constexpr std::size_t kLookAhead = 8;

// refused: what to say of a list file that is none the program reads, after the message.
void FailBuild(QueuePorts ports, const std::string& refused = {}) {
    std::string message = Sjis("プレイリストがないか、またはプレイリストの処理エラーです");
    if (!refused.empty())
        message += "\n" + refused;
    ports.messages.ShowMessage(message);
}

// A line of no bytes or of blanks alone names no song: it never becomes a queue entry, in any
// order, and is passed over as the file is read, before any line is split.
bool NamesSong(std::string_view line) {
    return !IsBlankText(line);
}

// Splitting goes on from line to line with the same fields, so a line that lacks a field keeps
// the one of the line split before it. A line with three TABs or more assigns every field and
// so wipes out all history: its split waits until a line that lacks a field needs it, which
// spares touching the text of every queued line once more.
class CarriedFields {
  public:
    PlaylistEntry& Fields() {
        if (pending_) {
            SplitEntry(*pending_, fields_);
            pending_.reset();
        }
        return fields_;
    }
    // Only the view is kept; its text must stay where it is until the next call.
    void SplitFull(std::string_view line) { pending_ = line; }
    void SplitPartial(std::string_view line) { SplitEntry(line, Fields()); }

  private:
    PlaylistEntry fields_;
    std::optional<std::string_view> pending_;
};

// Negative preferences count as large unsigned numbers, so "-1" is R too.
bool IsR(int feel) {
    return static_cast<unsigned>(feel) >= static_cast<unsigned>(kFeelR);
}

// One build of a list queue. The pool and the queue take the lines as views into the text of the
// playlist files; only the M copies of L lines are new text. The song window's lines are made at
// the end, in queue order, one after the other in one list's text: made earlier, in pool order,
// they would have to be kept for every line the draws might leave out. What splitting a full line
// told about its song line goes with it into the queue, so that most lines need no second split.
class ListBuild {
  public:
    explicit ListBuild(AppModel& model) : model_(model) {}

    // survey: the draws will need the survey of the pool; one list is surveyed as it is read.
    bool LoadPool(int list, bool survey) {
        if (list == 0 || list == 1) {
            auto lines = Read(list, survey);
            if (!lines)
                return false;
            if (survey)
                EndSurvey();
            model_.ScratchList = std::move(*lines);
        } else if (list == 2) {
            auto first = Read(0);
            if (!first)
                return false;
            auto second = Read(1);
            if (!second) {
                model_.PlayQueue = std::move(*first);  // as the lists were read: list 0 first
                return false;
            }
            second->Append(*first);
            model_.ScratchList = std::move(*second);
        }
        // Lines already in the queue have their song lines made with the others.
        inherits_.assign(model_.PlayQueue.size(), true);
        queueParts_.assign(model_.PlayQueue.size(), {});
        return true;
    }

    // Every line but R, marks stripped, sorted by title.
    bool ByTitle() {
        const LineList& pool = model_.ScratchList;
        model_.PlayQueue.HoldBlocksOf(pool);
        Reserve(pool.size());
        for (const std::string_view line : pool) {
            const Taken taken = Take(line);
            if (!taken.feel)
                return false;
            if (IsR(*taken.feel))
                continue;
            const std::size_t cut = BeginsWithNewMark(line) ? kNewMarkLength : 0;
            SongParts parts = taken.parts;
            if (parts.vol != kNoParts)
                parts.nameLength = static_cast<std::uint16_t>(parts.nameLength - cut);
            Queue(line.substr(cut), taken.inherits, parts);
        }
        SortQueue();
        return true;
    }

    // Marked lines but R, with their marks, sorted: "!1 " first, then "!2 ", "!3 ", each by title.
    // The survey of the draw that follows tells the preference and the mark of every full line.
    bool MarkedFirst() {
        const LineList& pool = model_.ScratchList;
        if (!surveyed_)
            Survey(pool);
        model_.PlayQueue.HoldBlocksOf(pool);
        for (std::size_t i = 0; i < pool.size(); ++i) {
            const std::string_view line = pool[i];
            const std::uint8_t kind = kinds_[i];
            std::optional<int> feel = kind & kFeelBits;
            const bool inherits = *feel == kInherits;
            if (inherits) {
                carried_.SplitPartial(line);
                feel = ToIntStrict(carried_.Fields().Feel);
            } else {
                carried_.SplitFull(line);
                if (*feel == kNoNumber)
                    feel.reset();
            }
            if (!feel)
                return false;
            if (!IsR(*feel) && (kind & kMarked) != 0)
                Queue(line, inherits, parts_[i]);
        }
        SortQueue();
        return true;
    }

    // Empties the pool by uniform draws. An L line goes in and comes back at the pool's end as M;
    // an S line goes in when a draw below 10 gives less than 5. With dropMarked, marked lines
    // (already queued) leave the pool unqueued.
    //
    // The draws themselves read no more than the kind byte of each drawn slot: what a draw gives is
    // the slot only, and the lines lie all over the file's text. The M copies of full L lines are
    // written after the draws, in drawn order with their lines asked for a few steps ahead; only a
    // copy that a line lacking fields inherits from must be written at once.
    bool Draw(RandomSource& random, bool dropMarked) {
        const LineList lines = std::move(model_.ScratchList);
        model_.ScratchList.clear();
        const std::size_t count = lines.size();
        if (!surveyed_)
            Survey(lines);
        // The M copies of L lines, in the slots after the pool's own lines: copyOf_ tells for each
        // the slot it copies and copies holds its text once written (copies_ holds that text).
        std::vector<std::string_view> copies;
        copyOf_.clear();
        copyOf_.reserve(mayCopy_);
        copies.reserve(mayCopy_);
        auto copyText = [&](std::size_t copy) {
            if (copies[copy].data() == nullptr)
                copies[copy] = FullCopy(lines[copyOf_[copy]]);
            return copies[copy];
        };
        auto text = [&](std::size_t slot) { return slot < count ? lines[slot] : copyText(slot - count); };

        // The carried fields come from the full line drawn last, split only when a line that
        // inherits needs them: until then only its slot is kept, not its text.
        std::optional<std::size_t> pendingSlot;
        auto carryPending = [&]() {
            if (pendingSlot)
                carried_.SplitFull(text(*pendingSlot));
            pendingSlot.reset();
        };
        QueueDrawPool pool(count);
        std::vector<std::uint32_t> queued;
        queued.reserve(count + mayCopy_);
        bool ok = count > 0;
        while (ok && !pool.Empty()) {
            const std::size_t slot =
                pool.SlotAt(static_cast<std::size_t>(random.Below(static_cast<int>(pool.Size()))));
            const std::uint8_t kind = kinds_[slot];
            if (dropMarked && (kind & kMarked) != 0) {
                pool.Remove(slot);
                continue;
            }
            int feel = kind & kFeelBits;
            if (feel == kInherits) {
                carryPending();
                carried_.SplitPartial(text(slot));
                const auto inherited = ToIntStrict(carried_.Fields().Feel);
                feel = !inherited ? kNoNumber : IsR(*inherited) ? kFeelR : *inherited;
            } else {
                pendingSlot = slot;
            }
            if (feel == kNoNumber) {
                ok = false;
                break;
            }
            pool.Remove(slot);
            if (feel == kFeelL) {
                queued.push_back(static_cast<std::uint32_t>(slot));
                copyOf_.push_back(static_cast<std::uint32_t>(slot));
                if ((kind & kFeelBits) == kInherits) {
                    copies.push_back(InheritedCopy());
                } else {
                    // The copy begins as its line does, mark and all.
                    copies.emplace_back();
                    kinds_.push_back(static_cast<std::uint8_t>((kind & kMarked) | kFeelM));
                }
                pool.Append();
            } else if (feel == kFeelM || (feel == kFeelS && random.Below(10) < 5)) {
                queued.push_back(static_cast<std::uint32_t>(slot));
            }
        }
        carryPending();
        WriteCopies(lines, copies);
        auto& queue = model_.PlayQueue;
        queue.HoldBlocksOf(lines);
        queue.HoldBlocksOf(copies_);
        Reserve(queued.size());
        for (std::size_t i = 0; i < queued.size(); ++i) {
            // The slots come in drawn order, all over the pool: ask for them a few steps ahead.
            if (i + kLookAhead < queued.size()) {
                const std::size_t ahead = queued[i + kLookAhead];
                __builtin_prefetch(ahead < count ? &lines[ahead] : &copies[ahead - count]);
                __builtin_prefetch(&parts_[ahead]);
            }
            const std::size_t slot = queued[i];
            Queue(slot < count ? lines[slot] : copies[slot - count], (kinds_[slot] & kFeelBits) == kInherits,
                  parts_[slot]);
        }
        auto& rest = model_.ScratchList;
        for (std::size_t slot = 0; slot < count + copies.size(); ++slot) {
            if (!pool.Contains(slot))
                continue;
            if (rest.empty()) {
                rest.HoldBlocksOf(lines);
                rest.HoldBlocksOf(copies_);
            }
            rest.PushView(slot < count ? lines[slot] : copies[slot - count]);
        }
        return ok;
    }

    // The song window's lines, one per queued line: letter, blank, Vol, blank, Name. A line whose
    // first split told its parts is kept as them, Name as a view into the queue's text: its text
    // is not even touched. Others are split again and made as text.
    bool ShowSongLines() {
        kinds_ = {};
        parts_ = {};
        const auto& queue = model_.PlayQueue;
        SongLineList songLines;
        songLines.HoldBlocksOf(queue);
        songLines.reserve(queue.size());
        for (std::size_t i = 0; i < queue.size(); ++i) {
            const std::string_view line = queue[i];
            std::optional<int> feel;
            std::string_view vol;
            std::string_view name;
            if (!inherits_[i]) {
                carried_.SplitFull(line);
                const SongParts parts = queueParts_[i];
                if (parts.vol != kNoParts) {
                    songLines.PushParts(FeelLetter(parts.feel).front(), parts.vol, line.substr(0, parts.nameLength));
                    continue;
                }
                const EntryView view = ViewEntry(line);
                feel = ToIntStrict(view.Feel);
                vol = view.Vol;
                name = view.Name;
            } else {
                carried_.SplitPartial(line);
                const PlaylistEntry& fields = carried_.Fields();
                feel = ToIntStrict(fields.Feel);
                vol = fields.Vol;
                name = fields.Name;
            }
            if (!feel)
                return false;
            songLines.push_back(SongLineOf(*feel, vol, name));
        }
        model_.SongLines = std::move(songLines);
        return true;
    }

    // What to say of a list file that was there but is none the program reads; empty otherwise.
    const std::string& Refused() const { return refused_; }

  private:
    // A list's lines without its blank ones, surveyed on the way when asked.
    std::optional<LineList> Read(int list, bool survey = false) {
        const std::string path = model_.folders.PlaylistPath(list);
        ReadProblem problem;
        std::optional<LineList> lines;
        if (survey) {
            BeginSurvey(0);  // the arrays grow as the lines come
            lines = ReadLineList(path, &problem, NamesSongSurveyed, this);
        } else {
            lines =
                ReadLineList(path, &problem, [](std::string_view line, void*) { return NamesSong(line); });
        }
        if (!lines) {
            if (IsRefused(problem))
                refused_ = ReadProblemMessage(path, problem);
            return std::nullopt;
        }
        return lines;
    }

    // What the draw knows of a pool line, one byte a line so that drawing at random stays within
    // a small array: the preference of a line with all its fields (R for every number from 3 up
    // and below 0), kNoNumber for a Feel that is no integer, kInherits for a line that takes
    // fields from the line before; and whether it begins with a mark.
    static constexpr std::uint8_t kNoNumber = 4;
    static constexpr std::uint8_t kInherits = 5;
    static constexpr std::uint8_t kFeelBits = 7;
    static constexpr std::uint8_t kMarked = 8;

    // A full line's song line as splitting the line told it: the preference, the length of Name
    // and Vol as an index of kSongLineVols; vol is kNoParts for a line whose Name or Vol is not of
    // that common form, which is split again when its song line is made.
    struct SongParts {
        std::uint16_t nameLength = 0;
        std::uint8_t vol = kNoParts;
        std::uint8_t feel = 0;
    };
    static constexpr std::uint8_t kNoParts = 255;
    static SongParts PartsOf(const EntryView& view, int feel) {
        SongParts parts;
        const std::string_view vol = view.Vol;
        if (vol.size() != 2 || (vol[0] != '+' && vol[0] != '-') || vol[1] < '0' || vol[1] > '5' ||
            vol == "-0" || view.Name.size() > UINT16_MAX)
            return parts;
        const int digit = vol[1] - '0';
        parts.vol = static_cast<std::uint8_t>(vol[0] == '+' ? 5 + digit : 5 - digit);
        parts.nameLength = static_cast<std::uint16_t>(view.Name.size());
        parts.feel = static_cast<std::uint8_t>(feel);
        return parts;
    }

    // One pass in pool order over the lines a draw will pick at random.
    void Survey(const LineList& lines) {
        BeginSurvey(lines.size());
        for (const std::string_view line : lines) SurveyLine(line);
        EndSurvey();
    }

    // lines: how many there will be, or 0 when not known yet.
    void BeginSurvey(std::size_t lines) {
        // Room for the M copies the draws append, a guess at first: an array that moves after the
        // survey would leave a hole the size of the pool in the middle of the build.
        const std::size_t guess = lines + lines / 4 + 16;
        kinds_.clear();
        parts_.clear();
        kinds_.reserve(guess);
        parts_.reserve(guess);
        copies_.clear();
        surveyed_ = true;
        mayCopy_ = 0;
        copyBytes_ = 0;
    }

    void SurveyLine(std::string_view line) {
        const std::uint8_t marked = BeginsWithNewMark(line) ? kMarked : 0;
        const EntryView view = ViewEntry(line);
        if (view.tabs < 3) {
            kinds_.push_back(marked | kInherits);
            parts_.push_back({});
            ++mayCopy_;
            return;
        }
        const auto feel = ToIntStrict(view.Feel);
        kinds_.push_back(marked | (!feel        ? kNoNumber
                                   : IsR(*feel) ? static_cast<std::uint8_t>(kFeelR)
                                                : static_cast<std::uint8_t>(*feel)));
        parts_.push_back(feel && !IsR(*feel) ? PartsOf(view, *feel) : SongParts{});
        if (feel && *feel == kFeelL) {
            ++mayCopy_;
            copyBytes_ += CopyHeadLength(line, view) + 1;
        }
    }

    void EndSurvey() {
        kinds_.reserve(kinds_.size() + mayCopy_);
        parts_.reserve(parts_.size() + mayCopy_);
        copies_.ReserveText(copyBytes_);
    }

    // For a read that surveys the lines it keeps as it reads them.
    static bool NamesSongSurveyed(std::string_view line, void* build) {
        if (!NamesSong(line))
            return false;
        static_cast<ListBuild*>(build)->SurveyLine(line);
        return true;
    }

    // The length of a full line up to the TAB after Vol: its M copy is that and "1".
    static std::size_t CopyHeadLength(std::string_view line, const EntryView& view) {
        return static_cast<std::size_t>(view.Vol.data() - line.data()) + view.Vol.size() + 1;
    }

    // The M copy of a full L line, in the text of copies_: the line up to the TAB after Vol, and "1".
    std::string_view FullCopy(std::string_view line) {
        return copies_.StoreJoined({line.substr(0, CopyHeadLength(line, ViewEntry(line))), "1"});
    }

    // The M copy of a drawn L line that lacks fields, from the fields it was split into; its kind
    // and song line parts go to the slot it will take.
    std::string_view InheritedCopy() {
        const PlaylistEntry& fields = carried_.Fields();
        const std::string_view copy = copies_.StoreJoined({fields.Name, "\t", fields.Path, "\t", fields.Vol, "\t1"});
        kinds_.push_back(static_cast<std::uint8_t>((BeginsWithNewMark(copy) ? kMarked : 0) | kFeelM));
        return copy;
    }

    // Writes the copies of full L lines the draws left unwritten, in drawn order, and gives every
    // copy's slot its song line parts: a full line's copy has the Name and Vol of its line.
    void WriteCopies(const LineList& lines, std::vector<std::string_view>& copies) {
        for (std::size_t copy = 0; copy < copies.size(); ++copy) {
            // Two steps: the view of a line further ahead, the text of one nearer.
            if (copy + 2 * kLookAhead < copies.size()) {
                const std::size_t ahead = copyOf_[copy + 2 * kLookAhead];
                __builtin_prefetch(&lines[ahead]);
                __builtin_prefetch(&parts_[ahead]);
            }
            if (copy + kLookAhead < copies.size())
                __builtin_prefetch(lines[copyOf_[copy + kLookAhead]].data());
            if ((kinds_[copyOf_[copy]] & kFeelBits) == kInherits) {
                parts_.push_back({});
                continue;
            }
            if (copies[copy].data() == nullptr)
                copies[copy] = FullCopy(lines[copyOf_[copy]]);
            SongParts parts = parts_[copyOf_[copy]];
            parts.feel = kFeelM;
            parts_.push_back(parts);
        }
    }

    // The preference of a line as splitting it on from the lines before gives it, and for a full
    // line the parts of its song line.
    struct Taken {
        std::optional<int> feel;
        bool inherits = false;  // the line lacks a field and takes it from the line split before
        SongParts parts;
    };
    Taken Take(std::string_view line) {
        const EntryView view = ViewEntry(line);
        if (view.tabs == 3) {
            carried_.SplitFull(line);
            const auto feel = ToIntStrict(view.Feel);
            return {feel, false, feel && !IsR(*feel) ? PartsOf(view, *feel) : SongParts{}};
        }
        carried_.SplitPartial(line);
        return {ToIntStrict(carried_.Fields().Feel), true, {}};
    }

    void Reserve(std::size_t more) {
        model_.PlayQueue.reserve(model_.PlayQueue.size() + more);
        inherits_.reserve(inherits_.size() + more);
        queueParts_.reserve(queueParts_.size() + more);
    }

    // The line must lie in text the queue holds.
    void Queue(std::string_view line, bool inherits, SongParts parts) {
        model_.PlayQueue.PushView(line);
        inherits_.push_back(inherits);
        queueParts_.push_back(parts);
    }

    void SortQueue() {
        const auto order = TitleOrder(model_.PlayQueue);
        Permute(model_.PlayQueue.Views(), order);
        Permute(inherits_, order);
        Permute(queueParts_, order);
    }

    AppModel& model_;
    CarriedFields carried_;
    std::vector<bool> inherits_;         // index-aligned with the queue: the line lacks a field
    std::vector<SongParts> queueParts_;  // index-aligned with the queue
    std::vector<std::uint8_t> kinds_;    // by pool slot, during a draw
    std::vector<SongParts> parts_;       // by pool slot, during a draw
    bool surveyed_ = false;
    std::size_t mayCopy_ = 0;    // pool lines that an M copy may follow into the pool
    std::size_t copyBytes_ = 0;  // the text of the copies of the full L lines
    std::vector<std::uint32_t> copyOf_;  // during a draw: the pool slot each M copy copies
    LineList copies_;            // holds the text of the M copies
    std::string refused_;
};

}  // namespace

std::string SongLineOf(int feel, std::string_view vol, std::string_view name) {
    const std::string_view letter = FeelLetter(feel);
    std::string line;
    line.reserve(letter.size() + vol.size() + name.size() + 2);
    line.append(letter).append(1, ' ').append(vol).append(1, ' ').append(name);
    return line;
}

void PrepareListQueue(AppModel& model, int list, QueuePorts ports) {
    ports.status.ShowStatus(kPreparing, StatusKind::Notice);
    ListBuild build(model);
    if (!build.LoadPool(list, model.settings.RNDMODE == NEW || model.settings.RNDMODE == RND))
        return FailBuild(ports, build.Refused());
    bool ok = true;
    switch (model.settings.RNDMODE) {
        case NOR:
            ok = build.ByTitle();
            break;
        case NEW:
            ok = build.MarkedFirst() && build.Draw(ports.random, true);
            break;
        case RND:
            ok = build.Draw(ports.random, false);
            break;
        default:
            break;
    }
    if (!ok || !build.ShowSongLines())
        return FailBuild(ports);
    model.play.LoadedList = list;
}

int CurrentBandList(const Settings& settings, const Clock& clock) {
    const auto hours = TimeBandHours(settings.TIMBAND);
    if (!hours)
        return 0;
    const auto& h = *hours;
    const auto& programme = settings.PROGRM;
    // Each band runs from its start hour to the next band's start minus one; a next start of 0
    // makes that end 255, the end of the day. Later bands that hold the hour win.
    struct Band {
        int first;
        int next;
        int list;
    };
    const Band bands[] = {{0, h[0], programme[5]},    {h[0], h[1], programme[0]}, {h[1], h[2], programme[1]},
                          {h[2], h[3], programme[2]}, {h[3], h[4], programme[3]}, {h[4], h[5], programme[4]},
                          {h[5], 24, programme[5]}};
    const int hour = clock.Now().hour;
    int result = 0;
    for (const Band& band : bands) {
        const int last = band.next == 0 ? 255 : band.next - 1;
        if (band.first <= hour && hour <= last)
            result = band.list;
    }
    return result;
}

void PrepareFolderQueue(AppModel& model, FolderDialog& dialog, QueuePorts ports) {
    const auto chosen = dialog.ChooseFolder("");
    if (!chosen) {
        ports.status.ShowStatus(Sjis(".. 再生を中止しました"), StatusKind::Notice);
        return;
    }
    const std::string folder = WithTrailingPathDelimiter(*chosen);
    ports.status.ShowStatus(kPreparing, StatusKind::Notice);
    FolderListing listing = ListFilesWithExtension(folder, ".MID");
    auto& pool = model.ScratchList;
    pool.Append(LineList(listing.paths));
    if (!listing.unconvertible.empty()) {
        std::vector<std::string> names;
        for (const auto& name : listing.unconvertible) names.push_back(folder + Cp932ForMessage(name));
        ports.messages.ShowMessage(UnholdableNamesMessage(names));
    }
    if (pool.empty()) {
        ports.status.ShowStatus(Sjis(".. ファイルが選択されてない"), StatusKind::Notice);
        return;
    }
    auto& queue = model.PlayQueue;
    if (model.settings.RNDMODE == RND) {
        queue.HoldBlocksOf(pool);
        for (const std::uint32_t slot : DrawnOrder(pool.size(), ports.random)) queue.PushView(pool[slot]);
        pool.clear();
    } else {
        queue = pool;
        SortTitles(queue);
    }
    model.SongLines = NumberedSongLines(queue);
}

}  // namespace korva
