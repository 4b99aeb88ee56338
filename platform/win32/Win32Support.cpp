#include "platform/win32/Win32Support.h"

#include "platform/FileKind.h"
#include "platform/Utf8Path.h"

#include <atomic>
#include <cerrno>

namespace velarium::platform::win32 {

int errnoFrom(DWORD code)
{
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_INVALID_NAME:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_PRIVILEGE_NOT_HELD:
    case ERROR_CANNOT_MAKE:
        return EACCES;
    case ERROR_WRITE_PROTECT:
        return EROFS;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
        return EBUSY;
    case ERROR_DIRECTORY:
        return ENOTDIR;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    case ERROR_CANT_RESOLVE_FILENAME:
        return ELOOP;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_NOT_SAME_DEVICE:
        return EXDEV;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    default:
        return EIO;
    }
}

void raise(const std::string& what, const std::filesystem::path& path, DWORD code)
{
    throw SystemError(what, path, errnoFrom(code));
}

std::filesystem::path createSibling(const std::filesystem::path& target, DWORD attributes,
                                    Handle& handle)
{
    // Unique within the process by the counter, across processes by the process id; a name
    // taken all the same (a file left by a crash) is skipped.
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::wstring name = L"~";
        name += target.filename().wstring();
        name += L".velarium-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                std::to_wstring(counter.fetch_add(1));
        const auto path = target.parent_path() / name;
        const HANDLE created = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                             CREATE_NEW, attributes, nullptr);
        if (created != INVALID_HANDLE_VALUE) {
            handle.adopt(created);
            return path;
        }
        const DWORD code = ::GetLastError();
        if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) {
            raise("Impossibile creare un file temporaneo accanto a", target, code);
        }
    }
    raise("Impossibile creare un file temporaneo accanto a", target, ERROR_FILE_EXISTS);
}

void requireDiskFile(HANDLE handle, const std::string& what, const std::filesystem::path& path)
{
    FileKind kind = FileKind::Other;
    switch (::GetFileType(handle)) {
    case FILE_TYPE_DISK:
        return;
    case FILE_TYPE_CHAR:
        kind = FileKind::CharacterDevice;
        break;
    case FILE_TYPE_PIPE:
        kind = FileKind::Fifo;
        break;
    default:
        break;
    }
    throw Error(what + " '" + utf8FromPath(path) + "': " + kindWords(kind));
}

std::optional<std::string> ansiText(std::wstring_view wide)
{
    if (wide.empty()) {
        return std::string();
    }
    BOOL lossy = FALSE;
    const int length =
        ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(),
                              static_cast<int>(wide.size()), nullptr, 0, nullptr, &lossy);
    if (length <= 0 || lossy) {
        return std::nullopt;
    }
    std::string ansi(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                          ansi.data(), length, nullptr, nullptr);
    return ansi;
}

std::wstring wideText(std::string_view utf8)
{
    if (utf8.empty()) {
        return std::wstring();
    }
    const int length = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                             static_cast<int>(utf8.size()), nullptr, 0);
    if (length <= 0) {
        throw Error("Testo non valido in UTF-8");
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()),
                          wide.data(), length);
    return wide;
}

} // namespace velarium::platform::win32
