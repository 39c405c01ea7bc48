// Checks the includes of every source file against the layer order of the code: a file may include
// headers of its own layer and of the layers below it, never above. The core layers include neither
// Qt nor a sound library (FluidSynth, RtMidi, JACK), the platform layer no Qt, and no window header
// reaches a sound library's header, even through the headers it includes. Prints each violation and exits with 1 when there is one.
//
// Usage: korva_layer_check SRC_FOLDER

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Lowest first. The core ends with the rules of the windows, which stand on the jukebox and its
// commands; platform and ui stand on the core.
constexpr std::array<const char*, 9> kLayers{"text",    "app",     "playlist", "playback", "convert",
                                             "jukebox", "windows", "platform", "ui"};
constexpr int kLastCoreLayer = 6;
constexpr int kPlatformLayer = 7;

int LayerIndex(const std::string& name) {
    const auto found = std::find(kLayers.begin(), kLayers.end(), name);
    return found == kLayers.end() ? -1 : static_cast<int>(found - kLayers.begin());
}

struct Include {
    std::string target;  // as written between the quotes or angle brackets
    bool system = false;
    int line = 0;
};

std::vector<Include> IncludesOf(const fs::path& file) {
    static const std::regex kInclude(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
    std::vector<Include> found;
    std::ifstream in(file);
    std::string text;
    int line = 0;
    while (std::getline(in, text)) {
        ++line;
        std::smatch match;
        if (std::regex_search(text, match, kInclude))
            found.push_back({match[2].str(), match[1].str() == "<", line});
    }
    return found;
}

bool IsQt(const Include& include) {
    return include.system && include.target.size() > 1 && include.target[0] == 'Q' &&
           (std::isupper(static_cast<unsigned char>(include.target[1])) || include.target[1] == 't');
}

bool IsSoundLibrary(const Include& include) {
    return include.target.rfind("fluidsynth", 0) == 0 || include.target.rfind("rtmidi/", 0) == 0 ||
           include.target.rfind("jack/", 0) == 0;
}

// The project layer a quoted include names ("playback/Player.h" -> playback), or -1.
int IncludedLayer(const Include& include) {
    if (include.system)
        return -1;
    const auto slash = include.target.find('/');
    return slash == std::string::npos ? -1 : LayerIndex(include.target.substr(0, slash));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: korva_layer_check SRC_FOLDER\n";
        return 2;
    }
    const fs::path src = argv[1];
    std::map<std::string, std::vector<Include>> includes;  // by path relative to src
    for (const auto& entry : fs::recursive_directory_iterator(src)) {
        const auto extension = entry.path().extension();
        if (entry.is_regular_file() && (extension == ".h" || extension == ".cpp"))
            includes[fs::relative(entry.path(), src).generic_string()] = IncludesOf(entry.path());
    }

    int violations = 0;
    auto report = [&](const std::string& file, int line, const std::string& what) {
        std::cerr << "src/" << file << ":" << line << ": " << what << "\n";
        ++violations;
    };

    for (const auto& [file, list] : includes) {
        const int layer = LayerIndex(file.substr(0, file.find('/')));
        if (layer < 0) {
            report(file, 1, "lies in no layer");
            continue;
        }
        for (const Include& include : list) {
            const int target = IncludedLayer(include);
            if (target > layer)
                report(file, include.line, "includes \"" + include.target + "\" from a higher layer");
            if (layer <= kLastCoreLayer && (IsQt(include) || IsSoundLibrary(include)))
                report(file, include.line, "the core includes <" + include.target + ">");
            if (layer == kPlatformLayer && IsQt(include))
                report(file, include.line, "the platform layer includes <" + include.target + ">");
        }
    }

    // No window header may reach a sound library through the project headers it includes.
    for (const auto& [file, list] : includes) {
        if (file.rfind("ui/", 0) != 0 || fs::path(file).extension() != ".h")
            continue;
        std::set<std::string> seen{file};
        std::vector<std::string> pending{file};
        while (!pending.empty()) {
            const std::string current = pending.back();
            pending.pop_back();
            for (const Include& include : includes[current]) {
                if (IsSoundLibrary(include)) {
                    report(file, 1, "reaches <" + include.target + "> through src/" + current);
                    continue;
                }
                if (!include.system && includes.count(include.target) && seen.insert(include.target).second)
                    pending.push_back(include.target);
            }
        }
    }

    if (violations == 0)
        std::cout << includes.size() << " files keep to their layers\n";
    return violations == 0 ? 0 : 1;
}
