#include "platform/ExportFolder.h"

#include "platform/Error.h"
#include "platform/posix/UniqueFd.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace velarium::platform {
namespace {

namespace fs = std::filesystem;

constexpr const char* kRunPrefix = "run-";

bool isPrivate(const struct stat& st)
{
    return S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 077) == 0;
}

// Opens `path` as a folder of this user's alone: a real folder (a link is never followed), owned
// by the user, closed to everybody else. With `create`, a missing folder is made so.
UniqueFd openPrivateFolder(const fs::path& path, bool create)
{
    bool made = false;
    if (create) {
        if (::mkdir(path.c_str(), 0700) == 0) {
            made = true;
        } else if (errno != EEXIST) {
            throw SystemError("Impossibile creare la cartella", path, errno);
        }
    }
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd) {
        throw SystemError("Impossibile aprire la cartella", path, errno);
    }
    struct stat st
    {
    };
    if (::fstat(fd.get(), &st) != 0) {
        throw SystemError("Impossibile esaminare la cartella", path, errno);
    }
    if (!isPrivate(st)) {
        throw Error("La cartella " + path.string() +
                    " non è riservata all'utente: le esportazioni non vi sono scritte");
    }
    // The creation mask may have taken the owner's own rights.
    if (made && (st.st_mode & 0777) != 0700) {
        ::fchmod(fd.get(), 0700);
    }
    return fd;
}

// Empties the folder open as `folder`, whatever is inside, without following any link.
void removeContents(int folder) noexcept
{
    const DirStream dir = listFolder(folder);
    if (!dir) {
        return;
    }
    while (const dirent* entry = ::readdir(dir.get())) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) {
            continue;
        }
        if (::unlinkat(folder, name, 0) == 0 || (errno != EISDIR && errno != EPERM)) {
            continue;
        }
        UniqueFd inner(::openat(folder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (inner) {
            removeContents(inner.get());
            inner.reset();
            ::unlinkat(folder, name, AT_REMOVEDIR);
        }
    }
}

// Keeps every other run of the program from looking into the folder while it is held: a new
// run's subfolder is locked before anybody can take it for one that was left behind.
class FolderGuard
{
public:
    explicit FolderGuard(const UniqueFd& folder) : folder_(folder)
    {
        ::flock(folder_.get(), LOCK_EX);
    }
    ~FolderGuard() { ::flock(folder_.get(), LOCK_UN); }
    FolderGuard(const FolderGuard&) = delete;
    FolderGuard& operator=(const FolderGuard&) = delete;

private:
    const UniqueFd& folder_;
};

} // namespace

struct ExportFolder::Native
{
    // Held, and locked, for as long as the run lives.
    UniqueFd runLock;
};

fs::path ExportFolder::userFolder()
{
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR")) {
        const fs::path folder(runtime);
        struct stat st
        {
        };
        if (folder.is_absolute() && ::lstat(folder.c_str(), &st) == 0 && isPrivate(st) &&
            (st.st_mode & 0777) == 0700) {
            return folder / "velarium";
        }
    }
    std::error_code error;
    fs::path temporary = fs::temp_directory_path(error);
    if (error) {
        temporary = "/tmp";
    }
    return temporary / ("velarium-" + std::to_string(::geteuid()));
}

ExportFolder::ExportFolder(fs::path folder) : folder_(std::move(folder)) {}

ExportFolder::~ExportFolder()
{
    if (!native_) {
        return;
    }
    removeContents(native_->runLock.get());
    ::rmdir(run_.c_str());
}

int ExportFolder::removeLeftovers() noexcept
{
    int removed = 0;
    try {
        const UniqueFd folder = openPrivateFolder(folder_, false);
        const FolderGuard guard(folder);
        const DirStream dir = listFolder(folder.get());
        if (!dir) {
            return 0;
        }
        while (const dirent* entry = ::readdir(dir.get())) {
            const char* name = entry->d_name;
            if (std::strncmp(name, kRunPrefix, std::strlen(kRunPrefix)) != 0) {
                continue;
            }
            const UniqueFd run(
                ::openat(folder.get(), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            // A run still alive holds its lock; this one's own is held through another opening.
            if (!run || ::flock(run.get(), LOCK_EX | LOCK_NB) != 0) {
                continue;
            }
            removeContents(run.get());
            if (::unlinkat(folder.get(), name, AT_REMOVEDIR) == 0) {
                ++removed;
            }
        }
    } catch (const std::exception&) {
        // Nothing was ever exported here, or the folder is not ours to clean.
    }
    return removed;
}

fs::path ExportFolder::newFile(std::string_view extension)
{
    if (!native_) {
        const UniqueFd folder = openPrivateFolder(folder_, true);
        const FolderGuard guard(folder);
        std::string pattern = (folder_ / (std::string(kRunPrefix) + "XXXXXX")).string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw SystemError("Impossibile creare una cartella in", folder_, errno);
        }
        const fs::path run(pattern);
        UniqueFd lock(::open(run.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!lock || ::flock(lock.get(), LOCK_EX | LOCK_NB) != 0) {
            const int code = errno;
            ::rmdir(run.c_str());
            throw SystemError("Impossibile riservare la cartella", run, code);
        }
        run_ = run;
        native_ = std::make_unique<Native>(Native{std::move(lock)});
    }
    const std::string suffix = "." + std::string(extension);
    std::string pattern = (run_ / ("Velarium-archivio-XXXXXX" + suffix)).string();
    const UniqueFd file(::mkostemps(pattern.data(), static_cast<int>(suffix.size()), O_CLOEXEC));
    if (!file) {
        throw SystemError("Impossibile creare un file temporaneo in", run_, errno);
    }
    return fs::path(pattern);
}

} // namespace velarium::platform
