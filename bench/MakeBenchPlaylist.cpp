// Writes a playlist of generated entries for the benchmarks, the same for the same arguments:
// Shift-JIS and Latin titles, some with new-song marks and artists, every volume offset and
// preference (L 1/9, M 5/9, S 2/9, R 1/9), and a few abnormal lines (a control byte, a fifth field).
// Usage: MakeBenchPlaylist FILE [LINES] [ABNORMAL]

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "playlist/LineFile.h"
#include "playlist/PlaylistEntry.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE [LINES] [ABNORMAL]\n", argv[0]);
        return 2;
    }
    const long count = argc > 2 ? std::atol(argv[2]) : 100000;
    const long abnormal = argc > 3 ? std::atol(argv[3]) : 100;
    std::mt19937 engine(97);
    auto below = [&engine](int n) { return std::uniform_int_distribution<int>(0, n - 1)(engine); };
    // Words of two to four syllables, Latin in either case or katakana (whose second bytes may look
    // like "\\", "b" or "|"), so that titles are mostly distinct, as a real collection's are.
    const char* syllables[] = {"ka", "Ki", "ro", "Na", "mi", "su", "Te", "yo",
                               "ha", "Ri", "no", "Ma", "de", "lu", "Sa"};
    const unsigned char katakana[] = {0x40, 0x4A, 0x4E, 0x5C, 0x62, 0x69, 0x7C, 0x76, 0x8B, 0x93, 0x88, 0x52};
    auto word = [&]() {
        std::string text;
        const int length = 2 + below(3);
        const bool japanese = below(3) == 0;
        for (int i = 0; i < length; ++i) {
            if (japanese) {
                text += '\x83';
                text += static_cast<char>(katakana[below(12)]);
            } else {
                text += syllables[below(15)];
            }
        }
        return text;
    };
    const char* artists[] = {"Taro", "hanako", "Yamada", "\x8E\x52\x93\x63"};
    const int feels[] = {0, 1, 1, 1, 1, 1, 2, 2, 3};

    const long every = abnormal > 0 ? count / abnormal : 0;
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(count));
    for (long i = 0; i < count; ++i) {
        korva::PlaylistEntry entry;
        if (below(10) == 0)
            entry.Name = std::string(korva::kNewMarks[below(3)]);
        const int words = 1 + below(4);
        for (int w = 0; w < words; ++w) {
            if (w > 0)
                entry.Name += ' ';
            entry.Name += word();
        }
        if (below(2) == 0)
            entry.Name += std::string(" by ") + artists[below(4)];
        entry.Path = "/home/user/MIDI/folder" + std::to_string(below(200)) + "/" + word() + "/SONG" +
                     std::to_string(i) + ".MID";
        entry.Vol = korva::FormatVol(below(11) - 5);
        entry.Feel = std::to_string(feels[below(9)]);
        std::string line = korva::JoinEntry(entry);
        if (every > 0 && i % every == every - 1) {
            line = below(2) == 0 ? "\x01" + line : line + "\textra";
        }
        lines.push_back(std::move(line));
    }
    korva::WriteLines(argv[1], lines);
    return 0;
}
