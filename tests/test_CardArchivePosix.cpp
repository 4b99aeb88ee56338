// What may stand at the archive's name on a POSIX system besides a file: pipes, devices.
#include "TempFolder.h"
#include "archive/ArchiveSession.h"
#include "archive/CardArchive.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace velarium;
using velarium::test::TempFolder;
namespace fs = std::filesystem;

namespace {

// The failure of opening the archive for `use`, or nothing when it opens.
std::optional<std::string> openingFailure(const fs::path& folder, ArchiveUse use)
{
    try {
        withArchive(folder, use, [](CardArchive& archive) { archive.Count(); });
    } catch (const ArchiveError& error) {
        return error.what();
    }
    return std::nullopt;
}

} // namespace

TEST(ArchiveName, APipeOrADeviceIsRefusedAtOnceAndNamedAsWhatItIs)
{
    const TempFolder pipe;
    ASSERT_EQ(::mkfifo((pipe / kCardArchiveName).c_str(), 0600), 0);
    const TempFolder device;
    fs::create_symlink("/dev/null", device / kCardArchiveName);
    const TempFolder folder;
    fs::create_directory(folder / kCardArchiveName);
    const std::pair<const TempFolder*, const char*> cases[] = {
        {&pipe, "è una pipe con nome (FIFO)"},
        {&device, "è un dispositivo a caratteri"},
        {&folder, "è una cartella"},
    };
    for (const auto& [where, cause] : cases) {
        // Opened for reading only, a pipe without a writer would keep the command waiting.
        for (const ArchiveUse use :
             {ArchiveUse::Writing, ArchiveUse::Reading, ArchiveUse::Copying}) {
            SCOPED_TRACE(std::string(cause) + " / " + std::to_string(static_cast<int>(use)));
            const auto failure = openingFailure(where->path(), use);
            ASSERT_TRUE(failure.has_value());
            EXPECT_NE(failure->find(cause), std::string::npos) << *failure;
            EXPECT_NE(failure->find(kCardArchiveName), std::string::npos) << *failure;
        }
    }
}
