// The portable profile writer's own layout, and what it refuses to read. The Windows backend
// leaves the layout of the file to the system's profile calls, which rewrite it in their own way.
#include "TempFolder.h"
#include "app/Crypt.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace velarium;
using velarium::test::readFile;
using velarium::test::TempFolder;
using velarium::test::writeFile;
namespace fs = std::filesystem;

TEST(AccessStore, WritingKeepsEverythingElseAndTheLineEnds)
{
    TempFolder folder;
    const auto store = folder / "unins000.dll";
    writeFile(store, "[Generale]\r\nLingua=it\r\n[accesso]\r\nvalore=00\r\nAltro=1\r\n\r\n"
                     "[Fine]\r\nX=y\r\n");
    writeAccessValue(folder.path(), "ABCD");
    EXPECT_EQ(readFile(store), "[Generale]\r\nLingua=it\r\n[accesso]\r\nValore=ABCD\r\nAltro=1\r\n"
                               "\r\n[Fine]\r\nX=y\r\n");

    // A key missing from its section goes after the section's last entry.
    writeFile(store, "[Accesso]\nAltro=1\n\n[Fine]\nX=y\n");
    writeAccessValue(folder.path(), "EF");
    EXPECT_EQ(readFile(store), "[Accesso]\nAltro=1\nValore=EF\n\n[Fine]\nX=y\n");

    // A missing section is added at the end.
    writeFile(store, "[Generale]\nLingua=it");
    writeAccessValue(folder.path(), "01");
    EXPECT_EQ(readFile(store), "[Generale]\nLingua=it\n[Accesso]\nValore=01\n");
    EXPECT_EQ(readAccessValue(folder.path()), "01");
}

TEST(AccessStore, OnlyASmallRegularFileIsEverRead)
{
    TempFolder folder;
    const auto store = folder / "unins000.dll";
    // The longest value there is, with room to spare, is read.
    const std::string longest(2047, 'A');
    writeFile(store, "; impostazioni\r\n[Accesso]\r\nValore=" + longest + "\r\n");
    EXPECT_EQ(readAccessValue(folder.path()), longest);

    struct Case
    {
        const char* what;
        std::function<void()> make;
        const char* cause;
    };
    const Case cases[] = {
        {"a pipe nobody writes", [&] { ASSERT_EQ(::mkfifo(store.c_str(), 0600), 0); },
         "è una pipe con nome (FIFO)"},
        {"a link to an endless device", [&] { fs::create_symlink("/dev/zero", store); },
         "è un dispositivo a caratteri"},
        {"a folder", [&] { fs::create_directory(store); }, "è una cartella"},
        {"a file far too large",
         [&] { writeFile(store, "[Accesso]\r\nValore=00\r\n" + std::string(1 << 20, ';')); },
         "è più lungo di 16384 byte"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(store);
        c.make();
        try {
            readAccessValue(folder.path());
            ADD_FAILURE() << "read";
        } catch (const Error& error) {
            EXPECT_NE(std::string(error.what()).find(c.cause), std::string::npos) << error.what();
        }
        // Nor is it read to be rewritten.
        EXPECT_THROW(writeAccessValue(folder.path(), "01"), Error);
    }
}
