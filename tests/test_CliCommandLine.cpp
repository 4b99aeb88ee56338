// The tool's command lines read in-process: what each asks for, typed, and what is wrong with
// the ones it refuses, in the words the user will read.

#include "cli/Command.h"
#include "cli/CommandLine.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace velarium::test {
namespace {

using namespace velarium::cli;

std::variant<Invocation, UsageError> parsed(const std::vector<std::string_view>& words)
{
    return parseCommandLine(words);
}

// The request of an accepted command line; a refusal fails the test with its message.
template <class Wanted> Wanted requested(const std::vector<std::string_view>& words)
{
    const auto outcome = parsed(words);
    if (const auto* wrong = std::get_if<UsageError>(&outcome)) {
        ADD_FAILURE() << "refused: " << wrong->problem;
        return {};
    }
    const Request& request = std::get<Invocation>(outcome).request;
    if (!std::holds_alternative<Wanted>(request)) {
        ADD_FAILURE() << "another request, index " << request.index();
        return {};
    }
    return std::get<Wanted>(request);
}

using Files = std::vector<std::string>;

TEST(CliCommandLineTest, CipherTakesItsFilesInOrderAndOneKeyLength)
{
    const CipherRequest plain = requested<CipherRequest>({"encrypt", "b.txt", "a.txt"});
    EXPECT_EQ(plain.direction, CipherDirection::Encrypt);
    EXPECT_EQ(plain.files, (Files{"b.txt", "a.txt"}));
    EXPECT_EQ(plain.keySize, platform::KeySize::Bits128);

    const CipherRequest between =
        requested<CipherRequest>({"decrypt", "uno", "--key-bits", "40", "due"});
    EXPECT_EQ(between.direction, CipherDirection::Decrypt);
    EXPECT_EQ(between.files, (Files{"uno", "due"}));
    EXPECT_EQ(between.keySize, platform::KeySize::Bits40);

    EXPECT_EQ(requested<CipherRequest>({"decrypt", "uno", "--key-bits=40"}).keySize,
              platform::KeySize::Bits40);
    EXPECT_EQ(requested<CipherRequest>({"encrypt", "--key-bits=128", "uno"}).keySize,
              platform::KeySize::Bits128);
    // A card number's look is a file's name here.
    EXPECT_EQ(requested<CipherRequest>({"encrypt", "-3"}).files, Files{"-3"});
}

TEST(CliCommandLineTest, EverythingAfterTheFirstDoubleDashIsAnOperand)
{
    EXPECT_EQ(
        requested<CipherRequest>({"encrypt", "a", "--", "-x", "--help", "--", "--key-bits"}).files,
        (Files{"a", "-x", "--help", "--", "--key-bits"}));
    // Before the command it ends the options of both; the command's words still name it.
    const auto outcome = parsed({"--folder", "/opt/v", "--", "cards", "show", "--passwords"});
    ASSERT_TRUE(std::holds_alternative<UsageError>(outcome));
    EXPECT_EQ(std::get<UsageError>(outcome).problem,
              "numero di scheda non valido: \"--passwords\" (un numero intero, le schede si "
              "contano da 1); uso: cards show N [--passwords]");
    const auto early = parsed({"--folder", "/opt/v", "--", "decrypt", "--key-bits", "-h"});
    ASSERT_TRUE(std::holds_alternative<Invocation>(early));
    EXPECT_EQ(std::get<Invocation>(early).folder, std::filesystem::path("/opt/v"));
    EXPECT_EQ(std::get<CipherRequest>(std::get<Invocation>(early).request).files,
              (Files{"--key-bits", "-h"}));

    EXPECT_EQ(requested<ListRequest>({"cards", "list", "--", "-meno"}).text, "-meno");
    EXPECT_EQ(requested<BackupRequest>({"backup", "--", "--copia"}).destination, "--copia");
    EXPECT_TRUE(requested<ShowRequest>({"cards", "show", "1", "--passwords", "--"}).passwords);
}

TEST(CliCommandLineTest, CardRequestsAreTyped)
{
    const ShowRequest show = requested<ShowRequest>({"cards", "show", "0042"});
    EXPECT_EQ(show.number, 42u);
    EXPECT_EQ(show.written, "0042");
    EXPECT_FALSE(show.passwords);
    EXPECT_TRUE(requested<ShowRequest>({"cards", "show", "--passwords", "7"}).passwords);
    // More digits than any counter holds: a card beyond the last, told as written.
    const ShowRequest huge = requested<ShowRequest>({"cards", "show", "123456789012345678901234"});
    EXPECT_EQ(huge.number, UINT64_MAX);
    EXPECT_EQ(huge.written, "123456789012345678901234");

    EXPECT_FALSE(requested<ListRequest>({"cards", "list"}).text.has_value());
    EXPECT_EQ(requested<ListRequest>({"cards", "list", "fattura luce"}).text, "fattura luce");

    const AddRequest add =
        requested<AddRequest>({"cards", "add", "--description=Vacanze", "--file", "foto.jpg"});
    EXPECT_EQ(add.file, "foto.jpg");
    EXPECT_EQ(add.description, "Vacanze");
    // Empty texts are the command's to refuse, with the main window's words.
    EXPECT_EQ(requested<AddRequest>({"cards", "add", "--file", " ", "--description", ""}).file,
              " ");
}

TEST(CliCommandLineTest, ArchiveFileCommandsAndTheProgramFolder)
{
    EXPECT_EQ(requested<ExportRequest>({"export", "xlsx", "a.xlsx"}).format, ExportFormat::Xlsx);
    EXPECT_EQ(requested<ExportRequest>({"export", "docx", "a.docx"}).format, ExportFormat::Docx);
    const ExportRequest csv = requested<ExportRequest>({"export", "csv", "a.csv"});
    EXPECT_EQ(csv.format, ExportFormat::Csv);
    EXPECT_EQ(csv.file, "a.csv");
    EXPECT_EQ(requested<RestoreRequest>({"restore", "copia.bka"}).source, "copia.bka");

    const auto named = parsed({"--folder=/uno", "--folder", "/due", "cards", "list"});
    ASSERT_TRUE(std::holds_alternative<Invocation>(named));
    EXPECT_EQ(std::get<Invocation>(named).folder, std::filesystem::path("/due"));
    const auto unnamed = parsed({"cards", "list"});
    ASSERT_TRUE(std::holds_alternative<Invocation>(unnamed));
    EXPECT_FALSE(std::get<Invocation>(unnamed).folder.has_value());
}

// Whatever a command declares, the command line finds it by its words, runs it through its own
// request, and refuses a stray option with the command's own usage.
TEST(CliCommandLineTest, EveryCommandIsReachedByItsWordsAndTellsItsOwnUsage)
{
    for (const Command* command : commands()) {
        const std::string name(command->help().name);
        SCOPED_TRACE(name);
        const std::vector<std::string> words = command->words();
        std::vector<std::string_view> line(words.begin(), words.end());
        line.push_back("--nessuna");
        const auto refused = parsed(line);
        ASSERT_TRUE(std::holds_alternative<UsageError>(refused));
        EXPECT_EQ(std::get<UsageError>(refused).problem,
                  "opzione sconosciuta per " + name + ": --nessuna; uso: " + name +
                      (command->help().arguments.empty()
                           ? ""
                           : " " + std::string(command->help().arguments)));

        line.back() = "--help";
        const auto help = parsed(line);
        ASSERT_TRUE(std::holds_alternative<Invocation>(help));
        EXPECT_EQ(std::get<Invocation>(help).command, &helpCommand());

        // Through "--" the words still name the command, which then makes its own request.
        line.back() = "x";
        line.insert(line.begin(), "--");
        const auto reached = parsed(line);
        if (const auto* invocation = std::get_if<Invocation>(&reached)) {
            EXPECT_EQ(invocation->command, command);
        } else {
            EXPECT_NE(std::get<UsageError>(reached).problem.find("; uso: " + name),
                      std::string::npos);
        }
    }
}

struct HelpCase
{
    const char* what;
    std::vector<std::string_view> words;
    std::vector<std::string> topic;
};

void PrintTo(const HelpCase& c, std::ostream* out)
{
    *out << c.what;
}

class CliHelpRequestTest : public ::testing::TestWithParam<HelpCase>
{
};

TEST_P(CliHelpRequestTest, NamesItsTopic)
{
    EXPECT_EQ(requested<HelpRequest>(GetParam().words).topic, GetParam().topic);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, CliHelpRequestTest,
    ::testing::Values(
        HelpCase{"ToolsOwn", {"--help"}, {}}, HelpCase{"BeforeACommand", {"--help", "encrypt"}, {}},
        HelpCase{"HelpAlone", {"help"}, {}},
        HelpCase{"HelpOnACommand", {"help", "cards", "add"}, {"cards", "add"}},
        HelpCase{"HelpOnAGroup", {"help", "export"}, {"export"}},
        HelpCase{"UnknownTopic", {"help", "cripta"}, {"cripta"}},
        HelpCase{
            "AfterACommand", {"--folder", "/x", "cards", "show", "abc", "-h"}, {"cards", "show"}},
        HelpCase{"AfterArgumentsThatWouldRun", {"encrypt", "a", "--help"}, {"encrypt"}},
        HelpCase{"AfterARefusedKeyLength", {"decrypt", "--key-bits", "56", "--help"}, {"decrypt"}},
        HelpCase{"AfterAGroup", {"cards", "--help"}, {"cards"}},
        HelpCase{"AfterAnUnknownCommand", {"cripta", "--help"}, {"cripta"}}),
    [](const ::testing::TestParamInfo<HelpCase>& info) { return std::string(info.param.what); });

struct RefusedCase
{
    const char* what;
    std::vector<std::string_view> words;
    std::string problem;
};

void PrintTo(const RefusedCase& c, std::ostream* out)
{
    *out << c.what;
}

class CliRefusedTest : public ::testing::TestWithParam<RefusedCase>
{
};

TEST_P(CliRefusedTest, SaysWhatIsWrong)
{
    const auto outcome = parsed(GetParam().words);
    ASSERT_TRUE(std::holds_alternative<UsageError>(outcome)) << "accepted";
    EXPECT_EQ(std::get<UsageError>(outcome).problem, GetParam().problem);
}

constexpr std::string_view kCipherUsage =
    "; uso: encrypt [--key-bits 40] [--force] [--quiet] FILE...";
constexpr std::string_view kDecryptUsage =
    "; uso: decrypt [--key-bits 40] [--force] [--quiet] FILE...";
constexpr std::string_view kShowUsage = "; uso: cards show N [--passwords]";
constexpr std::string_view kAddUsage = "; uso: cards add --file PERCORSO --description TESTO";

std::string with(std::string_view problem, std::string_view usage)
{
    return std::string(problem) + std::string(usage);
}

INSTANTIATE_TEST_SUITE_P(
    Tool, CliRefusedTest,
    ::testing::Values(
        RefusedCase{"NoCommand", {}, "manca il comando"},
        RefusedCase{"OnlyOptions", {"--folder", "/x"}, "manca il comando"},
        RefusedCase{"UnknownCommand", {"cripta", "a"}, "comando sconosciuto: cripta"},
        RefusedCase{
            "UnknownWordBeforeTheCommand", {"rosso", "encrypt", "a"}, "comando sconosciuto: rosso"},
        RefusedCase{"UnknownOption",
                    {"--colore", "rosso", "encrypt", "a"},
                    "opzione sconosciuta: --colore"},
        RefusedCase{"ShortFolder", {"-f", "/x", "encrypt", "a"}, "opzione sconosciuta: -f"},
        RefusedCase{"FolderWithoutValue", {"--folder"}, "manca la cartella dopo --folder"},
        RefusedCase{"FolderEmptyAfterEquals",
                    {"--folder=", "cards", "list"},
                    "manca la cartella dopo --folder"},
        RefusedCase{"FolderEmptyAfterTheCommand",
                    {"cards", "list", "--folder="},
                    "manca la cartella dopo --folder"},
        RefusedCase{
            "FolderEmpty", {"--folder", "", "cards", "list"}, "manca la cartella dopo --folder"},
        RefusedCase{"FileEmptyAfterEquals",
                    {"cards", "add", "--file=", "--description", "d"},
                    "manca il valore dopo --file"},
        RefusedCase{"GroupAlone",
                    {"cards"},
                    "comando incompleto: cards (cards list, cards show, cards add)"},
        RefusedCase{"ExportAlone",
                    {"export"},
                    "comando incompleto: export (export xlsx, export docx, export csv)"},
        RefusedCase{"GroupWithUnknownCommand",
                    {"export", "pdf", "a"},
                    "comando incompleto: export (export xlsx, export docx, export csv)"},
        RefusedCase{"GroupAfterDoubleDash",
                    {"--", "cards"},
                    "comando incompleto: cards (cards list, cards show, cards add)"},
        RefusedCase{
            "UnknownCommandAfterDoubleDash", {"--", "cripta"}, "comando sconosciuto: cripta"},
        RefusedCase{"HelpWithAnOption",
                    {"help", "--tutto"},
                    "opzione sconosciuta per help: --tutto; uso: help"},
        RefusedCase{"FolderAfterTheCommand",
                    {"export", "docx", "a", "--folder", "/x"},
                    "opzione sconosciuta per export docx: --folder; uso: export docx FILE"}),
    [](const ::testing::TestParamInfo<RefusedCase>& info) { return std::string(info.param.what); });

INSTANTIATE_TEST_SUITE_P(
    Commands, CliRefusedTest,
    ::testing::Values(
        RefusedCase{"CipherWithoutFile", {"encrypt"}, with("manca il file", kCipherUsage)},
        RefusedCase{"DecryptWithoutFile",
                    {"--folder", "/x", "decrypt"},
                    with("manca il file", kDecryptUsage)},
        RefusedCase{"CipherWithOnlyAKey",
                    {"encrypt", "--key-bits", "40"},
                    with("manca il file", kCipherUsage)},
        RefusedCase{
            "KeyOfAnotherLength",
            {"encrypt", "--key-bits", "56", "a"},
            with("lunghezza della chiave non ammessa: 56 (soltanto 40 o 128)", kCipherUsage)},
        RefusedCase{
            "KeyMistypedAfterEquals",
            {"decrypt", "--key-bits=4O", "a"},
            with("lunghezza della chiave non ammessa: 4O (soltanto 40 o 128)", kDecryptUsage)},
        RefusedCase{"KeyEmpty",
                    {"encrypt", "--key-bits", "", "a"},
                    with("lunghezza della chiave non ammessa:  (soltanto 40 o 128)", kCipherUsage)},
        // A refused length is told after what the command line would have told first.
        RefusedCase{"KeyRefusedAndRepeated",
                    {"encrypt", "--key-bits", "56", "--key-bits", "40", "a"},
                    with("opzione ripetuta: --key-bits", kCipherUsage)},
        RefusedCase{"KeyRefusedAndAnUnknownOption",
                    {"encrypt", "--key-bits", "56", "-x", "a"},
                    with("opzione sconosciuta per encrypt: -x", kCipherUsage)},
        RefusedCase{"KeyRefusedAfterAnUnknownWord",
                    {"rosso", "encrypt", "--key-bits", "56", "a"},
                    "comando sconosciuto: rosso"},
        RefusedCase{"KeyRefusedWithAnEmptyFolder",
                    {"--folder", "", "encrypt", "--key-bits", "56", "a"},
                    "manca la cartella dopo --folder"},
        RefusedCase{
            "KeyRefusedWithoutFile",
            {"encrypt", "--key-bits", "56"},
            with("lunghezza della chiave non ammessa: 56 (soltanto 40 o 128)", kCipherUsage)},
        RefusedCase{"ForceWithAValue",
                    {"encrypt", "--force=yes", "a"},
                    with("l'opzione --force non prende valori", kCipherUsage)},
        RefusedCase{"KeyWithoutValue",
                    {"encrypt", "a", "--key-bits"},
                    with("manca il valore dopo --key-bits", kCipherUsage)},
        RefusedCase{"KeyTwice",
                    {"encrypt", "--key-bits", "40", "--key-bits=40", "a"},
                    with("opzione ripetuta: --key-bits", kCipherUsage)},
        RefusedCase{"DashedFileWithoutDoubleDash",
                    {"encrypt", "-x"},
                    with("opzione sconosciuta per encrypt: -x", kCipherUsage)},
        RefusedCase{"ListOfTwoTexts",
                    {"cards", "list", "a", "b"},
                    "argomenti errati per cards list; uso: cards list [TESTO]"},
        // Only --passwords shows the passwords: no other option passes for it.
        RefusedCase{"ShowWithAnotherOption",
                    {"cards", "show", "1", "--password"},
                    with("opzione sconosciuta per cards show: --password", kShowUsage)},
        RefusedCase{"ShowWithAShortOption",
                    {"cards", "show", "-p", "1"},
                    with("opzione sconosciuta per cards show: -p", kShowUsage)},
        RefusedCase{"ShowPasswordsTwice",
                    {"cards", "show", "1", "--passwords", "--passwords"},
                    with("opzione ripetuta: --passwords", kShowUsage)},
        RefusedCase{"ShowPasswordsWithAValue",
                    {"cards", "show", "1", "--passwords=no"},
                    with("l'opzione --passwords non prende valori", kShowUsage)},
        RefusedCase{"ShowWithoutNumber",
                    {"cards", "show", "--passwords"},
                    with("manca il numero della scheda", kShowUsage)},
        RefusedCase{"ShowTwoNumbers",
                    {"cards", "show", "1", "2"},
                    with("un solo numero di scheda", kShowUsage)},
        RefusedCase{"ShowNegativeNumber",
                    {"cards", "show", "-1"},
                    with("numero di scheda non valido: \"-1\" (un numero intero, le schede si "
                         "contano da 1)",
                         kShowUsage)},
        RefusedCase{"ShowSignedNumber",
                    {"cards", "show", "+2"},
                    with("numero di scheda non valido: \"+2\" (un numero intero, le schede si "
                         "contano da 1)",
                         kShowUsage)},
        RefusedCase{"ShowWord",
                    {"cards", "show", "abc"},
                    with("numero di scheda non valido: \"abc\" (un numero intero, le schede si "
                         "contano da 1)",
                         kShowUsage)},
        RefusedCase{"ShowNumberWithLetters",
                    {"cards", "show", "3x", "--passwords"},
                    with("numero di scheda non valido: \"3x\" (un numero intero, le schede si "
                         "contano da 1)",
                         kShowUsage)},
        RefusedCase{"ShowDecimalNumber",
                    {"cards", "show", "1.5"},
                    with("numero di scheda non valido: \"1.5\" (un numero intero, le schede si "
                         "contano da 1)",
                         kShowUsage)},
        RefusedCase{"ShowBlankBeforeTheNumber",
                    {"cards", "show", " 2"},
                    with("numero di scheda non valido: \" 2\" (un numero intero, le schede si "
                         "contano da 1)",
                         kShowUsage)},
        RefusedCase{"ShowAfterDoubleDashEveryWordIsANumber",
                    {"cards", "show", "--", "1", "--passwords"},
                    with("un solo numero di scheda", kShowUsage)},
        RefusedCase{"ShowEmptyNumber",
                    {"cards", "show", ""},
                    with("numero di scheda non valido: \"\" (un numero intero, le schede si "
                         "contano da 1)",
                         kShowUsage)},
        RefusedCase{"AddWithoutOptions", {"cards", "add"}, with("manca --file", kAddUsage)},
        RefusedCase{"AddWithoutFile",
                    {"cards", "add", "--description", "d"},
                    with("manca --file", kAddUsage)},
        RefusedCase{"AddWithoutDescription",
                    {"cards", "add", "--file", "a"},
                    with("manca --description", kAddUsage)},
        RefusedCase{"AddDescriptionWithoutValue",
                    {"cards", "add", "--file", "a", "--description"},
                    with("manca il valore dopo --description", kAddUsage)},
        RefusedCase{"AddFileTwice",
                    {"cards", "add", "--file", "a", "--file", "b", "--description", "d"},
                    with("opzione ripetuta: --file", kAddUsage)},
        RefusedCase{"AddOperands",
                    {"cards", "add", "a", "d"},
                    with("argomento inatteso per cards add: a", kAddUsage)},
        RefusedCase{"AddMisspeltOption",
                    {"cards", "add", "--file", "a", "--descrizione", "d"},
                    with("opzione sconosciuta per cards add: --descrizione", kAddUsage)},
        RefusedCase{"ExportWithoutFile",
                    {"export", "xlsx"},
                    "argomenti errati per export xlsx; uso: export xlsx FILE"},
        RefusedCase{"ExportTwoFiles",
                    {"export", "csv", "a", "b"},
                    "argomenti errati per export csv; uso: export csv FILE"},
        RefusedCase{"BackupWithoutDestination",
                    {"backup"},
                    "argomenti errati per backup; uso: backup DEST"},
        RefusedCase{"BackupTwoDestinations",
                    {"backup", "a", "b"},
                    "argomenti errati per backup; uso: backup DEST"},
        RefusedCase{
            "RestoreWithoutSource", {"restore"}, "argomenti errati per restore; uso: restore SRC"},
        RefusedCase{"RestoreTwoSources",
                    {"restore", "a", "b"},
                    "argomenti errati per restore; uso: restore SRC"}),
    [](const ::testing::TestParamInfo<RefusedCase>& info) { return std::string(info.param.what); });

} // namespace
} // namespace velarium::test
