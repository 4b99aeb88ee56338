#include "archive/CardArchive.h"

#include "platform/FileIo.h"
#include "platform/SharedFile.h"
#include "platform/Text.h"
#include "platform/Utf8Path.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

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

void checkArchiveFile(const std::filesystem::path& file, const std::filesystem::path& shown)
{
    const auto refuse = [&](const std::string& cause) {
        throw ArchiveError("Il file '" + utf8FromPath(shown) +
                           "' non è un archivio di schede: " + cause);
    };
    platform::InputFile in(file);
    // Whole records per read: only the last read of the file may end inside one.
    std::vector<std::byte> buffer(64 * kCardRecordBytes);
    std::uint64_t total = 0;
    while (const std::size_t got = in.read(buffer)) {
        for (std::size_t at = 0; at + kCardRecordBytes <= got; at += kCardRecordBytes) {
            for (std::size_t field = 0; field < 4; ++field) {
                const auto length = std::to_integer<std::size_t>(buffer[at + field * kFieldBytes]);
                if (length > kCardFieldCapacity) {
                    refuse("la scheda " + std::to_string((total + at) / kCardRecordBytes + 1) +
                           " ha un testo lungo " + std::to_string(length) +
                           " caratteri, oltre i 250 ammessi");
                }
            }
        }
        total += got;
        if (got % kCardRecordBytes != 0) {
            break;
        }
    }
    if (total % kCardRecordBytes != 0) {
        refuse("la sua lunghezza, " + std::to_string(total) +
               " byte, non è un multiplo dei 1004 byte di una scheda");
    }
}

CardArchive::CardArchive(const std::filesystem::path& programFolder)
    : path_(programFolder / kCardArchiveName)
{
}

CardArchive::~CardArchive() = default;

void CardArchive::requireOpen() const
{
    if (!open_) {
        throw ArchiveError("L'archivio non è aperto");
    }
}

void CardArchive::requireWritable() const
{
    requireOpen();
    if (use_ != ArchiveUse::Writing) {
        throw ArchiveError("L'archivio è aperto per la sola lettura");
    }
}

platform::SharedFile& CardArchive::file() const
{
    requireOpen();
    if (!file_) {
        throw ArchiveError("L'archivio non esiste");
    }
    return *file_;
}

std::unique_ptr<platform::SharedFile> CardArchive::openFile() const
{
    using Access = platform::SharedFile::Access;
    switch (use_) {
    case ArchiveUse::Writing:
        return std::make_unique<platform::SharedFile>(path_);
    case ArchiveUse::Reading:
        return platform::SharedFile::openExisting(path_, Access::ReadWrite);
    case ArchiveUse::Copying:
        break;
    }
    auto file = platform::SharedFile::openExisting(path_, Access::Read);
    if (!file) {
        throw SystemError("File non trovato", path_, ENOENT);
    }
    return file;
}

void CardArchive::Open(ArchiveUse use)
{
    archiveStep([&] {
        open_ = false;
        use_ = use;
        file_ = openFile();
        open_ = true;
        position_ = 0;
    });
}

std::uint64_t CardArchive::Count() const
{
    requireOpen();
    return archiveStep([this] { return file_ ? file_->size() / kCardRecordBytes : 0; });
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
    requireWritable();
    const CardRecord record = encodeCard(card);
    Exclusively([&] {
        position_ = std::min(position_, Count());
        file().writeAt(position_ * kCardRecordBytes, record);
    });
    ++position_;
}

bool CardArchive::AtEnd() const
{
    return position_ >= Count();
}

void CardArchive::Close()
{
    open_ = false;
    archiveStep([this] {
        if (file_) {
            auto closing = std::move(file_);
            closing->close();
        }
    });
}

std::uint64_t CardArchive::Append(const FileCard& card)
{
    requireWritable();
    const CardRecord record = encodeCard(card);
    Exclusively([&] {
        const std::uint64_t length = file().size();
        position_ = Count();
        try {
            file().writeAt(position_ * kCardRecordBytes, record);
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
    });
    return ++position_;
}

void CardArchive::YieldToReplacement()
{
    requireOpen();
    if (file_) {
        file_->yieldToReplacement();
    }
}

void CardArchive::Exclusively(const std::function<void()>& work)
{
    requireOpen();
    archiveStep([&] {
        // A restore holds the section of the archive it replaces until the new one is in place,
        // so a file found replaced is opened again complete. The rounds are counted only so that
        // a program restoring without pause cannot keep this one going for ever.
        constexpr int kRounds = 8;
        for (int round = 1;; ++round) {
            if (!file_) {
                work();
                return;
            }
            {
                const platform::SharedFile::ExclusiveSection section(*file_);
                if (file_->stillAtPath()) {
                    work();
                    return;
                }
            }
            if (round == kRounds) {
                throw ArchiveError("L'archivio '" + utf8FromPath(path_) +
                                   "' continua a essere sostituito da un altro programma");
            }
            // Nothing was written into the file let go: the work runs only on the one at the
            // path.
            file_ = openFile();
        }
    });
}

} // namespace velarium
