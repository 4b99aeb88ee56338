#pragma once

// Shared by the Windows backends only: turning refusals into the program's errors, owning
// handles, and naming the fresh files that are put in a target's place.

#include "platform/Error.h"

#include <windows.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace velarium::platform::win32 {

// The errno-style code whose wording SystemError already knows, so that a refusal reads the same
// on every system.
int errnoFrom(DWORD code);

// Raises SystemError for `code`, by default the calling thread's last error.
[[noreturn]] void raise(const std::string& what, const std::filesystem::path& path,
                        DWORD code = ::GetLastError());

// Raises velarium::Error, "`what` 'path': <what it is>", unless `handle` is a file on a disk:
// a pipe or a device could keep a reader waiting, or feed it without end.
void requireDiskFile(HANDLE handle, const std::string& what, const std::filesystem::path& path);

// UTF-16 in the ANSI code page that the ...A calls read; nothing when some character has no
// place there (no "best fit" stand-ins: a changed path names another file).
std::optional<std::string> ansiText(std::wstring_view wide);

// UTF-8 to UTF-16; raises velarium::Error for bytes that are not UTF-8.
std::wstring wideText(std::string_view utf8);

// A kernel handle closed when the object goes away, unless it was handed on with release().
class Handle
{
public:
    explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
    ~Handle() { reset(); }
    Handle(Handle&& other) noexcept : handle_(other.release()) {}
    Handle& operator=(Handle&& other) noexcept
    {
        if (this != &other) {
            adopt(other.release());
        }
        return *this;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    // Closes now; false when the system reports a failure to close.
    bool reset()
    {
        const HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return handle == INVALID_HANDLE_VALUE || handle == nullptr || ::CloseHandle(handle);
    }
    // Hands the handle on: the object closes nothing afterwards.
    HANDLE release() { return std::exchange(handle_, INVALID_HANDLE_VALUE); }
    // Closes the handle held so far and takes `handle` in its place.
    void adopt(HANDLE handle)
    {
        reset();
        handle_ = handle;
    }

private:
    HANDLE handle_;
};

// Creates a new empty file beside `target` under a name no other file has, and returns its path
// with the handle open for writing. `attributes` are those it is created with.
std::filesystem::path createSibling(const std::filesystem::path& target, DWORD attributes,
                                    Handle& handle);

// The attributes a file passes on to the one that takes its place; READONLY never is, since the
// check for it comes first and a read-only replacement could not be replaced again.
inline DWORD inheritedAttributes(DWORD attributes)
{
    const DWORD kept = attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                     FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
    return kept == 0 ? FILE_ATTRIBUTE_NORMAL : kept;
}

} // namespace velarium::platform::win32
