#include "platform/FileReplace.h"

#include "platform/FileIo.h"
#include "platform/Utf8Path.h"
#include "platform/win32/Win32Support.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace velarium::platform {
namespace {

namespace fs = std::filesystem;
using win32::Handle;

constexpr DWORD kReplaceFlags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;

DWORD attributesOrThrow(const fs::path& path)
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        win32::raise("File non trovato", path);
    }
    return attributes;
}

// The path the system resolves `handle` to, links followed, without the "\\?\" prefix that
// the rest of the program and the ANSI calls do not expect.
std::optional<fs::path> finalPath(HANDLE handle)
{
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetFinalPathNameByHandleW(
            handle, buffer.data(), static_cast<DWORD>(buffer.size()), FILE_NAME_NORMALIZED);
        if (length == 0) {
            return std::nullopt;
        }
        if (length < buffer.size()) {
            buffer.resize(length);
            break;
        }
        buffer.resize(length + 1);
    }
    if (buffer.rfind(L"\\\\?\\UNC\\", 0) == 0) {
        return fs::path(L"\\\\" + buffer.substr(8));
    }
    if (buffer.rfind(L"\\\\?\\", 0) == 0) {
        return fs::path(buffer.substr(4));
    }
    return fs::path(buffer);
}

// What decides who may do what with a file: its access rules (DACL) and, where the process may
// set them, its owner and group. A file moved into place keeps its own, which a file made in the
// program folder took from that folder: the replaced file's are given to it instead.
class SecurityDescriptor
{
public:
    explicit SecurityDescriptor(const fs::path& path)
    {
        DWORD size = 0;
        ::GetFileSecurityW(path.c_str(), kEverything, nullptr, 0, &size);
        while (size > 0) {
            bytes_.resize(size);
            if (::GetFileSecurityW(path.c_str(), kEverything, bytes_.data(), size, &size)) {
                return;
            }
            if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
                break;
            }
        }
        win32::raise("Impossibile leggere le proprietà del file", path);
    }

    // Given exactly as read, inherited entries and protection included, so that the file grants
    // no one more than the one it replaces did.
    void applyTo(const fs::path& path) const
    {
        const PSECURITY_DESCRIPTOR descriptor = bytes_.data();
        if (::SetFileSecurityW(path.c_str(), kEverything, descriptor)) {
            return;
        }
        // Only an administrator may give a file someone else's owner; the rules are what count.
        if (!::SetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, descriptor)) {
            win32::raise("Impossibile impostare i permessi del file", path);
        }
    }

private:
    static constexpr SECURITY_INFORMATION kEverything =
        OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    // The calls take the descriptor as writable, though they only read it.
    mutable std::vector<BYTE> bytes_;
};

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
            path_ = win32::createSibling(target, FILE_ATTRIBUTE_HIDDEN, handle_);
            return path_;
        });
    }
    ~HiddenSibling()
    {
        handle_.reset();
        if (!placed_) {
            ::SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
            removeQuietly(path_);
        }
    }
    HiddenSibling(const HiddenSibling&) = delete;
    HiddenSibling& operator=(const HiddenSibling&) = delete;

    void write(const std::byte* data, std::size_t size)
    {
        std::size_t done = 0;
        while (done < size) {
            DWORD put = 0;
            const auto want = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 30));
            if (!::WriteFile(handle_.get(), data + done, want, &put, nullptr)) {
                win32::raise("Errore di scrittura nel file", path_);
            }
            done += put;
        }
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

    // Lets `fill` write the file by its name, which the handle, shared with nobody, would
    // refuse while open. Hidden, it would refuse a writer that empties it on opening.
    void fillByName(const std::function<void(const fs::path&)>& fill)
    {
        if (!handle_.reset()) {
            win32::raise("Errore di chiusura del file", path_);
        }
        if (!::SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL)) {
            win32::raise("Impossibile impostare gli attributi del file", path_);
        }
        fill(path_);
        handle_.adopt(::CreateFileW(path_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!handle_.valid()) {
            win32::raise("Impossibile aprire il file", path_);
        }
    }

    // Puts the content on the disk with `attributes` and the security of the file it replaces,
    // if any, then, once `lastLook` (if any) has passed, moves it over the target.
    void place(DWORD attributes, const SecurityDescriptor* old,
               const std::function<void()>& lastLook = {})
    {
        if (!::FlushFileBuffers(handle_.get())) {
            win32::raise("Errore di scrittura su disco del file", path_);
        }
        if (!handle_.reset()) {
            win32::raise("Errore di chiusura del file", path_);
        }
        if (!::SetFileAttributesW(path_.c_str(), attributes)) {
            win32::raise("Impossibile impostare gli attributi del file", path_);
        }
        // The rules last: the old ones may not let this process change the attributes.
        if (old != nullptr) {
            old->applyTo(path_);
        }
        if (lastLook) {
            lastLook();
        }
        if (!::MoveFileExW(path_.c_str(), target_.c_str(), kReplaceFlags)) {
            win32::raise("Impossibile sostituire il file", target_);
        }
        placed_ = true;
    }

private:
    fs::path target_;
    Handle handle_;
    fs::path path_;
    bool placed_ = false;
    RemovedWhenStopped removal_;
};

// The replacement lives on another volume: copy it beside the target under a fresh name, then
// move that copy over the target.
void replaceAcrossVolumes(const fs::path& replacement, const fs::path& target, DWORD attributes,
                          const SecurityDescriptor& old, const std::function<void()>& lastLook,
                          Progress* progress)
{
    {
        std::error_code unknown;
        const std::uint64_t total = std::filesystem::file_size(replacement, unknown);
        InputFile in(replacement);
        HiddenSibling copy(target);
        copy.copyFrom(in, progress, unknown ? 0 : total);
        copy.place(attributes, &old, lastLook);
    }
    removeQuietly(replacement);
}

// The identity of a file, whatever name reaches it.
struct FileIdentity
{
    DWORD volume;
    DWORD high;
    DWORD low;
    bool operator==(const FileIdentity&) const = default;
};

std::optional<FileIdentity> identityOf(const fs::path& path)
{
    Handle handle(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!handle.valid() || !::GetFileInformationByHandle(handle.get(), &info)) {
        return std::nullopt;
    }
    return FileIdentity{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

std::int64_t ticks(const LARGE_INTEGER& time)
{
    return static_cast<std::int64_t>(time.QuadPart);
}

bool alreadyExists(DWORD code)
{
    return code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS;
}

// Removes a leftover temporary file unless another command holds it open. Asking for it with no
// sharing at all fails while any other handle is open, and the removal is bound to this one
// handle, so that nothing opened after the check can be removed in its place. A link is
// removed itself, never the file it leads to.
void removeLeftover(const fs::path& path)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        Handle old(::CreateFileW(path.c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT,
                                 nullptr));
        if (old.valid()) {
            return;
        }
        const DWORD code = ::GetLastError();
        if (code == ERROR_FILE_NOT_FOUND) {
            return;
        }
        if (code == ERROR_SHARING_VIOLATION) {
            throw SystemError("File temporaneo in uso da un'altra operazione", path, EBUSY);
        }
        // A read-only leftover refuses its removal until the attribute is cleared; a folder
        // keeps refusing.
        if (code != ERROR_ACCESS_DENIED || attempt > 0 ||
            !::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL)) {
            win32::raise("Impossibile rimuovere il file temporaneo rimasto", path, code);
        }
    }
}

// Writes the file at `path` through `put`, given the fresh file beside it, then puts it in
// place. A new file takes its folder's access rules: Windows has no permission bits to set.
template <typename Put> void writeThroughSibling(const fs::path& path, Put&& put)
{
    const DWORD existing = ::GetFileAttributesW(path.c_str());
    const bool exists = existing != INVALID_FILE_ATTRIBUTES;
    const fs::path target = exists ? replaceableTarget(path) : path;
    std::optional<SecurityDescriptor> old;
    if (exists) {
        old.emplace(target);
    }
    HiddenSibling file(target);
    put(file);
    file.place(exists ? win32::inheritedAttributes(existing) : FILE_ATTRIBUTE_NORMAL,
               old ? &*old : nullptr);
}

} // namespace

struct TemporaryClaim::Native
{
    Handle handle;
};

FileVersion versionOf(const fs::path& path)
{
    Handle handle(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    FILE_BASIC_INFO basic{};
    if (!handle.valid() || !::GetFileInformationByHandle(handle.get(), &info) ||
        !::GetFileInformationByHandleEx(handle.get(), FileBasicInfo, &basic, sizeof basic)) {
        win32::raise("File non trovato", path);
    }
    return {info.dwVolumeSerialNumber,
            (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow,
            (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow,
            ticks(basic.LastWriteTime),
            ticks(basic.ChangeTime),
            info.nNumberOfLinks};
}

TemporaryClaim::TemporaryClaim(const fs::path& path) : path_(path)
{
    // Tracked from its creation: the copy may be a file in clear.
    removal_.track([&] {
        // Held open to the command's end: others may read it and the command may move it away,
        // but no other command can take it while this handle lives.
        for (int attempt = 0; attempt < 2; ++attempt) {
            Handle created(::CreateFileW(path.c_str(), GENERIC_READ,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
            if (created.valid()) {
                native_ = std::make_unique<Native>(Native{std::move(created)});
                return path;
            }
            const DWORD code = ::GetLastError();
            if (!alreadyExists(code)) {
                win32::raise("Impossibile creare il file", path, code);
            }
            removeLeftover(path);
        }
        // Taken again between the removal and the creation: by a command that is alive.
        throw SystemError("File temporaneo in uso da un'altra operazione", path, EBUSY);
    });
}

TemporaryClaim::~TemporaryClaim()
{
    // Let go before the file stops being tracked: a stop request meanwhile still removes it.
    native_.reset();
}

void removeAbandonedTemporary(const fs::path& path) noexcept
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
        return;
    }
    try {
        removeLeftover(path);
    } catch (const std::exception&) {
        // Held by a live command, or refused: the next command takes it over.
    }
}

void TemporaryClaim::confirm() const
{
    BY_HANDLE_FILE_INFORMATION info{};
    const auto named = identityOf(path_);
    if (!::GetFileInformationByHandle(native_->handle.get(), &info) || !named ||
        !(*named ==
          FileIdentity{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow})) {
        throw Error("Il file temporaneo '" + utf8FromPath(path_) +
                    "' è stato sostituito da un altro programma");
    }
}

fs::path replaceableTarget(const fs::path& chosen)
{
    Handle handle(::CreateFileW(chosen.c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle.valid()) {
        win32::raise("File non trovato", chosen);
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(handle.get(), &info)) {
        win32::raise("Impossibile leggere le proprietà del file", chosen);
    }
    const fs::path target = finalPath(handle.get()).value_or(fs::absolute(chosen));
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        throw SystemError("Non è un file", target, EISDIR);
    }
    if (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) {
        throw SystemError("File di sola lettura", target, EACCES);
    }
    return target;
}

void replaceFile(const fs::path& replacement, const fs::path& target,
                 const std::function<void()>& lastLook, Progress* progress)
{
    const DWORD attributes = win32::inheritedAttributes(attributesOrThrow(target));
    const SecurityDescriptor old(target);
    if (!::SetFileAttributesW(replacement.c_str(), attributes)) {
        win32::raise("Impossibile aprire il file", replacement);
    }
    old.applyTo(replacement);
    if (lastLook) {
        lastLook();
    }
    // One rename within the volume: the target holds the old or the new content at every
    // instant. The system refuses it across volumes, and over a read-only target.
    if (!::MoveFileExW(replacement.c_str(), target.c_str(), kReplaceFlags)) {
        const DWORD code = ::GetLastError();
        if (code == ERROR_NOT_SAME_DEVICE) {
            replaceAcrossVolumes(replacement, target, attributes, old, lastLook, progress);
            return;
        }
        win32::raise("Impossibile sostituire il file", target, code);
    }
}

void writeFileAtomically(const fs::path& path, std::string_view bytes, NewFile)
{
    writeThroughSibling(path, [&](HiddenSibling& file) {
        file.write(reinterpret_cast<const std::byte*>(bytes.data()), bytes.size());
    });
}

void writeFileAtomically(const fs::path& path, const std::function<void(const fs::path&)>& fill,
                         NewFile)
{
    writeThroughSibling(path, [&](HiddenSibling& file) { file.fillByName(fill); });
}

void copyFileAtomically(const fs::path& source, const fs::path& destination)
{
    const DWORD from = attributesOrThrow(source);
    if (from & FILE_ATTRIBUTE_DIRECTORY) {
        throw SystemError("Impossibile copiare", source, EISDIR);
    }
    InputFile in(source);
    const bool exists = ::GetFileAttributesW(destination.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (exists) {
        const auto a = identityOf(source);
        if (a && a == identityOf(destination)) {
            throw Error("Impossibile copiare '" + utf8FromPath(source) + "' su '" +
                        utf8FromPath(destination) + "': sono lo stesso file");
        }
    }
    const fs::path target = exists ? replaceableTarget(destination) : destination;
    const DWORD attributes =
        exists ? ::GetFileAttributesW(target.c_str()) : from & ~FILE_ATTRIBUTE_HIDDEN;
    std::optional<SecurityDescriptor> old;
    if (exists) {
        old.emplace(target);
    }
    HiddenSibling copy(target);
    copy.copyFrom(in);
    copy.place(win32::inheritedAttributes(attributes), old ? &*old : nullptr);
}

void removeQuietly(const fs::path& path) noexcept
{
    ::DeleteFileW(path.c_str());
}

} // namespace velarium::platform
