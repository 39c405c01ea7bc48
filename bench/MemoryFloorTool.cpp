// The least memory a Qt Widgets program holds while it plays a song through FluidSynth: one window
// with one line of text in the deck's face, and FluidSynth with the SoundFont loaded playing the
// song through its audio driver, with the jukebox's period size. Nothing of the jukebox itself runs.
// Once the song has ended it prints its peak resident memory (VmHWM) in KiB, as "peak KIB", for
// bench/run_program_bench.sh to set beside the program's.
// Usage: MemoryFloorTool SOUNDFONT SONG [AUDIO_DRIVER]

#include <fluidsynth.h>

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <cstdio>

#include "platform/SynthOptions.h"
#include "support/ProcessStatus.h"
#include "ui/DeckArt.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s SOUNDFONT SONG [AUDIO_DRIVER]\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("KORVA97  Busy Song"));
    label.setFont(korva::DeckFont(12));
    label.show();

    fluid_settings_t* settings = new_fluid_settings();
    fluid_settings_setstr(settings, "audio.driver", argc > 3 ? argv[3] : "pulseaudio");
    fluid_settings_setint(settings, "audio.period-size", korva::SynthOptions{}.periodFrames);
    fluid_synth_t* synth = new_fluid_synth(settings);
    fluid_player_t* player = new_fluid_player(synth);
    if (fluid_synth_sfload(synth, argv[1], 1) == FLUID_FAILED || fluid_player_add(player, argv[2]) != FLUID_OK) {
        std::fprintf(stderr, "cannot load %s or %s\n", argv[1], argv[2]);
        return 1;
    }
    fluid_audio_driver_t* driver = new_fluid_audio_driver(settings, synth);
    if (driver == nullptr) {
        std::fprintf(stderr, "no audio driver\n");
        return 1;
    }
    fluid_player_play(player);

    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (fluid_player_get_status(player) == FLUID_PLAYER_PLAYING)
            return;
        std::printf("peak %ld\n", korva::testing::StatusKilobytes("VmHWM:"));
        QApplication::quit();
    });
    poll.start(100);
    const int result = QApplication::exec();
    delete_fluid_audio_driver(driver);
    delete_fluid_player(player);
    delete_fluid_synth(synth);
    delete_fluid_settings(settings);
    return result;
}
