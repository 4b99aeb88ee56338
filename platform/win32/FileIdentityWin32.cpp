#include "platform/FileIdentity.h"

#include "platform/win32/Win32Support.h"

#include <windows.h>

#include <string>

namespace velarium::platform {

std::optional<FileIdentity> fileIdentity(const std::filesystem::path& path)
{
    // No access asked: only the file's identity is read. Folders open only with backup
    // semantics.
    const win32::Handle file(
        ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION information{};
    if (!file.valid() || !::GetFileInformationByHandle(file.get(), &information)) {
        return std::nullopt;
    }
    return FileIdentity{information.dwVolumeSerialNumber,
                        (static_cast<std::uint64_t>(information.nFileIndexHigh) << 32) |
                            information.nFileIndexLow};
}

std::optional<std::filesystem::path> runningExecutable()
{
    // The system cuts a name longer than the buffer and says so only by filling it whole.
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0) {
            return std::nullopt;
        }
        if (length < name.size()) {
            name.resize(length);
            return std::filesystem::path(name);
        }
        if (name.size() >= 32768) {
            return std::nullopt;
        }
        name.resize(name.size() * 2);
    }
}

} // namespace velarium::platform
