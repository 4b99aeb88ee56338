// The portable side of the cross-check. "write FOLDER" writes the expected cipher outputs and a
// store made by the portable writer; without it, the tests read the store that the Windows
// backend wrote into FOLDER (given by VELARIUM_CROSS_CHECK_DIR).

#include "CrossCheckCases.h"
#include "app/Crypt.h"
#include "main/FileCipher.h"
#include "platform/Profile.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iostream>

using namespace velarium;
using namespace velarium::test::crosscheck;
namespace fs = std::filesystem;

namespace {

int writeExpectations(const fs::path& folder)
{
    fs::create_directories(folder / kPortableStoreFolder);
    test::TempFolder scratch;
    for (const platform::KeySize keySize : kKeySizes) {
        const fs::path file = folder / cipherFile(keySize);
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        for (std::size_t size : sizes()) {
            test::writeFile(scratch / "in", plainFor(size));
            for (const std::string& password : passwords()) {
                FileCipher(scratch / "in", scratch / "out", password, true, keySize);
                out << cipherLine(size, password, test::readFile(scratch / "out")) << '\n';
            }
        }
        out.close();
        if (!out) {
            std::cerr << "cannot write " << file << '\n';
            return 1;
        }
    }
    const fs::path store = folder / kPortableStoreFolder;
    writeAccessValue(store, storedValueFor(kAccessPassword));
    for (const StoreEntry& entry : storeEntries()) {
        platform::writeProfileString(store / kAccessStoreName, entry.section, entry.key,
                                     entry.value);
    }
    return 0;
}

fs::path crossCheckFolder()
{
    const char* folder = std::getenv("VELARIUM_CROSS_CHECK_DIR");
    return folder ? fs::path(folder) : fs::path();
}

} // namespace

TEST(CrossCheckPortable, ReadsTheStoreTheWindowsBackendWrote)
{
    const fs::path folder = crossCheckFolder();
    ASSERT_FALSE(folder.empty()) << "VELARIUM_CROSS_CHECK_DIR is not set";
    const fs::path store = folder / kWindowsStoreFolder;
    ASSERT_TRUE(fs::exists(store / kAccessStoreName));
    EXPECT_TRUE(AccessCheck(readAccessValue(store), kAccessPassword));
    EXPECT_EQ(readAccessValue(store), storedValueFor(kAccessPassword));
    for (const StoreEntry& entry : storeEntries()) {
        EXPECT_EQ(platform::readProfileString(store / kAccessStoreName, entry.section, entry.key,
                                              "<assente>"),
                  entry.value)
            << entry.section << '/' << entry.key;
    }
}

int main(int argc, char** argv)
{
    if (argc == 3 && std::string_view(argv[1]) == "write") {
        return writeExpectations(argv[2]);
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
