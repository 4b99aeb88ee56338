// velarium-cli: the program's file commands, for scripts and for a terminal.

#include "cli/PasswordInput.h"
#include "main/InPlaceCipher.h"
#include "platform/Error.h"

#include <algorithm>
#include <array>
#include <exception>
#include <filesystem>
#include <iostream>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using velarium::CipherDirection;

// Scripts tell a refused request from a failed one by these.
constexpr int kSuccess = 0;
constexpr int kFailure = 1;
constexpr int kWrongUsage = 2;

struct Context
{
    fs::path programFolder;
};

using Arguments = std::span<const std::string_view>;

struct Command
{
    // One or more words, separated by single spaces ("cards list").
    std::string_view name;
    std::string_view arguments;
    std::string_view summary;
    std::size_t minArguments;
    std::size_t maxArguments;
    int (*run)(const Context&, Arguments);
};

int runCipher(const Context& context, std::string_view file, CipherDirection direction)
{
    const bool encrypt = direction == CipherDirection::Encrypt;
    // Asked before touching anything: a refused password leaves no trace in either folder.
    const velarium::cli::Secret password = velarium::cli::readCipherPassword(STDIN_FILENO);
    try {
        velarium::InPlaceCipher cipher(context.programFolder, fs::path(file), direction);
        cipher.writeProcessedCopy(password.view());
        cipher.replaceChosenFile();
    } catch (const std::exception& e) {
        std::cerr << "Attenzione: il sistema non consente di "
                  << (encrypt ? "criptare" : "decriptare") << " il file selezionato.\n"
                  << e.what() << '\n';
        return kFailure;
    }
    std::cout << (encrypt ? "File criptato: " : "File decriptato: ") << file << '\n';
    return kSuccess;
}

int runEncrypt(const Context& context, Arguments arguments)
{
    return runCipher(context, arguments[0], CipherDirection::Encrypt);
}

int runDecrypt(const Context& context, Arguments arguments)
{
    return runCipher(context, arguments[0], CipherDirection::Decrypt);
}

constexpr std::array kCommands{
    Command{"encrypt", "FILE", "cripta FILE sul posto", 1, 1, &runEncrypt},
    Command{"decrypt", "FILE", "decripta FILE sul posto", 1, 1, &runDecrypt},
};

std::vector<std::string_view> words(std::string_view text)
{
    std::vector<std::string_view> result;
    while (!text.empty()) {
        const auto space = text.find(' ');
        result.push_back(text.substr(0, space));
        text = space == std::string_view::npos ? std::string_view() : text.substr(space + 1);
    }
    return result;
}

// The command whose words open `arguments`; the longest wins, so that "cards" and
// "cards list" could both exist.
const Command* findCommand(Arguments arguments, std::size_t& wordCount)
{
    const Command* found = nullptr;
    wordCount = 0;
    for (const Command& command : kCommands) {
        const auto name = words(command.name);
        if (name.size() > wordCount && name.size() <= arguments.size() &&
            std::equal(name.begin(), name.end(), arguments.begin())) {
            found = &command;
            wordCount = name.size();
        }
    }
    return found;
}

const char* const kSynopsis = "Uso: velarium-cli [--folder CARTELLA] COMANDO [ARGOMENTI]\n";

void printUsage(std::ostream& out)
{
    out << kSynopsis << "\nComandi:\n";
    std::size_t width = 0;
    for (const Command& command : kCommands) {
        width = std::max(width, command.name.size() + 1 + command.arguments.size());
    }
    for (const Command& command : kCommands) {
        const std::string head = std::string(command.name) + ' ' + std::string(command.arguments);
        out << "  " << head << std::string(width - head.size() + 3, ' ') << command.summary << '\n';
    }
    out << "\nOpzioni:\n"
           "  --folder CARTELLA  cartella del programma (predefinita: quella dell'eseguibile)\n"
           "  --help             mostra questo aiuto\n"
           "\nLa password è la prima riga dello standard input; da un terminale viene chiesta\n"
           "due volte senza mostrarla.\n";
}

int wrongUsage(std::string_view problem)
{
    std::cerr << "velarium-cli: " << problem << '\n'
              << kSynopsis << "L'elenco dei comandi: velarium-cli --help\n";
    return kWrongUsage;
}

// The program folder holds the program's own files, beside the executable unless told otherwise.
std::optional<fs::path> executableFolder()
{
    std::error_code error;
    const fs::path executable = fs::read_symlink("/proc/self/exe", error);
    if (error) {
        return std::nullopt;
    }
    return executable.parent_path();
}

int run(Arguments arguments)
{
    std::optional<fs::path> folder;
    std::size_t at = 0;
    for (; at < arguments.size() && arguments[at].starts_with("-"); ++at) {
        const std::string_view option = arguments[at];
        if (option == "--help" || option == "-h") {
            printUsage(std::cout);
            return kSuccess;
        }
        if (option == "--folder") {
            if (at + 1 == arguments.size()) {
                return wrongUsage("manca la cartella dopo --folder");
            }
            folder = fs::path(arguments[++at]);
        } else if (option.starts_with("--folder=")) {
            folder = fs::path(option.substr(std::string_view("--folder=").size()));
        } else {
            return wrongUsage("opzione sconosciuta: " + std::string(option));
        }
    }
    const Arguments rest = arguments.subspan(at);
    if (rest.empty()) {
        return wrongUsage("manca il comando");
    }
    std::size_t nameWords = 0;
    const Command* command = findCommand(rest, nameWords);
    if (command == nullptr) {
        return wrongUsage("comando sconosciuto: " + std::string(rest.front()));
    }
    const Arguments commandArguments = rest.subspan(nameWords);
    if (commandArguments.size() < command->minArguments ||
        commandArguments.size() > command->maxArguments) {
        return wrongUsage("argomenti errati per " + std::string(command->name) + "; uso: " +
                          std::string(command->name) + ' ' + std::string(command->arguments));
    }

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
        std::cerr << "Attenzione: la cartella del programma non esiste: " << folder->string()
                  << '\n';
        return kFailure;
    }
    return command->run(Context{*folder}, commandArguments);
}

} // namespace

int main(int argc, char** argv)
{
    try {
        const std::vector<std::string_view> arguments(argv + std::min(argc, 1), argv + argc);
        return run(arguments);
    } catch (const velarium::cli::PasswordError& e) {
        std::cerr << e.what() << '\n';
    } catch (const std::exception& e) {
        std::cerr << "Attenzione: " << e.what() << '\n';
    }
    return kFailure;
}
