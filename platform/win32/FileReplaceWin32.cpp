#include "platform/FileReplace.h"

#include "platform/FileIo.h"
#include "platform/win32/Win32Support.h"

#include <array>
#include <cerrno>
#include <optional>
#include <string>

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

// A fresh file beside a target under a hidden name unique to this call. It takes the target's
// place only through place(); abandoned, it disappears, so that a failure never leaves a partial
// file behind.
class HiddenSibling
{
public:
    explicit HiddenSibling(const fs::path& target)
        : target_(target), path_(win32::createSibling(target, FILE_ATTRIBUTE_HIDDEN, handle_))
    {
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

    void copyFrom(InputFile& in)
    {
        std::array<std::byte, 1 << 16> buffer{};
        while (const std::size_t n = in.read(buffer)) {
            write(buffer.data(), n);
        }
    }

    // Puts the content on the disk with `attributes`, then moves it over the target.
    void place(DWORD attributes)
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
};

// The replacement lives on another volume: copy it beside the target under a fresh name, then
// move that copy over the target.
void replaceAcrossVolumes(const fs::path& replacement, const fs::path& target, DWORD attributes)
{
    {
        InputFile in(replacement);
        HiddenSibling copy(target);
        copy.copyFrom(in);
        copy.place(attributes);
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

} // namespace

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

void replaceFile(const fs::path& replacement, const fs::path& target)
{
    const DWORD attributes = win32::inheritedAttributes(attributesOrThrow(target));
    if (!::SetFileAttributesW(replacement.c_str(), attributes)) {
        win32::raise("Impossibile aprire il file", replacement);
    }
    // One rename within the volume: the target holds the old or the new content at every
    // instant. The system refuses it across volumes, and over a read-only target.
    if (!::MoveFileExW(replacement.c_str(), target.c_str(), kReplaceFlags)) {
        const DWORD code = ::GetLastError();
        if (code == ERROR_NOT_SAME_DEVICE) {
            replaceAcrossVolumes(replacement, target, attributes);
            return;
        }
        win32::raise("Impossibile sostituire il file", target, code);
    }
}

void writeFileAtomically(const fs::path& path, std::string_view bytes)
{
    const DWORD existing = ::GetFileAttributesW(path.c_str());
    const bool exists = existing != INVALID_FILE_ATTRIBUTES;
    HiddenSibling file(exists ? replaceableTarget(path) : path);
    file.write(reinterpret_cast<const std::byte*>(bytes.data()), bytes.size());
    file.place(exists ? win32::inheritedAttributes(existing) : FILE_ATTRIBUTE_NORMAL);
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
            throw Error("Impossibile copiare '" + source.string() + "' su '" +
                        destination.string() + "': sono lo stesso file");
        }
    }
    const fs::path target = exists ? replaceableTarget(destination) : destination;
    const DWORD attributes =
        exists ? ::GetFileAttributesW(target.c_str()) : from & ~FILE_ATTRIBUTE_HIDDEN;
    HiddenSibling copy(target);
    copy.copyFrom(in);
    copy.place(win32::inheritedAttributes(attributes));
}

void removeQuietly(const fs::path& path) noexcept
{
    ::DeleteFileW(path.c_str());
}

} // namespace velarium::platform
