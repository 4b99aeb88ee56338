// The Windows backends on the system's own calls: the same results as the portable backends
// (files and stores written by one are read by the other), and the refusals a user can meet.

#include "CrossCheckCases.h"
#include "TempFolder.h"
#include "app/Crypt.h"
#include "main/FileCipher.h"
#include "main/InPlaceCipher.h"
#include "platform/Error.h"
#include "platform/FileReplace.h"
#include "platform/Profile.h"
#include "platform/Rc4.h"
#include "platform/SharedFile.h"

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <sddl.h>
#include <sstream>
#include <thread>

using namespace velarium;
using namespace velarium::test::crosscheck;
using velarium::test::readFile;
using velarium::test::TempFolder;
using velarium::test::waitUntil;
using velarium::test::writeFile;
namespace fs = std::filesystem;

namespace {

// The folder the portable side wrote into; the tests that need it are skipped without it.
fs::path crossCheckFolder()
{
    const char* folder = std::getenv("VELARIUM_CROSS_CHECK_DIR");
    return folder ? fs::path(folder) : fs::path();
}

void setAttribute(const fs::path& path, DWORD attribute, bool on)
{
    const DWORD now = ::GetFileAttributesW(path.c_str());
    ASSERT_NE(now, INVALID_FILE_ATTRIBUTES) << path;
    ASSERT_TRUE(::SetFileAttributesW(path.c_str(), on ? now | attribute : now & ~attribute));
}

DWORD attributesOf(const fs::path& path)
{
    return ::GetFileAttributesW(path.c_str());
}

// A file's access rules (its DACL) as text, to compare one file's with another's.
std::wstring accessRulesOf(const fs::path& path)
{
    DWORD size = 0;
    ::GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &size);
    std::vector<BYTE> descriptor(size);
    LPWSTR text = nullptr;
    if (size == 0 ||
        !::GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, descriptor.data(), size,
                            &size) ||
        !::ConvertSecurityDescriptorToStringSecurityDescriptorW(
            descriptor.data(), SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr)) {
        return L"<illeggibili>";
    }
    const std::wstring rules(text);
    ::LocalFree(text);
    return rules;
}

bool setAccessRules(const fs::path& path, const wchar_t* rules)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(rules, SDDL_REVISION_1, &descriptor,
                                                                nullptr)) {
        return false;
    }
    const bool set = ::SetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, descriptor);
    ::LocalFree(descriptor);
    return set;
}

std::string cipherOf(const TempFolder& folder, std::string_view plain, std::string_view password,
                     platform::KeySize keySize = platform::KeySize::Bits128)
{
    writeFile(folder / "in", plain);
    FileCipher(folder / "in", folder / "out", password, true, keySize);
    return readFile(folder / "out");
}

void expectThePortableBackendsBytes(const fs::path& folder, platform::KeySize keySize)
{
    const fs::path file = folder / cipherFile(keySize);
    std::ifstream expected(file, std::ios::binary);
    ASSERT_TRUE(expected) << file;
    std::vector<std::string> lines;
    for (std::string line; std::getline(expected, line);) {
        lines.push_back(line);
    }
    ASSERT_EQ(lines.size(), sizes().size() * passwords().size());

    TempFolder scratch;
    std::size_t at = 0;
    for (std::size_t size : sizes()) {
        const std::string plain = plainFor(size);
        for (const std::string& password : passwords()) {
            const std::string output = cipherOf(scratch, plain, password, keySize);
            EXPECT_EQ(cipherLine(size, password, output), lines[at])
                << "size " << size << ", password " << hex(password);
            ++at;
        }
    }
}

} // namespace

TEST(CryptoApiCipher, EncryptsEveryCaseToThePortableBackendsBytes)
{
    const fs::path folder = crossCheckFolder();
    if (folder.empty()) {
        GTEST_SKIP() << "VELARIUM_CROSS_CHECK_DIR is not set";
    }
    expectThePortableBackendsBytes(folder, platform::KeySize::Bits128);
}

// The Base provider asked for by name, as on the systems where it was the default.
TEST(CryptoApiCipher, BaseProviderEncryptsEveryCaseToThePortableFortyBitBytes)
{
    const fs::path folder = crossCheckFolder();
    if (folder.empty()) {
        GTEST_SKIP() << "VELARIUM_CROSS_CHECK_DIR is not set";
    }
    expectThePortableBackendsBytes(folder, platform::KeySize::Bits40);
}

TEST(CryptoApiCipher, TheKeyStreamRunsOnAcrossBlocksInBothDirections)
{
    std::vector<std::uint8_t> whole(2000, 0);
    platform::deriveRc4Key("chiave")->encrypt(whole);

    // The same stream, asked for in uneven pieces, half of them through the decrypt call.
    const auto key = platform::deriveRc4Key("chiave");
    std::vector<std::uint8_t> pieces(2000, 0);
    std::size_t at = 0;
    bool decrypt = false;
    for (std::size_t length : {1u, 511u, 512u, 0u, 488u, 488u}) {
        const std::span<std::uint8_t> piece(pieces.data() + at, length);
        decrypt ? key->decrypt(piece) : key->encrypt(piece);
        decrypt = !decrypt;
        at += length;
    }
    ASSERT_EQ(at, pieces.size());
    EXPECT_EQ(pieces, whole);
    // Every key starts the stream anew.
    std::vector<std::uint8_t> again(16, 0);
    platform::deriveRc4Key("chiave")->decrypt(again);
    EXPECT_TRUE(std::equal(again.begin(), again.end(), whole.begin()));
}

TEST(Win32Store, ReadsTheStoreThePortableWriterWrote)
{
    const fs::path folder = crossCheckFolder();
    if (folder.empty()) {
        GTEST_SKIP() << "VELARIUM_CROSS_CHECK_DIR is not set";
    }
    const fs::path store = folder / kPortableStoreFolder;
    ASSERT_TRUE(fs::exists(store / kAccessStoreName));
    EXPECT_TRUE(AccessCheck(readAccessValue(store), kAccessPassword));
    for (const StoreEntry& entry : storeEntries()) {
        EXPECT_EQ(platform::readProfileString(store / kAccessStoreName, entry.section, entry.key,
                                              "<assente>"),
                  entry.value)
            << entry.section << '/' << entry.key;
    }
}

TEST(Win32Store, WritesAStoreThePortableReaderReads)
{
    const fs::path folder = crossCheckFolder();
    if (folder.empty()) {
        GTEST_SKIP() << "VELARIUM_CROSS_CHECK_DIR is not set";
    }
    const fs::path store = folder / kWindowsStoreFolder;
    fs::create_directories(store);
    fs::remove(store / kAccessStoreName);
    // A value written first and then changed: the store is created, then rewritten.
    writeAccessValue(store, storedValueFor("provvisoria"));
    writeAccessValue(store, storedValueFor(kAccessPassword));
    for (const StoreEntry& entry : storeEntries()) {
        platform::writeProfileString(store / kAccessStoreName, entry.section, entry.key,
                                     entry.value);
    }
    EXPECT_TRUE(AccessCheck(readAccessValue(store), kAccessPassword));
    // Nothing but the store is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(store), fs::directory_iterator()), 1);
}

TEST(Win32Store, ARefusedWriteRaisesAndKeepsThePreviousValue)
{
    TempFolder program;
    writeAccessValue(program.path(), "AB12");
    setAttribute(program / kAccessStoreName, FILE_ATTRIBUTE_READONLY, true);
    EXPECT_THROW(writeAccessValue(program.path(), "CD34"), SystemError);
    EXPECT_EQ(readAccessValue(program.path()), "AB12");
    setAttribute(program / kAccessStoreName, FILE_ATTRIBUTE_READONLY, false);

    EXPECT_THROW(writeAccessValue(program / "non-esiste", "CD34"), SystemError);
    EXPECT_FALSE(fs::exists(program / "non-esiste"));
    EXPECT_EQ(std::distance(fs::directory_iterator(program.path()), fs::directory_iterator()), 1);
}

TEST(Win32Replace, AReadOnlyChosenFileFailsTheCommandAndStaysAsItWas)
{
    TempFolder program;
    TempFolder files;
    const auto chosen = files / "documento.txt";
    writeFile(chosen, "contenuto");

    // Marked before the command: refused before anything is written.
    setAttribute(chosen, FILE_ATTRIBUTE_READONLY, true);
    {
        InPlaceCipher job(program.path(), chosen, CipherDirection::Encrypt);
        EXPECT_THROW(job.writeProcessedCopy("pw"), SystemError);
    }
    EXPECT_TRUE(fs::is_empty(program.path()));

    // Marked between the cipher and the replacement: the replacement is refused.
    setAttribute(chosen, FILE_ATTRIBUTE_READONLY, false);
    {
        InPlaceCipher job(program.path(), chosen, CipherDirection::Encrypt);
        job.writeProcessedCopy("pw");
        setAttribute(chosen, FILE_ATTRIBUTE_READONLY, true);
        EXPECT_THROW(job.replaceChosenFile(), SystemError);
    }
    EXPECT_EQ(readFile(chosen), "contenuto");
    EXPECT_TRUE(attributesOf(chosen) & FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(fs::is_empty(program.path()));
    setAttribute(chosen, FILE_ATTRIBUTE_READONLY, false);
}

TEST(Win32Replace, TheReplacedFileKeepsItsAttributesAndNothingIsLeftBehind)
{
    TempFolder program;
    TempFolder files;
    const auto chosen = files / "nascosto.bin";
    const std::string plain = test::randomBytes(3000, 5);
    writeFile(chosen, plain);
    setAttribute(chosen, FILE_ATTRIBUTE_HIDDEN, true);
    {
        InPlaceCipher job(program.path(), chosen, CipherDirection::Encrypt);
        job.writeProcessedCopy("pw");
        job.replaceChosenFile();
    }
    EXPECT_TRUE(attributesOf(chosen) & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(readFile(chosen), cipherOf(program, plain, "pw"));
    EXPECT_EQ(std::distance(fs::directory_iterator(files.path()), fs::directory_iterator()), 1);
}

// The program folder on another volume (named by VELARIUM_OTHER_VOLUME): the replacement is
// copied beside the chosen file and moved over it.
TEST(Win32Replace, ProgramFolderOnAnotherVolume)
{
    const char* other = std::getenv("VELARIUM_OTHER_VOLUME");
    if (other == nullptr) {
        GTEST_SKIP() << "VELARIUM_OTHER_VOLUME is not set";
    }
    TempFolder program(other);
    TempFolder files;
    const std::string plain = test::randomBytes(200000, 3);
    const auto chosen = files / "lontano.bin";
    writeFile(chosen, plain);
    {
        InPlaceCipher job(program.path(), chosen, CipherDirection::Encrypt);
        job.writeProcessedCopy("pw");
        job.replaceChosenFile();
    }
    TempFolder scratch;
    EXPECT_EQ(readFile(chosen), cipherOf(scratch, plain, "pw"));
    EXPECT_TRUE(fs::is_empty(program.path()));
    EXPECT_EQ(std::distance(fs::directory_iterator(files.path()), fs::directory_iterator()), 1);
}

// A file with rules of its own, protected from its folder's: every way of replacing it leaves
// them as they were, instead of those the new file took from the program folder or its own.
TEST(Win32Replace, TheReplacedFileKeepsItsAccessRules)
{
    // Everyone may do anything, and anonymous callers may read: rules no folder passes on.
    const wchar_t* const rules = L"D:P(A;;FA;;;WD)(A;;FR;;;AN)";
    TempFolder program;
    TempFolder files;
    std::optional<TempFolder> otherProgram;
    if (const char* other = std::getenv("VELARIUM_OTHER_VOLUME")) {
        otherProgram.emplace(other);
    }
    writeFile(program / "sorgente", "copiato in un passo");
    const auto cipher = [&](const fs::path& folder, const fs::path& file) {
        InPlaceCipher job(folder, file, CipherDirection::Encrypt);
        job.writeProcessedCopy("pw");
        job.replaceChosenFile();
    };
    struct Case
    {
        const char* what;
        std::function<void(const fs::path&)> replace;
    };
    std::vector<Case> cases = {
        {"moved into place",
         [&](const fs::path& file) {
             cipher(program.path(), file);
         }},
        {"written in one step",
         [&](const fs::path& file) {
             platform::writeFileAtomically(file, "nuovo");
         }},
        {"copied in one step",
         [&](const fs::path& file) {
             platform::copyFileAtomically(program / "sorgente", file);
         }},
    };
    if (otherProgram) {
        cases.push_back({"copied from another volume", [&](const fs::path& file) {
                             cipher(otherProgram->path(), file);
                         }});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path chosen = files / "riservato.txt";
        writeFile(chosen, "contenuto");
        ASSERT_TRUE(setAccessRules(chosen, rules)) << ::GetLastError();
        const std::wstring before = accessRulesOf(chosen);
        c.replace(chosen);
        EXPECT_TRUE(accessRulesOf(chosen) == before);
        EXPECT_EQ(std::distance(fs::directory_iterator(files.path()), fs::directory_iterator()), 1);
        fs::remove(chosen);
    }
}

TEST(Win32Replace, AtomicWritesAndCopiesRefuseReadOnlyDestinationsAndTheSameFile)
{
    TempFolder folder;
    platform::writeFileAtomically(folder / "a", "uno");
    EXPECT_EQ(readFile(folder / "a"), "uno");
    platform::writeFileAtomically(folder / "a", "due");
    EXPECT_EQ(readFile(folder / "a"), "due");

    platform::copyFileAtomically(folder / "a", folder / "b");
    EXPECT_EQ(readFile(folder / "b"), "due");
    EXPECT_THROW(platform::copyFileAtomically(folder / "a", folder / "a"), Error);
    EXPECT_THROW(platform::copyFileAtomically(folder / "a", folder / "." / "a"), Error);
    EXPECT_EQ(readFile(folder / "a"), "due");

    setAttribute(folder / "b", FILE_ATTRIBUTE_READONLY, true);
    EXPECT_THROW(platform::writeFileAtomically(folder / "b", "tre"), SystemError);
    EXPECT_THROW(platform::copyFileAtomically(folder / "a", folder / "b"), SystemError);
    setAttribute(folder / "b", FILE_ATTRIBUTE_READONLY, false);
    EXPECT_EQ(readFile(folder / "b"), "due");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 2);
}

// A library that writes its file by name (the spreadsheet writer) gets the fresh file's path.
TEST(Win32Replace, AFileWrittenByNameTakesThePlaceOfTheOldOneOnlyWhenComplete)
{
    TempFolder folder;
    const fs::path file = folder / "foglio.xlsx";
    const auto writeByName = [](std::string text) {
        return [text](const fs::path& fresh) {
            std::ofstream(fresh, std::ios::binary) << text;
        };
    };
    platform::writeFileAtomically(file, writeByName("uno"), platform::NewFile::Private);
    EXPECT_EQ(readFile(file), "uno");
    platform::writeFileAtomically(file, writeByName("due"));
    EXPECT_EQ(readFile(file), "due");

    EXPECT_THROW(platform::writeFileAtomically(file,
                                               [&](const fs::path& fresh) {
                                                   writeByName("a met")(fresh);
                                                   throw Error("Scrittura interrotta");
                                               }),
                 Error);
    EXPECT_EQ(readFile(file), "due");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
}

TEST(Win32SharedFile, TheExclusiveSectionKeepsWritersOutButNotTheRecords)
{
    TempFolder folder;
    platform::SharedFile first(folder / "archivio");
    platform::SharedFile second(folder / "archivio");
    const std::string record = "record";
    first.writeAt(0, std::as_bytes(std::span(record)));

    std::atomic<bool> trying{false};
    std::atomic<bool> released{false};
    std::atomic<bool> entered{false};
    std::atomic<bool> enteredWhileHeld{false};
    std::thread other;
    {
        platform::SharedFile::ExclusiveSection section(first);
        other = std::thread([&] {
            trying = true;
            platform::SharedFile::ExclusiveSection waits(second);
            enteredWhileHeld = !released;
            entered = true;
        });
        EXPECT_TRUE(waitUntil([&] { return trying.load(); }, std::chrono::seconds(30)));
        // Records stay readable and writable through another opener meanwhile, while the other
        // thread waits for its section.
        std::string seen(record.size(), '\0');
        second.readAt(0, std::as_writable_bytes(std::span(seen)));
        EXPECT_EQ(seen, record);
        second.writeAt(6, std::as_bytes(std::span(record)));
        released = true;
    }
    other.join();
    EXPECT_TRUE(entered);
    EXPECT_FALSE(enteredWhileHeld);
    EXPECT_EQ(first.size(), 12u);
    first.close();
    second.close();
}

TEST(Win32SharedFile, ReadersNeverSeeARecordHalfWrittenByAnotherOpener)
{
    TempFolder folder;
    platform::SharedFile writer(folder / "archivio");
    platform::SharedFile reader(folder / "archivio");
    // As large as an archive record, so that a torn copy would mix two fillings.
    const std::string first(1004, 'a');
    const std::string second(1004, 'b');
    writer.writeAt(0, std::as_bytes(std::span(first)));

    std::atomic<bool> done{false};
    std::thread writing([&] {
        for (int i = 0; i < 2000; ++i) {
            const std::string& record = i % 2 ? first : second;
            writer.writeAt(0, std::as_bytes(std::span(record)));
        }
        done = true;
    });
    int torn = 0;
    std::string seen(first.size(), '\0');
    while (!done) {
        reader.readAt(0, std::as_writable_bytes(std::span(seen)));
        if (seen != first && seen != second) {
            ++torn;
        }
    }
    writing.join();
    EXPECT_EQ(torn, 0);
    writer.close();
    reader.close();
}

// Another opener that keeps the archive's exclusive section (a copy of the program stopped in
// the middle of an append) makes the next one fail within the limit, never wait for ever; once
// it lets go, the section is taken again. Windows locks belong to the handle, so a second
// handle is refused exactly as another process would be.
TEST(Win32SharedFile, ASectionKeptByAnotherOpenerFailsWithinTheLimitAndIsTakenOnceLetGo)
{
    TempFolder folder;
    platform::SharedFile holder(folder / "archivio");
    platform::SharedFile waiter(folder / "archivio");
    {
        platform::SharedFile::ExclusiveSection kept(holder);
        const auto started = std::chrono::steady_clock::now();
        EXPECT_THROW(platform::SharedFile::ExclusiveSection refused(waiter), SystemError);
        const auto waited = std::chrono::steady_clock::now() - started;
        EXPECT_GE(waited, platform::kLockWaitLimit - std::chrono::milliseconds(100));
        EXPECT_LT(waited, platform::kLockWaitLimit + std::chrono::seconds(3));
    }
    EXPECT_NO_THROW(platform::SharedFile::ExclusiveSection taken(waiter));
    holder.close();
    waiter.close();
}

TEST(Win32SharedFile, TruncateTakesBackWhatAFailedWriteLeftAndKeepsTheRest)
{
    TempFolder folder;
    platform::SharedFile file(folder / "archivio");
    const std::string record(1004, 'a');
    file.writeAt(0, std::as_bytes(std::span(record)));
    file.writeAt(1004, std::as_bytes(std::span(record).first(80)));
    file.truncate(1004);
    EXPECT_EQ(file.size(), 1004u);
    file.close();
    EXPECT_EQ(readFile(folder / "archivio"), record);
}
