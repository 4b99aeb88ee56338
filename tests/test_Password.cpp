// The login dialog, the change-password dialog and the hand-over between them and the main
// window, through the real windows of a Forms set.
#include "RecordingNavigator.h"
#include "ScriptedUi.h"
#include "TempFolder.h"
#include "app/CambiaPassword.h"
#include "app/Crypt.h"
#include "app/Forms.h"
#include "app/Password.h"
#include "main/Encrypt_Decrypt.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMovie>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace velarium;
using velarium::test::BoxKind;
using velarium::test::readFile;
using velarium::test::RecordingNavigator;
using velarium::test::ScriptedUi;
using velarium::test::TempFolder;
using velarium::test::writeFile;

namespace {

const QString kWrong = QStringLiteral("Attenzione: password errata.");
const QString kReadError =
    QStringLiteral("Attenzione: si è verificato un errore durante la procedura di lettura della "
                   "password. Si consiglia di reinstallare il software.");
const QString kChangeError =
    QStringLiteral("Attenzione: si è verificato un errore durante la procedura di modifica della "
                   "password. Si consiglia di reinstallare il software.");

class AccessTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        storePassword("segreto");
        forms = std::make_unique<Forms>(AppContext{program.path(), ui});
        login = forms->frmPassword.get();
        change = forms->frmCambiaPassword.get();
        main = forms->frmEncrypt_Decrypt.get();
        forms->showFirst();
        activate(login);
    }

    void storePassword(const char* password)
    {
        writeFile(program / "unins000.dll",
                  "[Accesso]\r\nValore=" + storedValueFor(password) + "\r\n");
    }

    static void activate(QWidget* window)
    {
        QApplication::setActiveWindow(window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    }

    void typeLogin(const QString& text)
    {
        login->txtPassword->setFocus();
        login->txtPassword->clear();
        QTest::keyClicks(login->txtPassword, text);
    }

    void fillChange(const QString& old, const QString& fresh, const QString& confirmation)
    {
        change->txtPasswordOld->setText(old);
        change->txtPasswordNew->setText(fresh);
        change->txtConferma->setText(confirmation);
    }

    QWidget* focused() const { return QApplication::focusWidget(); }

    TempFolder program;
    ScriptedUi ui;
    std::unique_ptr<Forms> forms;
    TfrmPassword* login = nullptr;
    TfrmCambiaPassword* change = nullptr;
    TfrmEncrypt_Decrypt* main = nullptr;
};

} // namespace

TEST_F(AccessTest, TheLoginComesFirstAndAloneWithItsControls)
{
    EXPECT_TRUE(login->isVisible());
    EXPECT_FALSE(main->isVisible());
    EXPECT_FALSE(change->isVisible());
    EXPECT_EQ(login->windowTitle(), QStringLiteral(" Velarium 2.0 - Autenticazione"));
    EXPECT_EQ(login->lblInfo->text(), QStringLiteral("Immettere la password e premere OK."));
    EXPECT_EQ(login->cmdOK->text(), QStringLiteral("OK"));
    EXPECT_EQ(login->btnCambiaPassword->text(), QStringLiteral("Cambia password"));
    EXPECT_EQ(login->cmdEsci->text(), QStringLiteral("Esci"));
    EXPECT_FALSE(login->cmdOK->isEnabled());
    EXPECT_FALSE(login->lblMemory->isVisible());
    EXPECT_EQ(login->txtPassword->echoMode(), QLineEdit::Password);
    EXPECT_EQ(login->txtPassword->maxLength(), 230);
    EXPECT_EQ(focused(), login->txtPassword);
    EXPECT_EQ(login->txtPassword->palette().color(QPalette::Base), QColor(255, 255, 0));
    for (const char* name : {"grpPassword", "imgLogo01", "imgLogo02", "bevPassword", "bevOK",
                             "bevCambiaPassword", "bevEsci"}) {
        EXPECT_NE(login->findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;
    }
    // Tab order: field, OK (once enabled), change, exit.
    QTest::keyClicks(login->txtPassword, QStringLiteral("x"));
    QTest::keyClick(focused(), Qt::Key_Tab);
    EXPECT_EQ(focused(), login->cmdOK);
    QTest::keyClick(focused(), Qt::Key_Tab);
    EXPECT_EQ(focused(), login->btnCambiaPassword);
    QTest::keyClick(focused(), Qt::Key_Tab);
    EXPECT_EQ(focused(), login->cmdEsci);
    EXPECT_EQ(login->txtPassword->palette().color(QPalette::Base), QColor(255, 255, 255));
}

// The forms give each picture a fixed place, while the artwork is drawn apart from them: a
// picture missing from the resources, or drawn at another size than its place, would show as a
// gap or cut off. Labels named as captions (lbl...) or panels (pan...) hold text instead.
TEST_F(AccessTest, EveryPictureFillsItsPlace)
{
    const std::pair<QWidget*, int> windows[] = {{login, 2}, {change, 2}, {main, 25}};
    for (const auto& [window, expected] : windows) {
        int pictures = 0;
        for (QLabel* label : window->findChildren<QLabel*>()) {
            const QString name = label->objectName();
            if (name.startsWith(QLatin1String("lbl")) || name.startsWith(QLatin1String("pan"))) {
                continue;
            }
            ++pictures;
            const QPixmap shown =
                label->movie() ? label->movie()->currentPixmap() : label->pixmap();
            EXPECT_FALSE(shown.isNull()) << name.toStdString();
            EXPECT_EQ(shown.size(), label->size()) << name.toStdString();
        }
        EXPECT_EQ(pictures, expected) << window->objectName().toStdString();
    }
}

TEST_F(AccessTest, TheChangeDialogHidesWhatIsTypedAndTabsInOrder)
{
    QTest::mouseClick(login->btnCambiaPassword, Qt::LeftButton);
    activate(change);
    for (QLineEdit* field : {change->txtPasswordOld, change->txtPasswordNew, change->txtConferma}) {
        EXPECT_EQ(field->echoMode(), QLineEdit::Password) << field->objectName().toStdString();
        EXPECT_EQ(field->maxLength(), 230) << field->objectName().toStdString();
    }
    // OK takes its turn once it can be pressed.
    fillChange(QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("b"));
    change->txtPasswordOld->setFocus();
    for (QWidget* next : std::initializer_list<QWidget*>{
             change->txtPasswordNew, change->txtConferma, change->cmdOK, change->cmdEsci}) {
        QTest::keyClick(focused(), Qt::Key_Tab);
        EXPECT_EQ(focused(), next) << next->objectName().toStdString();
    }
}

TEST_F(AccessTest, OkIsEnabledOnlyForAPasswordThatIsNotBlank)
{
    QTest::keyClicks(login->txtPassword, QStringLiteral("   "));
    EXPECT_FALSE(login->cmdOK->isEnabled());
    QTest::keyClick(login->txtPassword, Qt::Key_Return);
    EXPECT_TRUE(ui.shown.empty()) << "Enter on blanks does nothing";
    QTest::keyClicks(login->txtPassword, QStringLiteral("a"));
    EXPECT_TRUE(login->cmdOK->isEnabled());
    login->txtPassword->clear();
    EXPECT_FALSE(login->cmdOK->isEnabled());
}

TEST_F(AccessTest, AWrongPasswordIsRefusedAndTheRightOneInAnyCaseOpensTheMainWindow)
{
    typeLogin(QStringLiteral("sbagliata"));
    QTest::keyClick(login->txtPassword, Qt::Key_Return);
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].kind, BoxKind::Plain);
    EXPECT_EQ(ui.shown[0].text, kWrong);
    EXPECT_TRUE(login->txtPassword->text().isEmpty());
    EXPECT_FALSE(login->cmdOK->isEnabled());
    EXPECT_EQ(focused(), login->txtPassword);
    EXPECT_FALSE(main->isVisible());

    typeLogin(QStringLiteral("  SeGrEtO "));
    QTest::mouseClick(login->cmdOK, Qt::LeftButton);
    EXPECT_EQ(ui.shown.size(), 1u);
    EXPECT_TRUE(main->isVisible());
    EXPECT_FALSE(login->isVisible());
    EXPECT_EQ(login->txtPassword->text(), QStringLiteral("  SeGrEtO "));
    EXPECT_EQ(login->lblMemory->text(), QStringLiteral("SEGRETO"));
}

TEST_F(AccessTest, AMissingOrDamagedStore)
{
    std::filesystem::remove(program / "unins000.dll");
    typeLogin(QStringLiteral("segreto"));
    login->cmdOKClick();
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text, kWrong);

    writeFile(program / "unins000.dll", "[Accesso]\r\nValore=12 4\r\n");
    typeLogin(QStringLiteral("segreto"));
    login->cmdOKClick();
    ASSERT_EQ(ui.shown.size(), 2u);
    EXPECT_EQ(ui.shown[1].text, kReadError);
    EXPECT_EQ(login->txtPassword->text(), QStringLiteral("segreto")) << "the field is kept";
    EXPECT_FALSE(main->isVisible());
}

TEST_F(AccessTest, AStoreThatIsNoFileGivesTheStoreMessageWithoutWaiting)
{
    // A pipe nobody writes, then a link to a device that never ends.
    const auto store = program / "unins000.dll";
    std::filesystem::remove(store);
    ASSERT_EQ(::mkfifo(store.c_str(), 0600), 0);
    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE(round);
        typeLogin(QStringLiteral("segreto"));
        login->cmdOKClick();
        ASSERT_EQ(ui.shown.size(), static_cast<std::size_t>(round));
        EXPECT_EQ(ui.shown.back().text, kReadError);
        EXPECT_FALSE(main->isVisible());
        std::filesystem::remove(store);
        std::filesystem::create_symlink("/dev/zero", store);
    }
}

TEST_F(AccessTest, ClosingTheLoginOrItsExitEndsTheProgram)
{
    QSignalSpy ended(login, &TfrmPassword::endProgram);
    QTest::mouseClick(login->cmdEsci, Qt::LeftButton);
    EXPECT_GE(ended.count(), 1);
    EXPECT_FALSE(login->isVisible());
    const auto before = ended.count();
    login->show();
    login->close();
    EXPECT_EQ(ended.count(), before + 1);
}

TEST_F(AccessTest, ChangingThePasswordAndComingBack)
{
    typeLogin(QStringLiteral("qualcosa"));
    QTest::mouseClick(login->btnCambiaPassword, Qt::LeftButton);
    EXPECT_FALSE(login->isVisible());
    ASSERT_TRUE(change->isVisible());
    activate(change);
    EXPECT_EQ(change->windowTitle(), QStringLiteral(" Cambia password"));
    EXPECT_EQ(change->lblPasswordOld->text(), QStringLiteral("Vecchia password:"));
    EXPECT_EQ(change->lblPasswordNew->text(), QStringLiteral("Nuova password:"));
    EXPECT_EQ(change->lblConferma->text(), QStringLiteral("Conferma nuova pw:"));
    EXPECT_EQ(focused(), change->txtPasswordOld);
    EXPECT_FALSE(change->cmdOK->isEnabled());

    // OK waits for all three fields.
    change->txtPasswordOld->setText(QStringLiteral("segreto"));
    change->txtPasswordNew->setText(QStringLiteral("  nuova parola "));
    EXPECT_FALSE(change->cmdOK->isEnabled());
    change->txtConferma->setText(QStringLiteral(" "));
    EXPECT_FALSE(change->cmdOK->isEnabled());
    change->txtConferma->setText(QStringLiteral("nuova parola"));
    EXPECT_TRUE(change->cmdOK->isEnabled());

    // Enter in the confirmation only moves to OK; nothing is written yet.
    const std::string before = readFile(program / "unins000.dll");
    change->txtConferma->setFocus();
    QTest::keyClick(change->txtConferma, Qt::Key_Return);
    EXPECT_EQ(focused(), change->cmdOK);
    EXPECT_EQ(readFile(program / "unins000.dll"), before);

    change->cmdOKClick();
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].kind, BoxKind::Plain);
    EXPECT_EQ(ui.shown[0].text, QStringLiteral("Modifica della password avvenuta con successo."));
    EXPECT_FALSE(change->isVisible());
    EXPECT_EQ(readAccessValue(program.path()), storedValueFor("NUOVA PAROLA"));

    // Back at an empty login, which now takes the new password in any case.
    EXPECT_TRUE(login->isVisible());
    EXPECT_TRUE(login->txtPassword->text().isEmpty());
    EXPECT_TRUE(login->lblMemory->text().isEmpty());
    typeLogin(QStringLiteral("segreto"));
    login->cmdOKClick();
    EXPECT_EQ(ui.shown.back().text, kWrong);
    typeLogin(QStringLiteral("Nuova Parola"));
    login->cmdOKClick();
    EXPECT_TRUE(main->isVisible());
}

TEST_F(AccessTest, ChangeRefusalsKeepTheDialogOpen)
{
    login->btnCambiaPasswordClick();
    activate(change);

    fillChange(QStringLiteral("sbagliata"), QStringLiteral("n"), QStringLiteral("n"));
    change->cmdOKClick();
    EXPECT_EQ(ui.shown.back().text, QStringLiteral("Attenzione: vecchia password errata."));
    EXPECT_TRUE(change->txtPasswordOld->text().isEmpty());
    EXPECT_EQ(change->txtPasswordNew->text(), QStringLiteral("n"));
    EXPECT_EQ(focused(), change->txtPasswordOld);
    EXPECT_FALSE(change->cmdOK->isEnabled());

    // New entries that differ only in letter case are refused.
    fillChange(QStringLiteral("SEGRETO"), QStringLiteral("Nuova"), QStringLiteral("nuova"));
    change->cmdOKClick();
    EXPECT_EQ(ui.shown.back().text,
              QStringLiteral("Attenzione: la nuova password non è stata confermata correttamente. "
                             "E' necessario reinserire entrambi i valori."));
    EXPECT_TRUE(change->txtPasswordNew->text().isEmpty());
    EXPECT_TRUE(change->txtConferma->text().isEmpty());
    EXPECT_EQ(change->txtPasswordOld->text(), QStringLiteral("SEGRETO"));
    EXPECT_EQ(focused(), change->txtPasswordNew);

    // A store that refuses writing keeps its value and the fields.
    const std::string before = readFile(program / "unins000.dll");
    std::filesystem::permissions(program / "unins000.dll", std::filesystem::perms::owner_read);
    fillChange(QStringLiteral("segreto"), QStringLiteral("altra"), QStringLiteral("altra"));
    change->cmdOKClick();
    EXPECT_EQ(ui.shown.back().text, kChangeError);
    EXPECT_EQ(readFile(program / "unins000.dll"), before);
    EXPECT_TRUE(change->isVisible());
    EXPECT_EQ(change->txtPasswordNew->text(), QStringLiteral("altra"));
    EXPECT_FALSE(login->isVisible());
}

TEST_F(AccessTest, LeavingTheChangeDialogAnyWayReturnsToAnEmptyLogin)
{
    for (bool byExitButton : {true, false}) {
        typeLogin(QStringLiteral("abc"));
        login->btnCambiaPasswordClick();
        activate(change);
        change->txtPasswordOld->setText(QStringLiteral("x"));
        if (byExitButton) {
            QTest::mouseClick(change->cmdEsci, Qt::LeftButton);
        } else {
            change->close();
        }
        EXPECT_FALSE(change->isVisible());
        ASSERT_TRUE(login->isVisible());
        activate(login);
        EXPECT_TRUE(login->txtPassword->text().isEmpty());
        EXPECT_EQ(focused(), login->txtPassword);
    }
    EXPECT_TRUE(ui.shown.empty());
    // Showing the change dialog again starts empty.
    login->btnCambiaPasswordClick();
    EXPECT_TRUE(change->txtPasswordOld->text().isEmpty());
}

TEST_F(AccessTest, ANulInTheStoredPasswordEndsIt)
{
    writeFile(program / "unins000.dll",
              "[Accesso]\r\nValore=" + HexScrambleEncode(std::string("AB\0CD", 5)) + "\r\n");
    typeLogin(QStringLiteral("abcd"));
    login->cmdOKClick();
    EXPECT_EQ(ui.shown.back().text, kWrong);
    typeLogin(QStringLiteral("ab"));
    login->cmdOKClick();
    EXPECT_TRUE(main->isVisible());
}

TEST_F(AccessTest, ClosingTheMainWindowEndsTheProgram)
{
    typeLogin(QStringLiteral("segreto"));
    login->cmdOKClick();
    QSignalSpy ended(main, &TfrmEncrypt_Decrypt::endProgram);
    main->close();
    EXPECT_EQ(ended.count(), 1);
}

TEST(LoginNavigation, EachDialogMadeAloneHandsOverThroughItsNavigator)
{
    TempFolder program;
    ScriptedUi ui;
    RecordingNavigator navigator;
    writeFile(program / "unins000.dll",
              "[Accesso]\r\nValore=" + storedValueFor("segreto") + "\r\n");
    TfrmPassword login(AppContext{program.path(), ui}, navigator);
    TfrmCambiaPassword change(AppContext{program.path(), ui}, navigator);

    login.txtPassword->setText(QStringLiteral("sbagliata"));
    login.cmdOKClick();
    EXPECT_TRUE(navigator.shown.empty()) << "a wrong password hands over to nothing";
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text, kWrong);

    login.txtPassword->setText(QStringLiteral("segreto"));
    login.cmdOKClick();
    login.btnCambiaPasswordClick();
    change.show();
    change.close();
    EXPECT_EQ(navigator.shown,
              (std::vector<std::string>{"main window", "change password", "login"}));
}
