// The card archive on any file content, as another program or a damaged disk could leave it:
// every whole record reads as its card, an incomplete tail is never a card, and an appended
// card lands behind the last whole record.

#include "FuzzSupport.h"
#include "archive/CardArchive.h"
#include "platform/Text.h"

#include <cstring>
#include <string>

using velarium::CardArchive;
using velarium::CardRecord;
using velarium::FileCard;
using velarium::kCardFieldCapacity;
using velarium::kCardRecordBytes;
using velarium::fuzz::require;

namespace {

CardRecord recordAt(std::string_view bytes, std::uint64_t index)
{
    CardRecord record;
    std::memcpy(record.data(), bytes.data() + index * kCardRecordBytes, kCardRecordBytes);
    return record;
}

// What the archive keeps of a card: each text trimmed and cut to 250 bytes.
FileCard kept(const FileCard& card)
{
    const auto keep = [](const std::string& text) {
        return std::string(velarium::trimmed(text).substr(0, kCardFieldCapacity));
    };
    return {keep(card.FilePath), keep(card.Description), keep(card.FilePassword),
            keep(card.Confirmation)};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input = velarium::fuzz::asText(data, size);
    const std::filesystem::path& folder = velarium::fuzz::scratchFolder();
    velarium::fuzz::writeBytes(folder / velarium::kCardArchiveName, input);

    CardArchive archive(folder);
    archive.Open();
    const std::uint64_t count = archive.Count();
    require(count == size / kCardRecordBytes, "the count is the whole records");

    FileCard last;
    for (std::uint64_t index = 0; index < count; ++index) {
        require(!archive.AtEnd(), "not at the end before the last card");
        const FileCard card = archive.Read();
        require(archive.Position() == index + 1, "a read moves past the card");
        require(card == velarium::decodeCard(recordAt(input, index)),
                "a card is what its record decodes to");
        for (const std::string* text :
             {&card.FilePath, &card.Description, &card.FilePassword, &card.Confirmation}) {
            require(text->size() <= kCardFieldCapacity, "no text runs past its field");
        }
        const CardRecord again = velarium::encodeCard(card);
        require(velarium::decodeCard(again) == kept(card), "a card read is written back whole");
        last = card;
    }
    require(archive.AtEnd(), "at the end after the last card");
    try {
        archive.Read();
        require(false, "reading past the last whole record fails");
    } catch (const velarium::ArchiveError&) {
    }
    if (count > 0) {
        archive.Seek(count - 1);
        require(archive.Read() == last, "a card is found again by its number");
    }

    // An appended card goes over an incomplete tail, never over a card.
    const FileCard added{"/percorso/" + last.Description, last.FilePath, "pw", last.Confirmation};
    require(archive.Append(added) == count + 1, "an appended card gets the next number");
    archive.Close();
    const std::string after = velarium::fuzz::readBack(folder / velarium::kCardArchiveName);
    require(after.size() == (count + 1) * kCardRecordBytes, "the archive ends with the new card");
    require(after.compare(0, count * kCardRecordBytes, input.substr(0, count * kCardRecordBytes)) ==
                0,
            "the cards before are untouched");
    require(velarium::decodeCard(recordAt(after, count)) == kept(added),
            "the new card reads back as kept");
    return 0;
}
