#include "archive/CardArchive.h"

#include "platform/SharedFile.h"
#include "platform/Text.h"

#include <algorithm>
#include <cstring>

namespace velarium {
namespace {

constexpr std::size_t kFieldBytes = 1 + kCardFieldCapacity;

void putField(CardRecord& record, std::size_t field, std::string_view text)
{
    text = trimmed(text).substr(0, kCardFieldCapacity);
    std::byte* at = record.data() + field * kFieldBytes;
    at[0] = static_cast<std::byte>(text.size());
    std::memcpy(at + 1, text.data(), text.size());
}

std::string takeField(const CardRecord& record, std::size_t field)
{
    const std::byte* at = record.data() + field * kFieldBytes;
    const std::size_t length =
        std::min<std::size_t>(std::to_integer<std::size_t>(at[0]), kCardFieldCapacity);
    return std::string(reinterpret_cast<const char*>(at + 1), length);
}

// Any failure of the file layer is an archive error to the commands.
template <typename Operation> auto archiveStep(Operation operation)
{
    try {
        return operation();
    } catch (const ArchiveError&) {
        throw;
    } catch (const std::exception& error) {
        throw ArchiveError(error.what());
    }
}

} // namespace

CardRecord encodeCard(const FileCard& card)
{
    CardRecord record{};
    putField(record, 0, card.FilePath);
    putField(record, 1, card.Description);
    putField(record, 2, card.FilePassword);
    putField(record, 3, card.Confirmation);
    return record;
}

FileCard decodeCard(const CardRecord& record)
{
    return {takeField(record, 0), takeField(record, 1), takeField(record, 2), takeField(record, 3)};
}

CardArchive::CardArchive(const std::filesystem::path& programFolder)
    : path_(programFolder / kCardArchiveName)
{
}

CardArchive::~CardArchive() = default;

platform::SharedFile& CardArchive::file() const
{
    if (!file_) {
        throw ArchiveError("L'archivio non è aperto");
    }
    return *file_;
}

void CardArchive::Open()
{
    archiveStep([this] {
        file_ = std::make_unique<platform::SharedFile>(path_);
        position_ = 0;
    });
}

std::uint64_t CardArchive::Count() const
{
    return archiveStep([this] { return file().size() / kCardRecordBytes; });
}

void CardArchive::Seek(std::uint64_t index)
{
    if (index > Count()) {
        throw ArchiveError("Posizione oltre la fine dell'archivio");
    }
    position_ = index;
}

FileCard CardArchive::Read()
{
    if (position_ >= Count()) {
        throw ArchiveError("Lettura oltre l'ultima scheda dell'archivio");
    }
    CardRecord record;
    archiveStep([&] { file().readAt(position_ * kCardRecordBytes, record); });
    ++position_;
    return decodeCard(record);
}

void CardArchive::Write(const FileCard& card)
{
    const CardRecord record = encodeCard(card);
    archiveStep([&] { file().writeAt(position_ * kCardRecordBytes, record); });
    ++position_;
}

bool CardArchive::AtEnd() const
{
    return position_ >= Count();
}

void CardArchive::Close()
{
    archiveStep([this] {
        if (file_) {
            auto closing = std::move(file_);
            closing->close();
        }
    });
}

std::uint64_t CardArchive::Append(const FileCard& card)
{
    return archiveStep([&] {
        platform::SharedFile::ExclusiveSection section(file());
        const std::uint64_t length = file().size();
        Seek(Count());
        try {
            Write(card);
        } catch (...) {
            // A full disk takes part of the record. Only this section appends, so whatever lies
            // past the old length is that part: cut off, it leaves no torn tail behind. The
            // failure of the write is the one to report, whether or not the cut succeeds.
            try {
                if (file().size() > length) {
                    file().truncate(length);
                }
            } catch (const std::exception&) {
            }
            throw;
        }
        return position_;
    });
}

} // namespace velarium
