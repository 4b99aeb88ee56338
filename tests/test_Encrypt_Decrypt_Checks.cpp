// The questions before a cipher command: a second encryption, a password other than the card's,
// a password that leaves the file unreadable. No leaves the file as it was; Yes runs the
// command as always.
#include "MainWindowFixture.h"

#include <gtest/gtest.h>

using namespace velarium;
using velarium::test::BoxKind;
using velarium::test::MainWindowTest;
using velarium::test::readFile;

namespace {

// Text long enough for the look at its bytes, and plainly text.
std::string letter()
{
    std::string text;
    for (int line = 0; line < 40; ++line) {
        text += "Caro amico ti scrivo cos\xEC mi distraggo un po' (riga " + std::to_string(line) +
                ").\n";
    }
    return text;
}

const QString kEncryptCheck = QStringLiteral("Controllo criptaggio file");
const QString kDecryptCheck = QStringLiteral("Controllo decriptaggio file");
const QString kEncrypted = QStringLiteral("Operazione criptaggio file terminata");
const QString kDecrypted = QStringLiteral("Operazione decriptaggio file terminata");

class CipherQuestionsTest : public MainWindowTest
{
protected:
    // The boxes of one command, after the Part's confirmation.
    QStringList titlesAfterConfirmation() const { return ui.titles().mid(1); }
};

TEST_F(CipherQuestionsTest, ASecondEncryptionNamesWhatItWouldMakeAndNoKeepsTheFile)
{
    const std::string cipher = encrypted(letter(), "segreta");
    const QString path = chosenFile(cipher);
    showSavedCard(path, QStringLiteral("Lettera"), QStringLiteral("segreta"));

    ui.answerNext(true);  // the Part's confirmation
    ui.answerNext(false); // the question
    window->btnEncryptClick();
    ASSERT_EQ(ui.shown.size(), 2u);
    EXPECT_EQ(ui.shown[1].kind, BoxKind::RiskyQuestion);
    EXPECT_EQ(ui.shown[1].title, kEncryptCheck);
    EXPECT_EQ(ui.shown[1].text.toStdString(),
              QStringLiteral("Attenzione: il file selezionato sembra già criptato con questa "
                             "password. Decriptato con essa, il suo contenuto risulta leggibile: "
                             "ISO-8859 text (text/plain).\r\n\r\nUn nuovo criptaggio con la "
                             "stessa password lo riporterebbe in chiaro.\r\n\r\nSi vuole "
                             "comunque criptare il file corrente?")
                  .toStdString());
    EXPECT_FALSE(ui.shown[1].busy) << "asked before the busy pointer";
    EXPECT_EQ(readFile(path.toStdString()), cipher);

    // Yes runs the command as the user asked: the file comes out in clear.
    ui.shown.clear();
    ui.answerNext(true);
    ui.answerNext(true);
    window->btnEncryptClick();
    EXPECT_EQ(titlesAfterConfirmation(),
              QStringList(
                  {kEncryptCheck, QStringLiteral("Termine creazione file criptato"), kEncrypted}));
    EXPECT_EQ(readFile(path.toStdString()), letter());
}

TEST_F(CipherQuestionsTest, AFirstEncryptionAndTheCardsPasswordAskNothing)
{
    const QString path = chosenFile(letter());
    showSavedCard(path, QStringLiteral("Lettera"), QStringLiteral("segreta"));
    window->btnEncryptClick();
    EXPECT_EQ(titlesAfterConfirmation(),
              QStringList({QStringLiteral("Termine creazione file criptato"), kEncrypted}));

    // The card names the file with this password: no look at the bytes, no question.
    ui.shown.clear();
    window->btnDencryptClick();
    EXPECT_EQ(titlesAfterConfirmation(),
              QStringList({QStringLiteral("Termine creazione file decriptato"), kDecrypted}));
    EXPECT_EQ(readFile(path.toStdString()), letter());
}

TEST_F(CipherQuestionsTest, APasswordOtherThanTheCardsNamesTheCard)
{
    const std::string cipher = encrypted(letter(), "segreta");
    const QString path = chosenFile(cipher);
    showSavedCard(path, QStringLiteral("Lettera"), QStringLiteral("segreta"));
    fillCard(path, QString(), QStringLiteral("sbagliata"), QStringLiteral("sbagliata"));

    ui.answerNext(true);
    ui.answerNext(false);
    window->btnDencryptClick();
    ASSERT_EQ(ui.shown.size(), 2u);
    EXPECT_EQ(ui.shown[1].title, kDecryptCheck);
    EXPECT_EQ(ui.shown[1].text,
              QStringLiteral("Attenzione: la password indicata non è quella registrata per "
                             "questo file nella scheda n. 1.\r\n\r\nDecriptato con un'altra "
                             "password, il file diventerebbe illeggibile. Caricare la scheda con "
                             "il comando Cerca per usare la password registrata.\r\n\r\nSi vuole "
                             "comunque decriptare il file corrente?"));
    EXPECT_EQ(readFile(path.toStdString()), cipher);
}

TEST_F(CipherQuestionsTest, AWrongPasswordWithNoCardIsAskedAboutAndYesGoesOn)
{
    const std::string cipher = encrypted(letter(), "segreta");
    const QString path = chosenFile(cipher);
    fillCard(path, QString(), QStringLiteral("sbagliata"), QStringLiteral("sbagliata"), QString());

    ui.answerNext(true);
    ui.answerNext(false);
    window->btnDencryptClick();
    ASSERT_EQ(ui.shown.size(), 2u);
    EXPECT_EQ(ui.shown[1].title, kDecryptCheck);
    EXPECT_TRUE(ui.shown[1].text.startsWith(
        QStringLiteral("Attenzione: la password indicata sembra errata")));
    EXPECT_EQ(readFile(path.toStdString()), cipher);

    ui.shown.clear();
    ui.answerNext(true);
    ui.answerNext(true);
    window->btnDencryptClick();
    EXPECT_EQ(ui.titles().last(), kDecrypted);
    EXPECT_NE(readFile(path.toStdString()), cipher);
}

} // namespace
