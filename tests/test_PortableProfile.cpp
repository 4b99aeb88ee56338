// The portable profile writer's own layout. The Windows backend leaves the layout of the file to
// the system's profile calls, which rewrite it in their own way.
#include "TempFolder.h"
#include "app/Crypt.h"

#include <gtest/gtest.h>

using namespace velarium;
using velarium::test::readFile;
using velarium::test::TempFolder;
using velarium::test::writeFile;

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
