#pragma once

#include "platform/Interruption.h"
#include "platform/Progress.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string_view>

namespace velarium::platform {

// The regular file that a chosen path names, symbolic links followed. Raises when it is
// missing, not a regular file, or read-only (no write permission), so that a command can refuse
// it before anything is written.
std::filesystem::path replaceableTarget(const std::filesystem::path& chosen);

// What tells one state of a file from another. The time of the last change of any kind is kept
// by the system alone: a tool that puts the modification time back after writing cannot put
// this one back too.
struct FileVersion
{
    std::uint64_t device = 0;
    std::uint64_t file = 0;
    std::uint64_t size = 0;
    std::int64_t modified = 0;
    std::int64_t changed = 0;
    // The names the file has in all; a replacement gives the new content to one of them only.
    std::uint64_t links = 0;
    bool operator==(const FileVersion&) const = default;
};

// The version of the file that `path` names, symbolic links followed. Raises.
FileVersion versionOf(const std::filesystem::path& path);

// The program folder's temporary file, owned by one command from the moment it is taken until
// the object goes away, so that two programs sharing the folder never write into each other's
// copy. Taking it raises, changing nothing, while a live command holds it; one left by a run
// that died, or anything at its name that is not a plain file of the program's own (a link
// above all), is removed and the file created new and empty, never through a link.
class TemporaryClaim
{
public:
    explicit TemporaryClaim(const std::filesystem::path& path);
    ~TemporaryClaim();
    TemporaryClaim(const TemporaryClaim&) = delete;
    TemporaryClaim& operator=(const TemporaryClaim&) = delete;

    // Raises unless the path still names the file taken: whatever someone put there instead
    // must not take the chosen file's place.
    void confirm() const;

private:
    // The backend's own descriptor or handle.
    struct Native;
    std::filesystem::path path_;
    std::unique_ptr<Native> native_;
    // The copy may be a file in clear: a program stopped half-way does not leave it behind.
    RemovedWhenStopped removal_;
};

// Removes what a command that died left at a temporary file's `path`: a plain file that no live
// command holds (the same test as TemporaryClaim's). A file a live command holds stays, and so
// does anything that is not a plain file, a link above all, and what it leads to. Never raises:
// a leftover that cannot be removed is taken over by the next command anyway.
void removeAbandonedTemporary(const std::filesystem::path& path) noexcept;

// Puts the complete file `replacement` in the place of `target` in one step, so that at every
// instant `target` holds either its old or its new content. The new file takes the old one's
// access rules: its permission bits, access control list and extended attributes on POSIX (a
// list that cannot be copied fails the replacement: the file would grant more without it), its
// security descriptor on Windows. When the two are on different file systems the replacement is
// first copied beside the target. `lastLook`, when given, runs after any copy, right before the
// step that puts the new content in place: what it raises is passed on, leaving `target` as it then
// is and no copy beside it. Raises on any failure, leaving `target` as it was; `replacement` is
// gone after success.
// With `progress`, a copy beside the target reports how far it has come and stops, raising
// Cancelled and leaving the target as it was, when cancelled before the rename; a rename begun
// always ends.
void replaceFile(const std::filesystem::path& replacement, const std::filesystem::path& target,
                 const std::function<void()>& lastLook = {}, Progress* progress = nullptr);

// Removes a file, ignoring its absence or a refusal: for cleaning up after a failure.
void removeQuietly(const std::filesystem::path& path) noexcept;

} // namespace velarium::platform

namespace velarium::platform {

// Who may read a file that a write in one step makes new; a file that it replaces keeps the
// access rules it had, as with replaceFile. Windows has no permission bits: there a new file takes
// its folder's access rules either way.
enum class NewFile
{
    // Read by everyone, written by its owner.
    Readable,
    // Read and written by its owner alone: for a file that holds passwords.
    Private,
};

// Replaces (or creates) the file at `path` with `bytes` in one step: they are written to a fresh
// file beside it, put on the disk and renamed over it, so that a failure at any point leaves
// the previous content. An existing file without write permission is refused. Raises.
void writeFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                         NewFile made = NewFile::Readable);

// The same for content that a library writes by name itself: `fill` is given the path of the
// fresh file and puts the complete content into that very file (never a new one renamed over
// it). What it raises is passed on, leaving `path` as it was and no fresh file behind.
void writeFileAtomically(const std::filesystem::path& path,
                         const std::function<void(const std::filesystem::path& fresh)>& fill,
                         NewFile made = NewFile::Readable);

// Copies the regular file `source` byte for byte to `destination` in one step, the same way: the
// copy is made beside the destination under a fresh name, put on the disk and renamed over it,
// so that a failure at any point leaves the destination as it was and no partial copy behind.
// The source is opened before anything is created. Refused: a destination that is the source
// itself under any name (the same path, a symbolic or a hard link), which a plain copy would
// empty before reading it; an existing destination without write permission. A new destination
// gets the source's permission to read and write. Raises.
void copyFileAtomically(const std::filesystem::path& source,
                        const std::filesystem::path& destination);

} // namespace velarium::platform
