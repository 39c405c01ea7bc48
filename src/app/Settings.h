#pragma once
// The settings record: one field per key of "KORVA.INI", named as the key, starting at its default.
// 8-bit keys are held as unsigned 8-bit numbers (a larger number in the file counts modulo 256);
// truth values are on for any number but 0.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace korva {

enum ListMode : std::uint8_t { LIST0 = 0, LIST1 = 1, LIST2 = 2, PROG = 3, ARTS = 4, EASY = 5 };
enum OrderMode : std::uint8_t { NOR = 0, NEW = 1, RND = 2 };

struct Settings {
    // Section "KORVA"
    std::string TIMBAND = "060912131722";
    std::int32_t DELUXED = 0;
    std::int32_t ATSTART = 0;
    std::uint8_t ADJUSTH = 0;
    std::uint8_t ADJUSTV = 0;
    std::uint8_t FIXDPOS = 4;
    std::uint8_t PLAYMOD = EASY;
    std::uint8_t CYCMODE = 0;
    std::uint8_t RNDMODE = NOR;
    bool USECLOK = true;
    bool USESTRM = true;
    bool POSCTRL = false;
    bool VIWFRNT = false;
    bool INTLOCK = true;
    bool AUTOVOL = false;
    bool USEHNT1 = true;
    bool USEHNT2 = true;
    std::string LST0DIR;
    std::string LST1DIR;
    std::uint8_t SENDRST = 1;
    std::array<std::uint8_t, 6> PROGRM{0, 0, 0, 0, 0, 0};  // PROGRM0 .. PROGRM5
    std::string EDTPATH;
    std::string SMFPATH;
    std::string SMFBTN1;
    std::string SMFBTN2;
    std::string SMFPRM1;
    std::string SMFPRM2;
    std::string CNVTRCP = "CVS.EXE % -Flog -O#";
    std::string CNVTMCP = "CVS.EXE % -Flog -O#";
    std::string CNVTR36 = "CVS.EXE % -Flog -O#";
    std::string CNVTSNG = "SNG2S.EXE % /O#";
    std::string CNVTMM2 = "MM2S.EXE % /O#";
    std::string CNVTMMC = "MM2S.EXE % /O#";
    std::string CNVTSEQ = "MM2S.EXE % /O#";
    std::string INITVOL = "BFFFBFFF";
    std::uint8_t USEFONT = 0;
    std::uint8_t FONTSIZ = 11;
    bool USECVS2 = false;
    bool USESNG2 = false;
    bool USEMM2S = false;
    bool USEKNIF = false;
    bool AUTOCLS = false;
    std::uint8_t CLSTIME = 30;

    // Section "POS00": the main window's position at the last quit; -999 means none.
    std::int32_t MANHPOS = -999;
    std::int32_t MANVPOS = -999;

    // Section "POS01": the song window's remembered bounds.
    std::int32_t VIWHPOS = -999;
    std::int32_t VIWVPOS = -999;
    std::int32_t VIWSIZE = 297;
    std::int32_t VIWHIGH = 259;

    // Section "SYNTH": how the synthesizer is reached on this platform.
    std::string SOUNDFONT;  // empty: the system's default GM SoundFont, else TimGM6mb
    std::string AUDIODRV;   // empty: the first that opens of pulseaudio, alsa, jack, sdl2
    // Where songs are played: empty for the built-in synthesizer, else the name of a MIDI output
    // port as the system lists it.
    std::string MIDIOUT;
    // The built-in synthesizer's reverb and chorus, and its gain in hundredths (20 is 0.2).
    bool REVERB = true;
    bool CHORUS = true;
    std::int32_t GAIN = 20;
};

// The start hours h0 .. h5 of the six time bands; nullopt when TIMBAND is not exactly 12
// characters. A pair that is not a decimal number counts as hour 0.
std::optional<std::array<int, 6>> TimeBandHours(const std::string& timband);

}  // namespace korva
