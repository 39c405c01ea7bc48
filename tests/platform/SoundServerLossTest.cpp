// The real synthesizer playing through a private PulseAudio server that goes away mid-song, killed
// or frozen: the song goes on silently from where it was and ends on time, the status-line notice
// comes once, and once the server is back the next song plays through it again. Runs where
// pulseaudio is installed; says so and skips elsewhere.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "SynthTestSupport.h"
#include "text/Encoding.h"

extern char** environ;

namespace korva {
namespace {

using namespace std::chrono_literals;
using testing::HeldNoteSong;
using testing::TempDir;
using testing::VirtualSynth;
using SteadyClock = std::chrono::steady_clock;

std::optional<std::filesystem::path> FindOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    for (std::size_t start = 0; start <= folders.size();) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        const std::filesystem::path candidate =
            std::filesystem::path(folders.substr(start, end - start)) / program;
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return std::nullopt;
}

// A PulseAudio daemon of the test's own: its runtime, state and home folders in a temporary folder,
// no configuration of the system, one null sink and one socket.
class PrivateSoundServer {
  public:
    PrivateSoundServer(std::filesystem::path program, std::filesystem::path folder)
        : program_(std::move(program)), folder_(std::move(folder)) {}
    ~PrivateSoundServer() { Kill(); }
    PrivateSoundServer(const PrivateSoundServer&) = delete;
    PrivateSoundServer& operator=(const PrivateSoundServer&) = delete;

    std::string Address() const { return "unix:" + Socket().string(); }

    // Starts the daemon and waits until it takes connections; false with its log otherwise.
    bool Start(std::string& problem) {
        const std::string folder = folder_.string();
        std::vector<std::string> environment = {"HOME=" + folder,
                                                "XDG_RUNTIME_DIR=" + folder,
                                                "PULSE_RUNTIME_PATH=" + folder,
                                                "PULSE_STATE_PATH=" + folder,
                                                "XDG_CONFIG_HOME=" + folder,
                                                "PATH=/usr/bin:/bin"};
        std::vector<std::string> arguments = {
            program_.string(),
            "-n",
            "--daemonize=no",
            "--exit-idle-time=-1",
            "--use-pid-file=no",
            "--system=no",
            "--log-target=stderr",
            "-L",
            "module-null-sink sink_name=korva_null",
            "-L",
            "module-native-protocol-unix auth-anonymous=1 socket=" + Socket().string()};
        std::vector<char*> argv;
        for (std::string& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        std::vector<char*> envp;
        for (std::string& variable : environment) envp.push_back(variable.data());
        envp.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, Log().c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        const int spawned = posix_spawn(&pid_, program_.c_str(), &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) {
            pid_ = -1;
            problem = std::strerror(spawned);
            return false;
        }
        const auto giveUp = SteadyClock::now() + 15s;
        while (SteadyClock::now() < giveUp) {
            if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1;
                problem = "it ended at once: " + LogText();
                return false;
            }
            if (TakesConnections())
                return true;
            std::this_thread::sleep_for(20ms);
        }
        Kill();
        problem = "it took no connection: " + LogText();
        return false;
    }

    void Kill() { Signal(SIGKILL); }
    void Freeze() { ::kill(pid_, SIGSTOP); }
    void Thaw() { ::kill(pid_, SIGCONT); }

    void Signal(int signal) {
        if (pid_ <= 0)
            return;
        ::kill(pid_, signal);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

  private:
    std::filesystem::path Socket() const { return folder_ / "native"; }
    std::filesystem::path Log() const { return folder_ / "server.log"; }
    std::string LogText() const {
        std::ifstream in(Log());
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    bool TakesConnections() const {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, Socket().c_str(), sizeof address.sun_path - 1);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const bool connected =
            fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
        if (fd >= 0)
            ::close(fd);
        return connected;
    }

    std::filesystem::path program_;
    std::filesystem::path folder_;
    pid_t pid_ = -1;
};

enum class Loss { Killed, Frozen };

class SoundServerLoss : public ::testing::TestWithParam<Loss> {
  protected:
    void SetUp() override {
        const auto program = FindOnPath("pulseaudio");
        if (!program)
            GTEST_SKIP() << "pulseaudio is not installed: the loss of a sound server is not tried";
        server_.emplace(*program, serverDir_.Path());
        std::string problem;
        if (!server_->Start(problem))
            GTEST_SKIP() << "pulseaudio does not start here: " << problem;
        synth_.emplace([this](SynthOptions& options) {
            options.output = OutputKind::Automatic;
            options.audioDriver = "pulseaudio";
            options.fluidSettings = {{"audio.pulseaudio.server", server_->Address()}};
            options.onOutputLost = [this](const std::string& notice) { notices_.push_back(notice); };
            options.onRenderedForTesting = [this](const float*, const float*, int frames) {
                std::lock_guard lock(mutex_);
                rendered_ += frames;
            };
        });
        synth_->Device().SetNotifyHandler([this] {
            std::lock_guard lock(mutex_);
            endsAt_.push_back({rendered_, SteadyClock::now()});
        });
        ASSERT_TRUE(synth_->Engine().WaitUntilLoaded());
        ASSERT_EQ(synth_->Engine().Report().outputName, "pulseaudio");
    }

    long Rendered() {
        std::lock_guard lock(mutex_);
        return rendered_;
    }
    std::size_t Ends() {
        std::lock_guard lock(mutex_);
        return endsAt_.size();
    }

    // Waits, handling posted work like the user-interface thread, until the condition holds; false
    // after half a minute, which only a hang takes.
    bool WaitFor(const std::function<bool()>& condition) {
        const auto giveUp = SteadyClock::now() + 30s;
        while (!condition() && SteadyClock::now() < giveUp) {
            synth_->Ui().Drain();
            std::this_thread::sleep_for(2ms);
        }
        synth_->Ui().Drain();
        return condition();
    }

    struct End {
        long frames;
        SteadyClock::time_point when;
    };

    TempDir serverDir_;
    TempDir songs_;
    std::optional<PrivateSoundServer> server_;
    std::optional<VirtualSynth> synth_;
    std::mutex mutex_;
    long rendered_ = 0;
    std::vector<End> endsAt_;
    std::vector<std::string> notices_;
};

TEST_P(SoundServerLoss, SongGoesOnSilentlyAndEndsOnTimeThenTheNextPlaysThroughTheServerAgain) {
    const double seconds = 3.0;
    synth_->OpenSong(songs_, "FIRST.MID", HeldNoteSong(seconds));
    const long start = Rendered();
    synth_->Device().Play();
    ASSERT_TRUE(WaitFor([&] { return Rendered() - start >= synth_->Seconds(1.0); }));
    const long atLoss = Rendered() - start;
    const auto lost = SteadyClock::now();
    if (GetParam() == Loss::Killed)
        server_->Kill();
    else
        server_->Freeze();

    ASSERT_TRUE(WaitFor([&] { return Ends() == 1; })) << "the song never ended";
    const End end = endsAt_[0];
    EXPECT_EQ(synth_->Device().Mode(), DeviceMode::Stopped);
    EXPECT_EQ(synth_->Engine().Report().outputName, "silent");
    EXPECT_EQ(notices_, std::vector<std::string>{Sjis(".. 音声出力が途切れました（無音で演奏を続けます）")});
    // The song kept its place: it was rendered once, whole, neither started again nor cut short.
    const long block = synth_->Engine().Options().periodFrames;
    EXPECT_NEAR(static_cast<double>(end.frames - start), static_cast<double>(synth_->Seconds(seconds)),
                3.0 * block);
    // The silent output keeps time with the wall clock and makes up the second or so it took to see
    // the server gone, so the rest of the song takes as long as it would have taken with sound:
    // neither raced through nor that second late.
    const double rest = seconds - static_cast<double>(atLoss) / synth_->Engine().SampleRate();
    const double took = std::chrono::duration<double>(end.when - lost).count();
    EXPECT_NEAR(took, rest, 0.4);

    // The server comes back; the next song, started at once, plays through it.
    if (GetParam() == Loss::Frozen)
        server_->Thaw();
    server_->Kill();
    std::string problem;
    ASSERT_TRUE(server_->Start(problem)) << problem;
    synth_->OpenSong(songs_, "SECOND.MID", HeldNoteSong(1.0));
    const long second = Rendered();
    synth_->Device().Play();
    EXPECT_EQ(synth_->Engine().Report().outputName, "pulseaudio");
    EXPECT_EQ(synth_->Engine().Report().outputNotice, "");
    ASSERT_TRUE(WaitFor([&] { return Ends() == 2; })) << "the second song never ended";
    EXPECT_NEAR(static_cast<double>(endsAt_[1].frames - second), static_cast<double>(synth_->Seconds(1.0)),
                3.0 * block);
    EXPECT_EQ(synth_->Engine().Report().outputName, "pulseaudio") << "it did not stall on the new server";
    EXPECT_EQ(notices_.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Server, SoundServerLoss, ::testing::Values(Loss::Killed, Loss::Frozen),
                         [](const ::testing::TestParamInfo<Loss>& paramInfo) {
                             return std::string(paramInfo.param == Loss::Killed ? "Killed" : "Frozen");
                         });

}  // namespace
}  // namespace korva
