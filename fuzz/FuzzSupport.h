#pragma once
// What the fuzz targets share: the input as a string view, and one scratch folder per process for
// the readers that only read files (on /dev/shm when there is one, so a run is not slowed by disk).

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace korva::fuzz {

inline std::string_view Input(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// A folder of this process's own, removed when the process ends normally.
class ScratchFolder {
  public:
    ScratchFolder() {
        const std::filesystem::path base =
            std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
        path_ = base / ("korva-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    // The folder as the core names folders: ending in "/".
    std::string Folder() const { return path_.string() + "/"; }
    // Writes bytes to a file in the folder and returns its path text.
    std::string Write(const std::string& name, std::string_view bytes) const {
        const std::filesystem::path file = path_ / name;
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return file.string();
    }

  private:
    std::filesystem::path path_;
};

inline ScratchFolder& Scratch() {
    static ScratchFolder folder;
    return folder;
}

}  // namespace korva::fuzz
