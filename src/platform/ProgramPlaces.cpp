#include "platform/ProgramPlaces.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "text/Encoding.h"

namespace korva {

namespace {

// An environment variable as Shift-JIS text; empty when unset or when Shift-JIS cannot hold it.
std::string SjisEnvironment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr)
        return {};
    const Conversion sjis = Utf8ToCp932(value);
    return sjis.ok ? sjis.text : std::string();
}

std::string HomeFolder() {
    std::string home = SjisEnvironment("HOME");
    if (home.empty()) {
        if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr) {
            const Conversion sjis = Utf8ToCp932(entry->pw_dir);
            if (sjis.ok)
                home = sjis.text;
        }
    }
    return home.empty() ? std::string("/tmp") : home;
}

bool IsWritableFolder(const std::string& sjisFolder) {
    try {
        return ::access(ToFsPath(sjisFolder).c_str(), W_OK) == 0;
    } catch (const EncodingError&) {
        return false;
    }
}

bool IsFolder(const std::string& sjisFolder) {
    std::error_code error;
    try {
        return std::filesystem::is_directory(ToFsPath(sjisFolder), error);
    } catch (const EncodingError&) {
        return false;
    }
}

}  // namespace

LocatedPlaces LocateProgramPlaces(const std::string& sjisExecutableFolder) {
    LocatedPlaces located;
    located.places = ChooseProgramPlaces(sjisExecutableFolder, IsWritableFolder(sjisExecutableFolder),
                                         IsFolder(SharedDataFolderOf(sjisExecutableFolder)),
                                         ConfigFolderOf(SjisEnvironment("XDG_CONFIG_HOME"), HomeFolder()));
    if (!located.places.installed)
        return located;
    std::error_code error;
    try {
        std::filesystem::create_directories(ToFsPath(located.places.home), error);
    } catch (const EncodingError&) {
        error = std::make_error_code(std::errc::invalid_argument);
    }
    if (error || !IsFolder(located.places.home))
        located.problem = located.places.home + Sjis(" に書き込めません");
    return located;
}

}  // namespace korva
