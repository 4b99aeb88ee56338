// The checks a card passes before it is stored or used, shared by the window and the tool.

#include "archive/CardChecks.h"

#include <gtest/gtest.h>
#include <string>

namespace velarium {
namespace {

const std::string kMaxPath = "/" + std::string(249, 'p');

struct Case
{
    const char* what;
    TypedCard card;
    CardProblem store;   // before Save and `cards add`
    CardProblem encrypt; // before Cripta file
    CardProblem decrypt; // before Decripta file
};

// nullopt stands for a text with a character outside the code page.
const Case kCases[] = {
    {"a whole card",
     {"/d/f", "d", "pw", "pw"},
     CardProblem::None,
     CardProblem::None,
     CardProblem::None},
    {"blanks around the description and passwords are trimmed away",
     {"/d/f", " d ", "\tpw ", "pw"},
     CardProblem::None,
     CardProblem::None,
     CardProblem::None},
    {"the file comes first",
     {" \t", "", "", "x"},
     CardProblem::NoFile,
     CardProblem::NoFile,
     CardProblem::NoFile},
    {"then the description",
     {"/d/f", " ", "", ""},
     CardProblem::NoDescription,
     CardProblem::NoDescription,
     CardProblem::NoPassword},
    {"then the password",
     {"/d/f", "d", " ", ""},
     CardProblem::NoPassword,
     CardProblem::NoPassword,
     CardProblem::NoPassword},
    {"then the confirmation",
     {"/d/f", "d", "pw", "\r\n"},
     CardProblem::NoConfirmation,
     CardProblem::NoConfirmation,
     CardProblem::NoConfirmation},
    {"letter case counts",
     {"/d/f", "d", "Pw", "pw"},
     CardProblem::PasswordsDiffer,
     CardProblem::PasswordsDiffer,
     CardProblem::PasswordsDiffer},
    {"a path outside the code page",
     {std::nullopt, "d", "pw", "pw"},
     CardProblem::FileNotInCodePage,
     CardProblem::None,
     CardProblem::None},
    {"a blank ending the path",
     {"/d/f ", "d", "pw", "pw"},
     CardProblem::FileNotExact,
     CardProblem::None,
     CardProblem::None},
    {"a blank starting the path",
     {" /d/f", "d", "pw", "pw"},
     CardProblem::FileNotExact,
     CardProblem::None,
     CardProblem::None},
    {"a path of 250 characters",
     {kMaxPath, "d", "pw", "pw"},
     CardProblem::None,
     CardProblem::None,
     CardProblem::None},
    {"a path of 251 characters",
     {kMaxPath + "x", "d", "pw", "pw"},
     CardProblem::FileTooLong,
     CardProblem::None,
     CardProblem::None},
    {"the path's fault before an empty description",
     {"/d/f ", "", "pw", "pw"},
     CardProblem::FileNotExact,
     CardProblem::NoDescription,
     CardProblem::None},
    {"a description outside the code page",
     {"/d/f", std::nullopt, "pw", "pw"},
     CardProblem::DescriptionNotInCodePage,
     CardProblem::None,
     CardProblem::None},
    {"a description of 251 characters",
     {"/d/f", std::string(251, 'd'), "pw", "pw"},
     CardProblem::DescriptionTooLong,
     CardProblem::None,
     CardProblem::None},
    {"250 after trimming fit",
     {"/d/f", " " + std::string(250, 'd') + " ", "pw", "pw"},
     CardProblem::None,
     CardProblem::None,
     CardProblem::None},
    {"a password outside the code page",
     {"/d/f", "d", std::nullopt, std::nullopt},
     CardProblem::PasswordNotInCodePage,
     CardProblem::None,
     CardProblem::None},
    {"a password of 251 characters",
     {"/d/f", "d", std::string(251, 'p'), std::string(251, 'p')},
     CardProblem::PasswordTooLong,
     CardProblem::None,
     CardProblem::None},
    {"a password of 250 characters",
     {"/d/f", "d", std::string(250, 'p'), std::string(250, 'p')},
     CardProblem::None,
     CardProblem::None,
     CardProblem::None},
};

TEST(CardChecks, EachUseRunsItsChecksInOrderAndReportsTheFirstFailure)
{
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(checkCard(c.card), c.store);
        EXPECT_EQ(checkCard(c.card, CardUse::Encrypt), c.encrypt);
        EXPECT_EQ(checkCard(c.card, CardUse::Decrypt), c.decrypt);
        // The tool judges the file and the description before it asks for the passwords.
        const CardProblem early = checkCardFileAndDescription(c.card.file, c.card.description);
        const bool beforePasswords = c.store < CardProblem::NoPassword;
        EXPECT_EQ(early, beforePasswords ? c.store : CardProblem::None);
    }
}

TEST(CardChecks, TheStoredCardIsTheTrimmedTextsAndTheKeyMustBeOneItCanHold)
{
    EXPECT_EQ(storedCard({"/d/f", " Fattura\t", " pw ", "pw "}),
              (FileCard{"/d/f", "Fattura", "pw", "pw"}));

    EXPECT_EQ(checkEncryptionKey("segreto"), KeyProblem::None);
    EXPECT_EQ(checkEncryptionKey("se greto"), KeyProblem::None);
    EXPECT_EQ(checkEncryptionKey("segreto "), KeyProblem::Padded);
    EXPECT_EQ(checkEncryptionKey("\x01segreto"), KeyProblem::Padded);
    EXPECT_EQ(checkEncryptionKey(std::string(250, 'k')), KeyProblem::None);
    EXPECT_EQ(checkEncryptionKey(std::string(251, 'k')), KeyProblem::TooLong);
}

} // namespace
} // namespace velarium
