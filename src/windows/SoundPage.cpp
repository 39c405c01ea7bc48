#include "windows/SoundPage.h"

#include <algorithm>
#include <cmath>
#include <system_error>

#include "app/Errors.h"
#include "app/FileSystem.h"
#include "app/SettingsFile.h"
#include "text/Encoding.h"

namespace korva {

namespace fs = std::filesystem;

namespace {

constexpr const char* kBuiltInSynth = "内蔵シンセサイザー";
constexpr const char* kSystemSoundFont = "標準（システムの SoundFont）";
constexpr const char* kNotFound = "（見つかりません）";

bool IsSoundFontName(const fs::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    return extension == ".sf2" || extension == ".sf3";
}

// The folder of a Shift-JIS path text: "/" is never the second byte of a double-byte character.
std::string FolderOf(const std::string& sjisPath) {
    const std::size_t slash = sjisPath.rfind('/');
    return slash == std::string::npos ? std::string() : sjisPath.substr(0, slash + 1);
}

bool FileIsThere(const std::string& sjisPath) {
    try {
        return FileExistsIgnoringCase(sjisPath);
    } catch (const EncodingError&) {
        return false;
    }
}

// The line of a setting the lists do not offer: kept, so that showing the page does not change it.
SoundPageItem KeptItem(const std::string& sjisValue, bool found) {
    const std::string name = ToDisplayUtf8(sjisValue);
    return {found ? name : name + kNotFound, name, sjisValue};
}

}  // namespace

std::vector<fs::path> InstalledSoundFonts(const std::vector<fs::path>& folders) {
    std::vector<fs::path> found;
    for (const fs::path& folder : folders) {
        std::vector<fs::path> names;
        std::error_code error;
        for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
             entry.increment(error)) {
            if (IsSoundFontName(entry->path()))
                names.push_back(entry->path());
        }
        std::sort(names.begin(), names.end());
        for (const fs::path& name : names) {
            std::error_code failed;
            const fs::path file = fs::canonical(name, failed);
            if (failed || !fs::is_regular_file(file, failed))
                continue;
            if (std::find(found.begin(), found.end(), file) == found.end())
                found.push_back(file);
        }
    }
    return found;
}

int ShownGain(std::int32_t gain) {
    return std::clamp<std::int32_t>(gain, kLeastGain, kMostGain);
}

int GainHundredths(double value) {
    const double hundredths = value * 100;
    // Written so that a NaN lands at the least gain too.
    if (!(hundredths > kLeastGain))
        return kLeastGain;
    if (hundredths >= kMostGain)
        return kMostGain;
    return static_cast<int>(std::lround(hundredths));
}

SoundPageList OutputList(const std::vector<std::string>& utf8Ports, const std::string& sjisMidiOut) {
    SoundPageList list;
    list.items.push_back({kBuiltInSynth, std::string(), std::string()});
    bool found = sjisMidiOut.empty();
    for (const std::string& port : utf8Ports) {
        // A port without a name could not be told from the built-in synthesizer in the file.
        if (port.empty())
            continue;
        SoundPageItem item{port, port, std::nullopt};
        if (Conversion sjis = Utf8ToCp932(port); sjis.ok)
            item.value = std::move(sjis.text);
        if (!found && item.value == sjisMidiOut) {
            list.chosen = list.items.size();
            found = true;
        }
        list.items.push_back(std::move(item));
    }
    if (!found) {
        list.chosen = list.items.size();
        list.items.push_back(KeptItem(sjisMidiOut, false));
    }
    return list;
}

SoundPageList SoundFontList(const std::vector<fs::path>& installed, const std::string& sjisSoundFont) {
    SoundPageList list;
    list.items.push_back({kSystemSoundFont, std::string(), std::string()});
    bool found = sjisSoundFont.empty();
    for (const fs::path& file : installed) {
        SoundPageItem item{file.string(), file.string(), std::nullopt};
        try {
            item.value = FromFsPath(file);
        } catch (const EncodingError&) {
        }
        if (!found && item.value == sjisSoundFont) {
            list.chosen = list.items.size();
            found = true;
        }
        list.items.push_back(std::move(item));
    }
    if (!found) {
        list.chosen = list.items.size();
        list.items.push_back(KeptItem(sjisSoundFont, FileIsThere(sjisSoundFont)));
    }
    return list;
}

void SoundPage::Fill(const std::vector<std::string>& utf8Ports, const std::vector<fs::path>& installed) {
    const Settings& settings = model_.settings;
    outputs_ = OutputList(utf8Ports, settings.MIDIOUT);
    soundFonts_ = SoundFontList(installed, settings.SOUNDFONT);
    reverb_ = settings.REVERB;
    chorus_ = settings.CHORUS;
    gain_ = ShownGain(settings.GAIN);
}

void SoundPage::ChooseOutput(std::size_t index) {
    if (index < outputs_.items.size())
        outputs_.chosen = index;
}

void SoundPage::ChooseSoundFont(std::size_t index) {
    if (index < soundFonts_.items.size())
        soundFonts_.chosen = index;
}

bool SoundPage::BrowseSoundFont(SoundFontDialog& dialog) {
    std::string start = kInstalledSoundFontFolders.front().string() + "/";
    if (soundFonts_.chosen < soundFonts_.items.size()) {
        const std::optional<std::string>& current = soundFonts_.items[soundFonts_.chosen].value;
        if (current && !FolderOf(*current).empty())
            start = FolderOf(*current);
    }
    const std::optional<std::string> chosen = dialog.ChooseSoundFont(start);
    if (!chosen)
        return false;
    const auto listed = std::find_if(soundFonts_.items.begin(), soundFonts_.items.end(),
                                     [&](const SoundPageItem& item) { return item.value == *chosen; });
    soundFonts_.chosen = static_cast<std::size_t>(listed - soundFonts_.items.begin());
    if (listed == soundFonts_.items.end())
        soundFonts_.items.push_back(KeptItem(*chosen, true));
    return true;
}

bool SoundPage::SaveButtonClick() {
    if (outputs_.chosen >= outputs_.items.size() || soundFonts_.chosen >= soundFonts_.items.size())
        return false;
    const SoundPageItem& output = outputs_.items[outputs_.chosen];
    const SoundPageItem& soundFont = soundFonts_.items[soundFonts_.chosen];
    for (const SoundPageItem* item : {&output, &soundFont}) {
        if (!item->value) {
            messages_.ShowMessage(UnholdableNamesMessage({Cp932ForMessage(item->name)}) +
                                  Sjis("\n音源の設定は保存していません"));
            return false;
        }
    }
    Settings saved = model_.settings;
    saved.MIDIOUT = *output.value;
    saved.SOUNDFONT = *soundFont.value;
    saved.REVERB = reverb_;
    saved.CHORUS = chorus_;
    saved.GAIN = gain_;
    try {
        SaveSynthSettings(model_.folders.SettingsPath(), saved);
    } catch (const UserError& error) {
        messages_.ShowMessage(error.Text());
        return false;
    }
    Settings& settings = model_.settings;
    settings.MIDIOUT = saved.MIDIOUT;
    settings.SOUNDFONT = saved.SOUNDFONT;
    settings.REVERB = saved.REVERB;
    settings.CHORUS = saved.CHORUS;
    settings.GAIN = saved.GAIN;
    messages_.ShowMessage(Sjis("音源の設定を保存しました。次の曲から使われます"));
    return true;
}

}  // namespace korva
