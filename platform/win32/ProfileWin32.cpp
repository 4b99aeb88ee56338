// The access store through the system's own profile calls. Writing goes to a copy beside the
// store, which then takes the store's place in one step, so that a failure or a power cut never
// leaves a half-written store.

#include "platform/Profile.h"

#include "platform/Error.h"
#include "platform/FileIo.h"
#include "platform/FileReplace.h"
#include "platform/win32/Win32Support.h"

#include <cerrno>
#include <optional>
#include <vector>

namespace velarium::platform {
namespace {

namespace fs = std::filesystem;

constexpr DWORD kValueBuffer = 2048;

// The path in the ANSI code page that the ...A calls read, which must hold all of it.
std::string ansiPathOrThrow(const fs::path& path)
{
    auto ansi = win32::ansiText(path.native());
    if (!ansi) {
        throw SystemError("Percorso non rappresentabile nella codifica di sistema", path, ENOENT);
    }
    return *ansi;
}

} // namespace

std::string readProfileString(const fs::path& file, std::string_view section, std::string_view key,
                              std::string_view fallback)
{
    const auto ansi = win32::ansiText(file.native());
    const std::string fallbackText(fallback.substr(0, kValueBuffer - 1));
    if (!ansi) {
        return fallbackText;
    }
    // The system's call reads whatever the path names, to its end: a pipe or a device is
    // refused first, and so is a file too large to be a profile.
    readSmallFile(file, kProfileSizeLimit);
    std::vector<char> value(kValueBuffer, '\0');
    const DWORD length =
        ::GetPrivateProfileStringA(std::string(section).c_str(), std::string(key).c_str(),
                                   fallbackText.c_str(), value.data(), kValueBuffer, ansi->c_str());
    return std::string(value.data(), length);
}

void writeProfileString(const fs::path& file, std::string_view section, std::string_view key,
                        std::string_view value)
{
    const bool exists = ::GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (exists) {
        readSmallFile(file, kProfileSizeLimit);
    }
    // A read-only store is refused here, before anything is written.
    const fs::path target = exists ? replaceableTarget(file) : fs::absolute(file);

    win32::Handle handle;
    const fs::path copy = win32::createSibling(target, FILE_ATTRIBUTE_NORMAL, handle);
    struct Cleanup
    {
        const fs::path& path;
        bool keep = false;
        ~Cleanup()
        {
            if (!keep) {
                removeQuietly(path);
            }
        }
    } cleanup{copy};
    handle.reset();

    if (exists && !::CopyFileW(target.c_str(), copy.c_str(), FALSE)) {
        win32::raise("Impossibile leggere il file", target);
    }
    ::SetFileAttributesW(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!::WritePrivateProfileStringA(std::string(section).c_str(), std::string(key).c_str(),
                                      std::string(value).c_str(), ansiPathOrThrow(copy).c_str())) {
        win32::raise("Impossibile scrivere il file", target);
    }
    // Flushes the system's cache of profiles, so that the copy is complete on the disk before
    // it takes the store's place.
    ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, ansiPathOrThrow(copy).c_str());
    {
        win32::Handle written(::CreateFileW(copy.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!written.valid() || !::FlushFileBuffers(written.get())) {
            win32::raise("Errore di scrittura su disco del file", copy);
        }
    }
    if (exists) {
        replaceFile(copy, target);
    } else if (!::MoveFileExW(copy.c_str(), target.c_str(),
                              MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        win32::raise("Impossibile scrivere il file", target);
    }
    cleanup.keep = true;
}

} // namespace velarium::platform
