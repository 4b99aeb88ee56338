#include "platform/Error.h"
#include "platform/FileIo.h"
#include "platform/FileReplace.h"

#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace velarium::platform {
namespace {

namespace fs = std::filesystem;

class Fd
{
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd()
    {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

struct stat statOrThrow(const fs::path& path)
{
    struct stat st
    {
    };
    if (::stat(path.c_str(), &st) != 0) {
        throw SystemError("File non trovato", path, errno);
    }
    return st;
}

// Makes a rename inside `folder` survive a power cut.
void syncFolder(const fs::path& folder)
{
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) {
        ::fsync(dir.get());
    }
}

// Gives `fd` the permission bits and, where we may, the owner of the file it replaces.
void takeOver(int fd, const struct stat& old, const fs::path& path)
{
    if (::fchmod(fd, old.st_mode & 07777) != 0) {
        throw SystemError("Impossibile impostare i permessi del file", path, errno);
    }
    if (::geteuid() == 0 && (old.st_uid != ::geteuid() || old.st_gid != ::getegid())) {
        if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
            throw SystemError("Impossibile impostare il proprietario del file", path, errno);
        }
    }
    if (::fsync(fd) != 0) {
        throw SystemError("Errore di scrittura su disco del file", path, errno);
    }
}

void copyInto(const fs::path& from, int toFd, const fs::path& toPath)
{
    InputFile in(from);
    std::array<std::byte, 1 << 16> buffer{};
    for (;;) {
        const std::size_t n = in.read(buffer);
        if (n == 0) {
            return;
        }
        std::size_t done = 0;
        while (done < n) {
            const ssize_t w = ::write(toFd, buffer.data() + done, n - done);
            if (w < 0) {
                if (errno == EINTR) {
                    continue;
                }
                throw SystemError("Errore di scrittura nel file", toPath, errno);
            }
            done += static_cast<std::size_t>(w);
        }
    }
}

// The replacement lives on another file system: copy it beside the target under a fresh name,
// then rename that copy over the target.
void replaceAcrossFileSystems(const fs::path& replacement, const fs::path& target,
                              const struct stat& old)
{
    // A hidden name beside the target, unique to this call.
    std::string hidden = ".";
    hidden += target.filename().string();
    hidden += ".velarium-XXXXXX";
    std::string pattern = (target.parent_path() / hidden).string();
    const int raw = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (raw < 0) {
        throw SystemError("Impossibile creare un file temporaneo accanto a", target, errno);
    }
    Fd copy(raw);
    const fs::path copyPath(pattern);
    try {
        copyInto(replacement, copy.get(), copyPath);
        takeOver(copy.get(), old, copyPath);
        if (::rename(copyPath.c_str(), target.c_str()) != 0) {
            throw SystemError("Impossibile sostituire il file", target, errno);
        }
    } catch (...) {
        removeQuietly(copyPath);
        throw;
    }
    syncFolder(target.parent_path());
    removeQuietly(replacement);
}

} // namespace

fs::path replaceableTarget(const fs::path& chosen)
{
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(chosen.c_str(), nullptr),
                                                     &std::free);
    if (!real) {
        throw SystemError("File non trovato", chosen, errno);
    }
    fs::path target(real.get());
    const struct stat st = statOrThrow(target);
    if (!S_ISREG(st.st_mode)) {
        throw SystemError("Non è un file", target, EISDIR);
    }
    // A file without write permission is what Windows calls read-only; the superuser could
    // still rename over it, but the user marked it to be left alone.
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(target.c_str(), W_OK) != 0) {
        throw SystemError("File di sola lettura", target, EACCES);
    }
    return target;
}

void replaceFile(const fs::path& replacement, const fs::path& target)
{
    const struct stat old = statOrThrow(target);
    {
        Fd fd(::open(replacement.c_str(), O_RDONLY | O_CLOEXEC));
        if (fd.get() < 0) {
            throw SystemError("Impossibile aprire il file", replacement, errno);
        }
        const struct stat st = statOrThrow(replacement);
        if (st.st_dev != old.st_dev) {
            replaceAcrossFileSystems(replacement, target, old);
            return;
        }
        takeOver(fd.get(), old, replacement);
    }
    if (::rename(replacement.c_str(), target.c_str()) != 0) {
        const int code = errno;
        if (code == EXDEV) {
            replaceAcrossFileSystems(replacement, target, old);
            return;
        }
        throw SystemError("Impossibile sostituire il file", target, code);
    }
    syncFolder(target.parent_path());
    syncFolder(replacement.parent_path());
}

void writeFileAtomically(const fs::path& path, std::string_view bytes)
{
    fs::path target = path;
    mode_t mode = 0644;
    struct stat old
    {
    };
    bool existed = false;
    if (::stat(path.c_str(), &old) == 0) {
        target = replaceableTarget(path);
        mode = old.st_mode & 07777;
        existed = true;
    }
    std::string hidden = ".";
    hidden += target.filename().string();
    hidden += ".velarium-XXXXXX";
    std::string pattern = (target.parent_path() / hidden).string();
    const int raw = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (raw < 0) {
        throw SystemError("Impossibile creare un file temporaneo accanto a", target, errno);
    }
    Fd fd(raw);
    const fs::path temporary(pattern);
    try {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd.get(), bytes.data() + done, bytes.size() - done);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                throw SystemError("Errore di scrittura nel file", temporary, errno);
            }
            done += static_cast<std::size_t>(n);
        }
        if (existed) {
            takeOver(fd.get(), old, temporary);
        } else if (::fchmod(fd.get(), mode) != 0 || ::fsync(fd.get()) != 0) {
            throw SystemError("Errore di scrittura su disco del file", temporary, errno);
        }
        if (::rename(temporary.c_str(), target.c_str()) != 0) {
            throw SystemError("Impossibile sostituire il file", target, errno);
        }
    } catch (...) {
        removeQuietly(temporary);
        throw;
    }
    syncFolder(target.parent_path());
}

void removeQuietly(const fs::path& path) noexcept
{
    ::unlink(path.c_str());
}

} // namespace velarium::platform
