// The private folder of the clear-text exports: who may read it, where it is, and how long its
// files live, with real processes for the runs that are alive and the runs that were killed.

#include "ChildProcess.h"
#include "TempFolder.h"
#include "platform/Error.h"
#include "platform/ExportFolder.h"

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace velarium::test {
namespace {

namespace fs = std::filesystem;
using platform::ExportFolder;

fs::perms permissionsOf(const fs::path& path)
{
    return fs::symlink_status(path).permissions() & fs::perms::all;
}

// Sets an environment variable (or unsets it, with no value) for the object's lifetime.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, std::optional<std::string> value) : name_(name)
    {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        set(value);
    }
    ~ScopedEnv() { set(old_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    void set(const std::optional<std::string>& value)
    {
        if (value) {
            ::setenv(name_, value->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }

    const char* name_;
    std::optional<std::string> old_;
};

// Another run of the program, in a process of its own: it exports one file into `folder` and
// then lives until it is killed.
class OtherRun
{
public:
    explicit OtherRun(const fs::path& folder)
        : run_(std::make_unique<Forked>(
              [&] {
                  // Never destroyed: the run ends only by being killed.
                  auto* exports = new ExportFolder(folder);
                  exported_.send(exports->newFile("xlsx").string());
                  for (;;) {
                      ::pause();
                  }
              },
              "other run"))
    {
        file_ = exported_.receive().value_or("");
    }
    OtherRun(const OtherRun&) = delete;
    OtherRun& operator=(const OtherRun&) = delete;

    const std::string& file() const { return file_; }

    // Ends the run as a kill does: nothing of it cleans up.
    void kill() { run_.reset(); }

private:
    Handoff exported_;
    std::unique_ptr<Forked> run_;
    std::string file_;
};

} // namespace

TEST(ExportFolderTest, FilesAreTheOwnersOnlyInFoldersNobodyElseCanOpen)
{
    const TempFolder base;
    ExportFolder exports(base / "esportazioni");
    EXPECT_FALSE(fs::exists(exports.folder())) << "nothing is made before the first export";
    const fs::path file = exports.newFile("docx");
    EXPECT_EQ(file.parent_path(), exports.runFolder());
    EXPECT_EQ(exports.runFolder().parent_path(), exports.folder());
    EXPECT_EQ(permissionsOf(exports.folder()), fs::perms::owner_all);
    EXPECT_EQ(permissionsOf(exports.runFolder()), fs::perms::owner_all);
    EXPECT_EQ(permissionsOf(file), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fs::file_size(file), 0u);
    EXPECT_NE(exports.newFile("docx"), file);
    EXPECT_EQ(exports.newFile("xlsx").extension(), ".xlsx");
}

TEST(ExportFolderTest, AFolderThatIsNotPrivateIsRefusedAndNothingIsWrittenThere)
{
    const TempFolder base;
    fs::create_directory(base / "vera");
    fs::permissions(base / "vera", fs::perms::owner_all);
    fs::create_symlink(base / "vera", base / "collegamento");
    fs::create_directory(base / "aperta");
    fs::permissions(base / "aperta", fs::perms::owner_all | fs::perms::group_read |
                                         fs::perms::group_exec | fs::perms::others_read |
                                         fs::perms::others_exec);
    writeFile(base / "file", "");
    std::vector<std::string> refused = {"collegamento", "aperta", "file"};
    if (::geteuid() == 0) {
        // Only the superuser can give a folder away.
        fs::create_directory(base / "altrui");
        fs::permissions(base / "altrui", fs::perms::owner_all);
        ASSERT_EQ(::chown((base / "altrui").c_str(), 65534, 65534), 0);
        refused.push_back("altrui");
    }
    for (const std::string& name : refused) {
        SCOPED_TRACE(name);
        ExportFolder exports(base / name);
        EXPECT_THROW(exports.newFile("docx"), Error);
        EXPECT_TRUE(exports.runFolder().empty());
        EXPECT_EQ(exports.removeLeftovers(), 0);
    }
    EXPECT_TRUE(fs::is_empty(base / "vera")) << "nothing went through the link";
    EXPECT_TRUE(fs::is_empty(base / "aperta"));
}

TEST(ExportFolderTest, TheRuntimeFolderServesOnlyWhenItIsTheUsersPrivateFolder)
{
    const TempFolder base;
    const ScopedEnv temporary("TMPDIR", base.path().string());
    const fs::path fallback = base / ("velarium-" + std::to_string(::geteuid()));
    const fs::path runtime = base / "run-user";
    fs::create_directory(runtime);
    fs::permissions(runtime, fs::perms::owner_all);
    fs::create_directory_symlink(runtime, base / "link");
    fs::create_directory(base / "shared");
    fs::permissions(base / "shared", fs::perms::owner_all | fs::perms::group_all);
    const std::pair<std::optional<std::string>, fs::path> cases[] = {
        {runtime.string(), runtime / "velarium"},
        {std::nullopt, fallback},
        {"", fallback},
        {"run-user", fallback}, // relative
        {(base / "link").string(), fallback},
        {(base / "shared").string(), fallback},
        {(base / "missing").string(), fallback},
    };
    for (const auto& [value, expected] : cases) {
        SCOPED_TRACE(value.value_or("(unset)"));
        const ScopedEnv variable("XDG_RUNTIME_DIR", value);
        EXPECT_EQ(ExportFolder::userFolder(), expected);
    }
}

TEST(ExportFolderTest, ARunsFilesGoWhenItEnds)
{
    const TempFolder base;
    fs::path run;
    std::vector<fs::path> files;
    {
        ExportFolder exports(base / "esportazioni");
        files = {exports.newFile("docx"), exports.newFile("xlsx")};
        writeFile(files[0], "password in chiaro");
        run = exports.runFolder();
        ASSERT_TRUE(fs::exists(files[1]));
    }
    EXPECT_FALSE(fs::exists(run));
    EXPECT_TRUE(fs::is_empty(base / "esportazioni"));
    // A run that never exported makes and removes nothing.
    {
        ExportFolder idle(base / "mai");
    }
    EXPECT_FALSE(fs::exists(base / "mai"));
}

TEST(ExportFolderTest, LeftoversOfKilledRunsGoAndLiveRunsKeepTheirFiles)
{
    const TempFolder base;
    const fs::path folder = base / "esportazioni";
    ExportFolder missing(folder);
    EXPECT_EQ(missing.removeLeftovers(), 0);
    EXPECT_FALSE(fs::exists(folder)) << "cleaning makes no folder";

    ExportFolder mine(folder);
    const fs::path myFile = mine.newFile("docx");
    OtherRun alive(folder);
    OtherRun killed(folder);
    ASSERT_TRUE(fs::exists(alive.file()));
    ASSERT_TRUE(fs::exists(killed.file()));
    // Something that is no run's folder is not ours to judge.
    writeFile(folder / "nota.txt", "");

    ExportFolder starting(folder);
    EXPECT_EQ(starting.removeLeftovers(), 0) << "every run is still alive";
    killed.kill();
    EXPECT_EQ(starting.removeLeftovers(), 1);
    EXPECT_FALSE(fs::exists(fs::path(killed.file()).parent_path()));
    EXPECT_TRUE(fs::exists(alive.file()));
    EXPECT_TRUE(fs::exists(myFile));
    EXPECT_TRUE(fs::exists(folder / "nota.txt"));
    // A run that cleans up never counts its own folder as left behind.
    EXPECT_EQ(mine.removeLeftovers(), 0);
    EXPECT_TRUE(fs::exists(myFile));
    alive.kill();
    EXPECT_EQ(mine.removeLeftovers(), 1);
    EXPECT_TRUE(fs::exists(myFile));
}

} // namespace velarium::test
