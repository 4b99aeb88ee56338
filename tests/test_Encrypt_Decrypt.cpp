#include "MainWindowFixture.h"
#include "app/Controls.h"
#include "main/FileCipher.h"
#include "main/InPlaceCipher.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMovie>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace velarium;
using velarium::test::BoxKind;
using velarium::test::kNotApplicable;
using velarium::test::MainWindowTest;
using velarium::test::readFile;
using velarium::test::ScriptedUi;
using velarium::test::TempFolder;
using velarium::test::writeFile;
namespace fs = std::filesystem;

TEST_F(MainWindowTest, LayoutHasEveryNamedControlWithItsCaption)
{
    EXPECT_EQ(window->windowTitle(), QStringLiteral(" Velarium 2.0"));
    EXPECT_EQ(window->size(), QSize(814, 549));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);

    const std::pair<const char*, const char*> captions[] = {
        {"lblFile", "File da criptare / decriptare:"},
        {"lblDescrizione", "Descrizione file:"},
        {"lblPassword", "Password di criptaggio / decriptaggio:"},
        {"lblCheckPW", "Conferma password:"},
        {"lblNuovo", "Nuovo"},
        {"lblSalva", "Salva"},
        {"lblCerca", "Cerca"},
        {"lblEsporta", "Esporta archivio"},
        {"lblBackup", "Backup archivio"},
        {"lblGuida", "Guida"},
        {"lblEsci", "Esci"},
    };
    for (const auto& [name, caption] : captions) {
        auto* label = window->findChild<QLabel*>(QString::fromLatin1(name));
        if (label == nullptr) {
            ADD_FAILURE() << "no control " << name;
            continue;
        }
        EXPECT_EQ(label->text(), QString::fromUtf8(caption)) << name;
        EXPECT_TRUE(label->isVisible()) << name;
    }
    const std::pair<const char*, const char*> buttons[] = {
        {"btnSfoglia", "Sfoglia"},
        {"btnApri", "Apri"},
        {"btnEncrypt", "Cripta file"},
        {"btnDencrypt", "Decripta file"},
    };
    for (const auto& [name, caption] : buttons) {
        auto* button = window->findChild<QPushButton*>(QString::fromLatin1(name));
        if (button == nullptr) {
            ADD_FAILURE() << "no control " << name;
            continue;
        }
        EXPECT_EQ(button->text(), QString::fromUtf8(caption));
        EXPECT_FALSE(button->focusPolicy() & Qt::TabFocus) << name;
        EXPECT_EQ(button->cursor().shape(), Qt::PointingHandCursor) << name;
    }
    const std::pair<const char*, const char*> tooltips[] = {
        {"imgGuida", " Guida "},         {"imgInfo", " Informazioni su... "},
        {"imgCopyright", " Copyright "}, {"imgEmail", "Invia e-mail all'autore "},
        {"imgEsci", " Esci "},
    };
    for (const auto& [name, tip] : tooltips) {
        auto* picture = window->findChild<ClickLabel*>(QString::fromLatin1(name));
        if (picture == nullptr) {
            ADD_FAILURE() << "no control " << name;
            continue;
        }
        EXPECT_EQ(picture->toolTip(), QString::fromUtf8(tip));
        EXPECT_EQ(picture->cursor().shape(), Qt::PointingHandCursor) << name;
    }
    for (const char* name :
         {"panContainer", "imgBackground", "panFile",        "panDescrizione", "panPassword",
          "panCheckPW",   "bevFile",       "bevDescrizione", "bevPassword",    "bevCripta",
          "bevDecripta",  "imgFile",       "imgDescrizione", "imgPassword",    "imgCheckPW",
          "imgCripta",    "imgDecripta",   "panRecords",     "imgPrimo",       "imgIndietro",
          "lblPosizione", "imgAvanti",     "imgUltimo",      "panControlli",   "imgSfondo",
          "imgLogo",      "cmdNuovo",      "cmdSalva",       "cmdCerca",       "cmdEsporta",
          "imgBackup",    "cmdGuida",      "cmdEsci",        "bevSepara01",    "bevSepara02",
          "bevSepara03",  "bevSepara04",   "bevSepara05",    "bevSepara06",    "panInformazioni",
          "panInfo"}) {
        auto* control = window->findChild<QWidget*>(QString::fromLatin1(name));
        if (control == nullptr) {
            ADD_FAILURE() << "no control " << name;
            continue;
        }
        EXPECT_TRUE(control->isVisible()) << name;
        EXPECT_TRUE(control->isEnabled()) << name;
        EXPECT_TRUE(window->rect().contains(control->mapTo(window.get(), QPoint(0, 0))))
            << name << " lies outside the window";
    }
    // Pictures of the stated sizes came from the resources.
    EXPECT_EQ(window->cmdNuovo->pixmap().size(), QSize(32, 32));
    EXPECT_EQ(window->cmdEsporta->pixmap().size(), QSize(28, 28));
}

TEST_F(MainWindowTest, EditFieldsHaveTheirLimitsAndMasks)
{
    for (QLineEdit* field : {window->txtDescrizione, window->txtPassword, window->txtCheckPW}) {
        EXPECT_EQ(field->maxLength(), 250) << field->objectName().toStdString();
    }
    // Nothing is typed into the file field; a longer chosen path is shown whole.
    EXPECT_TRUE(window->txtFile->isReadOnly());
    const QString longPath = QStringLiteral("/") + QString(300, QLatin1Char('p'));
    window->txtFile->setText(longPath);
    EXPECT_EQ(window->txtFile->text(), longPath);
    EXPECT_EQ(window->txtPassword->echoMode(), QLineEdit::Password);
    EXPECT_EQ(window->txtCheckPW->echoMode(), QLineEdit::Password);
    EXPECT_EQ(window->txtDescrizione->echoMode(), QLineEdit::Normal);
}

TEST_F(MainWindowTest, FieldsRefuseCharactersOutsideTheCodePage)
{
    window->txtPassword->setFocus();
    typeText(window->txtPassword, QStringLiteral("è€a漢"));
    EXPECT_EQ(window->txtPassword->text(), QStringLiteral("è€a"));
    window->txtDescrizione->setFocus();
    typeText(window->txtDescrizione, QStringLiteral("Ωx"));
    EXPECT_EQ(window->txtDescrizione->text(), QStringLiteral("x"));
}

TEST_F(MainWindowTest, EveryShowingStartsOnAnEmptyCardWithFocusInTheFileField)
{
    fillCard(QStringLiteral("/x"), QStringLiteral("d"), QStringLiteral("p"), QStringLiteral("p"),
             QStringLiteral("12"));
    window->txtPassword->setFocus();
    window->hide();
    window->show();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    for (QLineEdit* field :
         {window->txtFile, window->txtDescrizione, window->txtPassword, window->txtCheckPW}) {
        EXPECT_TRUE(field->text().isEmpty());
    }
    EXPECT_TRUE(window->lblPosizione->text().isEmpty());
    EXPECT_EQ(focused(), window->txtFile);
    ASSERT_NE(window->imgEmail->movie(), nullptr);
    EXPECT_EQ(window->imgEmail->movie()->state(), QMovie::Running);
}

TEST_F(MainWindowTest, TabWalksTheFourFieldsAndNeverStopsOnAButton)
{
    window->txtFile->setFocus();
    const QWidget* expected[] = {window->txtDescrizione, window->txtPassword, window->txtCheckPW,
                                 window->txtFile, window->txtDescrizione};
    for (const QWidget* next : expected) {
        QTest::keyClick(focused(), Qt::Key_Tab);
        EXPECT_EQ(focused(), next);
    }
}

TEST_F(MainWindowTest, EnterMovesTheFocusOnAndBackToTheFileField)
{
    window->txtDescrizione->setFocus();
    QTest::keyClick(focused(), Qt::Key_Return);
    EXPECT_EQ(focused(), window->txtPassword);
    QTest::keyClick(focused(), Qt::Key_Enter);
    EXPECT_EQ(focused(), window->txtCheckPW);
    QTest::keyClick(focused(), Qt::Key_Return);
    EXPECT_EQ(focused(), window->txtFile);
    // Other keys are the field's own.
    window->txtDescrizione->setFocus();
    QTest::keyClicks(focused(), QStringLiteral("ab"));
    EXPECT_EQ(window->txtDescrizione->text(), QStringLiteral("ab"));
    EXPECT_EQ(focused(), window->txtDescrizione);
}

TEST_F(MainWindowTest, FieldsTurnYellowWithTheFocusAndWhiteWithoutItHoweverLeft)
{
    const QColor yellow(255, 255, 0);
    const QColor white(255, 255, 255);
    auto base = [](QLineEdit* field) {
        return field->palette().color(QPalette::Base);
    };

    window->txtDescrizione->setFocus();
    EXPECT_EQ(base(window->txtDescrizione), yellow);
    QTest::keyClick(focused(), Qt::Key_Tab);
    EXPECT_EQ(base(window->txtDescrizione), white);
    EXPECT_EQ(base(window->txtPassword), yellow);
    QTest::keyClick(focused(), Qt::Key_Return);
    EXPECT_EQ(base(window->txtPassword), white);
    EXPECT_EQ(base(window->txtCheckPW), yellow);
    // Leaving by a mouse click on another field.
    QTest::mouseClick(window->txtDescrizione, Qt::LeftButton);
    EXPECT_EQ(base(window->txtCheckPW), white);
    EXPECT_EQ(base(window->txtDescrizione), yellow);
    // The file field keeps its own colour.
    const QColor fileColour = base(window->txtFile);
    window->txtFile->setFocus();
    EXPECT_EQ(base(window->txtFile), fileColour);
    EXPECT_NE(fileColour, yellow);
}

TEST_F(MainWindowTest, AWindowLosingActivationLeavesTheFieldsColours)
{
    const QColor yellow(255, 255, 0);
    const QColor white(255, 255, 255);
    auto base = [](QLineEdit* field) {
        return field->palette().color(QPalette::Base);
    };
    window->txtPassword->setFocus();
    ASSERT_EQ(base(window->txtPassword), yellow);

    // Another window in front, as a message box or another program would be.
    QWidget other;
    other.show();
    auto activate = [](QWidget* front) {
        front->activateWindow();
        QApplication::setActiveWindow(front);
        return QTest::qWaitForWindowActive(front);
    };
    ASSERT_TRUE(activate(&other));
    EXPECT_EQ(base(window->txtPassword), yellow);
    ASSERT_TRUE(activate(window.get()));
    EXPECT_EQ(base(window->txtPassword), yellow);
    EXPECT_EQ(base(window->txtCheckPW), white);

    // The focus moved while the window was away (hidden and shown again, it opens in the file
    // field): the field it left turns white when the window comes back.
    ASSERT_TRUE(activate(&other));
    window->txtFile->setFocus();
    ASSERT_TRUE(activate(window.get()));
    EXPECT_EQ(base(window->txtPassword), white);
}

TEST_F(MainWindowTest, TheWindowSystemShowingTheWindowAgainKeepsTheCard)
{
    fillCard(QStringLiteral("/tmp/lettera.doc"), QStringLiteral("Lettera"),
             QStringLiteral("segreta"), QStringLiteral("segreta"), QString());
    window->showMinimized();
    QTRY_VERIFY(window->isMinimized());
    window->showNormal();
    QTRY_VERIFY(!window->isMinimized());
    EXPECT_EQ(window->txtDescrizione->text(), QStringLiteral("Lettera"));
    EXPECT_EQ(window->txtPassword->text(), QStringLiteral("segreta"));
    // Shown by the program, the window opens on an empty card as always.
    window->hide();
    window->show();
    EXPECT_TRUE(window->txtDescrizione->text().isEmpty());
    EXPECT_TRUE(window->txtPassword->text().isEmpty());
}

TEST_F(MainWindowTest, EnterSpaceAndTheKeypadsEnterPressTheFocusedButton)
{
    const Qt::Key keys[] = {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space};
    for (const Qt::Key key : keys) {
        const std::size_t before = ui.dialogs.size();
        window->btnSfoglia->setFocus();
        QTest::keyClick(window->btnSfoglia, key);
        EXPECT_EQ(ui.dialogs.size(), before + 1) << "key " << key;
    }
}

TEST_F(MainWindowTest, ClosingOrAnExitCommandEndsTheProgram)
{
    QSignalSpy ended(window.get(), &TfrmEncrypt_Decrypt::endProgram);
    QTest::mouseClick(window->cmdEsci, Qt::LeftButton);
    QTest::mouseClick(window->lblEsci, Qt::LeftButton);
    QTest::mouseClick(window->imgEsci, Qt::LeftButton);
    EXPECT_EQ(ended.count(), 3);
    window->close();
    EXPECT_EQ(ended.count(), 4);
    EXPECT_TRUE(ui.shown.empty()) << "nothing is asked on the way out";
}

namespace {

struct CheckCase
{
    const char* what;
    const char* number;
    const char* file;
    const char* description;
    const char* password;
    const char* confirmation;
    const char* text;
    const char* focus; // the control focused afterwards, or nullptr when the focus stays
};

// Each case, tried with the focus on the description, gets its one warning and moves the focus
// where the user must act; nothing else happens.
class CheckTest : public MainWindowTest
{
protected:
    template <std::size_t N>
    void expectRefusals(const CheckCase (&cases)[N], void (TfrmEncrypt_Decrypt::*command)())
    {
        // Every case is tried and reported, whichever fails.
        for (const CheckCase& c : cases) {
            SCOPED_TRACE(c.what);
            ui.shown.clear();
            fillCard(QString::fromUtf8(c.file), QString::fromUtf8(c.description),
                     QString::fromUtf8(c.password), QString::fromUtf8(c.confirmation),
                     QString::fromUtf8(c.number));
            window->txtDescrizione->setFocus();
            (window.get()->*command)();
            EXPECT_EQ(ui.shown.size(), 1u);
            if (!ui.shown.empty()) {
                EXPECT_EQ(ui.shown[0].kind, BoxKind::Warning);
                EXPECT_EQ(ui.shown[0].title, kNotApplicable);
                EXPECT_EQ(ui.shown[0].text, QString::fromUtf8(c.text));
            }
            const QString expectedFocus =
                c.focus ? QString::fromLatin1(c.focus) : QStringLiteral("txtDescrizione");
            EXPECT_NE(focused(), nullptr);
            if (focused() != nullptr) {
                EXPECT_EQ(focused()->objectName(), expectedFocus);
            }
            EXPECT_EQ(ui.busyCount, 0);
        }
    }
};

} // namespace

TEST_F(CheckTest, EncryptChecksTheCardInOrder)
{
    const CheckCase cases[] = {
        {"no card number, all else filled", "", "/f", "d", "p", "p",
         "Attenzione: per criptare il file occorre prima salvare la scheda in archivio.\r\n\r\n"
         "Compilare quindi tutte le caselle di testo e fare clic su Salva.",
         nullptr},
        {"blank file", "3", "   ", "d", "p", "p",
         "Attenzione: non è stato selezionato alcun file.\r\n\r\nCaricare il file da criptare "
         "con il pulsante Sfoglia.",
         "btnSfoglia"},
        {"blank description", "3", "/f", " \t", "p", "p",
         "Attenzione: inserire una descrizione del file da criptare.\r\n\r\nCiò consentirà di "
         "rintracciare la scheda del file all'interno dell'archivio.",
         "txtDescrizione"},
        {"no password", "3", "/f", "d", "", "p",
         "Attenzione: indicare la password da abbinare al file da criptare.\r\n\r\nTale "
         "password serve a rendere indecifrabile l'algoritmo di criptografia.",
         "txtPassword"},
        {"no confirmation", "3", "/f", "d", "p", "  ",
         "Attenzione: confermare la password di criptaggio immettendo lo stesso valore nella "
         "casella Conferma password.\r\n\r\nCiò serve a prevenire eventuali errori di "
         "digitazione dei dati.",
         "txtCheckPW"},
        {"letter case differs", "3", "/f", "d", "Segreto", "segreto",
         "Attenzione: la password indicata non corrisponde a quella presente nella casella "
         "Conferma password.\r\n\r\nControllare i dati inseriti e ripetere l'operazione.",
         "txtCheckPW"},
    };
    expectRefusals(cases, &TfrmEncrypt_Decrypt::btnEncryptClick);
    // Only the mismatch empties the confirmation.
    EXPECT_TRUE(window->txtCheckPW->text().isEmpty());
    EXPECT_EQ(window->txtPassword->text(), QStringLiteral("Segreto"));
    EXPECT_EQ(ui.busyCount, 0);
}

TEST_F(CheckTest, DecryptNeedsNeitherCardNumberNorDescription)
{
    const CheckCase cases[] = {
        {"blank file", "", "", "", "p", "p",
         "Attenzione: non è stato selezionato alcun file.\r\n\r\nCaricare il file da "
         "decriptare con il pulsante Sfoglia.",
         "btnSfoglia"},
        {"no password", "", "/f", "", " ", "p",
         "Attenzione: indicare la password da abbinare al file da decriptare.\r\n\r\nTale "
         "password serve a decodificare l'algoritmo di criptografia.",
         "txtPassword"},
        {"no confirmation", "", "/f", "", "p", "",
         "Attenzione: confermare la password di decriptaggio immettendo lo stesso valore nella "
         "casella Conferma password.\r\n\r\nCiò serve a prevenire eventuali errori di "
         "digitazione dei dati.",
         "txtCheckPW"},
        {"mismatch", "", "/f", "", "abc", "abd",
         "Attenzione: la password indicata non corrisponde a quella presente nella casella "
         "Conferma password.\r\n\r\nControllare i dati inseriti e ripetere l'operazione.",
         "txtCheckPW"},
    };
    expectRefusals(cases, &TfrmEncrypt_Decrypt::btnDencryptClick);
    // With no number and no description, decrypting goes on to its confirmation.
    ui.shown.clear();
    ui.answerNext(false);
    fillCard(QStringLiteral("/f"), QString(), QStringLiteral("p"), QStringLiteral("p"), QString());
    window->btnDencryptClick();
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].kind, BoxKind::Question);
    EXPECT_EQ(ui.shown[0].title, QStringLiteral("Conferma decriptaggio file"));
}

TEST_F(MainWindowTest, AnsweringNoChangesNothing)
{
    const QString path = chosenFile("originale");
    showSavedCard(path, QStringLiteral("d"), QStringLiteral("p"));
    const std::string archive = readFile(program / "Velarium.pro");
    ui.answerNext(false);
    window->btnEncryptClick();
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].title, QStringLiteral("Conferma criptaggio file"));
    EXPECT_EQ(ui.shown[0].text,
              QStringLiteral("Attenzione: si sta per criptare il file selezionato.\r\n\r\n"
                             "IMPORTANTE: non effettuare l'operazione di criptaggio su un file "
                             "già criptato. Accertarsi che il file non sia già criptato premendo "
                             "il pulsante Apri.\r\n\r\nSi vuole proprio criptare il file "
                             "corrente?"));
    EXPECT_EQ(readFile(path.toStdString()), "originale");
    EXPECT_EQ(fs::directory_iterator(program.path())->path().filename(), "Velarium.pro");
    EXPECT_EQ(std::distance(fs::directory_iterator(program.path()), fs::directory_iterator()), 1);
    EXPECT_EQ(readFile(program / "Velarium.pro"), archive);
    EXPECT_EQ(ui.busyCount, 0);
}

TEST_F(MainWindowTest, EncryptReportsTheCopyThenTheReplacement)
{
    const std::string plain = test::randomBytes(3000, 9);
    const QString path = chosenFile(plain);
    showSavedCard(path, QStringLiteral("Lettera"), QStringLiteral("chiave"));
    window->txtPassword->setFocus();

    std::vector<std::string> fileWhenShown;
    std::vector<bool> copyExistsWhenShown;
    ui.onShown = [&](const test::ShownBox&) {
        fileWhenShown.push_back(readFile(path.toStdString()));
        copyExistsWhenShown.push_back(fs::exists(program / "Criptato.xyz"));
    };
    window->btnEncryptClick();

    ASSERT_EQ(ui.titles(), (QStringList{QStringLiteral("Conferma criptaggio file"),
                                        QStringLiteral("Termine creazione file criptato"),
                                        QStringLiteral("Operazione criptaggio file terminata")}));
    EXPECT_EQ(ui.shown[1].kind, BoxKind::Information);
    EXPECT_EQ(ui.shown[1].text,
              QStringLiteral("La versione criptata del file è stata creata con successo.\r\n\r\n"
                             "Il file originale sarà ora sostituito dalla versione criptata."));
    EXPECT_EQ(ui.shown[2].text,
              QStringLiteral("Il file originale è stato sostituito dalla versione criptata."
                             "\r\n\r\nPremere il pulsante Apri per avere conferma che il file "
                             "non è più accessibile."));
    const std::string expected = encrypted(plain, "chiave");
    EXPECT_EQ(fileWhenShown, (std::vector<std::string>{plain, plain, expected}));
    EXPECT_EQ(copyExistsWhenShown, (std::vector<bool>{false, true, false}));
    EXPECT_EQ(readFile(path.toStdString()), expected);
    for (const auto& box : ui.shown) {
        EXPECT_FALSE(box.busy) << "no box may be shown under the hourglass";
    }
    EXPECT_EQ(ui.busyCount, 2);
    EXPECT_EQ(ui.busyDepth, 0);
    // Everything on screen stays as it was, the focus too.
    EXPECT_EQ(window->txtPassword->text(), QStringLiteral("chiave"));
    EXPECT_EQ(window->txtCheckPW->text(), QStringLiteral("chiave"));
    EXPECT_EQ(window->lblPosizione->text(), QStringLiteral("1"));
    EXPECT_EQ(focused(), window->txtPassword);
}

TEST_F(MainWindowTest, DecryptUsesThePasswordWithItsBlanks)
{
    // A file encrypted elsewhere under a key with blanks, which no card could have held.
    const std::string plain = "Caro amico, ti scrivo...";
    const QString path = chosenFile(encrypted(plain, " pw "));

    // Blanks around the password pass the match test and become part of the key.
    fillCard(path, QString(), QStringLiteral("pw"), QStringLiteral(" pw "), QString());
    window->btnDencryptClick();
    EXPECT_EQ(ui.titles().last(), QStringLiteral("Operazione decriptaggio file terminata"));
    EXPECT_NE(readFile(path.toStdString()), plain) << "decrypted without the blanks";
    // The same wrong password undoes the damage; the right one then restores the file.
    window->btnDencryptClick();
    fillCard(path, QString(), QStringLiteral(" pw "), QStringLiteral("pw"), QString());
    ui.shown.clear();
    window->btnDencryptClick();
    EXPECT_EQ(readFile(path.toStdString()), plain);
    EXPECT_EQ(ui.shown[1].text,
              QStringLiteral("Il file selezionato è stato decriptato con successo.\r\n\r\nIl "
                             "file criptato originale sarà ora sostituito dalla versione "
                             "decriptata."));
    EXPECT_EQ(ui.shown[2].text,
              QStringLiteral("Il file criptato è stato sostituito dalla versione decriptata."
                             "\r\n\r\nPremere il pulsante Apri per avere conferma che il file "
                             "è ora accessibile."));
}

TEST_F(MainWindowTest, FailuresShowTheCommandsMessageAndLeaveTheFile)
{
    const QString encryptFailure =
        QStringLiteral("Attenzione: il sistema non consente di criptare il file selezionato."
                       "\r\n\r\nAccertarsi che il file da criptare non sia aperto e che non "
                       "abbia attributi di protezione.");
    const QString decryptFailure =
        QStringLiteral("Attenzione: il sistema non consente di decriptare il file selezionato."
                       "\r\n\r\nAccertarsi che il file da decriptare non sia aperto e che non "
                       "abbia attributi di protezione.");

    // A missing file.
    showSavedCard(QString::fromStdString((files / "assente").string()), QStringLiteral("d"),
                  QStringLiteral("p"));
    window->btnEncryptClick();
    ASSERT_EQ(ui.shown.size(), 2u);
    EXPECT_EQ(ui.shown[1].kind, BoxKind::Warning);
    EXPECT_EQ(ui.shown[1].title, QStringLiteral("Operazione criptaggio file non riuscita"));
    EXPECT_EQ(ui.shown[1].text, encryptFailure);

    // A read-only file: refused before anything is written.
    const QString path = chosenFile("protetto");
    fs::permissions(path.toStdString(), fs::perms::owner_read);
    ui.shown.clear();
    fillCard(path, QString(), QStringLiteral("p"), QStringLiteral("p"));
    window->btnDencryptClick();
    ASSERT_EQ(ui.shown.size(), 2u);
    EXPECT_EQ(ui.shown[1].title, QStringLiteral("Operazione decriptaggio file non riuscita"));
    EXPECT_EQ(ui.shown[1].text, decryptFailure);
    EXPECT_EQ(readFile(path.toStdString()), "protetto");

    // A program folder that cannot take the temporary file.
    fs::permissions(path.toStdString(), fs::perms::owner_all);
    fs::create_directory(program / "Decriptato.xyz");
    ui.shown.clear();
    window->btnDencryptClick();
    ASSERT_EQ(ui.shown.size(), 2u);
    EXPECT_EQ(ui.shown[1].text, decryptFailure);
    EXPECT_EQ(readFile(path.toStdString()), "protetto");
    fs::remove(program / "Decriptato.xyz");

    // The temporary file held by another program's command, waiting between its two steps.
    writeFile(files / "altrui", "di un altro programma");
    {
        InPlaceCipher other(program.path(), files / "altrui", CipherDirection::Decrypt);
        other.writeProcessedCopy("q");
        const std::string copy = readFile(program / "Decriptato.xyz");
        ui.shown.clear();
        window->btnDencryptClick();
        ASSERT_EQ(ui.shown.size(), 2u);
        EXPECT_EQ(ui.shown[1].text, decryptFailure);
        EXPECT_EQ(readFile(path.toStdString()), "protetto");
        EXPECT_EQ(readFile(program / "Decriptato.xyz"), copy);
    }

    EXPECT_EQ(ui.busyDepth, 0) << "the pointer returns to normal after a failure";
    for (const auto& box : ui.shown) {
        EXPECT_FALSE(box.busy);
    }
}

TEST_F(MainWindowTest, AnEmptyFileGoesThroughBothCommands)
{
    const QString path = chosenFile("");
    showSavedCard(path, QStringLiteral("vuoto"), QStringLiteral("p"));
    window->btnEncryptClick();
    window->btnDencryptClick();
    EXPECT_EQ(ui.titles().count(QStringLiteral("Operazione criptaggio file terminata")), 1);
    EXPECT_EQ(ui.titles().count(QStringLiteral("Operazione decriptaggio file terminata")), 1);
    EXPECT_EQ(fs::file_size(path.toStdString()), 0u);
}

// The program's own files are refused by the window as by the tool: an encrypted archive would
// take every card with it.
TEST_F(MainWindowTest, TheProgramsOwnFilesAreNeverACommandsTarget)
{
    showSavedCard(QStringLiteral("/dati/a"), QStringLiteral("d"), QStringLiteral("p"));
    const fs::path archive = program / "Velarium.pro";
    const std::string cards = readFile(archive);
    fs::create_directory(program / "translations");
    writeFile(program / "translations" / "qtbase_it.qm", "catalogo");
    for (const fs::path& target : {archive, program / "translations" / "qtbase_it.qm"}) {
        SCOPED_TRACE(target.string());
        fillCard(QString::fromStdString(target.string()), QString(), QStringLiteral("p"),
                 QStringLiteral("p"), QString());
        ui.shown.clear();
        window->btnDencryptClick();
        ASSERT_EQ(ui.shown.size(), 2u);
        EXPECT_EQ(ui.shown[1].title, QStringLiteral("Operazione decriptaggio file non riuscita"));
    }
    EXPECT_EQ(readFile(archive), cards);
    EXPECT_EQ(readFile(program / "translations" / "qtbase_it.qm"), "catalogo");
    EXPECT_FALSE(fs::exists(program / "Decriptato.xyz"));
}
