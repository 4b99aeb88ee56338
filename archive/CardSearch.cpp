#include "archive/CardSearch.h"

#include "platform/Text.h"

namespace velarium {

bool containsFolded(std::string_view text, std::string_view key)
{
    if (key.empty()) {
        return false;
    }
    return lowerCase(text).find(lowerCase(key)) != std::string::npos;
}

bool cardListed(std::string_view description, std::string_view criteria)
{
    return trimmed(criteria).empty() || containsFolded(description, criteria);
}

} // namespace velarium
