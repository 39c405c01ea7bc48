// Auto add of a folder of 10,000 small MIDI files into an empty list, as the list page runs it: the
// folder listed, every song's title read, the list written and loaded again. The floor is what any
// program that reads every song's head must do: list the folder, open each file and read its first
// 256 bytes. run_autoadd_bench.sh prints the CPU-time ratio; the goal is at most 1.5x the floor.

#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "support/Fakes.h"
#include "support/SmfWriter.h"
#include "support/TempDir.h"
#include "windows/ListEditing.h"

namespace korva {
namespace {

constexpr int kSongs = 10000;

// The songs, and a program folder for the list. With KORVA_AUTOADD_FOLDER set they are kept there
// from run to run, made at the first: a run that made and then deleted 10,000 files would leave ext4
// scanning past those inodes, recently deleted, whenever a file is made nearby for minutes after,
// and so the list file written by the next run's auto add would pay for this run's clean-up.
class Songs {
  public:
    Songs() {
        const char* kept = std::getenv("KORVA_AUTOADD_FOLDER");
        if (kept != nullptr && *kept != '\0') {
            folder_ = kept;
        } else {
            temp_.emplace();
            folder_ = temp_->Path();
        }
        std::filesystem::create_directories(folder_ / "songs");
        std::filesystem::create_directories(folder_ / "program");
        if (std::filesystem::exists(folder_ / "songs-complete"))
            return;
        for (int i = 0; i < kSongs; ++i) {
            testing::SmfWriter writer;
            writer.AddTrack().TrackName(0, "Song number " + std::to_string(i)).Note(0, 480, 0, 60 + i % 24);
            testing::WriteFile(folder_ / "songs" / ("song" + std::to_string(i) + (i % 2 ? ".mid" : ".MID")),
                               writer.Bytes());
        }
        // Beside the songs, so that neither auto add nor the floor meets it.
        testing::WriteFile(folder_ / "songs-complete", "");
    }
    std::string Folder() const { return (folder_ / "songs").string() + "/"; }
    std::string Program() const { return (folder_ / "program").string() + "/"; }

  private:
    std::optional<testing::TempDir> temp_;
    std::filesystem::path folder_;
};

const Songs& TheSongs() {
    static const Songs songs;
    return songs;
}

class NoProgress final : public TitleReadProgress {
  public:
    void Begin() override {}
    void TitlesRead(std::size_t, std::size_t) override {}
    void End() override {}
};

void AutoAdd(benchmark::State& state) {
    const Songs& songs = TheSongs();
    for (auto _ : state) {
        state.PauseTiming();
        AppModel model;
        model.folders = {songs.Program(), songs.Program(), songs.Program(), {}};
        std::filesystem::remove(songs.Program() + "KORVA.DT0");
        testing::RecordingMessages messages;
        testing::RecordingSettingsPorts host(model);
        testing::ScriptedFolderDialog dialog;
        dialog.answer = songs.Folder();
        NoProgress progress;
        ListEditor editor(model, host, host, messages);
        editor.EnterPage(0);
        state.ResumeTiming();
        editor.AutoAdd(0, dialog, progress);
        if (model.TitleLists[0].titles.size() != kSongs)
            state.SkipWithError("not every song was added");
    }
}

void Floor(benchmark::State& state) {
    const std::string folder = TheSongs().Folder();
    for (auto _ : state) {
        std::size_t bytes = 0;
        DIR* dir = ::opendir(folder.c_str());
        while (const dirent* entry = ::readdir(dir)) {
            if (entry->d_name[0] == '.')
                continue;
            const int fd = ::open((folder + entry->d_name).c_str(), O_RDONLY | O_CLOEXEC);
            char head[256];
            const ssize_t n = ::read(fd, head, sizeof head);
            bytes += n > 0 ? static_cast<std::size_t>(n) : 0;
            ::close(fd);
        }
        ::closedir(dir);
        benchmark::DoNotOptimize(bytes);
    }
}

BENCHMARK(AutoAdd)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(Floor)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace
}  // namespace korva

BENCHMARK_MAIN();
