#include "platform/FileIo.h"

#include "platform/Utf8Path.h"

#include <string>

namespace velarium::platform {

std::optional<std::string> readSmallFile(const std::filesystem::path& path, std::size_t limit)
{
    // One byte more than allowed tells a file that grew after its size was looked at.
    std::optional<std::string> bytes = readFileStart(path, limit + 1);
    if (bytes && bytes->size() > limit) {
        throw Error("Impossibile leggere il file '" + utf8FromPath(path) + "': è più lungo di " +
                    std::to_string(limit) + " byte");
    }
    return bytes;
}

} // namespace velarium::platform
