#include "platform/FileReplace.h"

#include "platform/Error.h"
#include "platform/FileIo.h"
#include "platform/posix/FileKindPosix.h"
#include "platform/posix/UniqueFd.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace velarium::platform {
namespace {

namespace fs = std::filesystem;

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
    const UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir) {
        ::fsync(dir.get());
    }
}

// The access control list is kept by the system as one extended attribute among the others.
constexpr const char* kAccessList = "system.posix_acl_access";

struct Attribute
{
    std::string name;
    std::string value;
};

// What a file passes on to the one that takes its place.
struct Original
{
    struct stat st
    {
    };
    // Every extended attribute the process may read: user.*, the access control list, security.*
    // where permitted, trusted.* for the superuser alone (the system lists them to no one else).
    std::vector<Attribute> attributes;
};

bool unsupported(int code)
{
    return code == ENOTSUP || code == EOPNOTSUPP;
}

// Refusals that leave an attribute where the process may not set it: a label or a capability
// needs rights the process lacks, and only those attributes are lost.
bool notPermitted(int code)
{
    return code == EPERM || code == EACCES || unsupported(code);
}

std::vector<std::string> attributeNames(const fs::path& path)
{
    for (;;) {
        const ssize_t size = ::llistxattr(path.c_str(), nullptr, 0);
        if (size < 0) {
            if (unsupported(errno)) {
                return {};
            }
            throw SystemError("Impossibile leggere gli attributi estesi del file", path, errno);
        }
        std::string list(static_cast<std::size_t>(size), '\0');
        const ssize_t got = ::llistxattr(path.c_str(), list.data(), list.size());
        if (got < 0) {
            // One was added between the two calls.
            if (errno == ERANGE) {
                continue;
            }
            throw SystemError("Impossibile leggere gli attributi estesi del file", path, errno);
        }
        std::vector<std::string> names;
        for (std::size_t at = 0; at < static_cast<std::size_t>(got);) {
            const std::size_t end = list.find('\0', at);
            names.push_back(list.substr(at, end - at));
            at = end + 1;
        }
        return names;
    }
}

std::optional<std::string> attributeValue(const fs::path& path, const std::string& name)
{
    for (;;) {
        const ssize_t size = ::lgetxattr(path.c_str(), name.c_str(), nullptr, 0);
        std::string value(size > 0 ? static_cast<std::size_t>(size) : 0, '\0');
        const ssize_t got =
            size < 0 ? size : ::lgetxattr(path.c_str(), name.c_str(), value.data(), value.size());
        if (got >= 0) {
            value.resize(static_cast<std::size_t>(got));
            return value;
        }
        if (errno == ENODATA) {
            return std::nullopt;
        }
        if (errno != ERANGE) {
            throw SystemError("Impossibile leggere gli attributi estesi del file", path, errno);
        }
    }
}

// The state of the existing file at `path`, which is no link.
Original originalOf(const fs::path& path)
{
    Original old{statOrThrow(path), {}};
    for (std::string& name : attributeNames(path)) {
        if (auto value = attributeValue(path, name)) {
            old.attributes.push_back({std::move(name), std::move(*value)});
        }
    }
    return old;
}

// Gives `fd` the permission bits, access control list and extended attributes and, where we
// may, the owner of the file it replaces.
void takeOver(int fd, const Original& old, const fs::path& path)
{
    // The owner first: a change of owner clears the set-user-ID and set-group-ID bits.
    if (::geteuid() == 0 && (old.st.st_uid != ::geteuid() || old.st.st_gid != ::getegid())) {
        if (::fchown(fd, old.st.st_uid, old.st.st_gid) != 0) {
            throw SystemError("Impossibile impostare il proprietario del file", path, errno);
        }
    }
    const Attribute* list = nullptr;
    for (const Attribute& attribute : old.attributes) {
        if (attribute.name == kAccessList) {
            list = &attribute;
        }
    }
    // A fresh file takes its folder's default access list, which may grant others what the old
    // file never did.
    if (list == nullptr && ::fremovexattr(fd, kAccessList) != 0 && errno != ENODATA &&
        !unsupported(errno)) {
        throw SystemError("Impossibile impostare i permessi del file", path, errno);
    }
    for (const Attribute& attribute : old.attributes) {
        if (::fsetxattr(fd, attribute.name.c_str(), attribute.value.data(), attribute.value.size(),
                        0) == 0) {
            continue;
        }
        const int code = errno;
        // Without its list the file would not be the same to others: the mode's group bits stand
        // for the list's mask, and would hand the group what only the named entries had. Better
        // not replaced at all than opened up.
        if (&attribute == list) {
            throw SystemError("Impossibile copiare i permessi (ACL) del file", path, code);
        }
        if (!notPermitted(code)) {
            throw SystemError("Impossibile copiare gli attributi estesi del file", path, code);
        }
    }
    // The mode last: it agrees with the list just copied (its group bits are the list's mask),
    // and the file never grants more than the old one while it is given its rules.
    if (::fchmod(fd, old.st.st_mode & 07777) != 0) {
        throw SystemError("Impossibile impostare i permessi del file", path, errno);
    }
    if (::fsync(fd) != 0) {
        throw SystemError("Errore di scrittura su disco del file", path, errno);
    }
}

// A fresh file beside a target under a hidden name unique to this call. It takes the target's
// place only through place(); abandoned, it disappears, so that a failure never leaves a partial
// file behind.
class HiddenSibling
{
public:
    explicit HiddenSibling(const fs::path& target) : target_(target)
    {
        // Perhaps a file in clear: a program stopped half-way does not leave it behind.
        removal_.track([&] {
            std::string hidden = ".";
            hidden += target.filename().string();
            hidden += ".velarium-XXXXXX";
            std::string pattern = (target.parent_path() / hidden).string();
            fd_.reset(::mkostemp(pattern.data(), O_CLOEXEC));
            if (!fd_) {
                throw SystemError("Impossibile creare un file temporaneo accanto a", target, errno);
            }
            path_ = pattern;
            return path_;
        });
    }
    ~HiddenSibling()
    {
        // Closed before the removal: nothing holds the abandoned file afterwards.
        fd_.reset();
        if (!placed_) {
            removeQuietly(path_);
        }
    }
    HiddenSibling(const HiddenSibling&) = delete;
    HiddenSibling& operator=(const HiddenSibling&) = delete;

    const fs::path& path() const { return path_; }

    void write(const std::byte* data, std::size_t size)
    {
        writeAll(fd_.get(), std::span(data, size), path_);
    }

    // With `progress`, reports each step of the copy of `total` bytes and stops when cancelled.
    void copyFrom(InputFile& in, Progress* progress = nullptr, std::uint64_t total = 0)
    {
        std::array<std::byte, 1 << 16> buffer{};
        std::uint64_t done = 0;
        while (const std::size_t n = in.read(buffer)) {
            if (progress) {
                progress->step(done, std::max(total, done));
            }
            write(buffer.data(), n);
            done += n;
        }
        if (progress) {
            progress->step(done, done);
        }
    }

    // Puts the content on the disk with the access rules and owner of `old`, the file it
    // replaces, or with `mode` when there is none, then, once `lastLook` (if any) has passed,
    // renames it over the target.
    void place(const Original* old, mode_t mode, const std::function<void()>& lastLook = {})
    {
        if (old != nullptr) {
            takeOver(fd_.get(), *old, path_);
        } else if (::fchmod(fd_.get(), mode) != 0 || ::fsync(fd_.get()) != 0) {
            throw SystemError("Errore di scrittura su disco del file", path_, errno);
        }
        if (lastLook) {
            lastLook();
        }
        if (::rename(path_.c_str(), target_.c_str()) != 0) {
            throw SystemError("Impossibile sostituire il file", target_, errno);
        }
        placed_ = true;
        syncFolder(target_.parent_path());
    }

private:
    fs::path target_;
    fs::path path_;
    UniqueFd fd_;
    bool placed_ = false;
    RemovedWhenStopped removal_;
};

// The replacement lives on another file system: copy it beside the target under a fresh name,
// then rename that copy over the target.
void replaceAcrossFileSystems(const fs::path& replacement, const fs::path& target,
                              const Original& old, const std::function<void()>& lastLook,
                              Progress* progress)
{
    {
        std::error_code unknown;
        const std::uint64_t total = std::filesystem::file_size(replacement, unknown);
        InputFile in(replacement);
        HiddenSibling copy(target);
        copy.copyFrom(in, progress, unknown ? 0 : total);
        copy.place(&old, 0, lastLook);
    }
    removeQuietly(replacement);
}

// The file that an existing destination names, symbolic links followed, with its current state;
// nothing for a destination yet to be made.
std::optional<std::pair<fs::path, Original>> existingTarget(const fs::path& destination)
{
    struct stat old
    {
    };
    if (::stat(destination.c_str(), &old) != 0) {
        return std::nullopt;
    }
    fs::path target = replaceableTarget(destination);
    Original original = originalOf(target);
    return std::pair{std::move(target), std::move(original)};
}

// Writes the file at `path` through `put`, given the fresh file beside it, then puts it in
// place.
template <typename Put> void writeThroughSibling(const fs::path& path, NewFile made, Put&& put)
{
    const auto existing = existingTarget(path);
    HiddenSibling file(existing ? existing->first : path);
    put(file);
    file.place(existing ? &existing->second : nullptr, made == NewFile::Private ? 0600 : 0644);
}

std::int64_t nanoseconds(const struct timespec& time)
{
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

// Held by one program at a time while it takes the temporary file, so that none sees a file
// that another has just created, and not yet locked, as a leftover free to remove. Held only
// for that short step, never while a file is written.
class FolderLock
{
public:
    explicit FolderLock(const fs::path& file)
        : dir_(::open(file.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
        if (!dir_) {
            throw SystemError("Impossibile creare il file", file, errno);
        }
        if (retryInterrupted([&] { return ::flock(dir_.get(), LOCK_EX); }) != 0) {
            throw SystemError("Impossibile riservare il file", file, errno);
        }
    }

private:
    const UniqueFd dir_;
};

// A live command keeps a lock on its temporary file to its end; a dead one's lock went with it.
bool heldByLiveCommand(const fs::path& path)
{
    const UniqueFd file(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    return file && ::flock(file.get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
}

} // namespace

struct TemporaryClaim::Native
{
    UniqueFd fd;
};

FileVersion versionOf(const fs::path& path)
{
    const struct stat st = statOrThrow(path);
    return {static_cast<std::uint64_t>(st.st_dev),
            static_cast<std::uint64_t>(st.st_ino),
            static_cast<std::uint64_t>(st.st_size),
            nanoseconds(st.st_mtim),
            nanoseconds(st.st_ctim),
            static_cast<std::uint64_t>(st.st_nlink)};
}

TemporaryClaim::TemporaryClaim(const fs::path& path) : path_(path)
{
    // Tracked from its creation: the copy may be a file in clear.
    removal_.track([&] {
        const FolderLock folder(path);
        struct stat st
        {
        };
        if (::lstat(path.c_str(), &st) == 0) {
            if (S_ISREG(st.st_mode) && heldByLiveCommand(path)) {
                throw SystemError("File temporaneo in uso da un'altra operazione", path, EBUSY);
            }
            // Only the name goes: the file behind a link, or under another name, stays as it is.
            if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
                throw SystemError("Impossibile rimuovere il file temporaneo rimasto", path, errno);
            }
        }
        UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!fd) {
            throw SystemError("Impossibile creare il file", path, errno);
        }
        if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
            const int code = errno;
            fd.reset();
            ::unlink(path.c_str());
            throw SystemError("Impossibile riservare il file", path, code);
        }
        native_ = std::make_unique<Native>(Native{std::move(fd)});
        return path;
    });
}

TemporaryClaim::~TemporaryClaim()
{
    // Let go before the file stops being tracked: a stop request meanwhile still removes it.
    native_.reset();
}

void removeAbandonedTemporary(const fs::path& path) noexcept
{
    try {
        // Under the folder's lock no command can be taking the file meanwhile.
        const FolderLock folder(path);
        struct stat st
        {
        };
        if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && !heldByLiveCommand(path)) {
            ::unlink(path.c_str());
        }
    } catch (const std::exception&) {
        // The folder cannot be opened: nothing there can be removed either.
    }
}

void TemporaryClaim::confirm() const
{
    struct stat held
    {
    }, named{};
    if (::fstat(native_->fd.get(), &held) != 0 || ::lstat(path_.c_str(), &named) != 0 ||
        held.st_dev != named.st_dev || held.st_ino != named.st_ino) {
        throw Error("Il file temporaneo '" + path_.string() +
                    "' è stato sostituito da un altro programma");
    }
}

fs::path replaceableTarget(const fs::path& chosen)
{
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(chosen.c_str(), nullptr),
                                                     &std::free);
    if (!real) {
        throw SystemError("File non trovato", chosen, errno);
    }
    fs::path target(real.get());
    const struct stat st = statOrThrow(target);
    if (S_ISDIR(st.st_mode)) {
        throw SystemError("Non è un file", target, EISDIR);
    }
    if (!S_ISREG(st.st_mode)) {
        throw Error("Non è un file '" + target.string() + "': " + kindOf(st.st_mode));
    }
    // A file without write permission is what Windows calls read-only; the superuser could
    // still rename over it, but the user marked it to be left alone.
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(target.c_str(), W_OK) != 0) {
        throw SystemError("File di sola lettura", target, EACCES);
    }
    return target;
}

void replaceFile(const fs::path& replacement, const fs::path& target,
                 const std::function<void()>& lastLook, Progress* progress)
{
    const Original old = originalOf(target);
    {
        const UniqueFd fd(::open(replacement.c_str(), O_RDONLY | O_CLOEXEC));
        if (!fd) {
            throw SystemError("Impossibile aprire il file", replacement, errno);
        }
        const struct stat st = statOrThrow(replacement);
        if (st.st_dev != old.st.st_dev) {
            replaceAcrossFileSystems(replacement, target, old, lastLook, progress);
            return;
        }
        takeOver(fd.get(), old, replacement);
    }
    if (lastLook) {
        lastLook();
    }
    if (::rename(replacement.c_str(), target.c_str()) != 0) {
        const int code = errno;
        if (code == EXDEV) {
            replaceAcrossFileSystems(replacement, target, old, lastLook, progress);
            return;
        }
        throw SystemError("Impossibile sostituire il file", target, code);
    }
    syncFolder(target.parent_path());
    syncFolder(replacement.parent_path());
}

void writeFileAtomically(const fs::path& path, std::string_view bytes, NewFile made)
{
    writeThroughSibling(path, made, [&](HiddenSibling& file) {
        file.write(reinterpret_cast<const std::byte*>(bytes.data()), bytes.size());
    });
}

void writeFileAtomically(const fs::path& path, const std::function<void(const fs::path&)>& fill,
                         NewFile made)
{
    // The descriptor stays open on the same file, and puts what `fill` wrote on the disk.
    writeThroughSibling(path, made, [&](HiddenSibling& file) { fill(file.path()); });
}

void copyFileAtomically(const fs::path& source, const fs::path& destination)
{
    // Only a regular file may be copied: a pipe or a device could keep the copy waiting or
    // growing for ever.
    const struct stat from = statOrThrow(source);
    if (S_ISDIR(from.st_mode)) {
        throw SystemError("Impossibile copiare", source, EISDIR);
    }
    if (!S_ISREG(from.st_mode)) {
        throw Error("Impossibile copiare '" + source.string() + "': non è un file regolare");
    }
    InputFile in(source);
    const auto existing = existingTarget(destination);
    if (existing && existing->second.st.st_dev == from.st_dev &&
        existing->second.st.st_ino == from.st_ino) {
        throw Error("Impossibile copiare '" + source.string() + "' su '" + destination.string() +
                    "': sono lo stesso file");
    }
    HiddenSibling copy(existing ? existing->first : destination);
    copy.copyFrom(in);
    // The copy is no more open to others than its source: an archive holds passwords. Its owner
    // may always write it, or it could never be replaced again.
    copy.place(existing ? &existing->second : nullptr, (from.st_mode & 0666) | S_IRUSR | S_IWUSR);
}

void removeQuietly(const fs::path& path) noexcept
{
    ::unlink(path.c_str());
}

} // namespace velarium::platform
