#include "platform/SharedFile.h"

#include "platform/Utf8Path.h"
#include "platform/win32/Win32Support.h"

#include <cerrno>
#include <memory>
#include <utility>

namespace velarium::platform {
namespace {

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
void lockByte(HANDLE handle, std::uint64_t offset, DWORD flags, const std::filesystem::path& path)
{
    waitForLock(
        [&] {
            OVERLAPPED position = at(offset);
            if (::LockFileEx(handle, flags | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &position)) {
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
    AccessLock(const win32::Handle& file, DWORD flags, const std::filesystem::path& path)
        : file_(file)
    {
        lockByte(file_.get(), kAccessByte, flags, path);
    }
    ~AccessLock()
    {
        OVERLAPPED position = at(kAccessByte);
        ::UnlockFileEx(file_.get(), 0, 1, 0, &position);
    }
    AccessLock(const AccessLock&) = delete;
    AccessLock& operator=(const AccessLock&) = delete;

private:
    const win32::Handle& file_;
};

// The handle of the file at `path`, invalid when nothing is there and nothing is to be created.
win32::Handle openOrCreate(const std::filesystem::path& path, SharedFile::Access access,
                           bool create)
{
    const DWORD wanted =
        access == SharedFile::Access::Read ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
    constexpr DWORD kSharing = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    // Another program may create the file between the two calls below, or remove it: a few
    // rounds settle it.
    for (int round = 0;; ++round) {
        win32::Handle opened(::CreateFileW(path.c_str(), wanted, kSharing, nullptr, OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
        if (opened.valid()) {
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
            return win32::Handle();
        }
        // CREATE_NEW refuses a name that exists in any form; with FILE_FLAG_OPEN_REPARSE_POINT a
        // link that leads nowhere is such a name, never followed to make a file where it points.
        win32::Handle created(
            ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, kSharing, nullptr, CREATE_NEW,
                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (created.valid()) {
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

struct SharedFile::Native
{
    win32::Handle handle;
};

SharedFile::SharedFile(Opening, const std::filesystem::path& path, Access access, bool create)
    : path_(path), access_(access)
{
    win32::Handle handle = openOrCreate(path, access, create);
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
    native_ = std::make_unique<Native>(Native{std::move(handle)});
}

SharedFile::~SharedFile() = default;

std::uint64_t SharedFile::size() const
{
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(native_->handle.get(), &size)) {
        win32::raise("Impossibile leggere la lunghezza del file", path_);
    }
    return static_cast<std::uint64_t>(size.QuadPart);
}

void SharedFile::readAt(std::uint64_t offset, std::span<std::byte> buffer) const
{
    const AccessLock lock(native_->handle, 0, path_);
    std::size_t done = 0;
    while (done < buffer.size()) {
        OVERLAPPED position = at(offset + done);
        DWORD got = 0;
        if (!::ReadFile(native_->handle.get(), buffer.data() + done,
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
    const AccessLock lock(native_->handle, LOCKFILE_EXCLUSIVE_LOCK, path_);
    OVERLAPPED position = at(offset);
    DWORD put = 0;
    written_ = true;
    if (!::WriteFile(native_->handle.get(), data.data(), static_cast<DWORD>(data.size()), &put,
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
    const HANDLE handle = native_->handle.get();
    if (!::SetFilePointerEx(handle, end, nullptr, FILE_BEGIN) || !::SetEndOfFile(handle)) {
        win32::raise("Impossibile riportare il file alla lunghezza precedente", path_);
    }
}

void SharedFile::close()
{
    win32::Handle& handle = native_->handle;
    if (!handle.valid()) {
        return;
    }
    const bool synced = !written_ || ::FlushFileBuffers(handle.get());
    const DWORD code = ::GetLastError();
    if (!handle.reset() || !synced) {
        win32::raise("Errore di scrittura su disco del file", path_,
                     synced ? ::GetLastError() : code);
    }
}

void SharedFile::yieldToReplacement()
{
    // MoveFileEx refuses to replace a file while any handle to it is open, this one included.
    native_->handle.reset();
}

bool SharedFile::stillAtPath() const
{
    BY_HANDLE_FILE_INFORMATION held{};
    if (!::GetFileInformationByHandle(native_->handle.get(), &held)) {
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
    lockByte(file_.native_->handle.get(), kLockByte,
             file_.access_ == Access::Read ? 0 : static_cast<DWORD>(LOCKFILE_EXCLUSIVE_LOCK),
             file_.path_);
}

SharedFile::ExclusiveSection::~ExclusiveSection()
{
    // A handle closed for a replacement took its lock with it.
    if (!file_.native_->handle.valid()) {
        return;
    }
    OVERLAPPED position = at(kLockByte);
    ::UnlockFileEx(file_.native_->handle.get(), 0, 1, 0, &position);
}

} // namespace velarium::platform
