#include "TempFolder.h"
#include "platform/FileIdentity.h"
#include "platform/FileIo.h"
#include "platform/Utf8Path.h"

#include <gtest/gtest.h>
#include <vector>

using velarium::pathFromUtf8;
using velarium::utf8FromPath;
using velarium::test::TempFolder;
using velarium::test::writeFile;
namespace fs = std::filesystem;

namespace {

// A blank, letters of Windows-1252 beyond ASCII, and one beyond the Basic Multilingual Plane,
// which UTF-16 spells with a surrogate pair.
const std::vector<std::string> kNames{
    "lettera \xC3\xA8 pronta.txt",
    "citt\xC3\xA0 \xE2\x82\xAC 5 \xE2\x80\x93 bis.txt",
    "foto \xF0\x9F\x93\xB7.jpg",
};

} // namespace

TEST(Utf8Path, NamesReachTheFileSystemAndComeBackUnchanged)
{
    for (const std::string& name : kNames) {
        SCOPED_TRACE(name);
        TempFolder folder;
        const fs::path file = folder.path() / pathFromUtf8(name);
        writeFile(file, "contenuto");
        EXPECT_TRUE(velarium::platform::fileIdentity(file).has_value());
        std::vector<std::string> listed;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder.path())) {
            listed.push_back(utf8FromPath(entry.path().filename()));
        }
        EXPECT_EQ(listed, std::vector<std::string>{name});
        EXPECT_EQ(utf8FromPath(pathFromUtf8(name)), name);
    }
}

TEST(Utf8Path, RefusalsNameTheFileInUtf8)
{
    TempFolder folder;
    for (const std::string& name : kNames) {
        SCOPED_TRACE(name);
        try {
            velarium::platform::InputFile missing(folder.path() / pathFromUtf8(name));
            ADD_FAILURE() << "a missing file opened";
        } catch (const velarium::SystemError& error) {
            EXPECT_NE(std::string(error.what()).find(name), std::string::npos) << error.what();
        }
    }
}
