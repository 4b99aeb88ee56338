// A sparse file beyond 4 GiB, made with POSIX calls.
#include "TempFolder.h"
#include "main/FileCipher.h"
#include "platform/Rc4.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <vector>

using namespace velarium;
using velarium::test::TempFolder;

// Positions beyond 4 GiB: a sparse file just over that size is processed to its end, and its
// last bytes are enciphered with the key stream at that very offset.
TEST(FileCipher, FilesBeyondFourGigabytesAreProcessedToTheEnd)
{
    TempFolder folder;
    const auto source = folder / "big";
    const std::uint64_t size = (std::uint64_t{4} << 30) + 1000;
    std::error_code ec;
    const auto space = std::filesystem::space(folder.path(), ec);
    if (ec || space.available < size + (std::uint64_t{1} << 30)) {
        GTEST_SKIP() << "not enough disk space for a file over 4 GiB";
    }
    const std::string tail = "END";
    {
        const int fd = ::open(source.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(size)), 0);
        ASSERT_EQ(::pwrite(fd, tail.data(), 3, static_cast<off_t>(size - 3)), 3);
        ::close(fd);
    }
    const auto destination = folder / "big.out";
    FileCipher(source, destination, "pw", true);
    EXPECT_EQ(std::filesystem::file_size(destination), size);

    std::string last(3, '\0');
    const int fd = ::open(destination.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pread(fd, last.data(), 3, static_cast<off_t>(size - 3)), 3);
    ::close(fd);
    std::filesystem::remove(destination);

    // The key stream up to the end, computed in memory.
    const auto key = platform::deriveRc4Key("pw");
    std::vector<std::uint8_t> stream(1 << 20);
    std::uint64_t done = 0;
    while (done + stream.size() <= size) {
        std::fill(stream.begin(), stream.end(), 0);
        key->encrypt(stream);
        done += stream.size();
    }
    std::vector<std::uint8_t> rest(size - done, 0);
    key->encrypt(rest);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(static_cast<std::uint8_t>(last[i]),
                  static_cast<std::uint8_t>(tail[i]) ^ rest[rest.size() - 3 + i]);
    }
}
