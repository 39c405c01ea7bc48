#include "app/SettingsFile.h"

#include <charconv>
#include <type_traits>
#include <variant>
#include <vector>

#include "app/ProfileFile.h"
#include "text/Encoding.h"
#include "text/ShiftJis.h"

namespace korva {

namespace {

constexpr std::string_view kMain = "KORVA";
constexpr std::string_view kMainPosition = "POS00";
constexpr std::string_view kSongWindowPosition = "POS01";
constexpr std::string_view kSynth = "SYNTH";

// A truth value is read as an integer; it is a distinct kind only for writing "0" / "1".
using FieldRef = std::variant<std::string*, std::int32_t*, std::uint8_t*, bool*>;

struct KeySpec {
    std::string_view key;
    FieldRef (*field)(Settings&);
};

// The key tables read best one key after the other, as the file holds them.
// clang-format off
#define KORVA_KEY(name) KeySpec{#name, [](Settings& s) -> FieldRef { return &s.name; }}
#define KORVA_PROG(n) KeySpec{"PROGRM" #n, [](Settings& s) -> FieldRef { return &s.PROGRM[n]; }}

// Section "KORVA" in reading order.
const std::vector<KeySpec>& ReadOrder() {
    static const std::vector<KeySpec> keys = {
        KORVA_KEY(TIMBAND), KORVA_KEY(DELUXED), KORVA_KEY(ATSTART), KORVA_KEY(ADJUSTH), KORVA_KEY(ADJUSTV),
        KORVA_KEY(FIXDPOS), KORVA_KEY(PLAYMOD), KORVA_KEY(CYCMODE), KORVA_KEY(RNDMODE), KORVA_KEY(USECLOK),
        KORVA_KEY(USESTRM), KORVA_KEY(POSCTRL), KORVA_KEY(VIWFRNT), KORVA_KEY(INTLOCK), KORVA_KEY(AUTOVOL),
        KORVA_KEY(USEHNT1), KORVA_KEY(USEHNT2), KORVA_KEY(LST0DIR), KORVA_KEY(LST1DIR), KORVA_KEY(SENDRST),
        KORVA_PROG(0), KORVA_PROG(1), KORVA_PROG(2), KORVA_PROG(3), KORVA_PROG(4), KORVA_PROG(5),
        KORVA_KEY(EDTPATH), KORVA_KEY(SMFPATH), KORVA_KEY(SMFBTN1), KORVA_KEY(SMFBTN2), KORVA_KEY(SMFPRM1),
        KORVA_KEY(SMFPRM2), KORVA_KEY(CNVTRCP), KORVA_KEY(CNVTMCP), KORVA_KEY(CNVTR36), KORVA_KEY(CNVTSNG),
        KORVA_KEY(CNVTMM2), KORVA_KEY(CNVTMMC), KORVA_KEY(CNVTSEQ), KORVA_KEY(INITVOL), KORVA_KEY(USEFONT),
        KORVA_KEY(FONTSIZ), KORVA_KEY(USECVS2), KORVA_KEY(USESNG2), KORVA_KEY(USEMM2S), KORVA_KEY(USEKNIF),
        KORVA_KEY(AUTOCLS), KORVA_KEY(CLSTIME),
    };
    return keys;
}

// Section "KORVA" in writing order. CONVHIS belongs to the conversion window, which keeps it up to
// date itself; a save leaves its line as it is.
const std::vector<KeySpec>& SaveOrder() {
    static const std::vector<KeySpec> keys = {
        KORVA_KEY(TIMBAND), KORVA_KEY(DELUXED), KORVA_KEY(ATSTART), KORVA_KEY(FIXDPOS), KORVA_KEY(ADJUSTH),
        KORVA_KEY(ADJUSTV), KORVA_KEY(PLAYMOD), KORVA_KEY(CYCMODE), KORVA_KEY(RNDMODE), KORVA_KEY(LST0DIR),
        KORVA_KEY(LST1DIR), KORVA_KEY(EDTPATH), KORVA_KEY(SMFPATH), KORVA_KEY(SMFBTN1), KORVA_KEY(SMFBTN2),
        KORVA_KEY(SMFPRM1), KORVA_KEY(SMFPRM2), KORVA_PROG(0), KORVA_PROG(1), KORVA_PROG(2), KORVA_PROG(3),
        KORVA_PROG(4), KORVA_PROG(5), KORVA_KEY(SENDRST), KORVA_KEY(CNVTRCP), KORVA_KEY(CNVTMCP),
        KORVA_KEY(CNVTR36), KORVA_KEY(CNVTSNG), KORVA_KEY(CNVTMM2), KORVA_KEY(CNVTMMC), KORVA_KEY(CNVTSEQ),
        KORVA_KEY(INITVOL), KORVA_KEY(USEFONT), KORVA_KEY(FONTSIZ), KORVA_KEY(CLSTIME), KORVA_KEY(AUTOCLS),
        KORVA_KEY(USECVS2), KORVA_KEY(USESNG2), KORVA_KEY(USEMM2S), KORVA_KEY(USEKNIF), KORVA_KEY(USECLOK),
        KORVA_KEY(USESTRM), KORVA_KEY(POSCTRL), KORVA_KEY(VIWFRNT), KORVA_KEY(INTLOCK), KORVA_KEY(AUTOVOL),
        KORVA_KEY(USEHNT1), KORVA_KEY(USEHNT2),
    };
    return keys;
}

const std::vector<KeySpec>& MainPositionKeys() {
    static const std::vector<KeySpec> keys = {KORVA_KEY(MANHPOS), KORVA_KEY(MANVPOS)};
    return keys;
}

const std::vector<KeySpec>& SongWindowKeys() {
    static const std::vector<KeySpec> keys = {KORVA_KEY(VIWHPOS), KORVA_KEY(VIWVPOS), KORVA_KEY(VIWSIZE),
                                              KORVA_KEY(VIWHIGH)};
    return keys;
}

const std::vector<KeySpec>& SynthKeys() {
    static const std::vector<KeySpec> keys = {KORVA_KEY(SOUNDFONT), KORVA_KEY(AUDIODRV), KORVA_KEY(MIDIOUT),
                                              KORVA_KEY(REVERB),    KORVA_KEY(CHORUS),   KORVA_KEY(GAIN)};
    return keys;
}

#undef KORVA_KEY
#undef KORVA_PROG
// clang-format on

bool IsConverterTemplate(std::string_view key) {
    return key.substr(0, 4) == "CNVT";
}

// Reads one key into its field; the default is the field's value in `defaults`.
void ReadKey(const ProfileFile& file, std::string_view section, const KeySpec& keyEntry, Settings& settings,
             Settings& defaults) {
    const std::optional<std::string> raw = file.Get(section, keyEntry.key);
    std::visit(
        [&](auto* field) {
            using T = std::remove_pointer_t<decltype(field)>;
            const auto* fallback = std::get<T*>(keyEntry.field(defaults));
            if constexpr (std::is_same_v<T, std::string>) {
                // Converter templates fall back on what the record holds: the built-in template.
                *field = raw ? *raw : (IsConverterTemplate(keyEntry.key) ? *field : *fallback);
            } else {
                const std::int32_t defaultNumber = static_cast<std::int32_t>(*fallback);
                const std::int32_t number =
                    raw ? ParseProfileInteger(*raw).value_or(defaultNumber) : defaultNumber;
                if constexpr (std::is_same_v<T, bool>) {
                    *field = number != 0;
                } else {
                    *field = static_cast<T>(number);  // 8-bit keys keep the remainder modulo 256
                }
            }
        },
        keyEntry.field(settings));
}

std::string ValueText(const KeySpec& keyEntry, const Settings& settings) {
    return std::visit(
        [](const auto* field) -> std::string {
            using T = std::remove_cv_t<std::remove_pointer_t<decltype(field)>>;
            if constexpr (std::is_same_v<T, std::string>) {
                return *field;
            } else if constexpr (std::is_same_v<T, bool>) {
                return *field ? "1" : "0";
            } else {
                return std::to_string(static_cast<std::int64_t>(*field));
            }
        },
        keyEntry.field(const_cast<Settings&>(settings)));
}

// Writes each key in turn, so a failure leaves the keys before it written.
void WriteKeys(const std::string& iniPath, std::string_view section, const std::vector<KeySpec>& keys,
               const Settings& settings) {
    ProfileFile file = ProfileFile::Load(iniPath);
    for (const KeySpec& keyEntry : keys) {
        file.Set(section, keyEntry.key, ValueText(keyEntry, settings));
        file.Save();
    }
}

}  // namespace

std::optional<std::int32_t> ParseProfileInteger(std::string_view text) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    if (hex) {
        std::uint32_t value = 0;
        const auto digits = text.substr(2);
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
        if (ec != std::errc() || end != digits.data() + digits.size())
            return std::nullopt;
        return static_cast<std::int32_t>(value);
    }
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (text.empty() || text.front() == '+' || text.front() == '-')
            return std::nullopt;
    }
    std::int32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::string ReadSettings(const std::string& iniPath, Settings& settings,
                         const std::function<void(std::uint8_t)>& afterRndmode) {
    Settings defaults;
    std::string refused;
    try {
        const ProfileFile file = ProfileFile::Load(iniPath);
        refused = file.Refused();
        for (const KeySpec& keyEntry : ReadOrder()) {
            ReadKey(file, kMain, keyEntry, settings, defaults);
            if (keyEntry.key == "RNDMODE" && afterRndmode)
                afterRndmode(settings.RNDMODE);
        }
        if (!settings.LST0DIR.empty())
            settings.LST0DIR = WithTrailingPathDelimiter(settings.LST0DIR);
        if (!settings.LST1DIR.empty())
            settings.LST1DIR = WithTrailingPathDelimiter(settings.LST1DIR);
        for (const KeySpec& keyEntry : MainPositionKeys())
            ReadKey(file, kMainPosition, keyEntry, settings, defaults);
        for (const KeySpec& keyEntry : SongWindowKeys())
            ReadKey(file, kSongWindowPosition, keyEntry, settings, defaults);
        for (const KeySpec& keyEntry : SynthKeys()) ReadKey(file, kSynth, keyEntry, settings, defaults);
    } catch (const std::exception&) {
        // A settings file that cannot be read never stops the program; the rest keep their defaults.
    }
    return refused;
}

void SaveSettings(const std::string& iniPath, const Settings& settings, MessageView& messages) {
    WriteKeys(iniPath, kMain, SaveOrder(), settings);
    messages.ShowMessage(Sjis("各種の設定を保存しました"));
}

void SaveSynthSettings(const std::string& iniPath, const Settings& settings) {
    WriteKeys(iniPath, kSynth, SynthKeys(), settings);
}

void SaveMainPosition(const std::string& iniPath, const Settings& settings) {
    WriteKeys(iniPath, kMainPosition, MainPositionKeys(), settings);
}

void SaveSongWindowPosition(const std::string& iniPath, const Settings& settings) {
    WriteKeys(iniPath, kSongWindowPosition, SongWindowKeys(), settings);
}

std::optional<std::string> ReadConvHis(const std::string& iniPath) {
    const ProfileFile file = ProfileFile::Load(iniPath);
    if (file.Unreadable())
        return std::nullopt;
    return file.Get(kMain, "CONVHIS").value_or(std::string());
}

void SaveConvHis(const std::string& iniPath, const std::string& folder) {
    ProfileFile::WriteValue(iniPath, kMain, "CONVHIS", folder);
}

const std::vector<std::string_view>& SavedSettingKeys() {
    static const std::vector<std::string_view> names = [] {
        std::vector<std::string_view> out;
        for (const KeySpec& keyEntry : SaveOrder()) out.push_back(keyEntry.key);
        return out;
    }();
    return names;
}

}  // namespace korva
