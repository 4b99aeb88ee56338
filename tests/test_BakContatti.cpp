// The backup window, opened from the main window of a set of the program's windows and driven
// in place of its modal loop.
#include "MainWindowFixture.h"
#include "app/Controls.h"
#include "app/Forms.h"
#include "archive/BakContatti.h"
#include "archive/CardArchive.h"

#include <QGroupBox>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace velarium;
using velarium::test::BoxKind;
using velarium::test::MainWindowTest;
using velarium::test::randomBytes;
using velarium::test::readFile;
using velarium::test::ScriptedUi;
using velarium::test::ShownBox;
using velarium::test::TempFolder;
using velarium::test::writeFile;
namespace fs = std::filesystem;

namespace {

const QString kBackupDone =
    QStringLiteral("Creazione backup archivio file criptati completata con successo.");
const QString kBackupFailed =
    QStringLiteral("Attenzione: il sistema non consente di salvare il file nella posizione "
                   "specificata. Creazione backup archivio non riuscita.");
const QString kRestoreDone =
    QStringLiteral("Ripristino backup archivio file criptati completata con successo.");
const QString kRestoreFailed =
    QStringLiteral("Attenzione: il sistema non consente di sovrascrivere l'archivio corrente. "
                   "Ripristino archivio file criptati non riuscito.");

QString qPath(const fs::path& path)
{
    return QString::fromStdString(path.string());
}

std::vector<std::string> namesIn(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class BackupWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        forms = std::make_unique<Forms>(AppContext{program.path(), ui});
        main = forms->frmEncrypt_Decrypt.get();
        main->show();
        QApplication::setActiveWindow(main);
        ASSERT_TRUE(QTest::qWaitForWindowActive(main));
    }

    // Opens the backup window from the main window and runs `drive` on it while it is up;
    // returns the result it closed with.
    int openBackup(const std::function<void(TfrmBakContatti&)>& drive, QWidget* command = nullptr)
    {
        bool opened = false;
        ui.onModal = [&](QDialog& dialog) {
            opened = true;
            auto* window = qobject_cast<TfrmBakContatti*>(&dialog);
            ASSERT_NE(window, nullptr);
            EXPECT_EQ(window, forms->frmBakContatti.get()) << "the window made at start";
            drive(*window);
        };
        if (command != nullptr) {
            QTest::mouseClick(command, Qt::LeftButton);
        } else {
            main->imgBackupClick();
        }
        ui.onModal = nullptr;
        EXPECT_TRUE(opened);
        return forms->frmBakContatti->result();
    }

    void fillCard()
    {
        main->txtFile->setText(QStringLiteral("/dati/lettera.doc"));
        main->txtDescrizione->setText(QStringLiteral("Lettera"));
        main->txtPassword->setText(QStringLiteral("segreto"));
        main->txtCheckPW->setText(QStringLiteral("segreto"));
        main->lblPosizione->setText(QStringLiteral("3"));
    }

    void expectCardEmpty()
    {
        for (const QLineEdit* field :
             {main->txtFile, main->txtDescrizione, main->txtPassword, main->txtCheckPW}) {
            EXPECT_TRUE(field->text().isEmpty()) << field->objectName().toStdString();
        }
        EXPECT_TRUE(main->lblPosizione->text().isEmpty());
    }

    // The one box shown, a plain one, with the hourglass already gone.
    void expectOnlyMessage(const QString& text)
    {
        ASSERT_EQ(ui.shown.size(), 1u);
        EXPECT_EQ(ui.shown[0].kind, BoxKind::Plain);
        EXPECT_EQ(ui.shown[0].text, text);
        EXPECT_FALSE(ui.shown[0].busy);
        EXPECT_EQ(ui.busyDepth, 0);
        EXPECT_EQ(ui.busyCount, 1);
    }

    fs::path archive() const { return program / kCardArchiveName; }

    TempFolder program;
    TempFolder files;
    ScriptedUi ui;
    std::unique_ptr<Forms> forms;
    TfrmEncrypt_Decrypt* main = nullptr;
};

} // namespace

TEST_F(BackupWindowTest, BothCommandsOpenTheWindowOnAnEmptyCardEvenWhenCancelled)
{
    for (QWidget* command : std::initializer_list<QWidget*>{main->imgBackup, main->lblBackup}) {
        SCOPED_TRACE(command->objectName().toStdString());
        fillCard();
        const int result = openBackup(
            [&](TfrmBakContatti& w) {
                expectCardEmpty();
                EXPECT_TRUE(w.isVisible());
                EXPECT_TRUE(w.isModal());
                w.cmdAnnullaClick();
                EXPECT_FALSE(w.isVisible());
            },
            command);
        EXPECT_EQ(result, QDialog::Rejected);
        expectCardEmpty();
    }
    EXPECT_TRUE(ui.shown.empty());
    EXPECT_TRUE(ui.dialogs.empty());
}

TEST_F(MainWindowTest, TheBackupCommandEmptiesTheCardAndAsksForTheBackupWindow)
{
    fillCard(QStringLiteral("/dati/a.doc"), QStringLiteral("A"), QStringLiteral("pw"),
             QStringLiteral("pw"), QStringLiteral("2"));
    window->imgBackupClick();
    EXPECT_EQ(navigator.shown, std::vector<std::string>{"backup"});
    for (const QLineEdit* field :
         {window->txtFile, window->txtDescrizione, window->txtPassword, window->txtCheckPW}) {
        EXPECT_TRUE(field->text().isEmpty());
    }
    EXPECT_TRUE(window->lblPosizione->text().isEmpty());
}

TEST_F(BackupWindowTest, WindowShowsItsControlsAsDesigned)
{
    openBackup([](TfrmBakContatti& w) {
        EXPECT_EQ(w.objectName(), QStringLiteral("frmBakContatti"));
        EXPECT_EQ(w.windowTitle(), QStringLiteral(" Backup / Ripristino archivio file criptati"));
        EXPECT_EQ(w.size(), QSize(697, 393));
        EXPECT_EQ(w.minimumSize(), w.maximumSize()) << "fixed size";
        EXPECT_EQ(w.palette().color(QPalette::Window), kSilver);
        EXPECT_EQ(w.font().family(), QStringLiteral("Verdana"));
        const Qt::WindowFlags flags = w.windowFlags();
        EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
        EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));

        const std::pair<QLabel*, const char*> labels[] = {
            {w.lblInfo,
             "Utilizzare il pulsante di sotto per effettuare il backup dell'archivio dei"},
            {w.Label1, "file criptati."},
            {w.Label2, "Bisognerà selezionare il percorso della cartella di destinazione in cui"},
            {w.Label3, "si intende salvare la copia di sicurezza del file."},
            {w.Label4, "Utilizzare il pulsante di sotto per ripristinare una copia di sicurezza"},
            {w.Label5, "dell'archivio dei file criptati creata precedentemente."},
            {w.Label6, "Attenzione: il file di backup selezionato sovrascriverà l'archivio"},
            {w.Label7, "attualmente in uso."},
        };
        for (const auto& [label, text] : labels) {
            SCOPED_TRACE(text);
            EXPECT_EQ(label->text(), QString::fromUtf8(text));
            EXPECT_TRUE(label->isVisible());
            EXPECT_EQ(label->font().family(), QStringLiteral("Verdana"));
            const bool warning = label == w.Label6 || label == w.Label7;
            EXPECT_EQ(label->palette().color(QPalette::WindowText),
                      warning ? QColor(Qt::red) : QColor(Qt::black));
            // The whole text fits: nothing of the caption is cut off.
            EXPECT_LE(label->sizeHint().width(), label->width());
        }

        const std::pair<QPushButton*, const char*> buttons[] = {
            {w.cmdBackup, "Crea file di backup"},
            {w.cmdRipristina, "Ripristina file di backup"},
            {w.cmdAnnulla, "Annulla"},
        };
        for (const auto& [button, caption] : buttons) {
            SCOPED_TRACE(caption);
            EXPECT_EQ(button->text(), QString::fromUtf8(caption));
            EXPECT_TRUE(button->isVisible());
            EXPECT_EQ(button->font().pixelSize(), 13);
            EXPECT_EQ(button->cursor().shape(), Qt::PointingHandCursor);
            EXPECT_FALSE(button->focusPolicy() & Qt::TabFocus);
        }

        for (QLabel* picture : {w.imgBackup, w.imgRestore}) {
            ASSERT_FALSE(picture->pixmap().isNull()) << picture->objectName().toStdString();
            EXPECT_EQ(picture->pixmap().size(), QSize(64, 64));
        }
        for (const char* name : {"grpControlli", "shpBackup", "Bevel1", "Shape1"}) {
            EXPECT_NE(w.findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;
        }
        // Each half inside the group, one above the bevel, the other below it.
        const QRect bevel = w.Bevel1->geometry();
        EXPECT_LT(w.cmdBackup->geometry().bottom(), bevel.top());
        EXPECT_GT(w.Shape1->geometry().top(), bevel.bottom());
        EXPECT_GT(w.cmdRipristina->geometry().top(), bevel.bottom());
        EXPECT_TRUE(w.grpControlli->rect().contains(w.cmdRipristina->geometry()));
        EXPECT_TRUE(w.rect().contains(w.cmdAnnulla->geometry()));
    });
}

TEST_F(BackupWindowTest, CancelledDialogsChangeNothingAndKeepTheWindowOpen)
{
    writeFile(archive(), "schede");
    openBackup([&](TfrmBakContatti& w) {
        w.cmdBackupClick();
        EXPECT_TRUE(w.isVisible());
        w.cmdRipristinaClick();
        EXPECT_TRUE(w.isVisible());
    });
    ASSERT_EQ(ui.dialogs.size(), 2u);
    const FileDialog& save = ui.dialogs[0];
    EXPECT_EQ(save.title, QStringLiteral("Crea backup archivio file criptati"));
    EXPECT_EQ(save.filter, QStringLiteral("Backup archivio (*.bkc)|*.BKA"));
    EXPECT_EQ(save.fileName, QStringLiteral("File criptati.bka"));
    EXPECT_TRUE(save.defaultExtension.isEmpty());
    EXPECT_TRUE(save.forSaving);
    EXPECT_FALSE(save.confirmOverwrite);

    const FileDialog& open = ui.dialogs[1];
    EXPECT_EQ(open.title, QStringLiteral("Seleziona archivio file criptati da ripristinare"));
    EXPECT_EQ(open.filter, QStringLiteral("Backup archivio file criptati (*.bka)|*.BKA"));
    EXPECT_TRUE(open.fileName.isEmpty());
    EXPECT_FALSE(open.forSaving);

    EXPECT_TRUE(ui.shown.empty());
    EXPECT_EQ(ui.busyCount, 0);
    EXPECT_EQ(readFile(archive()), "schede");
    EXPECT_EQ(namesIn(program.path()), std::vector<std::string>{kCardArchiveName});
}

TEST_F(BackupWindowTest, BackupIsWrittenUnderItsExtensionThenTheWindowCloses)
{
    const std::string cards = randomBytes(4 * kCardRecordBytes, 21);
    writeFile(archive(), cards);
    const std::pair<const char*, const char*> names[] = {
        {"File criptati.bka", "File criptati.bka"},
        {"copia", "copia.bka"},
        {"copia.BKA", "copia.BKA.bka"},
    };
    for (const auto& [chosen, written] : names) {
        SCOPED_TRACE(chosen);
        ui.shown.clear();
        ui.busyCount = 0;
        ui.chooseNext(qPath(files / chosen));
        const int result = openBackup([&](TfrmBakContatti& w) {
            w.cmdBackupClick();
            EXPECT_FALSE(w.isVisible()) << "success closes the window";
        });
        EXPECT_EQ(result, QDialog::Accepted);
        expectOnlyMessage(kBackupDone);
        EXPECT_EQ(readFile(files / written), cards);
        EXPECT_EQ(namesIn(files.path()), std::vector<std::string>{written});
        EXPECT_EQ(readFile(archive()), cards);
        // The dialog reopens on the name last chosen.
        EXPECT_EQ(forms->frmBakContatti->dlgBackup.fileName, qPath(files / chosen));
        fs::remove(files / written);
    }
    ASSERT_EQ(ui.dialogs.size(), 3u);
    EXPECT_EQ(ui.dialogs[1].fileName, qPath(files / "File criptati.bka"));
    EXPECT_EQ(ui.dialogs[2].fileName, qPath(files / "copia"));
}

TEST_F(BackupWindowTest, FailedBackupSaysSoAndKeepsTheWindowOpen)
{
    struct Case
    {
        const char* what;
        bool archiveExists;
        fs::path chosen;
    };
    const Case cases[] = {
        {"no archive", false, files / "copia.bka"},
        {"missing folder", true, files / "inesistente" / "copia.bka"},
        {"the archive itself", true, program / "Velarium.pro.bka"},
    };
    // A link named as a backup that leads to the archive: copying over it would empty it.
    fs::create_symlink(archive(), program / "Velarium.pro.bka");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ui.shown.clear();
        ui.busyCount = 0;
        fs::remove(archive());
        if (c.archiveExists) {
            writeFile(archive(), "schede");
        }
        ui.chooseNext(qPath(c.chosen));
        openBackup([&](TfrmBakContatti& w) {
            w.cmdBackupClick();
            EXPECT_TRUE(w.isVisible());
            w.cmdAnnullaClick();
        });
        expectOnlyMessage(kBackupFailed);
        EXPECT_TRUE(namesIn(files.path()).empty());
        if (c.archiveExists) {
            EXPECT_EQ(readFile(archive()), "schede");
        }
    }
}

TEST_F(BackupWindowTest, RestoredBackupIsWhatTheMainWindowBrowsesNext)
{
    {
        CardArchive cards(program.path());
        cards.Open();
        cards.Append({"/dati/vecchio.doc", "Vecchia scheda", "pw", "pw"});
        cards.Close();
    }
    const TempFolder other;
    {
        CardArchive cards(other.path());
        cards.Open();
        cards.Append({"/dati/primo.doc", "Prima scheda ripristinata", "uno", "uno"});
        cards.Append({"/dati/secondo.doc", "Seconda", "due", "due"});
        cards.Close();
    }
    const fs::path backup = files / "copia.bka";
    fs::copy_file(other / kCardArchiveName, backup);

    ui.chooseNext(qPath(backup));
    const int result = openBackup([&](TfrmBakContatti& w) {
        w.cmdRipristinaClick();
        EXPECT_FALSE(w.isVisible());
    });
    EXPECT_EQ(result, QDialog::Accepted);
    expectOnlyMessage(kRestoreDone);
    EXPECT_EQ(readFile(archive()), readFile(backup));
    EXPECT_EQ(namesIn(program.path()), std::vector<std::string>{kCardArchiveName});
    EXPECT_EQ(forms->frmBakContatti->dlgRipristina.fileName, qPath(backup));

    main->imgPrimoClick();
    EXPECT_EQ(main->txtDescrizione->text(), QStringLiteral("Prima scheda ripristinata"));
    EXPECT_EQ(main->lblPosizione->text(), QStringLiteral("1"));
}

TEST_F(BackupWindowTest, FailedRestoreSaysSoAndLeavesTheArchiveAsItWas)
{
    const std::string cards = randomBytes(2 * kCardRecordBytes, 22);
    writeFile(archive(), cards);
    fs::create_hard_link(archive(), files / "collegamento.bka");
    fs::create_directory(files / "cartella.bka");
    writeFile(files / "tagliato.bka", cards.substr(0, 1500));
    writeFile(program / "unins000.dll", "[Accesso]\r\nValore=37A12F3BAB8112E9\r\n");
    struct Case
    {
        const char* what;
        fs::path chosen;
        // What the log tells of the cause, when the case is about it.
        const char* cause;
    };
    const Case cases[] = {
        {"the archive itself", archive(), nullptr},
        {"a hard link to the archive", files / "collegamento.bka", nullptr},
        {"a missing file", files / "assente.bka", nullptr},
        {"a folder", files / "cartella.bka", nullptr},
        {"a backup cut short", files / "tagliato.bka",
         "non è un archivio di schede: la sua lunghezza, 1500 byte"},
        {"the access store", program / "unins000.dll", "non è un archivio di schede"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ui.shown.clear();
        ui.busyCount = 0;
        ui.chooseNext(qPath(c.chosen));
        ::testing::internal::CaptureStderr();
        openBackup([&](TfrmBakContatti& w) {
            w.cmdRipristinaClick();
            EXPECT_TRUE(w.isVisible());
        });
        const std::string logged = ::testing::internal::GetCapturedStderr();
        expectOnlyMessage(kRestoreFailed);
        EXPECT_EQ(readFile(archive()), cards);
        EXPECT_EQ(namesIn(program.path()),
                  (std::vector<std::string>{kCardArchiveName, "unins000.dll"}));
        if (c.cause != nullptr) {
            EXPECT_NE(logged.find("Ripristino"), std::string::npos) << logged;
            EXPECT_NE(logged.find(c.cause), std::string::npos) << logged;
        }
    }
}
