#pragma once
// A fresh temporary folder for one test, removed with everything in it afterwards.

#include <filesystem>
#include <string>
#include <string_view>

namespace korva::testing {

// Writes bytes to the file, replacing it; throws naming the file when it cannot.
void WriteFile(const std::filesystem::path& file, std::string_view bytes);

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // The folder as the core's folder text: ending in "/".
    std::string Folder() const { return path_.string() + "/"; }
    // Writes bytes to a file in the folder and returns its full path text.
    std::string Write(std::string_view name, std::string_view bytes) const;
    std::string Read(std::string_view name) const;
    bool Exists(std::string_view name) const;

  private:
    std::filesystem::path path_;
};

}  // namespace korva::testing
