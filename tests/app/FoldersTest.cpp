#include "app/Folders.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/TempDir.h"

namespace korva {
namespace {

TEST(ProgramPlacesTest, PortableProgramKeepsItsFilesBesideItselfAndAnInstalledOneInItsConfigFolder) {
    EXPECT_EQ(ConfigFolderOf("/x/cfg/", "/home/u"), "/x/cfg/korva97/");
    EXPECT_EQ(ConfigFolderOf("", "/home/u"), "/home/u/.config/korva97/");
    EXPECT_EQ(ConfigFolderOf("relative/cfg", "/home/u/"), "/home/u/.config/korva97/");
    EXPECT_EQ(SharedDataFolderOf("/opt/k/bin"), "/opt/k/share/korva97/");

    const ProgramPlaces portable = ChooseProgramPlaces("/home/u/korva", true, false, "/cfg/korva97/");
    EXPECT_FALSE(portable.installed);
    EXPECT_EQ(portable.home, "/home/u/korva/");
    EXPECT_EQ(portable.supportFolders, (std::vector<std::string>{"/home/u/korva/"}));
    // A folder that cannot be written, or one laid out as an installation (as root can write it).
    for (const auto& [writable, sharedDataExists] : {std::pair{false, false}, std::pair{true, true}}) {
        const ProgramPlaces installed =
            ChooseProgramPlaces("/usr/bin/", writable, sharedDataExists, "/cfg/korva97/");
        EXPECT_TRUE(installed.installed);
        EXPECT_EQ(installed.home, "/cfg/korva97/");
        EXPECT_EQ(installed.supportFolders,
                  (std::vector<std::string>{"/cfg/korva97/", "/usr/bin/", "/usr/share/korva97/"}));
    }
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
