// What may stand at the archive's name on a POSIX system besides a file (pipes, devices), and
// an archive replaced while it is open.
#include "TempFolder.h"
#include "archive/ArchiveSession.h"
#include "archive/CardArchive.h"
#include "platform/FileReplace.h"

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

// Only where a file held open can be replaced: Windows refuses such a rename instead.
TEST(ArchiveReplaced, WritesGoIntoTheArchiveThatThePathNamesNow)
{
    const TempFolder folder;
    const TempFolder other;
    const auto card = [](const std::string& text) {
        return FileCard{"/" + text, text, "", ""};
    };
    const auto append = [&](const fs::path& where, std::initializer_list<const char*> texts) {
        withArchive(where, [&](CardArchive& a) {
            for (const char* text : texts) {
                a.Append(card(text));
            }
        });
    };
    append(folder.path(), {"1", "2", "3"});
    CardArchive archive(folder.path());
    archive.Open();
    archive.Seek(2);

    // Another program puts a new archive in place, as a restore does, while this one is open.
    append(other.path(), {"nuova 1", "nuova 2"});
    platform::replaceFile(other / kCardArchiveName, folder / kCardArchiveName);

    // Card 3 is behind the end of the new archive: it becomes its third card.
    archive.Write(card("riscritta"));
    EXPECT_EQ(archive.Position(), 3u);
    EXPECT_EQ(archive.Append(card("aggiunta")), 4u);
    archive.Seek(0);
    archive.Write(card("prima"));
    archive.Close();
    const auto descriptions = withArchive(folder.path(), ArchiveUse::Reading, [](CardArchive& a) {
        std::vector<std::string> read;
        while (!a.AtEnd()) {
            read.push_back(a.Read().Description);
        }
        return read;
    });
    EXPECT_EQ(descriptions,
              (std::vector<std::string>{"prima", "nuova 2", "riscritta", "aggiunta"}));
}
