// The command-line tool, run as a separate process exactly as a script would run it.

#include "ChildProcess.h"
#include "OfficeReader.h"
#include "TempFolder.h"
#include "app/Crypt.h"
#include "archive/CardArchive.h"
#include "main/FileCipher.h"
#include "platform/Rc4.h"
#include "platform/Text.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace velarium::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const char* const kCli = VELARIUM_CLI_PATH;

Outcome runCli(const std::vector<std::string>& arguments, std::string_view input)
{
    return Child(kCli, arguments, input).finish();
}

// What the core cipher makes of `plain` with the password's bytes exactly as given.
std::string coreCipher(std::string_view plain, std::string_view password,
                       platform::KeySize keySize = platform::KeySize::Bits128)
{
    const TempFolder scratch;
    writeFile(scratch / "chiaro", plain);
    FileCipher(scratch / "chiaro", scratch / "cifrato", password, true, keySize);
    return readWhole(scratch / "cifrato");
}

// Deterministic words of random letters: the look of a real document (text, compressible), so
// that the checks before the cipher see work as a person's, not noise.
std::string documentText(std::size_t size, unsigned seed)
{
    std::string text = randomBytes(size, seed);
    for (char& c : text) {
        const auto byte = static_cast<unsigned char>(c);
        c = byte % 7 == 0 ? ' ' : static_cast<char>('a' + byte % 26);
    }
    return text;
}

class CliTest : public ::testing::Test
{
protected:
    CliTest() : file_(data_ / "documento.dat"), plain_(documentText(70'000, 7))
    {
        writeFile(file_, plain_);
    }

    Outcome encrypt(std::string_view input)
    {
        return runCli({"--folder", program_.path().string(), "encrypt", file_.string()}, input);
    }

    // A refused request must leave the chosen file as it was and nothing in the program folder.
    void expectUntouched()
    {
        EXPECT_EQ(readWhole(file_), plain_);
        EXPECT_TRUE(namesIn(program_.path()).empty());
        EXPECT_EQ(namesIn(data_.path()), std::vector<std::string>{"documento.dat"});
    }

    TempFolder program_;
    TempFolder data_;
    fs::path file_;
    std::string plain_;
};

TEST_F(CliTest, EncryptThenDecryptRestoresTheFile)
{
    const Outcome encrypted = encrypt("segreto\n");
    EXPECT_EQ(encrypted.exitCode, 0) << encrypted.err;
    EXPECT_TRUE(encrypted.err.empty()) << encrypted.err;
    EXPECT_NE(encrypted.out.find("File criptato"), std::string::npos) << encrypted.out;
    EXPECT_EQ(readWhole(file_), coreCipher(plain_, "segreto"));
    EXPECT_TRUE(namesIn(program_.path()).empty());

    const Outcome decrypted =
        runCli({"--folder=" + program_.path().string(), "decrypt", file_.string()}, "segreto\n");
    EXPECT_EQ(decrypted.exitCode, 0) << decrypted.err;
    EXPECT_NE(decrypted.out.find("File decriptato"), std::string::npos) << decrypted.out;
    EXPECT_EQ(readWhole(file_), plain_);
    EXPECT_TRUE(namesIn(program_.path()).empty());
}

TEST_F(CliTest, PasswordIsTheFirstInputLineExactlyAsTypedInWindows1252)
{
    // The trailing blank case would prove nothing if blanks did not change the key.
    ASSERT_NE(coreCipher(plain_, "segreto "), coreCipher(plain_, "segreto"));

    struct Case
    {
        const char* input;
        std::string_view passwordBytes;
    };
    const Case cases[] = {
        {"segreto\n", "segreto"},
        {"segreto\r\n", "segreto"},
        {"segreto", "segreto"},
        {"segreto \n", "segreto "},
        {" segreto\t\n", " segreto\t"},
        {"segreto\naltro\n", "segreto"},
        {"seg\rreto\n", "seg\rreto"},
        {"\xC3\xA8\n", "\xE8"},
        {"Caff\xC3\xA8 \xE2\x82\xAC 5\n", "Caff\xE8 \x80 5"},
    };
    // Read by decrypt, which takes any key so that files made elsewhere still open; the cipher
    // is its own inverse, so the bytes are those of the encryption.
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(std::string(c.input)));
        writeFile(file_, plain_);
        const Outcome outcome =
            runCli({"--folder", program_.path().string(), "decrypt", file_.string()}, c.input);
        EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
        EXPECT_EQ(readWhole(file_), coreCipher(plain_, c.passwordBytes));
    }
}

// A card keeps its password trimmed and at most 250 characters long: a new encryption under any
// other key could never be undone from its card.
TEST_F(CliTest, EncryptRefusesAKeyThatNoCardCouldHold)
{
    const std::string inputs[] = {"segreto \n", " segreto\n", "segreto\t\n",
                                  std::string(251, 'k') + "\n"};
    for (const std::string& input : inputs) {
        SCOPED_TRACE(::testing::PrintToString(input));
        const Outcome outcome = encrypt(input);
        EXPECT_EQ(outcome.exitCode, 1);
        EXPECT_EQ(outcome.err.find("Attenzione: la password "), 0u) << outcome.err;
        EXPECT_NE(outcome.err.find("Nessun file è stato criptato."), std::string::npos);
        EXPECT_TRUE(outcome.out.empty()) << outcome.out;
        expectUntouched();
    }
    const Outcome longest = encrypt(std::string(250, 'k') + "\n");
    EXPECT_EQ(longest.exitCode, 0) << longest.err;
    EXPECT_EQ(readWhole(file_), coreCipher(plain_, std::string(250, 'k')));
}

TEST_F(CliTest, UnusablePasswordIsRefusedBeforeTouchingAnything)
{
    const char* const inputs[] = {
        "\xE4\xB8\xAD\xE6\x96\x87\n", // CJK: outside Windows-1252
        "caff\xC3\xA8\xF0\x9F\x98\x80\n",
        "\xE8\n", // Windows-1252 bytes are not UTF-8
        "\n",
        "\r\n",
        "",
    };
    for (const char* input : inputs) {
        SCOPED_TRACE(::testing::PrintToString(std::string(input)));
        const Outcome outcome = encrypt(input);
        EXPECT_EQ(outcome.exitCode, 1);
        EXPECT_NE(outcome.err.find("password"), std::string::npos) << outcome.err;
        EXPECT_TRUE(outcome.out.empty()) << outcome.out;
        expectUntouched();
    }
}

TEST_F(CliTest, MissingFileFailsAndLeavesNoTemporaryFile)
{
    const fs::path missing = data_ / "assente.dat";
    for (const char* command : {"encrypt", "decrypt"}) {
        SCOPED_TRACE(command);
        const Outcome outcome =
            runCli({"--folder", program_.path().string(), command, missing.string()}, "pw\n");
        EXPECT_EQ(outcome.exitCode, 1);
        EXPECT_NE(outcome.err.find("Attenzione"), std::string::npos) << outcome.err;
        EXPECT_TRUE(outcome.out.empty()) << outcome.out;
        EXPECT_FALSE(fs::exists(missing));
        expectUntouched();
    }
}

TEST_F(CliTest, ReadOnlyFileIsRefused)
{
    fs::permissions(file_, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const Outcome outcome = encrypt("segreto\n");
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_NE(outcome.err.find("criptare"), std::string::npos) << outcome.err;
    expectUntouched();
    EXPECT_EQ(fs::status(file_).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
}

TEST_F(CliTest, MissingProgramFolderFails)
{
    const fs::path nowhere = program_ / "inesistente";
    const Outcome outcome =
        runCli({"--folder", nowhere.string(), "encrypt", file_.string()}, "segreto\n");
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_FALSE(outcome.err.empty());
    EXPECT_FALSE(fs::exists(nowhere));
    expectUntouched();
}

// What each command refuses is read in-process (test_CliCommandLine.cpp); here, that a refused
// command line goes no further than its message, whichever command it names.
TEST_F(CliTest, WrongUsageExitsWithTwoSaysWhyAndDoesNothing)
{
    const std::string folder = program_.path().string();
    const std::string file = file_.string();
    const struct
    {
        std::vector<std::string> arguments;
        std::string problem;
    } usages[] = {
        {{"--folder", folder, "encrypt", "--key-bits", "56", file},
         "lunghezza della chiave non ammessa: 56 (soltanto 40 o 128); uso: encrypt [--key-bits "
         "40] [--force] [--quiet] FILE..."},
        {{"--folder", folder, "cards", "add", file, "descrizione"},
         "argomento inatteso per cards add: " + file +
             "; uso: cards add --file PERCORSO --description TESTO"},
        {{"--folder", folder, "backup", (data_ / "copia").string(), file},
         "argomenti errati per backup; uso: backup DEST"},
        {{"--folder", folder, "export", "csv", (data_ / "tabella.csv").string(), "--quiet"},
         "opzione sconosciuta per export csv: --quiet; uso: export csv FILE"},
    };
    for (const auto& usage : usages) {
        SCOPED_TRACE(::testing::PrintToString(usage.arguments));
        const Outcome outcome = runCli(usage.arguments, "segreto\n");
        EXPECT_EQ(outcome.exitCode, 2);
        EXPECT_EQ(outcome.err, "velarium-cli: " + usage.problem +
                                   "\nUso: velarium-cli [--folder CARTELLA] COMANDO [ARGOMENTI]\n"
                                   "L'elenco dei comandi: velarium-cli --help\n");
        EXPECT_TRUE(outcome.out.empty()) << outcome.out;
        expectUntouched();
    }
}

TEST_F(CliTest, FortyBitKeyDecryptsOnlyWhatItEncrypted)
{
    const std::string folder = program_.path().string();
    const std::string file = file_.string();
    const std::string fortyBit = coreCipher(plain_, "segreto", platform::KeySize::Bits40);
    ASSERT_NE(fortyBit, coreCipher(plain_, "segreto"));

    const Outcome encrypted =
        runCli({"--folder", folder, "encrypt", "--key-bits", "40", file}, "segreto\n");
    ASSERT_EQ(encrypted.exitCode, 0) << encrypted.err;
    EXPECT_EQ(encrypted.out, "File criptato: " + file + "\n");
    EXPECT_EQ(readWhole(file_), fortyBit);

    // The default key leaves noise: refused, as a wrong password. Forced, it "succeeds" into
    // garbage; the same command again undoes it.
    const Outcome doubted = runCli({"--folder", folder, "decrypt", file}, "segreto\n");
    EXPECT_EQ(doubted.exitCode, 1);
    EXPECT_NE(doubted.err.find("sembra errata"), std::string::npos) << doubted.err;
    EXPECT_EQ(readWhole(file_), fortyBit);
    for (int run = 0; run < 2; ++run) {
        const Outcome wrong = runCli({"--folder", folder, "decrypt", "--force", file}, "segreto\n");
        ASSERT_EQ(wrong.exitCode, 0) << wrong.err;
        EXPECT_NE(readWhole(file_), plain_);
    }
    EXPECT_EQ(readWhole(file_), fortyBit);

    const Outcome decrypted =
        runCli({"--folder", folder, "decrypt", file, "--key-bits=40"}, "segreto\n");
    ASSERT_EQ(decrypted.exitCode, 0) << decrypted.err;
    EXPECT_EQ(readWhole(file_), plain_);

    const Outcome stated =
        runCli({"--folder", folder, "encrypt", "--key-bits=128", file}, "segreto\n");
    ASSERT_EQ(stated.exitCode, 0) << stated.err;
    EXPECT_EQ(readWhole(file_), coreCipher(plain_, "segreto"));
    EXPECT_TRUE(namesIn(program_.path()).empty());

    const Outcome refused =
        runCli({"--folder", folder, "decrypt", "--key-bits", "64", file}, "segreto\n");
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("40 o 128"), std::string::npos) << refused.err;
}

TEST_F(CliTest, BatchProcessesEveryFileInOrderUnderOnePassword)
{
    const std::vector<fs::path> files = {data_ / "uno.dat", data_ / "due.dat", data_ / "tre.dat"};
    std::vector<std::string> plains;
    std::vector<std::string> arguments = {"--folder", program_.path().string(), "encrypt"};
    for (std::size_t i = 0; i < files.size(); ++i) {
        plains.push_back(documentText(5000 + i, static_cast<unsigned>(30 + i)));
        writeFile(files[i], plains[i]);
        arguments.push_back(files[i].string());
    }
    const Outcome encrypted = runCli(arguments, "comune\n");
    EXPECT_EQ(encrypted.exitCode, 0) << encrypted.err;
    EXPECT_TRUE(encrypted.err.empty()) << encrypted.err;
    EXPECT_EQ(encrypted.out, "File criptato: " + files[0].string() +
                                 "\nFile criptato: " + files[1].string() +
                                 "\nFile criptato: " + files[2].string() + "\n");
    for (std::size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(readWhole(files[i]), coreCipher(plains[i], "comune")) << files[i];
    }

    arguments[2] = "decrypt";
    const Outcome decrypted = runCli(arguments, "comune\n");
    EXPECT_EQ(decrypted.exitCode, 0) << decrypted.err;
    EXPECT_EQ(std::count(decrypted.out.begin(), decrypted.out.end(), '\n'), 3) << decrypted.out;
    for (std::size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(readWhole(files[i]), plains[i]) << files[i];
    }
    EXPECT_TRUE(namesIn(program_.path()).empty());
}

TEST_F(CliTest, BatchStopsAtTheFirstFailureAndSaysWhatWasDone)
{
    const fs::path first = data_ / "a.dat";
    const fs::path locked = data_ / "b.dat";
    const fs::path last = data_ / "c.dat";
    const std::string firstPlain = randomBytes(9000, 41);
    writeFile(first, firstPlain);
    writeFile(locked, "sola lettura");
    writeFile(last, "mai raggiunto");
    fs::permissions(locked, fs::perms::owner_read | fs::perms::group_read);

    const Outcome outcome = runCli({"--folder", program_.path().string(), "encrypt", first.string(),
                                    locked.string(), last.string()},
                                   "segreto\n");
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.out, "File criptato: " + first.string() + "\n");
    EXPECT_EQ(outcome.err.rfind("Attenzione: il sistema non consente di criptare il file "
                                "selezionato.\n",
                                0),
              0u)
        << outcome.err;
    EXPECT_NE(outcome.err.find("File non criptato: " + locked.string() + "\n"), std::string::npos)
        << outcome.err;
    EXPECT_NE(outcome.err.find("File non elaborato: " + last.string() + "\n"), std::string::npos)
        << outcome.err;
    EXPECT_EQ(readWhole(first), coreCipher(firstPlain, "segreto"));
    EXPECT_EQ(readWhole(locked), "sola lettura");
    EXPECT_EQ(fs::status(locked).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::group_read);
    EXPECT_EQ(readWhole(last), "mai raggiunto");
    EXPECT_TRUE(namesIn(program_.path()).empty());
}

// The tool with its standard output on a full disk.
Outcome runCliIntoFullDisk(const std::vector<std::string>& arguments, std::string_view input)
{
    std::vector<std::string> shell = {"-c", "exec \"$0\" \"$@\" >/dev/full", kCli};
    shell.insert(shell.end(), arguments.begin(), arguments.end());
    return Child("/bin/sh", shell, input).finish();
}

// Work done stays done when its report cannot be written: the tool then tells on standard error
// what it did, since the obvious retry would decrypt the files again or add the card twice.
TEST_F(CliTest, AFailedReportStillTellsWhatWasDone)
{
    const fs::path second = data_ / "b.dat";
    writeFile(second, "seconda");
    const Outcome batch = runCliIntoFullDisk(
        {"--folder", program_.path().string(), "encrypt", file_.string(), second.string()},
        "segreto\n");
    EXPECT_EQ(batch.exitCode, 1);
    EXPECT_NE(batch.err.find("impossibile scrivere sullo standard output"), std::string::npos);
    EXPECT_NE(batch.err.find("File criptato: " + file_.string() + "\n"), std::string::npos)
        << batch.err;
    EXPECT_NE(batch.err.find("File criptato: " + second.string() + "\n"), std::string::npos)
        << batch.err;
    EXPECT_EQ(readWhole(file_), coreCipher(plain_, "segreto"));
    EXPECT_EQ(readWhole(second), coreCipher("seconda", "segreto"));

    const Outcome added = runCliIntoFullDisk({"--folder", program_.path().string(), "cards", "add",
                                              "--file", file_.string(), "--description", "Doc"},
                                             "segreto\n");
    EXPECT_EQ(added.exitCode, 1);
    EXPECT_NE(added.err.find("Scheda aggiunta all'archivio con il numero 1."), std::string::npos)
        << added.err;
    EXPECT_EQ(fs::file_size(program_ / kCardArchiveName), kCardRecordBytes);
}

TEST_F(CliTest, AFileNamedTwiceInABatchIsRefusedBeforeAnythingIsDone)
{
    // Twice through the cipher would give the original back, reported as encrypted.
    const fs::path other = data_ / "altro.dat";
    writeFile(other, "altro");
    fs::create_symlink(file_, data_ / "collegamento");
    const std::vector<std::vector<std::string>> batches = {
        {file_.string(), file_.string()},
        {other.string(), file_.string(), (data_ / "collegamento").string()},
    };
    for (const auto& batch : batches) {
        SCOPED_TRACE(::testing::PrintToString(batch));
        std::vector<std::string> arguments = {"--folder", program_.path().string(), "encrypt"};
        arguments.insert(arguments.end(), batch.begin(), batch.end());
        const Outcome outcome = runCli(arguments, "segreto\n");
        EXPECT_EQ(outcome.exitCode, 1);
        EXPECT_NE(outcome.err.find("più di una volta"), std::string::npos) << outcome.err;
        EXPECT_TRUE(outcome.out.empty()) << outcome.out;
        EXPECT_EQ(readWhole(file_), plain_);
        EXPECT_EQ(readWhole(other), "altro");
        EXPECT_TRUE(namesIn(program_.path()).empty());
    }
}

// Encrypting the archive would garble it, the access store lock the user out, an executable or a
// library stop working: no file the program keeps or ships is ever a cipher's target, under any
// name, and neither is an export waiting for the desktop's application.
TEST_F(CliTest, TheProgramsOwnFilesAreNeverEncryptedOrDecrypted)
{
    const TempFolder installed;
    const fs::path tool = installed / "velarium-cli";
    fs::copy_file(kCli, tool);
    const TempFolder runtime;
    fs::permissions(runtime.path(), fs::perms::owner_all);
    const fs::path exported = runtime / "velarium" / "run-prova" / "Velarium-archivio-x.xlsx";
    fs::create_directories(exported.parent_path());
    fs::permissions(exported.parent_path().parent_path(), fs::perms::owner_all);
    writeFile(exported, "esportazione");

    for (const char* name : {kCardArchiveName, kAccessStoreName, "Guida.pdf", "Velarium",
                             "Velarium.png", "velarium.desktop", "Qt6Core.dll", "magic.mgc"}) {
        writeFile(program_ / name, std::string("file del programma: ") + name);
    }
    fs::create_directory(program_ / "translations");
    writeFile(program_ / "translations" / "qtbase_it.qm", "catalogo");
    fs::create_symlink(program_ / kCardArchiveName, data_ / "archivio");
    const std::vector<fs::path> targets = {
        program_ / kCardArchiveName,
        program_ / "translations" / ".." / kCardArchiveName,
        data_ / "archivio",
        program_ / kAccessStoreName,
        program_ / "Guida.pdf",
        program_ / "Velarium",
        program_ / "Velarium.png",
        program_ / "velarium.desktop",
        program_ / "Qt6Core.dll",
        program_ / "magic.mgc",
        program_ / "translations" / "qtbase_it.qm",
        tool,
        exported,
    };
    auto snapshot = [&] {
        std::vector<std::string> all;
        for (const fs::path& target : targets) {
            all.push_back(readWhole(target));
        }
        return all;
    };
    const std::vector<std::string> before = snapshot();
    for (const fs::path& target : targets) {
        for (const char* command : {"encrypt", "decrypt"}) {
            SCOPED_TRACE(std::string(command) + " " + target.string());
            const Outcome outcome =
                Child("/usr/bin/env",
                      {"XDG_RUNTIME_DIR=" + runtime.path().string(), tool.string(), "--folder",
                       program_.path().string(), command, target.string()},
                      "segreto\n")
                    .finish();
            EXPECT_EQ(outcome.exitCode, 1);
            const bool named = outcome.err.find("file del programma") != std::string::npos ||
                               outcome.err.find("esportazioni") != std::string::npos;
            EXPECT_TRUE(named) << outcome.err;
            EXPECT_TRUE(outcome.out.empty()) << outcome.out;
        }
    }
    EXPECT_EQ(snapshot(), before);
    EXPECT_FALSE(fs::exists(program_ / "Criptato.xyz"));
    EXPECT_FALSE(fs::exists(program_ / "Decriptato.xyz"));
}

// The checks before the cipher: a refusal is exit 1 with its reason, stops a batch like any
// failure, and --force goes on.
TEST_F(CliTest, ASecondEncryptionIsRefusedUnlessForcedAndStopsTheBatch)
{
    const fs::path before = data_ / "prima.txt";
    const fs::path after = data_ / "dopo.txt";
    writeFile(before, documentText(3000, 5));
    writeFile(after, "mai raggiunto");
    writeFile(file_, coreCipher(plain_, "segreto"));
    const std::string folder = program_.path().string();

    const Outcome refused =
        runCli({"--folder", folder, "encrypt", before.string(), file_.string(), after.string()},
               "segreto\n");
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.out, "File criptato: " + before.string() + "\n");
    EXPECT_EQ(refused.err, "Attenzione: il file sembra già criptato con questa password: "
                           "decriptato con essa risulta leggibile (ASCII text (text/plain)). Un "
                           "nuovo criptaggio lo riporterebbe in chiaro.\nPer criptarlo comunque, "
                           "ripetere il comando con --force.\nFile non criptato: " +
                               file_.string() + "\nFile non elaborato: " + after.string() + "\n");
    EXPECT_EQ(readWhole(file_), coreCipher(plain_, "segreto"));
    EXPECT_EQ(readWhole(after), "mai raggiunto");

    const Outcome forced =
        runCli({"--folder", folder, "encrypt", "--force", file_.string()}, "segreto\n");
    EXPECT_EQ(forced.exitCode, 0) << forced.err;
    EXPECT_EQ(readWhole(file_), plain_) << "the second encryption decrypts, as asked";
    EXPECT_TRUE(namesIn(program_.path()).empty());
}

TEST_F(CliTest, TheFilesCardsDecideADecryptionBeforeItsBytes)
{
    // Noise in clear: only a card can tell its right password.
    const std::string noise = randomBytes(20'000, 99);
    writeFile(file_, coreCipher(noise, "giusta"));
    const std::string folder = program_.path().string();
    const Outcome added = runCli(
        {"--folder", folder, "cards", "add", "--file", file_.string(), "--description", "Rumore"},
        "giusta\ngiusta\n");
    ASSERT_EQ(added.exitCode, 0) << added.err;

    const Outcome other = runCli({"--folder", folder, "decrypt", file_.string()}, "altra\n");
    EXPECT_EQ(other.exitCode, 1);
    EXPECT_EQ(other.err.substr(0, other.err.find("File non")),
              "Attenzione: la password indicata non è quella registrata per questo file nella "
              "scheda n. 1.\nPer decriptarlo comunque, ripetere il comando con --force.\n");
    EXPECT_EQ(readWhole(file_), coreCipher(noise, "giusta"));

    // Given as a relative path, the file is still the card's.
    const fs::path here = fs::current_path();
    fs::current_path(data_.path());
    const Outcome right =
        runCli({"--folder", folder, "decrypt", file_.filename().string()}, "giusta\n");
    fs::current_path(here);
    EXPECT_EQ(right.exitCode, 0) << right.err;
    EXPECT_EQ(readWhole(file_), noise);
}

TEST_F(CliTest, AfterADoubleDashEveryArgumentIsAFile)
{
    const std::vector<std::string> names = {"-x", "--folder", "--help", "-h", "--", "--key-bits"};
    for (const std::string& name : names) {
        writeFile(data_ / name, "contenuto di " + name);
    }
    const std::string folder = program_.path().string();
    // An archive to back up: the export only reads, and makes none.
    writeFile(program_ / kCardArchiveName, "");
    const fs::path here = fs::current_path();
    fs::current_path(data_.path());
    // Through the tool's options first, then through the command's own.
    const Outcome encrypted = runCli(
        {"--folder", folder, "--", "encrypt", "-x", "--folder", "--help", "-h", "--", "--key-bits"},
        "pw\n");
    const Outcome decrypted = runCli(
        {"--folder", folder, "decrypt", "--", "-x", "--folder", "--help", "-h", "--", "--key-bits"},
        "pw\n");
    const Outcome exported =
        runCli({"--folder", folder, "export", "csv", "--", "-tabella.csv"}, "");
    const Outcome backedUp = runCli({"--folder", folder, "backup", "--", "--copia"}, "");
    fs::current_path(here);

    EXPECT_EQ(encrypted.exitCode, 0) << encrypted.err;
    EXPECT_EQ(encrypted.out, "File criptato: -x\nFile criptato: --folder\nFile criptato: --help\n"
                             "File criptato: -h\nFile criptato: --\nFile criptato: --key-bits\n");
    EXPECT_EQ(decrypted.exitCode, 0) << decrypted.err;
    for (const std::string& name : names) {
        EXPECT_EQ(readWhole(data_ / name), "contenuto di " + name) << name;
    }
    EXPECT_EQ(exported.exitCode, 0) << exported.err;
    EXPECT_TRUE(fs::is_regular_file(data_ / "-tabella.csv"));
    EXPECT_EQ(backedUp.exitCode, 0) << backedUp.err;
    EXPECT_EQ(readWhole(data_ / "--copia.bka"), readWhole(program_ / kCardArchiveName));
}

TEST_F(CliTest, ProgramFolderDefaultsToTheExecutablesFolder)
{
    // A copy of the tool in a folder of its own whose temporary-file name is taken by a folder:
    // the tool can only fail if it really works beside its executable.
    const TempFolder installed;
    const fs::path tool = installed / "velarium-cli";
    fs::copy_file(kCli, tool);
    fs::create_directory(installed / "Criptato.xyz");

    const Outcome blocked = Child(tool.string(), {"encrypt", file_.string()}, "pw\n").finish();
    EXPECT_EQ(blocked.exitCode, 1) << blocked.out;
    EXPECT_EQ(readWhole(file_), plain_);

    const Outcome elsewhere =
        Child(tool.string(), {"--folder", program_.path().string(), "encrypt", file_.string()},
              "pw\n")
            .finish();
    EXPECT_EQ(elsewhere.exitCode, 0) << elsewhere.err;
    EXPECT_EQ(readWhole(file_), coreCipher(plain_, "pw"));
}

// The card commands over an archive made beforehand, as another copy of the program would
// leave it.
class CardsCliTest : public ::testing::Test
{
protected:
    Outcome cards(std::vector<std::string> arguments)
    {
        arguments.insert(arguments.begin(), {"--folder", program_.path().string(), "cards"});
        return runCli(arguments, "");
    }

    void store(const std::vector<FileCard>& cards)
    {
        CardArchive archive(program_.path());
        archive.Open();
        for (const FileCard& card : cards) {
            archive.Append(card);
        }
        archive.Close();
    }

    fs::path archivePath() const { return program_ / kCardArchiveName; }

    // A successful run and what it printed.
    std::string printed(const std::vector<std::string>& arguments)
    {
        const Outcome outcome = cards(arguments);
        EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
        EXPECT_EQ(outcome.signal, 0);
        EXPECT_TRUE(outcome.err.empty()) << outcome.err;
        return outcome.out;
    }

    TempFolder program_;
};

// Record bytes laid out by hand, for contents the archive itself would never write.
std::string rawRecord(const std::array<std::string, 4>& fields,
                      const std::array<int, 4>& lengthBytes = {-1, -1, -1, -1})
{
    std::string record(kCardRecordBytes, '\0');
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::size_t at = i * (1 + kCardFieldCapacity);
        const int length =
            lengthBytes[i] >= 0 ? lengthBytes[i] : static_cast<int>(fields[i].size());
        record[at] = static_cast<char>(length);
        record.replace(at + 1, fields[i].size(), fields[i]);
    }
    return record;
}

std::string asString(const CardRecord& record)
{
    return std::string(reinterpret_cast<const char*>(record.data()), record.size());
}

TEST_F(CardsCliTest, ListShowsEveryCardWithItsNumberInArchiveOrder)
{
    // A missing archive lists as an empty one, and only a command that writes makes it.
    EXPECT_EQ(printed({"list"}), "");
    EXPECT_FALSE(fs::exists(archivePath()));

    store({{"/doc/a.txt", "Zeta", "pw", "pw"},
           {"/doc/b.txt", "Alfa", "pw", "pw"},
           {"/doc/c.txt", "Alfa", "pw", "pw"}});
    const std::string all = "1\tZeta\n2\tAlfa\n3\tAlfa\n";
    EXPECT_EQ(printed({"list"}), all);
    for (const char* blank : {"", " ", "   ", "\t", " \t "}) {
        SCOPED_TRACE(::testing::PrintToString(std::string(blank)));
        EXPECT_EQ(printed({"list", blank}), all);
    }
}

TEST_F(CardsCliTest, FilterMatchesAnywhereFoldingOnlyTheLettersAToZ)
{
    store({{"p1", "Fattura Rossi", "", ""},
           {"p2", "Contratto", "", ""},
           {"p3", "FATTURA bianchi", "", ""},
           {"p4", "\xC8lite", "", ""}, // "Èlite"
           {"p5", "\xE8lite", "", ""}, // "èlite"
           {"p6", "abaco", "", ""},
           {"p7", "un abaco", "", ""}});
    struct Case
    {
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {"fattura", "1\tFattura Rossi\n3\tFATTURA bianchi\n"},
        {"TURA b", "3\tFATTURA bianchi\n"},
        {"rossi", "1\tFattura Rossi\n"},
        {"\xC3\xA8", "5\t\xC3\xA8lite\n"},     // "è" does not find "È"
        {"\xC3\x88LITE", "4\t\xC3\x88lite\n"}, // "ÈLITE" finds only "Èlite"
        {"LITE", "4\t\xC3\x88lite\n5\t\xC3\xA8lite\n"},
        {" ab", "7\tun abaco\n"}, // the blank is part of the text
        {"abaco ", ""},
        {"nessuna", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(std::string(c.text)));
        EXPECT_EQ(printed({"list", c.text}), c.expected);
    }
}

TEST_F(CardsCliTest, Windows1252TextsComeOutAsUtf8AndTextIsMatchedInWindows1252)
{
    store({{"C:\\Doc\\caff\xE8.txt", "Caff\xE8 \x80 5 \x93gi\xE0\x94", "p\xE0ss", "p\xE0ss"},
           {"x", "Euro", "", ""}});
    EXPECT_EQ(printed({"list"}),
              "1\tCaff\xC3\xA8 \xE2\x82\xAC 5 \xE2\x80\x9Cgi\xC3\xA0\xE2\x80\x9D\n"
              "2\tEuro\n");
    EXPECT_EQ(printed({"list", "\xE2\x82\xAC 5"}),
              "1\tCaff\xC3\xA8 \xE2\x82\xAC 5 \xE2\x80\x9Cgi\xC3\xA0\xE2\x80\x9D\n");
    EXPECT_EQ(printed({"show", "1", "--passwords"}),
              "C:\\Doc\\caff\xC3\xA8.txt\nCaff\xC3\xA8 \xE2\x82\xAC 5 \xE2\x80\x9Cgi\xC3\xA0"
              "\xE2\x80\x9D\np\xC3\xA0ss\np\xC3\xA0ss\n");
}

TEST_F(CardsCliTest, TextTheArchiveCannotHoldIsRefused)
{
    store({{"p", "Caff\xE8", "", ""}});
    const char* const texts[] = {
        "\xE4\xB8\xAD",                 // CJK: outside Windows-1252
        "caff\xC3\xA8\xF0\x9F\x98\x80", // an emoji after valid text
        "caff\xE8",                     // Windows-1252 bytes are not UTF-8
    };
    for (const char* text : texts) {
        SCOPED_TRACE(::testing::PrintToString(std::string(text)));
        const Outcome outcome = cards({"list", text});
        EXPECT_EQ(outcome.exitCode, 1);
        EXPECT_NE(outcome.err.find("Windows-1252"), std::string::npos) << outcome.err;
        EXPECT_TRUE(outcome.out.empty()) << outcome.out;
    }
}

TEST_F(CardsCliTest, ShowPrintsPathAndDescriptionAndPasswordsOnlyWhenAsked)
{
    store({{"/doc/uno.txt", "Primo", "alfa", "alfa"},
           {"/doc/due.txt", "Secondo", "beta", "gamma"},
           {"/doc/tre.txt", "Terzo", "", ""}});
    EXPECT_EQ(printed({"show", "2"}), "/doc/due.txt\nSecondo\n");
    EXPECT_EQ(printed({"show", "2", "--passwords"}), "/doc/due.txt\nSecondo\nbeta\ngamma\n");
    EXPECT_EQ(printed({"show", "--passwords", "1"}), "/doc/uno.txt\nPrimo\nalfa\nalfa\n");
    EXPECT_EQ(printed({"show", "003", "--passwords"}), "/doc/tre.txt\nTerzo\n\n\n");
}

TEST_F(CardsCliTest, ShowRefusesNumbersOfNoCard)
{
    store({{"a", "A", "", ""}, {"b", "B", "", ""}, {"c", "C", "", ""}});
    const char* const numbers[] = {"0", "4", "18446744073709551616", "99999999999999999999999"};
    for (const char* number : numbers) {
        SCOPED_TRACE(::testing::PrintToString(std::string(number)));
        const Outcome outcome = cards({"show", number, "--passwords"});
        EXPECT_EQ(outcome.exitCode, 1);
        EXPECT_NE(lowerCase(outcome.err).find("scheda"), std::string::npos) << outcome.err;
        EXPECT_TRUE(outcome.out.empty()) << outcome.out;
    }
    const Outcome beyond = cards({"show", "4"});
    EXPECT_NE(beyond.err.find("Scheda 4 inesistente: l'archivio contiene 3 schede."),
              std::string::npos)
        << beyond.err;
}

TEST_F(CardsCliTest, DoubleDashEndsTheOptions)
{
    store({{"/doc/uno", "-meno", "alfa", "alfa"}, {"/doc/due", "--passwords", "beta", "beta"}});
    EXPECT_EQ(printed({"list", "--", "-meno"}), "1\t-meno\n");
    EXPECT_EQ(printed({"list", "--", "--passwords"}), "2\t--passwords\n");
    EXPECT_EQ(printed({"show", "--", "2"}), "/doc/due\n--passwords\n");
    EXPECT_EQ(printed({"show", "--passwords", "--", "1"}), "/doc/uno\n-meno\nalfa\nalfa\n");
    EXPECT_EQ(printed({"show", "1", "--passwords", "--"}), "/doc/uno\n-meno\nalfa\nalfa\n");
}

TEST_F(CardsCliTest, DamagedRecordsAreShownAsTheArchiveReadsThem)
{
    const std::string long250(250, 'D');
    std::string bytes;
    // A length byte of 255 reads as 250, never into the next field.
    bytes += rawRecord({"/p", long250, "pw", "pw"}, {-1, 255, -1, -1});
    // Blanks and a line break left inside by another program: trimmed, and still one line.
    bytes += rawRecord({"  /q \t", " riga\nspezzata\r ", " x ", "y\x01"});
    bytes += asString(encodeCard({"/r", "Terza", "", ""}));
    // An incomplete record at the end is not a card.
    bytes += asString(encodeCard({"/s", "Quarta", "", ""})).substr(0, 600);
    writeFile(archivePath(), bytes);

    EXPECT_EQ(printed({"list"}), "1\t" + long250 + "\n2\triga spezzata\n3\tTerza\n");
    EXPECT_EQ(printed({"list", "quarta"}), "");
    EXPECT_EQ(printed({"show", "1", "--passwords"}), "/p\n" + long250 + "\npw\npw\n");
    EXPECT_EQ(printed({"show", "2", "--passwords"}), "/q\nriga spezzata\nx\ny\n");
    const Outcome partial = cards({"show", "4"});
    EXPECT_EQ(partial.exitCode, 1);
    EXPECT_NE(partial.err.find("contiene 3 schede"), std::string::npos) << partial.err;
    // Reading never repairs nor extends the file.
    EXPECT_EQ(readWhole(archivePath()), bytes);
}

TEST_F(CardsCliTest, GarbageArchiveNeverCrashesTheTool)
{
    constexpr int kRecords = 12;
    const std::string garbage = randomBytes(kRecords * kCardRecordBytes + 777, 99);
    writeFile(archivePath(), garbage);

    const std::string listing = printed({"list"});
    std::size_t lines = 0;
    for (std::size_t at = 0; at < listing.size(); at = listing.find('\n', at) + 1) {
        ++lines;
        EXPECT_EQ(
            listing.compare(at, std::to_string(lines).size() + 1, std::to_string(lines) + '\t'), 0)
            << listing;
    }
    EXPECT_EQ(lines, static_cast<std::size_t>(kRecords));
    EXPECT_EQ(printed({"list", "a"}).find("\n\n"), std::string::npos);
    for (int n = 1; n <= kRecords; ++n) {
        SCOPED_TRACE(n);
        const std::string shown = printed({"show", std::to_string(n), "--passwords"});
        EXPECT_EQ(std::count(shown.begin(), shown.end(), '\n'), 4) << shown;
    }
    EXPECT_EQ(cards({"show", std::to_string(kRecords + 1)}).exitCode, 1);
    EXPECT_EQ(readWhole(archivePath()), garbage);
}

TEST_F(CardsCliTest, ArchiveThatCannotBeOpenedIsReportedNotCreated)
{
    const auto expectRefused = [this](const char* what) {
        for (const std::vector<std::string>& arguments :
             {std::vector<std::string>{"list"}, std::vector<std::string>{"show", "1"}}) {
            SCOPED_TRACE(std::string(what) + " " + arguments.front());
            const Outcome outcome = cards(arguments);
            EXPECT_EQ(outcome.exitCode, 1);
            EXPECT_EQ(outcome.err.rfind("Attenzione: il sistema non permette di accedere "
                                        "all'archivio.\n",
                                        0),
                      0u)
                << outcome.err;
            // The detail names the file on the second line.
            EXPECT_NE(outcome.err.find(kCardArchiveName), std::string::npos) << outcome.err;
            EXPECT_TRUE(outcome.out.empty()) << outcome.out;
        }
    };

    fs::create_directory(archivePath());
    expectRefused("folder");
    fs::remove(archivePath());

    // A pipe nobody writes, opened for reading, would keep the tool waiting for ever.
    ASSERT_EQ(::mkfifo(archivePath().c_str(), 0600), 0);
    expectRefused("pipe");
    EXPECT_NE(cards({"list"}).err.find("è una pipe con nome (FIFO)"), std::string::npos);
    fs::remove(archivePath());

    // A read-only archive counts as one that refuses to open.
    store({{"a", "A", "", ""}});
    fs::permissions(archivePath(), fs::perms::owner_read);
    expectRefused("read-only");
}

TEST_F(CardsCliTest, ReadingCommandsNeverMakeTheArchiveNotEvenThroughALinkToNothing)
{
    const TempFolder elsewhere;
    const fs::path target = elsewhere / "archivio.pro";
    fs::create_symlink(target, archivePath());

    EXPECT_EQ(printed({"list"}), "");
    const Outcome shown = cards({"show", "1"});
    EXPECT_EQ(shown.exitCode, 1);
    EXPECT_NE(shown.err.find("Scheda 1 inesistente"), std::string::npos) << shown.err;
    const Outcome exported = runCli({"--folder", program_.path().string(), "export", "csv",
                                     (elsewhere / "tabella.csv").string()},
                                    "");
    EXPECT_EQ(exported.exitCode, 0) << exported.err;
    EXPECT_FALSE(fs::exists(target));

    // A command that writes refuses the link instead of making a file where it leads.
    const Outcome added = runCli({"--folder", program_.path().string(), "cards", "add", "--file",
                                  "/doc/a", "--description", "Nuova"},
                                 "pw\n");
    EXPECT_EQ(added.exitCode, 1);
    EXPECT_NE(added.err.find("collegamento simbolico a un file inesistente"), std::string::npos)
        << added.err;
    EXPECT_TRUE(added.out.empty()) << added.out;
    EXPECT_FALSE(fs::exists(target));
    EXPECT_TRUE(fs::is_symlink(archivePath()));
}

// New cards from the command line: the main window's Save, with its checks in its order.
class CardsAddCliTest : public ::testing::Test
{
protected:
    std::vector<std::string> command(const std::vector<std::string>& options) const
    {
        std::vector<std::string> arguments = {"--folder", program_.path().string(), "cards", "add"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        return arguments;
    }

    Outcome add(const std::vector<std::string>& options, std::string_view input)
    {
        return runCli(command(options), input);
    }

    std::vector<FileCard> stored() const
    {
        CardArchive archive(program_.path());
        archive.Open();
        std::vector<FileCard> cards;
        while (!archive.AtEnd()) {
            cards.push_back(archive.Read());
        }
        archive.Close();
        return cards;
    }

    fs::path archivePath() const { return program_ / kCardArchiveName; }

    // A refusal says so with `message` first, prints nothing and leaves no archive behind.
    void expectRefused(const Outcome& outcome, std::string_view message)
    {
        EXPECT_EQ(outcome.exitCode, 1);
        EXPECT_EQ(outcome.err.find(message), 0u) << outcome.err;
        EXPECT_TRUE(outcome.out.empty()) << outcome.out;
        EXPECT_FALSE(fs::exists(archivePath()));
    }

    TempFolder program_;
};

const std::string kNoFile = "Attenzione: non è stato selezionato alcun file.";
const std::string kNoDescription = "Attenzione: inserire una descrizione del file da criptare.";
const std::string kNoPassword = "Attenzione: indicare la password da abbinare al file da criptare.";
const std::string kNoConfirmation = "Attenzione: confermare la password di criptaggio";
const std::string kMismatch = "Attenzione: la password indicata non corrisponde";

TEST_F(CardsAddCliTest, CardsGoBehindTheLastInWindows1252AndTheirNumberIsPrinted)
{
    {
        CardArchive archive(program_.path());
        archive.Open();
        archive.Append({"/doc/uno", "Primo", "a", "a"});
        archive.Append({"/doc/due", "Secondo", "b", "b"});
        archive.Close();
    }
    const Outcome third =
        add({"--file", "/doc/contratto.pdf", "--description", "  Contratto d'affitto \t"},
            "  segreto \n");
    EXPECT_EQ(third.exitCode, 0) << third.err;
    EXPECT_EQ(third.out, "3\n");
    EXPECT_TRUE(third.err.empty()) << third.err;

    const Outcome fourth = add(
        {"--description=Caff\xC3\xA8 \xE2\x82\xAC 5", "--file=/doc/caff\xC3\xA8"}, "p\xC3\xA0ss\n");
    EXPECT_EQ(fourth.exitCode, 0) << fourth.err;
    EXPECT_EQ(fourth.out, "4\n");

    // Relative paths are completed with the tool's current folder, as a file dialog would give.
    const Outcome fifth =
        add({"--file", "./cartella/nota.txt", "--description", std::string(250, 'd')}, "pw\n");
    EXPECT_EQ(fifth.exitCode, 0) << fifth.err;
    EXPECT_EQ(fifth.out, "5\n");

    const std::vector<FileCard> expected = {
        {"/doc/uno", "Primo", "a", "a"},
        {"/doc/due", "Secondo", "b", "b"},
        {"/doc/contratto.pdf", "Contratto d'affitto", "segreto", "segreto"},
        {"/doc/caff\xE8", "Caff\xE8 \x80 5", "p\xE0ss", "p\xE0ss"},
        {(fs::current_path() / "cartella" / "nota.txt").string(), std::string(250, 'd'), "pw",
         "pw"},
    };
    EXPECT_EQ(stored(), expected);
    EXPECT_EQ(fs::file_size(archivePath()), 5 * kCardRecordBytes);
}

TEST_F(CardsAddCliTest, ChecksRunInTheWindowsOrderBeforeTheArchiveIsOpened)
{
    struct Case
    {
        const char* what;
        std::string file;
        std::string description;
        const char* input;
        const std::string& message;
    };
    const Case cases[] = {
        {"no file", "", "Descrizione", "pw\n", kNoFile},
        {"blank file", " \t ", "Descrizione", "pw\n", kNoFile},
        {"blank file before blank description", " ", " ", "", kNoFile},
        {"blank description", "/doc/a", "  ", "pw\n", kNoDescription},
        {"blank description before blank password", "/doc/a", "", "\n", kNoDescription},
        {"blank password", "/doc/a", "Descrizione", " \t \n", kNoPassword},
        {"no input at all", "/doc/a", "Descrizione", "", kNoPassword},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        expectRefused(add({"--file", c.file, "--description", c.description}, c.input), c.message);
    }
}

TEST_F(CardsAddCliTest, TextTheArchiveCannotHoldIsRefused)
{
    struct Case
    {
        const char* what;
        std::string file;
        std::string description;
        const char* input;
        const char* message;
    };
    const Case cases[] = {
        {"CJK path", "/doc/\xE4\xB8\xAD", "Descrizione", "pw\n", "Attenzione: il percorso"},
        {"emoji in the description", "/doc/a", "Foto \xF0\x9F\x98\x80", "pw\n",
         "Attenzione: la descrizione"},
        {"Windows-1252 bytes are not UTF-8", "/doc/a", "Caff\xE8", "pw\n",
         "Attenzione: la descrizione"},
        {"CJK password", "/doc/a", "Descrizione", "\xE4\xB8\xAD\n", "Attenzione: la password"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Outcome outcome = add({"--file", c.file, "--description", c.description}, c.input);
        expectRefused(outcome, c.message);
        EXPECT_NE(outcome.err.find("Windows-1252"), std::string::npos) << outcome.err;
    }
}

// A card keeps exactly the path it names and the password it was given, or it is not made: a
// trimmed or cut path names another file, and a cut password gives another key.
TEST_F(CardsAddCliTest, ACardTheArchiveCouldNotKeepExactlyIsRefused)
{
    const std::string folder = "/doc/" + std::string(240, 'c') + "/";
    struct Case
    {
        const char* what;
        std::string file;
        std::string description;
        std::string input;
        const char* message;
    };
    const Case cases[] = {
        {"a blank ending the path", "/doc/nota ", "Nota", "pw\n",
         "Attenzione: il percorso del file inizia o termina con uno spazio"},
        {"a tab ending the path", "/doc/nota\t", "Nota", "pw\n",
         "Attenzione: il percorso del file inizia o termina con uno spazio"},
        {"251 characters of path", folder + "report", "Nota", "pw\n",
         "Attenzione: il percorso del file supera i 250 caratteri"},
        {"251 characters of description", "/doc/a", std::string(251, 'd'), "pw\n",
         "Attenzione: la descrizione supera i 250 caratteri"},
        {"251 characters of password", "/doc/a", "Nota", std::string(251, 'p') + "\n",
         "Attenzione: la password supera i 250 caratteri"},
        {"a long path is judged before the password is read", folder + "report", "Nota", "",
         "Attenzione: il percorso del file supera i 250 caratteri"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        expectRefused(add({"--file", c.file, "--description", c.description}, c.input), c.message);
    }

    // Exactly 250 of each is a card; a blank inside a name is part of it.
    const std::string path = folder + "a bc";
    ASSERT_EQ(path.size(), 250u);
    const Outcome added =
        add({"--file", path, "--description", std::string(250, 'd')}, std::string(250, 'p') + "\n");
    EXPECT_EQ(added.exitCode, 0) << added.err;
    ASSERT_EQ(stored().size(), 1u);
    EXPECT_EQ(stored()[0].FilePath, path);
    EXPECT_EQ(stored()[0].FilePassword, std::string(250, 'p'));
}

// A pseudo-terminal as the tool's standard input: what a user types at its prompts.
class Terminal
{
public:
    Terminal()
    {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0) {
            if (const char* name = ::ptsname(master_)) {
                terminal_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
            }
        }
    }
    ~Terminal()
    {
        for (const int fd : {terminal_, master_}) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    bool available() const { return terminal_ >= 0; }
    int input() const { return terminal_; }
    // What the programs wrote on the terminal so far.
    std::string shown()
    {
        std::string text;
        char buffer[4096];
        const int flags = ::fcntl(master_, F_GETFL);
        ::fcntl(master_, F_SETFL, flags | O_NONBLOCK);
        for (ssize_t n; (n = ::read(master_, buffer, sizeof buffer)) > 0;) {
            text.append(buffer, static_cast<std::size_t>(n));
        }
        ::fcntl(master_, F_SETFL, flags);
        return text;
    }
    void type(const std::string& line)
    {
        const std::string typed = line + "\n";
        ASSERT_EQ(::write(master_, typed.data(), typed.size()), static_cast<ssize_t>(typed.size()));
    }

private:
    int master_ = -1;
    int terminal_ = -1;
};

TEST_F(CardsAddCliTest, OnATerminalPasswordAndConfirmationAreAskedAndChecked)
{
    struct Case
    {
        const char* password;
        const char* confirmation;
        // Empty when the card is saved.
        std::string message;
    };
    const Case cases[] = {
        {"", "segreto", kNoPassword},         {"segreto", "", kNoConfirmation},
        {"segreto", "  \t", kNoConfirmation}, {"segreto", "Segreto", kMismatch},
        {"segreto", "segret", kMismatch},     {"  segreto ", "segreto\t", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(std::string(c.password) + "|" + c.confirmation));
        Terminal terminal;
        if (!terminal.available()) {
            GTEST_SKIP() << "no pseudo-terminal available";
        }
        ChildOptions options;
        options.inputFd = terminal.input();
        Child child(kCli, command({"--file", "/doc/a", "--description", "Descrizione"}), "",
                    options);
        // Typing before the prompt would be lost: the echo is turned off with a flush.
        ASSERT_TRUE(child.waitForError("Password: "));
        terminal.type(c.password);
        ASSERT_TRUE(child.waitForError("Conferma password: "));
        terminal.type(c.confirmation);
        const Outcome outcome = child.finish();
        if (c.message.empty()) {
            EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
            EXPECT_EQ(outcome.out, "1\n");
            EXPECT_EQ(stored(),
                      (std::vector<FileCard>{{"/doc/a", "Descrizione", "segreto", "segreto"}}));
        } else {
            EXPECT_EQ(outcome.exitCode, 1);
            EXPECT_NE(outcome.err.find("\n" + c.message), std::string::npos) << outcome.err;
            EXPECT_TRUE(outcome.out.empty()) << outcome.out;
            EXPECT_FALSE(fs::exists(archivePath()));
        }
    }
}

// Progress on a terminal's standard error only: one line rewritten in place, with the file's
// number in a batch; none into a pipe, none with --quiet.
TEST(CliProgressTest, ATerminalSeesProgressAPipeNone)
{
    const TempFolder program;
    const TempFolder data;
    std::vector<std::string> arguments = {"--folder", program.path().string(), "encrypt"};
    for (const char* name : {"uno.img", "due.img"}) {
        writeFile(data / name, "");
        fs::resize_file(data / name, 64u << 20);
        arguments.push_back((data / name).string());
    }
    Terminal terminal;
    if (!terminal.available()) {
        GTEST_SKIP() << "no pseudo-terminal available";
    }
    ChildOptions options;
    options.errorFd = terminal.input();
    const Outcome watched = Child(kCli, arguments, "pw\n", options).finish();
    ASSERT_EQ(watched.exitCode, 0);
    const std::string shown = terminal.shown();
    EXPECT_NE(shown.find("\r[1/2] criptaggio "), std::string::npos) << shown;
    EXPECT_NE(shown.find("\r[2/2] criptaggio "), std::string::npos) << shown;
    EXPECT_NE(shown.find(" di 64,0 MiB"), std::string::npos) << shown;
    EXPECT_NE(shown.find("/s"), std::string::npos) << shown;
    EXPECT_EQ(shown.find('\n'), std::string::npos) << "the line is rewritten, never added to";
    EXPECT_EQ(watched.out.find('\r'), std::string::npos) << "progress went to standard output";

    arguments[2] = "decrypt";
    const Outcome piped = runCli(arguments, "pw\n");
    EXPECT_EQ(piped.exitCode, 0);
    EXPECT_TRUE(piped.err.empty()) << piped.err;

    arguments[2] = "encrypt";
    arguments.insert(arguments.begin() + 3, "--quiet");
    const Outcome quiet = Child(kCli, arguments, "pw\n", options).finish();
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_TRUE(terminal.shown().empty());
}

// Backups of the archive: the same copies as the window's, with its messages.
class BackupCliTest : public ::testing::Test
{
protected:
    BackupCliTest()
        : cards_(asString(encodeCard({"/doc/a", "Uno", "pw", "pw"})) +
                 asString(encodeCard({"/doc/b", "Due", "pw", "pw"})) +
                 asString(encodeCard({"/doc/c", "Tre", "pw", "pw"})))
    {
        writeFile(archivePath(), cards_);
    }

    Outcome run(const std::string& command, const std::vector<std::string>& arguments)
    {
        std::vector<std::string> all{"--folder", program_.path().string(), command};
        all.insert(all.end(), arguments.begin(), arguments.end());
        return runCli(all, "");
    }

    fs::path archivePath() const { return program_ / kCardArchiveName; }

    void expectArchiveUntouched()
    {
        EXPECT_EQ(readWhole(archivePath()), cards_);
        EXPECT_EQ(namesIn(program_.path()), std::vector<std::string>{kCardArchiveName});
    }

    TempFolder program_;
    TempFolder data_;
    std::string cards_;
};

const std::string kBackupFailed =
    "Attenzione: il sistema non consente di salvare il file nella "
    "posizione specificata. Creazione backup archivio non riuscita.\n";
const std::string kRestoreFailed = "Attenzione: il sistema non consente di sovrascrivere "
                                   "l'archivio corrente. Ripristino archivio file criptati non "
                                   "riuscito.\n";

TEST_F(BackupCliTest, BackupGetsItsExtensionAndRestoreBringsTheArchiveBack)
{
    const std::pair<const char*, const char*> names[] = {
        {"copia", "copia.bka"},
        {"copia.bka", "copia.bka"},
        {"copia.BKA", "copia.BKA.bka"},
    };
    for (const auto& [given, written] : names) {
        SCOPED_TRACE(given);
        const fs::path backup = data_ / written;
        const Outcome made = run("backup", {(data_ / given).string()});
        EXPECT_EQ(made.exitCode, 0) << made.err;
        EXPECT_TRUE(made.err.empty()) << made.err;
        EXPECT_NE(made.out.find(backup.string()), std::string::npos) << made.out;
        EXPECT_EQ(readWhole(backup), cards_);
        EXPECT_EQ(namesIn(data_.path()), std::vector<std::string>{written});

        writeFile(archivePath(), "schede aggiunte dopo il backup");
        const Outcome restored = run("restore", {backup.string()});
        EXPECT_EQ(restored.exitCode, 0) << restored.err;
        EXPECT_TRUE(restored.err.empty()) << restored.err;
        expectArchiveUntouched();
        fs::remove(backup);
    }
}

TEST_F(BackupCliTest, FailuresExitWithOneAndChangeNothing)
{
    const Outcome sameFile = run("restore", {archivePath().string()});
    EXPECT_EQ(sameFile.exitCode, 1);
    EXPECT_EQ(sameFile.err.rfind(kRestoreFailed, 0), 0u) << sameFile.err;
    EXPECT_TRUE(sameFile.out.empty()) << sameFile.out;
    expectArchiveUntouched();

    const Outcome missingBackup = run("restore", {(data_ / "assente.bka").string()});
    EXPECT_EQ(missingBackup.exitCode, 1);
    EXPECT_EQ(missingBackup.err.rfind(kRestoreFailed, 0), 0u) << missingBackup.err;
    expectArchiveUntouched();

    // Through links named like backups: neither the archive nor another file of the program.
    writeFile(program_ / kAccessStoreName, "[Accesso]\r\nValore=00\r\n");
    fs::create_symlink(program_ / kAccessStoreName, data_ / "accesso.bka");
    fs::create_hard_link(archivePath(), data_ / "gemello.bka");
    for (const char* link : {"accesso", "gemello"}) {
        SCOPED_TRACE(link);
        const Outcome ontoProgramFile = run("backup", {(data_ / link).string()});
        EXPECT_EQ(ontoProgramFile.exitCode, 1);
        EXPECT_EQ(ontoProgramFile.err.rfind(kBackupFailed, 0), 0u) << ontoProgramFile.err;
        EXPECT_NE(ontoProgramFile.err.find("file del programma"), std::string::npos)
            << ontoProgramFile.err;
    }
    EXPECT_EQ(readWhole(program_ / kAccessStoreName), "[Accesso]\r\nValore=00\r\n");
    EXPECT_EQ(readWhole(archivePath()), cards_);
    fs::remove(program_ / kAccessStoreName);
    fs::remove(data_ / "accesso.bka");
    fs::remove(data_ / "gemello.bka");

    // A folder is no backup's name: "copie/" would become a hidden "copie/.bka".
    fs::create_directory(data_ / "copie");
    for (const std::string& folder : {(data_ / "copie").string() + "/", (data_ / "copie").string(),
                                      (data_ / "copie" / ".").string(), std::string(".")}) {
        SCOPED_TRACE(folder);
        const Outcome intoFolder = run("backup", {folder});
        EXPECT_EQ(intoFolder.exitCode, 1);
        EXPECT_EQ(intoFolder.err.rfind(kBackupFailed, 0), 0u) << intoFolder.err;
        EXPECT_NE(intoFolder.err.find("è una cartella"), std::string::npos) << intoFolder.err;
    }
    EXPECT_TRUE(namesIn(data_ / "copie").empty());
    fs::remove(data_ / "copie");

    const Outcome missingFolder = run("backup", {(data_ / "inesistente" / "copia").string()});
    EXPECT_EQ(missingFolder.exitCode, 1);
    EXPECT_EQ(missingFolder.err.rfind(kBackupFailed, 0), 0u) << missingFolder.err;
    EXPECT_TRUE(namesIn(data_.path()).empty());

    fs::remove(archivePath());
    const Outcome missingArchive = run("backup", {(data_ / "copia").string()});
    EXPECT_EQ(missingArchive.exitCode, 1);
    EXPECT_EQ(missingArchive.err.rfind(kBackupFailed, 0), 0u) << missingArchive.err;
    EXPECT_TRUE(missingArchive.out.empty()) << missingArchive.out;
    EXPECT_TRUE(namesIn(data_.path()).empty());
    EXPECT_TRUE(namesIn(program_.path()).empty());
}

TEST_F(BackupCliTest, RestoreRefusesAFileThatIsNoArchiveAndSaysWhy)
{
    writeFile(program_ / kAccessStoreName, "[Accesso]\r\nValore=37A12F3BAB8112E9\r\n");
    writeFile(data_ / "tagliato.bka", cards_.substr(0, 1500));
    for (const fs::path& source : {data_ / "tagliato.bka", program_ / kAccessStoreName}) {
        SCOPED_TRACE(source.string());
        const Outcome outcome = run("restore", {source.string()});
        EXPECT_EQ(outcome.exitCode, 1);
        EXPECT_EQ(outcome.err.rfind(kRestoreFailed, 0), 0u) << outcome.err;
        EXPECT_NE(outcome.err.find("Il file '" + source.string() +
                                   "' non è un archivio di schede: la sua lunghezza"),
                  std::string::npos)
            << outcome.err;
        EXPECT_TRUE(outcome.out.empty()) << outcome.out;
        EXPECT_EQ(readWhole(archivePath()), cards_);
        // Nor is the copy that was checked left behind.
        EXPECT_EQ(namesIn(program_.path()),
                  (std::vector<std::string>{kCardArchiveName, kAccessStoreName}));
    }

    // An empty backup is an archive without cards.
    writeFile(data_ / "vuoto.bka", "");
    const Outcome emptied = run("restore", {(data_ / "vuoto.bka").string()});
    EXPECT_EQ(emptied.exitCode, 0) << emptied.err;
    EXPECT_EQ(readWhole(archivePath()), "");
}

// The export commands: the archive's table written as a spreadsheet, a document or CSV, and read
// back as an office suite would.
class ExportCliTest : public ::testing::Test
{
protected:
    ExportCliTest()
    {
        CardArchive archive(program_.path());
        archive.Open();
        archive.Append({" /doc/contratti.pdf ", "Contratti & <fatture>, \"2024\"", "007", "007"});
        archive.Append({"C:\\Documenti\\caff\xE8.txt", " Caff\xE8 ", "p\xE0ss", "diversa"});
        archive.Append({"/doc/vuoto", "", "", ""});
        archive.Close();
        cards_ = readWhole(archivePath());
    }

    Outcome run(std::vector<std::string> arguments)
    {
        arguments.insert(arguments.begin(), {"--folder", program_.path().string(), "export"});
        return runCli(arguments, "");
    }

    // A run that succeeded, said so and left only its file beside the others.
    void expectExported(const Outcome& outcome, const fs::path& file)
    {
        EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
        EXPECT_TRUE(outcome.err.empty()) << outcome.err;
        EXPECT_EQ(outcome.out,
                  "Archivio esportato: " + file.string() + " (l'archivio contiene 3 schede)\n");
        EXPECT_EQ(readWhole(archivePath()), cards_);
    }

    fs::path archivePath() const { return program_ / kCardArchiveName; }

    TempFolder program_;
    TempFolder data_;
    std::string cards_;
};

TEST_F(ExportCliTest, SpreadsheetHoldsEveryCardAsText)
{
    const fs::path file = data_ / "archivio.xlsx";
    expectExported(run({"xlsx", file.string()}), file);
    const Sheet sheet = readXlsxSheet(file);
    EXPECT_EQ(sheet.name, "Archivio file criptati");
    const std::vector<std::vector<std::string>> expected = {
        {"", "Descrizione file", "Password", "Percorso file"},
        {"1", "Contratti & <fatture>, \"2024\"", "007", "/doc/contratti.pdf"},
        {"2", "Caff\xC3\xA8", "p\xC3\xA0ss", "C:\\Documenti\\caff\xC3\xA8.txt"},
        {"3", "", "", "/doc/vuoto"}};
    for (std::size_t r = 0; r < expected.size(); ++r) {
        for (std::size_t c = 0; c < 4; ++c) {
            const std::string reference =
                std::string(1, static_cast<char>('A' + c)) + std::to_string(r + 1);
            SCOPED_TRACE(reference);
            ASSERT_EQ(sheet.cells.count(reference), 1u);
            const SheetCell& cell = sheet.cells.at(reference);
            EXPECT_EQ(cell.value, expected[r][c]);
            EXPECT_EQ(cell.isString, !expected[r][c].empty());
            EXPECT_EQ(cell.numberFormat, "@");
            EXPECT_EQ(cell.bold, r == 0 && c > 0);
        }
    }
    EXPECT_TRUE(sheet.cells.at("Q1").bold);
    EXPECT_EQ(sheet.columnWidths.size(), 4u);
    EXPECT_EQ(namesIn(data_.path()), std::vector<std::string>{"archivio.xlsx"});
}

TEST_F(ExportCliTest, DocumentHoldsOneTableOfEveryCard)
{
    const fs::path file = data_ / "archivio.docx";
    expectExported(run({"docx", file.string()}), file);
    const std::vector<DocxTable> tables = readDocxTables(file);
    ASSERT_EQ(tables.size(), 1u);
    EXPECT_EQ(tables[0].gridColumns, 4u);
    EXPECT_EQ(tables[0].rows,
              (std::vector<std::vector<std::string>>{
                  {"", " Descrizione file", " Password", " Percorso file"},
                  {"1", "Contratti & <fatture>, \"2024\"", "007", "/doc/contratti.pdf"},
                  {"2", "Caff\xC3\xA8", "p\xC3\xA0ss", "C:\\Documenti\\caff\xC3\xA8.txt"},
                  {"3", "", "", "/doc/vuoto"}}));
    EXPECT_EQ(namesIn(data_.path()), std::vector<std::string>{"archivio.docx"});
}

TEST_F(ExportCliTest, CsvIsUtf8WithQuotedFieldsAndReplacesAnOldFile)
{
    const fs::path file = data_ / "archivio.csv";
    writeFile(file,
              "vecchio contenuto, molto piu' lungo di quello nuovo.............................."
              "...................................................................");
    expectExported(run({"csv", file.string()}), file);
    EXPECT_EQ(readWhole(file),
              ", Descrizione file, Password, Percorso file\r\n"
              "1,\"Contratti & <fatture>, \"\"2024\"\"\",007,/doc/contratti.pdf\r\n"
              "2,Caff\xC3\xA8,p\xC3\xA0ss,C:\\Documenti\\caff\xC3\xA8.txt\r\n"
              "3,,,/doc/vuoto\r\n");
    EXPECT_EQ(namesIn(data_.path()), std::vector<std::string>{"archivio.csv"});
}

TEST_F(ExportCliTest, EmptyArchiveGivesTheTitlesAlone)
{
    fs::remove(archivePath());
    const fs::path file = data_ / "vuoto.csv";
    const Outcome outcome = run({"csv", file.string()});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(outcome.out, "Archivio esportato: " + file.string() + " (l'archivio è vuoto)\n");
    EXPECT_EQ(readWhole(file), ", Descrizione file, Password, Percorso file\r\n");
}

TEST_F(ExportCliTest, RefusedFileExitsWithOneAndLeavesNothingBehind)
{
    writeFile(data_ / "protetto.xlsx", "non toccare");
    fs::permissions(data_ / "protetto.xlsx", fs::perms::owner_read);
    fs::create_directory(data_ / "cartella.docx");
    const std::vector<std::string> before = namesIn(data_.path());
    const std::vector<std::pair<std::string, fs::path>> refusals = {
        {"xlsx", data_ / "protetto.xlsx"},
        {"docx", data_ / "cartella.docx"},
        {"csv", data_ / "protetto.xlsx"},
        {"xlsx", data_ / "inesistente" / "archivio.xlsx"},
        {"docx", data_ / "inesistente" / "archivio.docx"},
        {"csv", data_ / "inesistente" / "archivio.csv"},
    };
    for (const auto& [format, file] : refusals) {
        SCOPED_TRACE(format + " " + file.string());
        const Outcome outcome = run({format, file.string()});
        EXPECT_EQ(outcome.exitCode, 1);
        EXPECT_EQ(outcome.err.rfind("Attenzione: il sistema non consente di esportare l'archivio "
                                    "nel file specificato.\n",
                                    0),
                  0u)
            << outcome.err;
        EXPECT_TRUE(outcome.out.empty()) << outcome.out;
        EXPECT_EQ(namesIn(data_.path()), before);
        EXPECT_TRUE(fs::is_empty(data_ / "cartella.docx"));
        EXPECT_EQ(readWhole(data_ / "protetto.xlsx"), "non toccare");
    }
    EXPECT_EQ(namesIn(program_.path()), std::vector<std::string>{kCardArchiveName});
}

TEST_F(ExportCliTest, NeverWritesOntoTheArchiveOrAnyOtherOfTheProgramsFiles)
{
    // The tool's own executable too, in a copy run from a folder of its own: a regression must
    // not ruin the build's tool for the other tests.
    const TempFolder installed;
    const fs::path tool = installed / "strumento";
    fs::copy_file(kCli, tool);
    const std::string toolBytes = readWhole(tool);

    // Decriptato.xyz is left out: a file not there yet is refused by its name alone.
    for (const char* name : {kAccessStoreName, "Guida.pdf", "Criptato.xyz", "velarium-cli",
                             "Velarium", "Velarium.png", "velarium.desktop", "Qt6Core.dll"}) {
        writeFile(program_ / name, std::string("file del programma: ") + name);
    }
    fs::create_directory(program_ / "translations");
    writeFile(program_ / "translations" / "qtbase_it.qm", "catalogo");
    const fs::path archive = archivePath();
    fs::create_directory(program_ / "sotto");
    fs::create_symlink(archive, data_ / "collegamento.csv");
    fs::create_hard_link(archive, program_ / "gemello.xlsx");
    const fs::path relative = fs::relative(archive, fs::current_path());
    const std::vector<fs::path> targets = {
        archive,
        relative,
        fs::path(".") / relative,
        program_ / "sotto" / ".." / kCardArchiveName,
        program_.path() / "." / kCardArchiveName,
        data_ / "collegamento.csv",
        program_ / "gemello.xlsx",
        program_ / kAccessStoreName,
        program_ / "Guida.pdf",
        program_ / "Criptato.xyz",
        program_ / "Decriptato.xyz",
        program_ / "velarium-cli",
        program_ / "Velarium",
        program_ / "Velarium.png",
        program_ / "velarium.desktop",
        program_ / "Qt6Core.dll",
        program_ / "translations" / "qtbase_it.qm",
        program_ / "translations" / "nuovo.csv",
    };
    const auto contents = [&] {
        std::vector<std::string> all;
        for (const auto& entry : fs::directory_iterator(program_.path())) {
            all.push_back(entry.path().filename().string() + "=" +
                          (entry.is_regular_file() ? readWhole(entry.path()) : ""));
        }
        std::sort(all.begin(), all.end());
        return all;
    };
    const std::vector<std::string> before = contents();
    const std::vector<std::string> dataBefore = namesIn(data_.path());
    const char* const formats[] = {"csv", "xlsx", "docx"};
    for (std::size_t at = 0; at <= targets.size(); ++at) {
        for (const char* format : formats) {
            const bool ownExecutable = at == targets.size();
            const fs::path target = ownExecutable ? tool : targets[at];
            SCOPED_TRACE(std::string(format) + " " + target.string());
            const Outcome outcome =
                Child(ownExecutable ? tool.string() : std::string(kCli),
                      {"--folder", program_.path().string(), "export", format, target.string()}, "")
                    .finish();
            EXPECT_EQ(outcome.exitCode, 1);
            EXPECT_EQ(outcome.err.rfind("Attenzione: il sistema non consente di esportare "
                                        "l'archivio nel file specificato.\n",
                                        0),
                      0u)
                << outcome.err;
            EXPECT_NE(outcome.err.find("file del programma"), std::string::npos) << outcome.err;
            EXPECT_TRUE(outcome.out.empty()) << outcome.out;
        }
    }
    EXPECT_EQ(contents(), before);
    EXPECT_EQ(readWhole(archive), cards_);
    EXPECT_EQ(namesIn(data_.path()), dataBefore);
    EXPECT_EQ(readWhole(tool), toolBytes);
    EXPECT_EQ(namesIn(installed.path()), std::vector<std::string>{"strumento"});
    EXPECT_EQ(namesIn(program_ / "translations"), std::vector<std::string>{"qtbase_it.qm"});
    EXPECT_EQ(readWhole(program_ / "translations" / "qtbase_it.qm"), "catalogo");
}

TEST_F(ExportCliTest, UnreadableArchiveIsReportedAndNothingIsWritten)
{
    fs::remove(archivePath());
    fs::create_directory(archivePath());
    const Outcome outcome = run({"xlsx", (data_ / "archivio.xlsx").string()});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(
        outcome.err.rfind("Attenzione: il sistema non permette di accedere all'archivio.\n", 0), 0u)
        << outcome.err;
    EXPECT_TRUE(namesIn(data_.path()).empty());
}

TEST(CliHelpTest, EveryCommandHasItsOwnHelpWithExamplesAndRunsNothing)
{
    const TempFolder program;
    const std::string folder = program.path().string();
    const Outcome whole = runCli({"--help"}, "");
    EXPECT_EQ(whole.exitCode, 0) << whole.err;
    EXPECT_TRUE(whole.err.empty()) << whole.err;

    const char* const commands[] = {"encrypt",   "decrypt",     "cards list",  "cards show",
                                    "cards add", "export xlsx", "export docx", "export csv",
                                    "backup",    "restore"};
    for (const char* command : commands) {
        SCOPED_TRACE(command);
        std::vector<std::string> words;
        for (std::string_view rest = command; !rest.empty();) {
            const auto space = rest.find(' ');
            words.emplace_back(rest.substr(0, space));
            rest = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
        }
        EXPECT_NE(whole.out.find(std::string("\n  ") + command + ' '), std::string::npos)
            << whole.out;

        std::vector<std::string> asked = {"--folder", folder, "help"};
        asked.insert(asked.end(), words.begin(), words.end());
        const Outcome help = runCli(asked, "");
        EXPECT_EQ(help.exitCode, 0) << help.err;
        EXPECT_TRUE(help.err.empty()) << help.err;
        EXPECT_EQ(
            help.out.find(std::string("Uso: velarium-cli [--folder CARTELLA] ") + command + ' '),
            0u)
            << help.out;
        EXPECT_NE(help.out.find("\nEsempi:\n  "), std::string::npos) << help.out;
        EXPECT_NE(help.out.find(std::string("velarium-cli ") + command), std::string::npos)
            << "an example uses the command: " << help.out;

        // The same help after the command, even with arguments that would otherwise run it.
        for (const char* option : {"--help", "-h"}) {
            std::vector<std::string> inline_ = {"--folder", folder};
            inline_.insert(inline_.end(), words.begin(), words.end());
            inline_.insert(inline_.end(), {"1", option});
            const Outcome after = runCli(inline_, "pw\n");
            EXPECT_EQ(after.exitCode, 0) << after.err;
            EXPECT_EQ(after.out, help.out);
        }
    }
    EXPECT_TRUE(namesIn(program.path()).empty()) << "a help request ran its command";

    const Outcome group = runCli({"cards", "--help"}, "");
    EXPECT_EQ(group.exitCode, 0) << group.err;
    for (const char* command : {"cards list", "cards show", "cards add"}) {
        EXPECT_NE(group.out.find(std::string("Uso: velarium-cli [--folder CARTELLA] ") + command),
                  std::string::npos)
            << group.out;
    }
    const Outcome unknown = runCli({"help", "cripta"}, "");
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(unknown.out.empty()) << unknown.out;
    EXPECT_NE(unknown.err.find("Uso:"), std::string::npos) << unknown.err;
}

} // namespace
} // namespace velarium::test
