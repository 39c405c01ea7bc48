#include "platform/ChildProcess.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "support/TempDir.h"

namespace korva {
namespace {

using testing::TempDir;

class ChildProcessTest : public ::testing::Test {
  protected:
    // An executable shell script in the program folder.
    std::string Script(const std::string& name, const std::string& body) {
        const std::string path = folder.Write(name, "#!/bin/sh\n" + body);
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        return path;
    }
    int Run(const std::string& commandLine, ProcessStart& start) {
        auto child = ChildProcess::Start(commandLine, folder.Folder(), start);
        if (!child)
            return -1;
        child->WaitBlocking();
        return child->ExitCode();
    }

    TempDir folder;
};

TEST_F(ChildProcessTest, RunsInTheProgramFolderWithItsArgumentsWholeAndNoExtraDescriptors) {
    Script("CONV.EXE",
           "pwd > out.txt\n"
           "for a in \"$@\"; do echo \"[$a]\" >> out.txt; done\n"
           "[ -e /dev/fd/77 ] && echo leaked >> out.txt\n"
           "exit 3\n");
    const int leaky = ::dup2(STDERR_FILENO, 77);  // without close-on-exec
    ASSERT_EQ(leaky, 77);
    ProcessStart start;
    const int code = Run("conv.exe \"/a b/c.RCP\" -O\"/m \\\"q\\\"/\"", start);  // the name ignoring case
    ::close(leaky);
    EXPECT_EQ(start.errorNumber, 0);
    EXPECT_EQ(start.kind, ProgramKind::Native);
    EXPECT_EQ(code, 3);
    EXPECT_EQ(folder.Read("out.txt"),
              std::filesystem::canonical(folder.Path()).string() + "\n[/a b/c.RCP]\n[-O/m \"q\"/]\n");
}

TEST_F(ChildProcessTest, ProgramsThatCannotStartGiveTheSystemsErrorNumber) {
    folder.Write("PLAIN.EXE", "#!/bin/sh\nexit 0\n");  // not executable
    ProcessStart start;
    EXPECT_EQ(Run("NOPE.EXE a", start), -1);
    EXPECT_EQ(start.errorNumber, ENOENT);
    EXPECT_EQ(Run(folder.Folder() + "NOPE.EXE a", start), -1);
    EXPECT_EQ(start.errorNumber, ENOENT);
    EXPECT_EQ(Run("PLAIN.EXE a", start), -1);
    EXPECT_EQ(start.errorNumber, EACCES);
    EXPECT_EQ(Run("", start), -1);
    EXPECT_EQ(start.errorNumber, ENOENT);
}

TEST_F(ChildProcessTest, WindowsProgramsRunThroughWineOnlyWhenItIsThere) {
    folder.Write("CVS.EXE", std::string("MZ\x90\0\x03", 5));  // not executable, as copied from Windows
    TempDir bin;
    const std::string savedPath = std::getenv("PATH");
    ::setenv("PATH", bin.Path().c_str(), 1);
    ProcessStart start;
    const int withoutWine = Run("CVS.EXE /s/a.rcp", start);
    const ProcessStart noWine = start;
    const std::string wine = bin.Write("wine", "#!/bin/sh\necho \"$@\" > \"$0.args\"\nexit 0\n");
    std::filesystem::permissions(wine, std::filesystem::perms::owner_all);
    const int throughWine = Run("CVS.EXE /s/a.rcp", start);
    ::setenv("PATH", savedPath.c_str(), 1);

    EXPECT_EQ(withoutWine, -1);
    EXPECT_EQ(noWine.errorNumber, ENOEXEC);
    EXPECT_EQ(noWine.kind, ProgramKind::WindowsWithoutWine);
    EXPECT_EQ(throughWine, 0);
    EXPECT_EQ(start.kind, ProgramKind::ThroughWine);
    EXPECT_EQ(bin.Read("wine.args"), folder.Folder() + "CVS.EXE /s/a.rcp\n");
}

}  // namespace
}  // namespace korva
