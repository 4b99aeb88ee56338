// The shell backend on the system's own ShellExecute: programs really start, with the
// parameters and folder given, and names outside the ANSI code page reach the right file.

#include "TempFolder.h"
#include "platform/win32/ShellWin32.h"
#include "platform/win32/Win32Support.h"

#include <windows.h>

#include <chrono>
#include <gtest/gtest.h>
#include <system_error>

using namespace velarium;
using velarium::test::readFile;
using velarium::test::TempFolder;
using velarium::test::waitUntil;
using velarium::test::writeFile;
namespace fs = std::filesystem;

namespace {

// The shell starts programs and returns: what they do shows up a little later, and is complete
// once its writer has closed the file, which until then cannot be opened unshared.
bool appears(const fs::path& path)
{
    return waitUntil(
        [&] {
            const platform::win32::Handle unshared(::CreateFileW(path.c_str(), GENERIC_READ, 0,
                                                                 nullptr, OPEN_EXISTING,
                                                                 FILE_ATTRIBUTE_NORMAL, nullptr));
            std::error_code missing;
            return unshared.valid() && fs::file_size(path, missing) > 0 && !missing;
        },
        std::chrono::seconds(30));
}

std::string utf8(const fs::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

} // namespace

TEST(Win32Shell, StartsAProgramWithItsParametersInTheFolderGiven)
{
    TempFolder folder;
    platform::ShellRequest request = platform::sendMail("cmd.exe");
    request.parameters = "/c echo fatto> segno.txt";
    request.directory = utf8(folder.path());
    const platform::ShellResult result = platform::shellExecute(request, 0);
    EXPECT_TRUE(platform::shellSucceeded(result)) << result;
    ASSERT_TRUE(appears(folder / "segno.txt"));
    EXPECT_EQ(readFile(folder / "segno.txt"), "fatto\r\n");
}

TEST(Win32Shell, OpensADocumentWithItsTypesDefaultAction)
{
    TempFolder folder;
    // A batch file's default action is to run it: what it writes proves it was opened.
    const fs::path marker = folder / "aperto.txt";
    for (const char8_t* name : {u8"semplice.bat", u8"perché.bat", u8"файл.bat"}) {
        SCOPED_TRACE(reinterpret_cast<const char*>(name));
        fs::remove(marker);
        const fs::path document = folder.path() / fs::path(name);
        writeFile(document, "@echo aperto> \"" + marker.string() + "\"\r\n");
        const platform::ShellResult result =
            platform::shellExecute(platform::openWithDefaultAction(utf8(document)), 0);
        EXPECT_TRUE(platform::shellSucceeded(result)) << result;
        EXPECT_TRUE(appears(marker));
    }
}

TEST(Win32Shell, AMissingFileIsTheShellsFailure)
{
    TempFolder folder;
    const platform::ShellResult result =
        platform::shellExecute(platform::openWithDefaultAction(utf8(folder / "manca.bat")), 0);
    EXPECT_FALSE(platform::shellSucceeded(result)) << result;
    EXPECT_TRUE(fs::is_empty(folder.path()));
}

TEST(Win32Shell, ACallOwnedByTheProgramTakesItsWindow)
{
    TempFolder folder;
    platform::ShellRequest request = platform::visitWebSite("cmd.exe");
    request.parameters = "/c echo fatto> segno.txt";
    request.directory = utf8(folder.path());
    const HWND window = ::GetDesktopWindow();
    const platform::ShellResult result =
        platform::shellExecute(request, reinterpret_cast<std::intptr_t>(window));
    EXPECT_TRUE(platform::shellSucceeded(result)) << result;
    EXPECT_TRUE(appears(folder / "segno.txt"));
}
