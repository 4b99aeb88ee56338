// Cases that need POSIX file systems: permission bits, symbolic links, a second file system.
#include "InPlaceCipherFixture.h"

#include <sys/stat.h>

using namespace velarium;
using velarium::test::InPlaceCipherTest;
using velarium::test::readFile;
using velarium::test::TempFolder;
using velarium::test::writeFile;
namespace fs = std::filesystem;

namespace {

mode_t modeOf(const fs::path& path)
{
    struct stat st
    {
    };
    ::lstat(path.c_str(), &st);
    return st.st_mode;
}

} // namespace

TEST_F(InPlaceCipherTest, PermissionBitsAreKept)
{
    const auto chosen = files / "a.bin";
    writeFile(chosen, "abc");
    fs::permissions(chosen, fs::perms(0750));
    run(chosen, CipherDirection::Encrypt, "pw");
    EXPECT_EQ(modeOf(chosen) & 07777, 0750u);
}

TEST_F(InPlaceCipherTest, ASymbolicLinkStaysAndItsTargetIsReplaced)
{
    const auto target = files / "vero.bin";
    const auto link = files / "collegamento";
    writeFile(target, "abc");
    fs::create_symlink(target, link);
    run(link, CipherDirection::Encrypt, "pw");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link), target);
    EXPECT_EQ(readFile(target), encrypted("abc", "pw"));
}

TEST_F(InPlaceCipherTest, ProgramFolderOnAnotherFileSystem)
{
    if (!fs::is_directory("/dev/shm")) {
        GTEST_SKIP() << "no second file system at /dev/shm";
    }
    TempFolder otherProgram("/dev/shm");
    struct stat a
    {
    }, b{};
    ::stat(otherProgram.path().c_str(), &a);
    ::stat(files.path().c_str(), &b);
    if (a.st_dev == b.st_dev) {
        GTEST_SKIP() << "/dev/shm is on the same file system as the test folder";
    }
    const std::string plain = test::randomBytes(200000, 3);
    const auto chosen = files / "lontano.bin";
    writeFile(chosen, plain);
    fs::permissions(chosen, fs::perms(0604));
    {
        InPlaceCipher job(otherProgram.path(), chosen, CipherDirection::Encrypt);
        job.writeProcessedCopy("pw");
        job.replaceChosenFile();
    }
    EXPECT_EQ(readFile(chosen), encrypted(plain, "pw"));
    EXPECT_EQ(modeOf(chosen) & 07777, 0604u);
    EXPECT_TRUE(fs::is_empty(otherProgram.path()));
    EXPECT_EQ(std::distance(fs::directory_iterator(files.path()), fs::directory_iterator()), 1);
}
