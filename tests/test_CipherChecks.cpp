// The checks before a cipher command, on a corpus of real files of many kinds: no question on a
// first encryption or a right-password decryption, a question on a second encryption and on a
// wrong password.

#include "TempFolder.h"
#include "archive/ArchiveSession.h"
#include "archive/CardArchive.h"
#include "archive/ExportTable.h"
#include "main/CipherChecks.h"
#include "main/FileCipher.h"
#include "platform/FileIdentity.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>
#include <zlib.h>

#ifndef _WIN32
#include "platform/OfficeFiles.h"
#endif

namespace velarium {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

ContentTypes& contentTypes()
{
    static ContentTypes types;
    return types;
}

std::string gzipped(const std::string& text)
{
    z_stream stream{};
    // 16 above the window bits asks for the gzip wrapper.
    if (deflateInit2(&stream, 9, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::runtime_error("deflateInit2");
    }
    std::string packed(deflateBound(&stream, static_cast<uLong>(text.size())) + 32, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    stream.avail_in = static_cast<uInt>(text.size());
    stream.next_out = reinterpret_cast<Bytef*>(packed.data());
    stream.avail_out = static_cast<uInt>(packed.size());
    deflate(&stream, Z_FINISH);
    packed.resize(stream.total_out);
    deflateEnd(&stream);
    return packed;
}

// Prose of some length, varied enough that it compresses as real text does, not as a repeat.
std::string prose()
{
    std::string text;
    for (int line = 0; line < 2000; ++line) {
        text += "Riga " + std::to_string(line) + ": il contratto n. " +
                std::to_string(line * 7919 % 10007) + " scade il " + std::to_string(1 + line % 28) +
                "/" + std::to_string(1 + line % 12) + "/2027; importo " +
                std::to_string(line * 104729 % 99991) + " euro.\n";
    }
    return text;
}

struct CorpusFile
{
    const char* name;
    // The file's bytes; nothing when this build has no such file (the case is skipped).
    std::function<std::optional<std::string>(const fs::path& scratch)> make;
};

std::optional<std::string> fileIfPresent(const fs::path& path)
{
    std::error_code error;
    if (path.empty() || !fs::is_regular_file(path, error)) {
        return std::nullopt;
    }
    return test::readFile(path);
}

#ifdef VELARIUM_ARTWORK_DIR
const fs::path kArtwork = VELARIUM_ARTWORK_DIR;
#else
const fs::path kArtwork;
#endif

std::optional<std::string> artwork(const char* name)
{
    return kArtwork.empty() ? std::nullopt : fileIfPresent(kArtwork / name);
}

const CorpusFile kCorpus[] = {
#ifdef VELARIUM_GUIDE_PDF
    {"GuidePdf",
     [](const fs::path&) {
         return fileIfPresent(VELARIUM_GUIDE_PDF);
     }},
#endif
    {"Png",
     [](const fs::path&) {
         return artwork("Velarium.png");
     }},
    {"AnimatedGif",
     [](const fs::path&) {
         return artwork("RESNAME1");
     }},
    {"Jpeg",
     [](const fs::path&) {
         return artwork("imgBackground.jpg");
     }},
    {"Bitmap",
     [](const fs::path&) {
         return artwork("splashBack.bmp");
     }},
#ifndef _WIN32
    {"Docx",
     [](const fs::path& scratch) -> std::optional<std::string> {
         platform::writeDocx(scratch / "t.docx",
                             {{"", " Descrizione file", " Password", " Percorso file"},
                              {"1", "Contratti 2027", "p4ss", "/doc/contratti.pdf"}});
         return test::readFile(scratch / "t.docx");
     }},
    {"Xlsx",
     [](const fs::path& scratch) -> std::optional<std::string> {
         platform::writeXlsx(scratch / "t.xlsx",
                             {{"", " Descrizione file", " Password", " Percorso file"},
                              {"1", "Contratti 2027", "p4ss", "/doc/contratti.pdf"}},
                             kExportSheetName);
         return test::readFile(scratch / "t.xlsx");
     }},
    {"Font",
     [](const fs::path&) {
         return fileIfPresent("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
     }},
#endif
    {"Gzip",
     [](const fs::path&) -> std::optional<std::string> {
         return gzipped(prose());
     }},
    {"Text",
     [](const fs::path&) -> std::optional<std::string> {
         return prose();
     }},
    {"Program",
     [](const fs::path&) -> std::optional<std::string> {
         return fileIfPresent(platform::runningExecutable().value_or(fs::path()));
     }},
};

class CorpusChecks : public ::testing::TestWithParam<CorpusFile>
{
protected:
    void SetUp() override
    {
        std::optional<std::string> bytes = GetParam().make(folder.path());
        if (!bytes) {
            GTEST_SKIP() << "this build has no such file";
        }
        // A name that says nothing: only the bytes may tell.
        test::writeFile(clear, *bytes);
        FileCipher(clear, encrypted, kPassword, true);
    }

    CipherCheck encryption(const fs::path& file, std::string_view password)
    {
        return checkEncryption(contentTypes(), file, password);
    }
    CipherCheck decryption(const fs::path& file, std::string_view password)
    {
        return checkDecryption(contentTypes(), folder.path(), file, file.string(), password);
    }

    static constexpr const char* kPassword = "Caff\xE8 corretto 42";
    TempFolder folder;
    const fs::path clear = folder / "uno";
    const fs::path encrypted = folder / "due";
};

TEST_P(CorpusChecks, RealWorkGoesThroughAndBothMistakesAreCaught)
{
    EXPECT_EQ(encryption(clear, kPassword).doubt, CipherDoubt::None) << "a first encryption";
    EXPECT_EQ(decryption(encrypted, kPassword).doubt, CipherDoubt::None)
        << "a right-password decryption";

    const CipherCheck second = encryption(encrypted, kPassword);
    EXPECT_EQ(second.doubt, CipherDoubt::AlreadyEncrypted) << "a second encryption";
    EXPECT_EQ(decryption(encrypted, "Caff\xE8 corretto 43").doubt, CipherDoubt::WrongPassword);
    // Another password's key stream leaves the cipher text as random as it was.
    EXPECT_EQ(encryption(encrypted, "un'altra password").doubt, CipherDoubt::None);
}

INSTANTIATE_TEST_SUITE_P(Corpus, CorpusChecks, ::testing::ValuesIn(kCorpus),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CipherChecks, RandomContentIsEncryptedWithoutAQuestionAndItsDecryptionMayAsk)
{
    TempFolder folder;
    const fs::path file = folder / "x";
    test::writeFile(file, test::randomBytes(200000, 7));
    EXPECT_EQ(checkEncryption(contentTypes(), file, "segreto").doubt, CipherDoubt::None);
    FileCipher(file, folder / "y", "segreto", true);
    // The clear content is random too: nothing tells the right password from a wrong one.
    EXPECT_EQ(checkDecryption(contentTypes(), folder.path(), folder / "y", "", "segreto").doubt,
              CipherDoubt::WrongPassword);
}

TEST(CipherChecks, ShortFilesAndMissingFilesAreLeftToTheCipher)
{
    TempFolder folder;
    const fs::path file = folder / "breve";
    test::writeFile(file, "Ciao a tutti\n");
    FileCipher(file, folder / "breve2", "pw", true);
    EXPECT_EQ(checkEncryption(contentTypes(), folder / "breve2", "pw").doubt, CipherDoubt::None);
    EXPECT_EQ(checkEncryption(contentTypes(), folder / "manca", "pw").doubt, CipherDoubt::None);
    EXPECT_EQ(checkDecryption(contentTypes(), folder.path(), folder / "manca", "", "pw").doubt,
              CipherDoubt::None);
}

TEST(CipherChecks, TheCardsOfTheFileDecideADecryption)
{
    TempFolder folder;
    const fs::path file = folder / "dati";
    test::writeFile(file, prose());
    FileCipher(file, folder / "dati.enc", "giusta", true);
    const fs::path encrypted = folder / "dati.enc";
    const std::string path = encrypted.string();
    withArchive(folder.path(), [&](CardArchive& archive) {
        archive.Append({path, "prima", "vecchia", "vecchia"});
        archive.Append({(folder / "DATI.enc").string(), "maiuscole", "giusta", "giusta"});
        archive.Append({"/altro", "altro", "giusta", "giusta"});
        archive.Append({path, "seconda", "ancora", "ancora"});
    });
    const auto decryption = [&](std::string_view password) {
        return checkDecryption(contentTypes(), folder.path(), encrypted, path, password);
    };

    // Only cards naming exactly this path count, and each is named.
    const CipherCheck other = decryption("giusta");
    EXPECT_EQ(other.doubt, CipherDoubt::NotTheCardsPassword);
    EXPECT_EQ(other.cards, (std::vector<std::uint64_t>{1, 4}));

    // One card holding the password settles it, whatever the bytes say: "vecchia" is not this
    // file's key, but the card says so.
    const CipherCheck card = decryption("vecchia");
    EXPECT_EQ(card.doubt, CipherDoubt::None);
    EXPECT_TRUE(card.cards.empty());
}

TEST(CipherChecks, TypesThatRandomBytesShowByChanceProveNothing)
{
    // About one random buffer in a hundred gets a type (an old DOS program, told by its first
    // instruction); none of them may count as a real file.
    auto& types = contentTypes();
    int typed = 0;
    for (unsigned seed = 1; seed <= 1000; ++seed) {
        const std::string bytes = test::randomBytes(4096, seed);
        const ContentLook look =
            types.look({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
        if (look.kind == ContentKind::Recognised) {
            ++typed;
            EXPECT_TRUE(types.looksRandom(look)) << look.mimeType << " from seed " << seed;
            EXPECT_FALSE(types.looksReal(look)) << look.mimeType << " from seed " << seed;
        } else {
            EXPECT_EQ(look.kind, ContentKind::Unrecognised) << seed;
        }
    }
    EXPECT_GT(typed, 0) << "the library named no random buffer: the case proves nothing";

    const std::string png = artwork("Velarium.png").value_or("");
    if (!png.empty()) {
        const ContentLook picture =
            types.look({reinterpret_cast<const std::uint8_t*>(png.data()), png.size()});
        EXPECT_EQ(picture.mimeType, "image/png");
        EXPECT_EQ(picture.description, "PNG image data");
        EXPECT_TRUE(types.looksReal(picture));
    }
}

} // namespace
} // namespace velarium
