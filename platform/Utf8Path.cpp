#include "platform/Utf8Path.h"

namespace velarium {

std::filesystem::path pathFromUtf8(std::string_view utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string utf8FromPath(const std::filesystem::path& path)
{
    try {
        const std::u8string text = path.u8string();
        return std::string(text.begin(), text.end());
    } catch (const std::exception&) {
    }
    try {
        return path.string();
    } catch (const std::exception&) {
        return "?";
    }
}

} // namespace velarium
