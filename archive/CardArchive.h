#pragma once

#include "platform/Error.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace velarium {

namespace platform {
class SharedFile;
}

// One file card: four Windows-1252 texts, in this order.
struct FileCard
{
    std::string FilePath;
    std::string Description;
    std::string FilePassword;
    std::string Confirmation;

    bool operator==(const FileCard&) const = default;
};

inline constexpr std::size_t kCardRecordBytes = 1004;
inline constexpr std::size_t kCardFieldCapacity = 250;
inline constexpr const char* kCardArchiveName = "Velarium.pro";

using CardRecord = std::array<std::byte, kCardRecordBytes>;

// The record of a card: each field trimmed, cut to 250 bytes and stored after its length byte;
// the spare bytes are zero, so a record never carries bytes of another card.
CardRecord encodeCard(const FileCard& card);
// The card a record holds. A length byte above 250 (only a damaged file has one) reads as 250,
// never past its field; the spare bytes are ignored, whatever they hold.
FileCard decodeCard(const CardRecord& record);

// Raised by every failing archive operation.
class ArchiveError : public Error
{
public:
    using Error::Error;
};

// Raises ArchiveError, naming `shown` in the cause, unless `file` holds an archive: whole records
// only, each length byte 0 to 250. For a file about to become the archive: what it holds is
// what the commands will read and append to.
void checkArchiveFile(const std::filesystem::path& file, const std::filesystem::path& shown);

// How a command uses the archive.
enum class ArchiveUse
{
    // Cards are written: a missing archive is made, empty; never through a symbolic link that
    // leads nowhere, which is refused.
    Writing,
    // Cards are only read: a missing archive reads as one without cards and nothing is made.
    // The file is opened for writing all the same, as by the writers, so that an archive
    // without write permission is refused alike by every card command.
    Reading,
    // The file is copied whole (a backup): it must exist, and one without write permission is
    // read too.
    Copying,
};

// The archive "Velarium.pro" in the program folder: fixed records of 1004 bytes, no header.
// Positions count records from 0; a card's number is its position plus one. Bytes of an
// incomplete record at the end are not a card and are never read.
class CardArchive
{
public:
    explicit CardArchive(const std::filesystem::path& programFolder);
    ~CardArchive();
    CardArchive(const CardArchive&) = delete;
    CardArchive& operator=(const CardArchive&) = delete;

    // Opens the archive for `use`; never empties it. Opening never waits: anything but a
    // regular file at the archive's name is refused, named as what it is.
    void Open(ArchiveUse use = ArchiveUse::Writing);
    std::uint64_t Count() const;
    std::uint64_t Position() const { return position_; }
    // Sets the position, 0 to Count; Seek(Count) is ready to append.
    void Seek(std::uint64_t index);
    // Reads the card at the position and moves past it; fails at or behind the last card.
    FileCard Read();
    // Writes the card at the position, over the card there or, at the end, as a new one; moves
    // past it. The record goes to the file in one write, into the archive that the path names
    // then (see Exclusively). When another program has put a shorter archive in place since the
    // position was set, the card goes behind its last one, as a new card: Position() tells its
    // number. Only for an archive opened for writing.
    void Write(const FileCard& card);
    bool AtEnd() const;
    // Closes the file; everything written is on the disk afterwards.
    void Close();

    // Adds a card behind the last one and returns its number. Finding the end and writing there
    // happen as one step with respect to other copies of the program, in the archive that the
    // path names then (see Exclusively), so the number is that of a card in the archive. A
    // failed append leaves the file at the length it had, without part of a record behind. Only
    // for an archive opened for writing.
    std::uint64_t Append(const FileCard& card);

    // Runs `work` while the archive that the path names is held in the exclusive section:
    // appends, rewrites, backups and restores by other copies of the program wait for it (at
    // most kLockWaitLimit, as this one waits for theirs). A file held that another program has
    // replaced meanwhile is let go, and the one now at the path opened, for the same use, and
    // held instead. A missing archive opened for reading is run on as it is.
    void Exclusively(const std::function<void()>& work);
    // Within Exclusively, just before another file is renamed over the archive's (a restore):
    // see platform::SharedFile::yieldToReplacement. Nothing is read or written afterwards.
    void YieldToReplacement();

    const std::filesystem::path& path() const { return path_; }

private:
    platform::SharedFile& file() const;
    std::unique_ptr<platform::SharedFile> openFile() const;
    void requireOpen() const;
    void requireWritable() const;

    std::filesystem::path path_;
    ArchiveUse use_ = ArchiveUse::Writing;
    bool open_ = false;
    // None for a missing archive opened for reading.
    std::unique_ptr<platform::SharedFile> file_;
    std::uint64_t position_ = 0;
};

} // namespace velarium
