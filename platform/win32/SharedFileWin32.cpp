#include "platform/SharedFile.h"

#include "platform/Utf8Path.h"
#include "platform/win32/Win32Support.h"

#include <cerrno>

namespace velarium::platform {
namespace {

HANDLE native(std::intptr_t handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

OVERLAPPED at(std::uint64_t offset)
{
    OVERLAPPED overlapped{};
    overlapped.Offset = static_cast<DWORD>(offset);
    overlapped.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return overlapped;
}

// Windows locks are mandatory for the bytes they cover, so the exclusive section locks one byte
// far beyond any data instead: cooperating writers wait for each other while every reader and
// writer of the records goes on unhindered.
constexpr std::uint64_t kLockByte = 0x7FFFFFFFFFFFFFFEull;

// Held shared for one read and exclusive for one write: the system does not promise that a read
// never sees a concurrent write half done, which would make one card of two. A byte of its own,
// so that it and the exclusive section never wait for each other.
constexpr std::uint64_t kAccessByte = kLockByte - 1;

// Locks the byte at `offset` for `flags`, trying without waiting until the lock is free or
// kLockWaitLimit has passed: another program may hold it for as long as it likes.
void lockByte(std::intptr_t handle, std::uint64_t offset, DWORD flags,
              const std::filesystem::path& path)
{
    waitForLock(
        [&] {
            OVERLAPPED position = at(offset);
            if (::LockFileEx(native(handle), flags | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                             &position)) {
                return true;
            }
            const DWORD code = ::GetLastError();
            if (code != ERROR_LOCK_VIOLATION && code != ERROR_IO_PENDING) {
                win32::raise("Impossibile riservare il file", path, code);
            }
            return false;
        },
        path);
}

class AccessLock
{
public:
    AccessLock(std::intptr_t handle, DWORD flags, const std::filesystem::path& path)
        : handle_(handle)
    {
        lockByte(handle_, kAccessByte, flags, path);
    }
    ~AccessLock()
    {
        OVERLAPPED position = at(kAccessByte);
        ::UnlockFileEx(native(handle_), 0, 1, 0, &position);
    }
    AccessLock(const AccessLock&) = delete;
    AccessLock& operator=(const AccessLock&) = delete;

private:
    std::intptr_t handle_;
};

// The handle of the file at `path`, invalid when nothing is there and nothing is to be created.
HANDLE openOrCreate(const std::filesystem::path& path, SharedFile::Access access, bool create)
{
    const DWORD wanted =
        access == SharedFile::Access::Read ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
    constexpr DWORD kSharing = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    // Another program may create the file between the two calls below, or remove it: a few
    // rounds settle it.
    for (int round = 0;; ++round) {
        const HANDLE opened = ::CreateFileW(path.c_str(), wanted, kSharing, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr);
        if (opened != INVALID_HANDLE_VALUE) {
            return opened;
        }
        const DWORD code = ::GetLastError();
        const DWORD attributes = ::GetFileAttributesW(path.c_str());
        // A read-only file refuses GENERIC_WRITE, which is the refusal wanted.
        if (access == SharedFile::Access::ReadWrite && attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes & FILE_ATTRIBUTE_READONLY)) {
            throw SystemError("File di sola lettura", path, EACCES);
        }
        // A missing folder is ERROR_PATH_NOT_FOUND, and stays a failure.
        if (code != ERROR_FILE_NOT_FOUND) {
            win32::raise("Impossibile aprire il file", path, code);
        }
        if (!create) {
            return INVALID_HANDLE_VALUE;
        }
        // CREATE_NEW refuses a name that exists in any form; with FILE_FLAG_OPEN_REPARSE_POINT a
        // link that leads nowhere is such a name, never followed to make a file where it points.
        const HANDLE created =
            ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, kSharing, nullptr, CREATE_NEW,
                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (created != INVALID_HANDLE_VALUE) {
            return created;
        }
        const DWORD refusal = ::GetLastError();
        const DWORD now = ::GetFileAttributesW(path.c_str());
        if ((refusal == ERROR_FILE_EXISTS || refusal == ERROR_ALREADY_EXISTS) &&
            now != INVALID_FILE_ATTRIBUTES && (now & FILE_ATTRIBUTE_REPARSE_POINT)) {
            throw Error("Impossibile creare il file '" + utf8FromPath(path) +
                        "': è un collegamento simbolico a un file inesistente");
        }
        if ((refusal != ERROR_FILE_EXISTS && refusal != ERROR_ALREADY_EXISTS) || round == 2) {
            win32::raise("Impossibile aprire il file", path, refusal);
        }
    }
}

} // namespace

SharedFile::SharedFile(Opening, const std::filesystem::path& path, Access access, bool create)
    : path_(path), access_(access)
{
    win32::Handle handle(openOrCreate(path, access, create));
    if (!handle.valid()) {
        return;
    }
    win32::requireDiskFile(handle.get(), "Impossibile aprire il file", path);
    // An administrator's handle (and Wine's, run as root) may write a read-only file all the
    // same; the user marked it to be left alone.
    BY_HANDLE_FILE_INFORMATION info{};
    if (access == Access::ReadWrite && ::GetFileInformationByHandle(handle.get(), &info) &&
        (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY)) {
        throw SystemError("File di sola lettura", path, EACCES);
    }
    handle_ = reinterpret_cast<std::intptr_t>(handle.get());
    handle.release();
}

SharedFile::~SharedFile()
{
    if (handle_ != -1) {
        ::CloseHandle(native(handle_));
    }
}

std::uint64_t SharedFile::size() const
{
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(native(handle_), &size)) {
        win32::raise("Impossibile leggere la lunghezza del file", path_);
    }
    return static_cast<std::uint64_t>(size.QuadPart);
}

void SharedFile::readAt(std::uint64_t offset, std::span<std::byte> buffer) const
{
    const AccessLock lock(handle_, 0, path_);
    std::size_t done = 0;
    while (done < buffer.size()) {
        OVERLAPPED position = at(offset + done);
        DWORD got = 0;
        if (!::ReadFile(native(handle_), buffer.data() + done,
                        static_cast<DWORD>(buffer.size() - done), &got, &position)) {
            const DWORD code = ::GetLastError();
            if (code == ERROR_HANDLE_EOF) {
                throw SystemError("Il file è più corto del previsto", path_, EIO);
            }
            win32::raise("Errore di lettura dal file", path_, code);
        }
        if (got == 0) {
            throw SystemError("Il file è più corto del previsto", path_, EIO);
        }
        done += got;
    }
}

void SharedFile::writeAt(std::uint64_t offset, std::span<const std::byte> data)
{
    const AccessLock lock(handle_, LOCKFILE_EXCLUSIVE_LOCK, path_);
    OVERLAPPED position = at(offset);
    DWORD put = 0;
    written_ = true;
    if (!::WriteFile(native(handle_), data.data(), static_cast<DWORD>(data.size()), &put,
                     &position)) {
        win32::raise("Errore di scrittura nel file", path_);
    }
    if (put != data.size()) {
        throw SystemError("Scrittura incompleta nel file", path_, ENOSPC);
    }
}

void SharedFile::truncate(std::uint64_t length)
{
    LARGE_INTEGER end{};
    end.QuadPart = static_cast<LONGLONG>(length);
    written_ = true;
    // Reads and writes name their offsets, so moving the handle's own position disturbs none.
    if (!::SetFilePointerEx(native(handle_), end, nullptr, FILE_BEGIN) ||
        !::SetEndOfFile(native(handle_))) {
        win32::raise("Impossibile riportare il file alla lunghezza precedente", path_);
    }
}

void SharedFile::close()
{
    const std::intptr_t handle = handle_;
    handle_ = -1;
    if (handle == -1) {
        return;
    }
    const bool synced = !written_ || ::FlushFileBuffers(native(handle));
    const DWORD code = ::GetLastError();
    if (!::CloseHandle(native(handle)) || !synced) {
        win32::raise("Errore di scrittura su disco del file", path_,
                     synced ? ::GetLastError() : code);
    }
}

void SharedFile::yieldToReplacement()
{
    // MoveFileEx refuses to replace a file while any handle to it is open, this one included.
    const std::intptr_t handle = handle_;
    handle_ = -1;
    if (handle != -1) {
        ::CloseHandle(native(handle));
    }
}

bool SharedFile::stillAtPath() const
{
    BY_HANDLE_FILE_INFORMATION held{};
    if (!::GetFileInformationByHandle(native(handle_), &held)) {
        win32::raise("Impossibile leggere le proprietà del file", path_);
    }
    // No access asked: only the identity of the file the path names now is read.
    const win32::Handle named(
        ::CreateFileW(path_.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    BY_HANDLE_FILE_INFORMATION now{};
    return named.valid() && ::GetFileInformationByHandle(named.get(), &now) &&
           now.dwVolumeSerialNumber == held.dwVolumeSerialNumber &&
           now.nFileIndexHigh == held.nFileIndexHigh && now.nFileIndexLow == held.nFileIndexLow;
}

SharedFile::ExclusiveSection::ExclusiveSection(SharedFile& file) : file_(file)
{
    // A handle open for reading only takes the section shared, as readers of it do.
    lockByte(file_.handle_, kLockByte,
             file_.access_ == Access::Read ? 0 : static_cast<DWORD>(LOCKFILE_EXCLUSIVE_LOCK),
             file_.path_);
}

SharedFile::ExclusiveSection::~ExclusiveSection()
{
    // A handle closed for a replacement took its lock with it.
    if (file_.handle_ == -1) {
        return;
    }
    OVERLAPPED position = at(kLockByte);
    ::UnlockFileEx(native(file_.handle_), 0, 1, 0, &position);
}

} // namespace velarium::platform
