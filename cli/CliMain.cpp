// velarium-cli: the program's file commands, for scripts and for a terminal.

#include "cli/Command.h"
#include "cli/CommandLine.h"
#include "cli/Console.h"
#include "cli/PasswordInput.h"
#include "platform/FileIdentity.h"
#include "platform/Interruption.h"
#include "platform/Utf8Path.h"

#include <exception>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string_view>
#include <system_error>
#include <variant>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace velarium::cli;

// The program folder holds the program's own files, beside the executable unless told otherwise.
std::optional<fs::path> executableFolder()
{
    const std::optional<fs::path> executable = velarium::platform::runningExecutable();
    if (!executable) {
        return std::nullopt;
    }
    return executable->parent_path();
}

int run(const Invocation& invocation)
{
    const Command& command = *invocation.command;
    if (!command.needsProgramFolder()) {
        return command.run(Context{}, invocation.request);
    }
    std::optional<fs::path> folder = invocation.folder;
    if (!folder) {
        folder = executableFolder();
        if (!folder) {
            std::cerr << "Attenzione: impossibile determinare la cartella del programma; "
                         "indicarla con --folder.\n";
            return kFailure;
        }
    }
    std::error_code error;
    if (!fs::is_directory(*folder, error)) {
        std::cerr << "Attenzione: la cartella del programma non esiste: "
                  << velarium::utf8FromPath(*folder) << '\n';
        return kFailure;
    }
    return command.run(Context{*folder}, invocation.request);
}

} // namespace

int main(int argc, char** argv)
{
    // Ctrl-C in the middle of a decryption must not leave the file in clear in the program
    // folder.
    velarium::platform::removeTrackedFilesWhenStopped();
    setUpStandardOutput();
    try {
        const std::vector<std::string> words = commandLineWords(argc, argv);
        const std::vector<std::string_view> arguments(words.begin(), words.end());
        const auto parsed = parseCommandLine(arguments);
        if (const auto* wrong = std::get_if<UsageError>(&parsed)) {
            return wrongUsage(wrong->problem);
        }
        return run(std::get<Invocation>(parsed));
    } catch (const PasswordError& e) {
        std::cerr << e.what() << '\n';
    } catch (const std::exception& e) {
        std::cerr << "Attenzione: " << e.what() << '\n';
    }
    return kFailure;
}
