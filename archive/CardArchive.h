#pragma once

#include "platform/Error.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
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

    // Opens the archive, creating it empty when it is missing; never empties it.
    void Open();
    std::uint64_t Count() const;
    std::uint64_t Position() const { return position_; }
    // Sets the position, 0 to Count; Seek(Count) is ready to append.
    void Seek(std::uint64_t index);
    // Reads the card at the position and moves past it; fails at or behind the last card.
    FileCard Read();
    // Writes the card at the position, over the card there or, at the end, as a new one; moves
    // past it. The record goes to the file in one write.
    void Write(const FileCard& card);
    bool AtEnd() const;
    // Closes the file; everything written is on the disk afterwards.
    void Close();

    // Adds a card behind the last one and returns its number. Finding the end and writing there
    // happen as one step with respect to other copies of the program. A failed append leaves the
    // file at the length it had, without part of a record behind.
    std::uint64_t Append(const FileCard& card);

    const std::filesystem::path& path() const { return path_; }

private:
    platform::SharedFile& file() const;

    std::filesystem::path path_;
    std::unique_ptr<platform::SharedFile> file_;
    std::uint64_t position_ = 0;
};

} // namespace velarium
