#include "platform/Profile.h"

#include "platform/Error.h"
#include "platform/FileIo.h"
#include "platform/FileReplace.h"

#include <cerrno>
#include <optional>
#include <vector>

namespace velarium::platform {
namespace {

constexpr std::size_t kMaxValue = 2047;

std::string_view stripBlanks(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto fold = [](char c) {
            return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
        };
        if (fold(a[i]) != fold(b[i])) {
            return false;
        }
    }
    return true;
}

// One line of the file, its end of line removed.
struct Line
{
    std::string text;

    // The section a header line opens.
    std::optional<std::string_view> section() const
    {
        const std::string_view body = stripBlanks(text);
        if (body.empty() || body.front() != '[') {
            return std::nullopt;
        }
        const auto close = body.find(']');
        return stripBlanks(body.substr(1, close == std::string_view::npos ? close : close - 1));
    }

    // The key of a key line, and its value.
    std::optional<std::pair<std::string_view, std::string_view>> entry() const
    {
        const std::string_view body = stripBlanks(text);
        const auto equals = body.find('=');
        if (body.empty() || body.front() == '[' || equals == std::string_view::npos) {
            return std::nullopt;
        }
        return std::pair{stripBlanks(body.substr(0, equals)), stripBlanks(body.substr(equals + 1))};
    }
};

struct ProfileText
{
    std::vector<Line> lines;
    std::string eol = "\r\n";
    bool endsWithEol = true;
};

ProfileText parse(const std::string& bytes)
{
    ProfileText profile;
    if (bytes.find('\n') != std::string::npos && bytes.find("\r\n") == std::string::npos) {
        profile.eol = "\n";
    }
    profile.endsWithEol = bytes.empty() || bytes.back() == '\n';
    std::size_t start = 0;
    while (start < bytes.size()) {
        auto end = bytes.find('\n', start);
        if (end == std::string::npos) {
            end = bytes.size();
        }
        std::string text = bytes.substr(start, end - start);
        // Every carriage return at a line's end belongs to the line end, as on Windows: one kept
        // in the text would turn into a CRLF the next time the file is written, and a value
        // read before would read differently after.
        while (!text.empty() && text.back() == '\r') {
            text.pop_back();
        }
        profile.lines.push_back({std::move(text)});
        start = end + 1;
    }
    return profile;
}

std::optional<std::string> readAll(const std::filesystem::path& file)
{
    return readSmallFile(file, kProfileSizeLimit);
}

// The span of lines that belong to a section: from its header to the next header.
struct SectionSpan
{
    std::size_t header;
    std::size_t end;
};

std::optional<SectionSpan> findSection(const ProfileText& profile, std::string_view section)
{
    for (std::size_t i = 0; i < profile.lines.size(); ++i) {
        const auto name = profile.lines[i].section();
        if (!name || !sameName(*name, section)) {
            continue;
        }
        std::size_t end = i + 1;
        while (end < profile.lines.size() && !profile.lines[end].section()) {
            ++end;
        }
        return SectionSpan{i, end};
    }
    return std::nullopt;
}

std::string unquoted(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value.substr(0, kMaxValue));
}

} // namespace

std::string readProfileString(const std::filesystem::path& file, std::string_view section,
                              std::string_view key, std::string_view fallback)
{
    const auto bytes = readAll(file);
    if (!bytes) {
        return std::string(fallback.substr(0, kMaxValue));
    }
    const ProfileText profile = parse(*bytes);
    if (const auto span = findSection(profile, section)) {
        for (std::size_t i = span->header + 1; i < span->end; ++i) {
            const auto entry = profile.lines[i].entry();
            if (entry && sameName(entry->first, key)) {
                return unquoted(entry->second);
            }
        }
    }
    return std::string(fallback.substr(0, kMaxValue));
}

void writeProfileString(const std::filesystem::path& file, std::string_view section,
                        std::string_view key, std::string_view value)
{
    std::error_code ec;
    const bool exists = std::filesystem::exists(file, ec);
    const auto bytes = readAll(file);
    if (exists && !bytes) {
        throw SystemError("Impossibile leggere il file", file, EACCES);
    }
    ProfileText profile = parse(bytes.value_or(std::string()));
    std::string entry(key);
    entry += '=';
    entry += value;

    if (const auto span = findSection(profile, section)) {
        std::size_t lastEntry = span->header;
        bool replaced = false;
        for (std::size_t i = span->header + 1; i < span->end && !replaced; ++i) {
            const auto existing = profile.lines[i].entry();
            if (existing && sameName(existing->first, key)) {
                profile.lines[i].text = entry;
                replaced = true;
            } else if (!stripBlanks(profile.lines[i].text).empty()) {
                lastEntry = i;
            }
        }
        if (!replaced) {
            profile.lines.insert(profile.lines.begin() + static_cast<std::ptrdiff_t>(lastEntry + 1),
                                 Line{entry});
        }
    } else {
        std::string header = "[";
        header += section;
        header += ']';
        profile.lines.push_back({std::move(header)});
        profile.lines.push_back({entry});
        profile.endsWithEol = true;
    }

    std::string out;
    for (std::size_t i = 0; i < profile.lines.size(); ++i) {
        out += profile.lines[i].text;
        if (i + 1 < profile.lines.size() || profile.endsWithEol) {
            out += profile.eol;
        }
    }
    writeFileAtomically(file, out);
}

} // namespace velarium::platform
