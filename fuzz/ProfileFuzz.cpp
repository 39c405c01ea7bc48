// "KORVA.INI" bytes through the profile reader: values read, values set, and the text read again.
// One input in 16 (chosen by its bytes, so a run is repeatable) also goes through a real file:
// loaded, set, saved atomically and loaded back. The rest stay in memory, which lets the reader see
// many more inputs in a run.

#include <cstdlib>

#include "FuzzSupport.h"
#include "app/ProfileFile.h"

namespace {

using korva::ProfileFile;

// Reads the keys the program reads, sets two values, and checks they read back from the new text.
ProfileFile ReadAndSet(ProfileFile profile) {
    for (const char* key : {"PLAYMOD", "SOUNDFONT", "CNVTRCP", "LSTPOS0", ""}) {
        const auto value = profile.Get("KORVA", key);
        if (value && value->size() > ProfileFile::kMaxValueLength)
            std::abort();
        (void)profile.Get("SYNTH", key);
    }
    profile.Set("KORVA", "PLAYMOD", "2");
    profile.Set("NEWSECTION", "KEY", "value");
    return profile;
}

void ExpectSet(const ProfileFile& profile) {
    if (profile.Get("KORVA", "PLAYMOD") != "2" || profile.Get("NEWSECTION", "KEY") != "value")
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace korva;
    const std::string_view bytes = fuzz::Input(data, size);
    const ProfileFile set = ReadAndSet(ProfileFile::FromText("KORVA.INI", std::string(bytes)));
    ExpectSet(ProfileFile::FromText("KORVA.INI", set.Text()));

    unsigned sum = 0;
    for (const std::uint8_t byte : bytes) sum = sum * 31 + byte;
    if (sum % 16 != 0)
        return 0;
    const std::string path = fuzz::Scratch().Write("KORVA.INI", bytes);
    const ProfileFile saved = ReadAndSet(ProfileFile::Load(path));
    saved.Save();
    const ProfileFile again = ProfileFile::Load(path);
    ExpectSet(again);
    if (again.Text() != set.Text())
        std::abort();
    return 0;
}
