// "KORVA.INI" bytes through the profile reader: values read, a value set and the file written back
// and read again.

#include <cstdlib>

#include "FuzzSupport.h"
#include "app/ProfileFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace korva;
    const std::string path = fuzz::Scratch().Write("KORVA.INI", fuzz::Input(data, size));
    ProfileFile profile = ProfileFile::Load(path);
    for (const char* key : {"PLAYMOD", "SOUNDFONT", "CNVTRCP", "LSTPOS0", ""}) {
        const auto value = profile.Get("KORVA", key);
        if (value && value->size() > ProfileFile::kMaxValueLength)
            std::abort();
        (void)profile.Get("SYNTH", key);
    }
    profile.Set("KORVA", "PLAYMOD", "2");
    profile.Set("NEWSECTION", "KEY", "value");
    profile.Save();
    // What was set reads back, whatever the file held around it.
    const ProfileFile again = ProfileFile::Load(path);
    if (again.Get("KORVA", "PLAYMOD") != "2" || again.Get("NEWSECTION", "KEY") != "value")
        std::abort();
    return 0;
}
