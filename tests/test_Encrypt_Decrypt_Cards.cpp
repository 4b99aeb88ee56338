// The card commands of the main window: new, save, the four arrows, and picking the file.
#include "MainWindowFixture.h"
#include "app/Controls.h"
#include "archive/CardArchive.h"

#include <QMovie>
#include <QPushButton>
#include <functional>
#include <gtest/gtest.h>

using namespace velarium;
using velarium::test::BoxKind;
using velarium::test::MainWindowTest;
using velarium::test::readFile;
using velarium::test::writeFile;
namespace fs = std::filesystem;

namespace {

const QString kArchiveAccess =
    QStringLiteral("Attenzione: il sistema non permette di accedere all'archivio.\n\r\n\r"
                   "Accertarsi di possedere i privilegi di scrittura nella cartella di "
                   "installazione del programma.");
const QString kEmptyTitle = QStringLiteral("Visualizzazione dati non applicabile");
const QString kSavedTitle = QStringLiteral("Salvataggio scheda effettuato con successo");
const QString kUpdatedTitle = QStringLiteral("Aggiornamento scheda effettuato con successo");

FileCard card(int n)
{
    const std::string tag = std::to_string(n);
    return {"/dati/file" + tag, "Scheda " + tag, "pw" + tag, "pw" + tag};
}

class CardCommandsTest : public MainWindowTest
{
protected:
    void storeCards(int count)
    {
        CardArchive archive(program.path());
        archive.Open();
        for (int i = 1; i <= count; ++i) {
            archive.Append(card(i));
        }
        archive.Close();
    }

    std::vector<FileCard> archived()
    {
        CardArchive archive(program.path());
        archive.Open();
        std::vector<FileCard> cards;
        while (!archive.AtEnd()) {
            cards.push_back(archive.Read());
        }
        archive.Close();
        return cards;
    }

    fs::path archivePath() const { return program / "Velarium.pro"; }

    QString number() const { return window->lblPosizione->text(); }
    QString description() const { return window->txtDescrizione->text(); }

    void expectOnly(BoxKind kind, const QString& title)
    {
        ASSERT_EQ(ui.shown.size(), 1u);
        EXPECT_EQ(ui.shown[0].kind, kind);
        EXPECT_EQ(ui.shown[0].title, title);
        ui.shown.clear();
    }
};

} // namespace

TEST_F(CardCommandsTest, SaveAppendsThenRewritesTheSameCard)
{
    // No archive file at all: the first save creates it and stores card 1.
    fillCard(QStringLiteral("/home/u/lettera.doc"), QStringLiteral("  Lettera  "),
             QStringLiteral("Segreto"), QStringLiteral("Segreto  "), QString());
    window->cmdSalvaClick();
    expectOnly(BoxKind::Information, kSavedTitle);
    EXPECT_EQ(number(), QStringLiteral("1"));
    ASSERT_EQ(archived().size(), 1u);
    EXPECT_EQ(archived()[0], (FileCard{"/home/u/lettera.doc", "Lettera", "Segreto", "Segreto"}));
    // The fields keep what the user typed, blanks included.
    EXPECT_EQ(description(), QStringLiteral("  Lettera  "));

    // Saving again rewrites card 1 in place, whatever changed meanwhile.
    window->txtFile->setText(QStringLiteral("/altro.doc"));
    window->cmdSalvaClick();
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].title, kUpdatedTitle);
    EXPECT_EQ(ui.shown[0].text, QStringLiteral("Le modifiche apportate alla scheda corrente "
                                               "sono state salvate in archivio."));
    ui.shown.clear();
    EXPECT_EQ(number(), QStringLiteral("1"));
    ASSERT_EQ(archived().size(), 1u);
    EXPECT_EQ(archived()[0].FilePath, "/altro.doc");
}

TEST_F(CardCommandsTest, SaveWithSevenCardsAppendsTheEighth)
{
    storeCards(7);
    fillCard(QStringLiteral("/f"), QStringLiteral("d"), QStringLiteral("p"), QStringLiteral("p"),
             QString());
    window->cmdSalvaClick();
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text, QStringLiteral("La scheda corrente è stata inserita in archivio."));
    ui.shown.clear();
    EXPECT_EQ(number(), QStringLiteral("8"));
    window->cmdSalvaClick();
    expectOnly(BoxKind::Information, kUpdatedTitle);
    EXPECT_EQ(archived().size(), 8u);
}

TEST_F(CardCommandsTest, SaveChecksComeBeforeTheArchiveIsOpened)
{
    fillCard(QStringLiteral("/f"), QStringLiteral("   "), QStringLiteral("p"), QStringLiteral("p"),
             QString());
    window->cmdSalvaClick();
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].kind, BoxKind::Warning);
    EXPECT_EQ(ui.shown[0].title, QStringLiteral("Salvataggio non applicabile"));
    EXPECT_EQ(ui.shown[0].text,
              QStringLiteral("Attenzione: inserire una descrizione del file da criptare.\r\n\r\n"
                             "Ciò consentirà di rintracciare la scheda del file all'interno "
                             "dell'archivio."));
    EXPECT_EQ(focused(), window->txtDescrizione);
    ui.shown.clear();

    fillCard(QStringLiteral("/f"), QStringLiteral("d"), QStringLiteral("Abc"),
             QStringLiteral("abc"), QString());
    window->cmdSalvaClick();
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].title, QStringLiteral("Salvataggio non applicabile"));
    EXPECT_TRUE(window->txtCheckPW->text().isEmpty());
    EXPECT_EQ(focused(), window->txtCheckPW);
    ui.shown.clear();

    fillCard(QString(), QStringLiteral("d"), QStringLiteral("p"), QStringLiteral("p"), QString());
    window->cmdSalvaClick();
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text,
              QStringLiteral("Attenzione: non è stato selezionato alcun file.\r\n\r\nCaricare il "
                             "file da criptare con il pulsante Sfoglia."));
    EXPECT_EQ(focused(), window->btnSfoglia);
    EXPECT_FALSE(fs::exists(archivePath())) << "a failed check does not open the archive";
}

TEST_F(CardCommandsTest, APathTheArchiveCannotHoldIsRefusedNotMangled)
{
    fillCard(QStringLiteral("/dati/文件.txt"), QStringLiteral("d"), QStringLiteral("p"),
             QStringLiteral("p"), QString());
    window->cmdSalvaClick();
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].kind, BoxKind::Warning);
    EXPECT_EQ(ui.shown[0].title, QStringLiteral("Salvataggio non applicabile"));
    EXPECT_TRUE(number().isEmpty());
    EXPECT_FALSE(fs::exists(archivePath()));

    // Windows-1252 characters go through, stored as their single bytes.
    fillCard(QStringLiteral("/dati/perché €.txt"), QStringLiteral("Città"), QStringLiteral("p"),
             QStringLiteral("p"), QString());
    ui.shown.clear();
    window->cmdSalvaClick();
    ASSERT_EQ(archived().size(), 1u);
    EXPECT_EQ(archived()[0].FilePath, "/dati/perch\xE9 \x80.txt");
    EXPECT_EQ(archived()[0].Description, "Citt\xE0");
    window->cmdNuovoClick();
    window->imgPrimoClick();
    EXPECT_EQ(window->txtFile->text(), QStringLiteral("/dati/perché €.txt"));
}

// A card keeps exactly the path on screen or is not saved: a trimmed or cut path is another
// file, which the card's commands would then rewrite.
TEST_F(CardCommandsTest, SaveRefusesAPathTheArchiveWouldChange)
{
    const QString folder = QStringLiteral("/dati/") + QString(240, QLatin1Char('c'));
    struct Case
    {
        const char* what;
        QString file;
        const char* text;
    };
    const Case cases[] = {
        {"a blank ending the name", QStringLiteral("/dati/nota "),
         "Attenzione: il percorso del file inizia o termina con uno spazio o con un carattere di "
         "controllo, che l'archivio non può registrare.\r\n\r\nRinominare il file togliendo gli "
         "spazi iniziali e finali e selezionarlo di nuovo con il pulsante Sfoglia."},
        {"a control character ending it", QStringLiteral("/dati/nota\t"),
         "Attenzione: il percorso del file inizia o termina con uno spazio o con un carattere di "
         "controllo, che l'archivio non può registrare.\r\n\r\nRinominare il file togliendo gli "
         "spazi iniziali e finali e selezionarlo di nuovo con il pulsante Sfoglia."},
        {"251 characters", folder + QStringLiteral("/report"),
         "Attenzione: il percorso del file supera i 250 caratteri che l'archivio può registrare."
         "\r\n\r\nSpostare il file in una cartella dal percorso più breve, o abbreviarne il nome, "
         "e selezionarlo di nuovo con il pulsante Sfoglia."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ui.shown.clear();
        fillCard(c.file, QStringLiteral("d"), QStringLiteral("p"), QStringLiteral("p"), QString());
        window->txtDescrizione->setFocus();
        window->cmdSalvaClick();
        expectOnly(BoxKind::Warning, QStringLiteral("Salvataggio non applicabile"));
        EXPECT_EQ(focused(), window->btnSfoglia);
        EXPECT_TRUE(number().isEmpty());
        EXPECT_EQ(window->txtFile->text(), c.file) << "the field keeps what was chosen";
        EXPECT_FALSE(fs::exists(archivePath()));
    }
    // The refusal of a long path in full.
    ui.shown.clear();
    fillCard(cases[2].file, QStringLiteral("d"), QStringLiteral("p"), QStringLiteral("p"),
             QString());
    window->cmdSalvaClick();
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text, QString::fromUtf8(cases[2].text));

    // 250 characters fit, and come back whole.
    const QString longest = folder + QStringLiteral("/abc");
    ASSERT_EQ(longest.size(), 250);
    fillCard(longest, QStringLiteral("d"), QStringLiteral("p"), QStringLiteral("p"), QString());
    window->cmdSalvaClick();
    window->cmdNuovoClick();
    window->imgUltimoClick();
    EXPECT_EQ(window->txtFile->text(), longest);
}

// The commands act on the file exactly as shown, never on a neighbour whose name lacks its
// blanks.
TEST_F(CardCommandsTest, CommandsActOnThePathAsShown)
{
    const fs::path plain = files / "nota";
    const fs::path padded = files / "nota ";
    writeFile(plain, "la nota");
    writeFile(padded, encrypted("l'altra nota", "pw"));
    fillCard(QString::fromStdString(padded.string()), QString(), QStringLiteral("pw"),
             QStringLiteral("pw"), QString());
    window->btnDencryptClick();
    EXPECT_EQ(ui.titles().last(), QStringLiteral("Operazione decriptaggio file terminata"));
    EXPECT_EQ(readFile(padded), "l'altra nota");
    EXPECT_EQ(readFile(plain), "la nota");
}

// Only the card as stored encrypts: a key that no card holds, or a file that its card does not
// name, could never be decrypted from the archive.
TEST_F(CardCommandsTest, EncryptRunsOnlyOnTheCardAsStored)
{
    const fs::path path = files / "bilancio.xls";
    const fs::path other = files / "altro.xls";
    writeFile(path, "numeri riservati");
    writeFile(other, "altri numeri");
    fillCard(QString::fromStdString(path.string()), QStringLiteral("Bilancio"),
             QStringLiteral("chiave"), QStringLiteral("chiave"), QString());
    window->cmdSalvaClick();
    ASSERT_EQ(number(), QStringLiteral("1"));
    const QString differs =
        QStringLiteral("Attenzione: il file o la password della scheda visualizzata non "
                       "corrispondono a quelli della scheda n. 1 salvata in archivio.\r\n\r\n"
                       "Salvare prima la scheda con il pulsante Salva, quindi ripetere "
                       "l'operazione.");

    struct Edit
    {
        const char* what;
        std::function<void()> apply;
    };
    const Edit edits[] = {
        {"both passwords edited",
         [&] {
             window->txtPassword->setText(QStringLiteral("nuova"));
             window->txtCheckPW->setText(QStringLiteral("nuova"));
         }},
        {"another file picked",
         [&] {
             ui.chooseNext(QString::fromStdString(other.string()));
             window->btnSfogliaClick();
         }},
        {"the same file with a blank after its name",
         [&] {
             window->txtFile->setText(QString::fromStdString(path.string() + " "));
         }},
    };
    for (const Edit& edit : edits) {
        SCOPED_TRACE(edit.what);
        window->imgPrimoClick();
        edit.apply();
        ui.shown.clear();
        window->btnEncryptClick();
        ASSERT_EQ(ui.shown.size(), 1u);
        EXPECT_EQ(ui.shown[0].kind, BoxKind::Warning);
        EXPECT_EQ(ui.shown[0].title, QStringLiteral("Operazione non applicabile"));
        EXPECT_EQ(ui.shown[0].text, differs);
        EXPECT_EQ(readFile(path), "numeri riservati");
        EXPECT_EQ(readFile(other), "altri numeri");
        EXPECT_EQ(archived(),
                  (std::vector<FileCard>{{path.string(), "Bilancio", "chiave", "chiave"}}))
            << "no card is saved on the user's behalf";
    }

    // A password with a blank at either end is stored trimmed, so it could not give back the key.
    window->imgPrimoClick();
    window->txtPassword->setText(QStringLiteral("chiave "));
    ui.shown.clear();
    window->btnEncryptClick();
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text,
              QStringLiteral("Attenzione: la password inizia o termina con uno spazio o con un "
                             "carattere di controllo, che la scheda non può conservare.\r\n\r\n"
                             "Togliere gli spazi iniziali e finali dalla password e dalla "
                             "conferma, salvare la scheda e ripetere l'operazione."));
    EXPECT_EQ(focused(), window->txtPassword);
    EXPECT_EQ(readFile(path), "numeri riservati");

    // Saved, the edited card encrypts; its card then decrypts the file.
    window->imgPrimoClick();
    window->txtPassword->setText(QStringLiteral("nuova"));
    window->txtCheckPW->setText(QStringLiteral("nuova"));
    window->cmdSalvaClick();
    window->btnEncryptClick();
    EXPECT_EQ(ui.titles().last(), QStringLiteral("Operazione criptaggio file terminata"));
    EXPECT_EQ(readFile(path), encrypted("numeri riservati", "nuova"));
    window->cmdNuovoClick();
    window->imgPrimoClick();
    window->btnDencryptClick();
    EXPECT_EQ(readFile(path), "numeri riservati");
}

TEST_F(CardCommandsTest, NewEmptiesTheCardAndTheNextSaveAppends)
{
    storeCards(3);
    window->imgPrimoClick();
    window->imgAvantiClick();
    EXPECT_EQ(number(), QStringLiteral("2"));
    window->txtPassword->setFocus();
    window->cmdNuovoClick();
    for (QLineEdit* field :
         {window->txtFile, window->txtDescrizione, window->txtPassword, window->txtCheckPW}) {
        EXPECT_TRUE(field->text().isEmpty());
    }
    EXPECT_TRUE(number().isEmpty());
    EXPECT_EQ(focused(), window->txtFile);
    fillCard(QStringLiteral("/n"), QStringLiteral("nuova"), QStringLiteral("p"),
             QStringLiteral("p"), QString());
    window->cmdSalvaClick();
    EXPECT_EQ(number(), QStringLiteral("4"));
    EXPECT_EQ(archived()[1], card(2));
}

// The state table of the navigation bar, walked on an archive of three cards.
TEST_F(CardCommandsTest, ArrowsWalkTheArchiveWithoutWrappingAround)
{
    storeCards(3);
    struct Step
    {
        const char* from; // number on screen before the command
        void (TfrmEncrypt_Decrypt::*command)();
        const char* to;
        const char* shows; // description then on screen
    };
    const Step steps[] = {
        {"", &TfrmEncrypt_Decrypt::imgAvantiClick, "1", "Scheda 1"},
        {"", &TfrmEncrypt_Decrypt::imgIndietroClick, "1", "Scheda 1"},
        {"", &TfrmEncrypt_Decrypt::imgPrimoClick, "1", "Scheda 1"},
        {"", &TfrmEncrypt_Decrypt::imgUltimoClick, "3", "Scheda 3"},
        {"1", &TfrmEncrypt_Decrypt::imgAvantiClick, "2", "Scheda 2"},
        {"2", &TfrmEncrypt_Decrypt::imgAvantiClick, "3", "Scheda 3"},
        {"3", &TfrmEncrypt_Decrypt::imgAvantiClick, "3", "schermo"},
        {"3", &TfrmEncrypt_Decrypt::imgIndietroClick, "2", "Scheda 2"},
        {"2", &TfrmEncrypt_Decrypt::imgIndietroClick, "1", "Scheda 1"},
        {"1", &TfrmEncrypt_Decrypt::imgIndietroClick, "1", "schermo"},
        {"2", &TfrmEncrypt_Decrypt::imgPrimoClick, "1", "Scheda 1"},
        {"1", &TfrmEncrypt_Decrypt::imgUltimoClick, "3", "Scheda 3"},
    };
    for (const Step& step : steps) {
        window->txtDescrizione->setText(QStringLiteral("schermo"));
        window->lblPosizione->setText(QString::fromLatin1(step.from));
        (window.get()->*step.command)();
        EXPECT_EQ(number(), QString::fromLatin1(step.to)) << "from '" << step.from << "'";
        EXPECT_EQ(description(), QString::fromLatin1(step.shows)) << "from '" << step.from << "'";
    }
    EXPECT_TRUE(ui.shown.empty()) << "stopping at either end says nothing";

    // A loaded card shows all four fields, trimmed.
    window->imgUltimoClick();
    EXPECT_EQ(window->txtFile->text(), QStringLiteral("/dati/file3"));
    EXPECT_EQ(window->txtPassword->text(), QStringLiteral("pw3"));
    EXPECT_EQ(window->txtCheckPW->text(), QStringLiteral("pw3"));
}

TEST_F(CardCommandsTest, AnEmptyArchiveIsReportedAndOnlyNextForgetsTheNumber)
{
    storeCards(0);
    const QString emptyText = QStringLiteral("L'archivio non contiene nessuna scheda.");
    for (auto command : {&TfrmEncrypt_Decrypt::imgPrimoClick, &TfrmEncrypt_Decrypt::imgUltimoClick,
                         &TfrmEncrypt_Decrypt::imgIndietroClick}) {
        window->lblPosizione->setText(QStringLiteral("5"));
        window->txtDescrizione->setText(QStringLiteral("schermo"));
        (window.get()->*command)();
        ASSERT_EQ(ui.shown.size(), 1u);
        EXPECT_EQ(ui.shown[0].text, emptyText);
        expectOnly(BoxKind::Information, kEmptyTitle);
        EXPECT_EQ(number(), QStringLiteral("5"));
        EXPECT_EQ(description(), QStringLiteral("schermo"));
    }
    window->imgAvantiClick();
    expectOnly(BoxKind::Information, kEmptyTitle);
    EXPECT_TRUE(number().isEmpty());
    EXPECT_EQ(description(), QStringLiteral("schermo"));

    // Previous on card 1 stays silent even though the archive is empty.
    window->lblPosizione->setText(QStringLiteral("1"));
    window->imgIndietroClick();
    EXPECT_TRUE(ui.shown.empty());
}

TEST_F(CardCommandsTest, ANumberBehindTheEndOfAShortenedArchive)
{
    storeCards(3);
    // Another program shortened the archive to one card while card 3 was on screen.
    fs::resize_file(archivePath(), 1004);

    window->lblPosizione->setText(QStringLiteral("3"));
    window->imgAvantiClick();
    EXPECT_TRUE(ui.shown.empty());
    EXPECT_EQ(number(), QStringLiteral("3"));

    testing::internal::CaptureStderr();
    window->imgIndietroClick(); // card 2 no longer exists
    // The box says only that the archive failed; the log keeps why.
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Velarium: Indietro: Lettura oltre l'ultima scheda dell'archivio\n");
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].kind, BoxKind::Plain);
    EXPECT_EQ(ui.shown[0].text, kArchiveAccess);
    ui.shown.clear();

    // Saving adds the card as a new one and shows the number it really got.
    fillCard(QStringLiteral("/f"), QStringLiteral("d"), QStringLiteral("p"), QStringLiteral("p"),
             QStringLiteral("3"));
    window->cmdSalvaClick();
    expectOnly(BoxKind::Information, kSavedTitle);
    EXPECT_EQ(number(), QStringLiteral("2"));
    EXPECT_EQ(fs::file_size(archivePath()), 2008u);
}

namespace {

// A filled-in card over an archive of two cards that the program may read but not write.
class UnwritableArchiveTest : public CardCommandsTest
{
protected:
    void SetUp() override
    {
        CardCommandsTest::SetUp();
        storeCards(2);
        before = readFile(archivePath());
        fs::permissions(archivePath(), fs::perms::owner_read);
        fillCard(QStringLiteral("/f"), QStringLiteral("d"), QStringLiteral("p"),
                 QStringLiteral("p"), QString());
    }

    void expectNothingChanged()
    {
        EXPECT_EQ(readFile(archivePath()), before);
        EXPECT_EQ(description(), QStringLiteral("d"));
    }

    std::string before;
};

struct ArchiveCommand
{
    void (TfrmEncrypt_Decrypt::*run)();
    const char* name;
};

// Named in a failure's report by the command's name.
void PrintTo(const ArchiveCommand& command, std::ostream* out)
{
    *out << command.name;
}

class ArchiveErrorTest : public UnwritableArchiveTest,
                         public testing::WithParamInterface<ArchiveCommand>
{
};

} // namespace

TEST_P(ArchiveErrorTest, ShowsTheAccessMessage)
{
    testing::internal::CaptureStderr();
    (window.get()->*GetParam().run)();
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_EQ(log.rfind("Velarium: " + std::string(GetParam().name) + ": ", 0), 0u) << log;
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text, kArchiveAccess);
    expectOnly(BoxKind::Plain, QStringLiteral("Velarium 2.0"));
    expectNothingChanged();
}

INSTANTIATE_TEST_SUITE_P(
    CardCommands, ArchiveErrorTest,
    testing::Values(ArchiveCommand{&TfrmEncrypt_Decrypt::cmdSalvaClick, "Salva"},
                    ArchiveCommand{&TfrmEncrypt_Decrypt::imgPrimoClick, "Primo"},
                    ArchiveCommand{&TfrmEncrypt_Decrypt::imgUltimoClick, "Ultimo"},
                    ArchiveCommand{&TfrmEncrypt_Decrypt::imgIndietroClick, "Indietro"}),
    [](const testing::TestParamInfo<ArchiveCommand>& info) {
        return std::string(info.param.name);
    });

TEST_F(UnwritableArchiveTest, NextRefusesToOpenBeforeCountingAnEmptyNumberAsZero)
{
    window->lblPosizione->clear();
    window->imgAvantiClick();
    expectOnly(BoxKind::Plain, QStringLiteral("Velarium 2.0"));
    EXPECT_TRUE(number().isEmpty());
    expectNothingChanged();
}

TEST_F(CardCommandsTest, PicturesAndLabelsRunTheirCommands)
{
    storeCards(2);
    QTest::mouseClick(window->imgUltimo, Qt::LeftButton);
    EXPECT_EQ(number(), QStringLiteral("2"));
    QTest::mouseClick(window->imgIndietro, Qt::LeftButton);
    EXPECT_EQ(number(), QStringLiteral("1"));
    QTest::mouseClick(window->imgAvanti, Qt::LeftButton);
    EXPECT_EQ(number(), QStringLiteral("2"));
    QTest::mouseClick(window->imgPrimo, Qt::LeftButton);
    EXPECT_EQ(number(), QStringLiteral("1"));
    QTest::mouseClick(window->lblNuovo, Qt::LeftButton);
    EXPECT_TRUE(number().isEmpty());
    window->imgPrimoClick();
    QTest::mouseClick(window->cmdNuovo, Qt::LeftButton);
    EXPECT_TRUE(number().isEmpty());
    fillCard(QStringLiteral("/f"), QStringLiteral("d"), QStringLiteral("p"), QStringLiteral("p"),
             QString());
    QTest::mouseClick(window->lblSalva, Qt::LeftButton);
    EXPECT_EQ(number(), QStringLiteral("3"));
    QTest::mouseClick(window->cmdSalva, Qt::LeftButton);
    EXPECT_EQ(ui.titles(), (QStringList{kSavedTitle, kUpdatedTitle}));
}

// From picking a file to an encrypted file with its card in the archive.
TEST_F(CardCommandsTest, PickSaveAndEncryptEndToEnd)
{
    const auto path = files / "bilancio.xls";
    writeFile(path, "numeri riservati");
    ui.chooseNext(QString::fromStdString(path.string()));
    window->btnSfogliaClick();
    window->txtDescrizione->setText(QStringLiteral("Bilancio"));
    window->txtPassword->setText(QStringLiteral("chiave"));
    window->txtCheckPW->setText(QStringLiteral("chiave"));
    window->btnEncryptClick();
    ASSERT_EQ(ui.shown.size(), 1u) << "an unsaved card cannot be encrypted";
    ui.shown.clear();
    window->cmdSalvaClick();
    window->btnEncryptClick();
    EXPECT_EQ(ui.titles().last(), QStringLiteral("Operazione criptaggio file terminata"));
    EXPECT_EQ(readFile(path), encrypted("numeri riservati", "chiave"));
    EXPECT_EQ(archived()[0].FilePassword, "chiave");
}

TEST_F(CardCommandsTest, TheFileDialogKeepsItsPlaceAndTheRestOfTheCard)
{
    fillCard(QStringLiteral("/prima"), QStringLiteral("d"), QStringLiteral("p"),
             QStringLiteral("q"), QStringLiteral("7"));
    ui.chooseNext(QStringLiteral("/cartella/scelto.txt"));
    QTest::mouseClick(window->btnSfoglia, Qt::LeftButton);
    ASSERT_EQ(ui.dialogs.size(), 1u);
    EXPECT_EQ(ui.dialogs[0].title,
              QStringLiteral("Selezionare il file da criptare o decriptare e premere Apri"));
    EXPECT_EQ(ui.dialogs[0].filter, QStringLiteral("Tutti i file (*.*)|*.*;|*.*"));
    EXPECT_FALSE(ui.dialogs[0].mustExist);
    EXPECT_FALSE(ui.dialogs[0].forSaving);
    EXPECT_EQ(window->txtFile->text(), QStringLiteral("/cartella/scelto.txt"));
    EXPECT_EQ(description(), QStringLiteral("d"));
    EXPECT_EQ(window->txtCheckPW->text(), QStringLiteral("q"));
    EXPECT_EQ(number(), QStringLiteral("7"));
    EXPECT_EQ(ui.busyCount, 1);
    EXPECT_EQ(ui.busyDepth, 0);

    // The next opening starts at the last choice; cancelling keeps the field.
    ui.chooseNext(std::nullopt);
    window->btnSfogliaClick();
    ASSERT_EQ(ui.dialogs.size(), 2u);
    EXPECT_EQ(ui.dialogs[1].fileName, QStringLiteral("/cartella/scelto.txt"));
    EXPECT_EQ(window->txtFile->text(), QStringLiteral("/cartella/scelto.txt"));
    EXPECT_TRUE(ui.shown.empty());
}

TEST_F(CardCommandsTest, KeysThatTypeInTheFileFieldOpenTheDialog)
{
    window->txtFile->setFocus();
    for (Qt::Key key :
         {Qt::Key_A, Qt::Key_5, Qt::Key_Return, Qt::Key_Backspace, Qt::Key_Escape, Qt::Key_Space}) {
        const auto before = ui.dialogs.size();
        QTest::keyClick(window->txtFile, key);
        EXPECT_EQ(ui.dialogs.size(), before + 1) << "key " << key;
    }
    const auto before = ui.dialogs.size();
    for (Qt::Key key : {Qt::Key_Left, Qt::Key_Home, Qt::Key_F5, Qt::Key_Delete}) {
        QTest::keyClick(window->txtFile, key);
    }
    EXPECT_EQ(ui.dialogs.size(), before);
    EXPECT_TRUE(window->txtFile->text().isEmpty());
    QTest::keyClick(window->txtFile, Qt::Key_Tab);
    EXPECT_EQ(focused(), window->txtDescrizione) << "Tab still moves on";
}

TEST_F(CardCommandsTest, OpenHandsThePathAsShownToTheDesktop)
{
    window->txtFile->setText(QStringLiteral("   "));
    window->btnApriClick();
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].title, QStringLiteral("Operazione non applicabile"));
    EXPECT_EQ(ui.shown[0].text,
              QStringLiteral("Attenzione: non è stato selezionato alcun file.\r\n\r\nCaricare il "
                             "file da criptare o decriptare con il pulsante Sfoglia."));
    EXPECT_TRUE(ui.shell.empty());

    // A file whose name ends in a blank is that file, not its neighbour without the blank.
    window->txtFile->setText(QStringLiteral("/dati/perché.jpg "));
    QTest::mouseClick(window->btnApri, Qt::LeftButton);
    EXPECT_EQ(ui.shell, std::vector{test::defaultActionOn(QStringLiteral("/dati/perché.jpg "))});
    EXPECT_EQ(ui.busyDepth, 0);
}
