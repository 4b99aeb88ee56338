#pragma once

// What the tool was asked to do, as typed values: the command line is read once, into one of
// these, before anything is touched.

#include "main/InPlaceCipher.h"
#include "platform/Rc4.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace velarium::cli {

class Command;

struct CipherRequest
{
    CipherDirection direction = CipherDirection::Encrypt;
    // In the order given, as written.
    std::vector<std::string> files;
    platform::KeySize keySize = platform::KeySize::Bits128;
    // Goes on where the checks before the cipher doubt (a second encryption, a wrong password).
    bool force = false;
    // No progress line on a terminal's standard error.
    bool quiet = false;
};

struct ListRequest
{
    // The text to look for in the descriptions, in UTF-8 as given.
    std::optional<std::string> text;
};

struct ShowRequest
{
    // Too many digits for any counter is simply a card beyond the last one.
    std::uint64_t number = 0;
    // The digits as written, for the messages.
    std::string written;
    bool passwords = false;
};

struct AddRequest
{
    std::string file;
    std::string description;
};

enum class ExportFormat
{
    Xlsx,
    Docx,
    Csv,
};

struct ExportRequest
{
    ExportFormat format = ExportFormat::Xlsx;
    std::string file;
};

struct BackupRequest
{
    std::string destination;
};

struct RestoreRequest
{
    std::string source;
};

struct HelpRequest
{
    // The words of a command or of a group ("cards"); none for the whole tool.
    std::vector<std::string> topic;
};

using Request = std::variant<HelpRequest, CipherRequest, ListRequest, ShowRequest, AddRequest,
                             ExportRequest, BackupRequest, RestoreRequest>;

struct Invocation
{
    // The program folder named with --folder; otherwise the executable's.
    std::optional<std::filesystem::path> folder;
    Request request;
    // The one that made the request, and runs it.
    const Command* command = nullptr;
};

// Wrong usage: exit 2, nothing touched.
struct UsageError
{
    std::string problem;
};

} // namespace velarium::cli
