#include "TempFolder.h"
#include "platform/FileIdentity.h"

#include <gtest/gtest.h>

using velarium::platform::fileIdentity;
using velarium::platform::runningExecutable;
using velarium::test::TempFolder;
using velarium::test::writeFile;
namespace fs = std::filesystem;

TEST(FileIdentity, TwoNamesOfOneFileAreOneFileAndTwoFilesAreTwo)
{
    TempFolder folder;
    writeFile(folder / "a.txt", "uno");
    writeFile(folder / "b.txt", "uno");
    fs::create_directory(folder / "sotto");

    const auto a = fileIdentity(folder / "a.txt");
    ASSERT_TRUE(a.has_value());
    EXPECT_EQ(fileIdentity(folder / "sotto" / ".." / "a.txt"), a);
    EXPECT_NE(fileIdentity(folder / "b.txt"), a) << "same content, another file";
    fs::create_hard_link(folder / "a.txt", folder / "c.txt");
    EXPECT_EQ(fileIdentity(folder / "c.txt"), a);
    // A folder has an identity of its own too.
    EXPECT_TRUE(fileIdentity(folder / "sotto").has_value());
    EXPECT_FALSE(fileIdentity(folder / "manca.txt").has_value());
}

TEST(FileIdentity, TheRunningExecutableIsThisTestProgram)
{
    const auto self = runningExecutable();
    ASSERT_TRUE(self.has_value());
    EXPECT_NE(self->filename().string().find("velarium_core_tests"), std::string::npos)
        << self->string();
    EXPECT_TRUE(fileIdentity(*self).has_value());
}
