// Writes the seed corpora of the fuzz targets, one folder each under the given folder: MIDI files
// from the tests' SMF writer (the odd but playable ones and damaged ones), playlist and profile
// lines, Shift-JIS texts and converter templates.
//
//   korva_fuzz_seeds OUTPUT_FOLDER

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/QuirkySmf.h"
#include "support/SmfWriter.h"

namespace {

namespace fs = std::filesystem;
using namespace korva::testing;

// A literal with the NUL bytes inside it.
template <std::size_t N>
std::string Raw(const char (&text)[N]) {
    return std::string(text, N - 1);
}

void WriteAll(const fs::path& folder, const std::vector<std::string>& seeds) {
    fs::create_directories(folder);
    int n = 0;
    for (const std::string& seed : seeds) {
        char name[32];
        std::snprintf(name, sizeof name, "seed-%03d", n++);
        std::ofstream(folder / name, std::ios::binary)
            .write(seed.data(), static_cast<std::streamsize>(seed.size()));
    }
}

std::vector<std::string> MidiSeeds() {
    std::vector<std::string> seeds;
    for (const QuirkySmf& quirky : QuirkySmfFiles()) seeds.push_back(quirky.bytes);

    SmfWriter song(1, 480);
    song.AddTrack().Tempo(0, 500000).TrackName(0, "Song by Artist").Text(0, "\x83\x65\x83\x58\x83\x67");
    song.AddTrack()
        .SysEx(0, Bytes({0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}))
        .ProgramChange(0, 0, 16)
        .ControlChange(0, 0, 7, 100)
        .Note(0, 480, 0, 60)
        .Note(480, 480, 9, 36)
        .Event(960, Bytes({0xE0, 0x00, 0x40}))
        .DividedSysEx(1000, Bytes({0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7}), 4,
                      1010);
    const std::string bytes = song.Bytes();
    seeds.push_back(bytes);
    seeds.push_back(WithMacBinaryHeader(bytes));
    seeds.push_back(Truncated(bytes, bytes.size() / 2));
    seeds.push_back(Truncated(bytes, 14));
    seeds.push_back(Patched(bytes, 18, Bytes({0x7F, 0xFF, 0xFF, 0xFF})));

    SmfWriter smpte(0, SmpteDivision(25, 40));
    smpte.AddTrack().Note(0, 1000, 0, 64).EndAt(2000);
    seeds.push_back(smpte.Bytes());

    SmfWriter odd(2, 96);
    odd.HeaderLength(10).DeclaredTracks(5);
    odd.AddTrack().Note(0, 96, 0, 60).WithoutEndOfTrack();
    odd.AddChunk("junk", "\x01\x02\x03");
    odd.AddTrack().Note(0, 96, 1, 62).DeclaredLengthOff(-3);
    odd.AddTrack().Event(0, Bytes({0x90, 64, 100})).Event(10, Bytes({64, 0})).DeclaredLengthOff(7);
    seeds.push_back(odd.Bytes());
    return seeds;
}

const std::vector<std::string> kPlaylistLines = {
    "Song by Artist\t/music/SONG.MID\t+0\t1",
    "!1 New one\t/music/NEW.MID\t-5\t0",
    "\x83\x65\x83\x58\x83\x67 by \x89\xb9\x8a\x79\t/music/\x83\x5c\x83\x93\x83\x4f.MID\t+3\t3",
    "Name only",
    "Two\t/x.mid",
    "Three\t/x.mid\t+1",
    "Empty feel\t/x.mid\t+0\t",
    "Extra\t/x.mid\t+0\t2\textra",
    "Lullaby Night\t/a b/c.mid\t+05\t-1",
    "Bad vol\t/x.mid\tloud\t1",
    "",
};

std::string JoinLines(const std::vector<std::string>& lines, const std::string& end) {
    std::string text;
    for (const std::string& line : lines) text += line + end;
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const fs::path out = argv[1];
    const std::vector<std::string> midi = MidiSeeds();
    WriteAll(out / "smf_reader", midi);
    WriteAll(out / "smf_render", midi);
    WriteAll(out / "smf_title", midi);

    std::vector<std::string> playlists = kPlaylistLines;
    playlists.push_back(JoinLines(kPlaylistLines, "\r\n"));
    playlists.push_back(JoinLines(kPlaylistLines, "\n"));
    playlists.push_back(JoinLines(kPlaylistLines, "\r"));
    playlists.push_back(Raw("A\t/a.mid\t+0\t1\r\n\0B\t/b.mid\t+0\t1\r\n"));
    WriteAll(out / "playlist", playlists);
    WriteAll(out / "artists", kPlaylistLines);

    const std::vector<std::string> profiles = {
        "[KORVA]\r\nPLAYMOD=0\r\nSOUNDFONT=\"/usr/share/sounds/sf2/TimGM6mb.sf2\"\r\n",
        "[korva]\nplaymod = 3 \n[SYNTH]\nAUDIODRV=alsa\n",
        "; comment\r\n[KORVA]\r\nCNVTRCP=CVS.EXE % -Flog -O#\r\nLSTPOS0=12\r\n\r\n[Other]\r\nX=\x83\x65\r\n",
        "[KORVA\r\n=value\r\nKEY\r\n[]\r\n",
        "\xEF\xBB\xBF[KORVA]\r\nPLAYMOD=1",
    };
    WriteAll(out / "profile", profiles);

    const std::vector<std::string> texts = {
        "/music/\x83\x5c\x83\x93\x83\x4f.MID",
        "\x95\x5c\x8e\xa6.RCP",
        "\x82\x81\x82\x82 abc \x81\x40",
        "C:\\SONGS\\A.B.MID",
        "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88",
        "\x81",
        "\xFC\xFC\x87\x40\xED\x40",
    };
    WriteAll(out / "shiftjis", texts);

    const std::vector<std::string> templates = {
        Raw("CVS.EXE % -Flog -O#\0/song/A.B.RCP\0/m/"),
        Raw("conv.sh %\0/a b/\"q\".RCP\0/out dir/"),
        Raw("tool\\ \"%\" #extra\0C:\\x\\\\\0\x83\x5c/"),
        "CVS.EXE -Flog",
    };
    WriteAll(out / "command_line", templates);
    return 0;
}
