#pragma once

#include <cstdint>
#include <optional>
#include <string>

// What the program asks of the desktop's shell: the arguments of one ShellExecute call. Texts
// are UTF-8: paths and URLs here come from the user's file system and are never forced into
// Windows-1252.
namespace velarium::platform {

// The show mode for a window opened normally (SW_SHOWNORMAL).
inline constexpr int kShowNormal = 1;

struct ShellRequest
{
    // Whether the program's window owns what the shell may show (a box about a missing
    // association, say); otherwise nothing does.
    bool ownedByProgram = false;
    // Nothing: the shell's default action for the file's type.
    std::optional<std::string> verb;
    // A path or a URL.
    std::string file;
    // Nothing and an empty text are distinct arguments, as they are to the shell.
    std::optional<std::string> parameters;
    std::optional<std::string> directory;
    int showMode = kShowNormal;

    friend bool operator==(const ShellRequest&, const ShellRequest&) = default;
};

// The shell's answer: greater than 32 when it did what it was asked, otherwise the reason.
using ShellResult = std::intptr_t;
inline constexpr ShellResult kShellDone = 42;
// SE_ERR_NOASSOC: nothing on this computer handles the file or the URL.
inline constexpr ShellResult kShellNoHandler = 31;

inline bool shellSucceeded(ShellResult result)
{
    return result > 32;
}

// A file or folder opened with its type's default action, with no owner window: the file
// commands and the guide.
inline ShellRequest openWithDefaultAction(std::string path)
{
    ShellRequest request;
    request.file = std::move(path);
    return request;
}

// A mailto: URL handed to the mail program: no owner, the verb "open", empty parameters and
// folder.
inline ShellRequest sendMail(std::string url)
{
    ShellRequest request;
    request.verb = "open";
    request.file = std::move(url);
    request.parameters = "";
    request.directory = "";
    return request;
}

// A web address opened from one of the program's windows, which owns the call.
inline ShellRequest visitWebSite(std::string url)
{
    ShellRequest request;
    request.ownedByProgram = true;
    request.verb = "Open";
    request.file = std::move(url);
    return request;
}

} // namespace velarium::platform
