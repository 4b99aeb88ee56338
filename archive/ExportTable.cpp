#include "archive/ExportTable.h"

#include "archive/CardArchive.h"
#include "platform/Text.h"

#include <cstdint>

namespace velarium {

TextTable exportTable(CardArchive& archive)
{
    TextTable table;
    table.push_back({"", " Descrizione file", " Password", " Percorso file"});
    // Cards appended meanwhile by another copy of the program are left for the next export.
    const std::uint64_t count = archive.Count();
    archive.Seek(0);
    table.reserve(static_cast<std::size_t>(count) + 1);
    for (std::uint64_t number = 1; number <= count; ++number) {
        const FileCard card = archive.Read();
        table.push_back({std::to_string(number), std::string(trimmed(card.Description)),
                         std::string(trimmed(card.FilePassword)),
                         std::string(trimmed(card.FilePath))});
    }
    return table;
}

} // namespace velarium
