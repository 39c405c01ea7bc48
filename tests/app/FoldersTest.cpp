#include "app/Folders.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/TempDir.h"

namespace korva {
namespace {

TEST(ProgramPlacesTest, ConfigurationFolderFollowsXdgConfigHomeWhenItIsAnAbsolutePath) {
    EXPECT_EQ(ConfigFolderOf("/x/cfg", "/home/u"), "/x/cfg/korva97/");
    EXPECT_EQ(ConfigFolderOf("/x/cfg/", "/home/u"), "/x/cfg/korva97/");
    EXPECT_EQ(ConfigFolderOf("", "/home/u"), "/home/u/.config/korva97/");
    EXPECT_EQ(ConfigFolderOf("relative/cfg", "/home/u/"), "/home/u/.config/korva97/");
}

TEST(ProgramPlacesTest, SharedDataLiesBesideTheBinFolder) {
    EXPECT_EQ(SharedDataFolderOf("/usr/bin/"), "/usr/share/korva97/");
    EXPECT_EQ(SharedDataFolderOf("/opt/k/bin"), "/opt/k/share/korva97/");
}

TEST(ProgramPlacesTest, PortableProgramKeepsEverythingInItsOwnFolder) {
    const ProgramPlaces places =
        ChooseProgramPlaces("/home/u/korva", true, false, "/home/u/.config/korva97/");
    EXPECT_FALSE(places.installed);
    EXPECT_EQ(places.home, "/home/u/korva/");
    EXPECT_EQ(places.supportFolders, (std::vector<std::string>{"/home/u/korva/"}));
}

TEST(ProgramPlacesTest, InstalledProgramKeepsItsFilesInTheConfigurationFolder) {
    const std::vector<std::string> lookup{"/home/u/.config/korva97/", "/usr/bin/", "/usr/share/korva97/"};
    // Read-only folder, or writable (as for root) but laid out as an installation.
    for (const bool writable : {false, true}) {
        const bool sharedDataExists = writable;
        const ProgramPlaces places =
            ChooseProgramPlaces("/usr/bin/", writable, sharedDataExists, "/home/u/.config/korva97/");
        EXPECT_TRUE(places.installed) << writable;
        EXPECT_EQ(places.home, "/home/u/.config/korva97/");
        EXPECT_EQ(places.supportFolders, lookup);
    }
    Folders folders = MakeFolders("/home/u/.config/korva97/", {"/lists"});
    EXPECT_EQ(folders.SettingsPath(), "/home/u/.config/korva97/KORVA.INI");
    EXPECT_EQ(folders.RejectPath(0), "/home/u/.config/korva97/KORVA.NG0");
    EXPECT_EQ(folders.PlaylistPath(0), "/lists/KORVA.DT0");
    EXPECT_EQ(folders.PlaylistPath(1), "/home/u/.config/korva97/KORVA.DT1");
}

TEST(ProgramPlacesTest, SupportFileIsTakenFromTheFirstFolderThatHoldsIt) {
    testing::TempDir dir;
    std::filesystem::create_directories(dir.Path() / "home");
    std::filesystem::create_directories(dir.Path() / "bin");
    std::filesystem::create_directories(dir.Path() / "share");
    dir.Write("bin/CVS.EXE", "#!/bin/sh\n");
    dir.Write("share/cvs.exe", "#!/bin/sh\n");
    dir.Write("share/korva_gm.mid", "MThd");
    Folders folders = MakeFolders(dir.Folder() + "home", {});
    folders.SupportFolders = {dir.Folder() + "home/", dir.Folder() + "bin/", dir.Folder() + "share/"};
    EXPECT_EQ(folders.SupportFolderOf("CVS.EXE"), dir.Folder() + "bin/");
    EXPECT_EQ(folders.SupportFolderOf("KORVA_GM.MID"), dir.Folder() + "share/");  // a-z case ignored
    EXPECT_EQ(folders.SupportFolderOf("KORVA_GS.MID"), dir.Folder() + "home/");   // nowhere: home
    dir.Write("home/CVS.EXE", "#!/bin/sh\n");
    EXPECT_EQ(folders.SupportFolderOf("CVS.EXE"), dir.Folder() + "home/");  // the user's own copy first
}

}  // namespace
}  // namespace korva
