// The PDF guide as the build leaves it beside the program, read back as text the way a reader
// would show it.
#include "ScriptedUi.h"
#include "TempFolder.h"
#include "app/Controls.h"
#include "app/Forms.h"
#include "archive/CercaAcq.h"
#include "guide/HelpForm.h"
#include "main/Encrypt_Decrypt.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <set>

using namespace velarium;
using velarium::test::ScriptedUi;
using velarium::test::TempFolder;

namespace {

const QString kGuide = QStringLiteral(VELARIUM_GUIDE_PDF);
const QString kSource = QStringLiteral(VELARIUM_GUIDE_SOURCE);

// Runs of spaces and line breaks as one space, so that a phrase broken across lines is found;
// letters a font joins into one glyph ("fi") as the letters they are.
QString collapsed(const QString& text)
{
    return text.normalized(QString::NormalizationForm_KC).simplified();
}

class GuidePdfTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QFile::exists(kGuide)) << kGuide.toStdString();
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        if (pdftotext.isEmpty()) {
            GTEST_SKIP() << "pdftotext is not installed";
        }
        QProcess process;
        process.start(pdftotext, {QStringLiteral("-enc"), QStringLiteral("UTF-8"), kGuide,
                                  QStringLiteral("-")});
        ASSERT_TRUE(process.waitForFinished(60000));
        ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        text = QString::fromUtf8(process.readAllStandardOutput());
        flat = collapsed(text);
    }

    QString text; // pages separated by form feeds
    QString flat;
};

TEST_F(GuidePdfTest, IsAGuideOfSeveralPagesWithItsFigures)
{
    QFile file(kGuide);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(5) == "%PDF-");
    EXPECT_GE(text.count(QLatin1Char('\f')), 10);
    EXPECT_TRUE(flat.contains(QStringLiteral("Guida per l'utente")));
    // A caption goes in only with its window's picture: login, password change, main window,
    // both pages of the search and the help window at least.
    static const QRegularExpression caption(QStringLiteral("Figura (\\d+)\\."));
    std::set<int> figures;
    for (auto it = caption.globalMatch(flat); it.hasNext();) {
        figures.insert(it.next().captured(1).toInt());
    }
    EXPECT_GE(figures.size(), 6u);
    EXPECT_EQ(*figures.begin(), 1);
    EXPECT_EQ(*figures.rbegin(), static_cast<int>(figures.size())) << "numbered without gaps";
}

TEST_F(GuidePdfTest, HoldsEveryChapterOfItsSourceListedInTheContentsWithItsPage)
{
    QFile source(kSource);
    ASSERT_TRUE(source.open(QIODevice::ReadOnly | QIODevice::Text));
    const QString html = QString::fromUtf8(source.readAll());
    static const QRegularExpression heading(QStringLiteral("<h1>(.*?)</h1>"),
                                            QRegularExpression::DotMatchesEverythingOption);
    QStringList chapters;
    for (auto it = heading.globalMatch(html); it.hasNext();) {
        chapters << collapsed(it.next().captured(1))
                        .replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    }
    const QStringList expected = {
        QStringLiteral("Accesso al programma"),
        QStringLiteral("La finestra principale"),
        QStringLiteral("Criptare e decriptare un file"),
        QStringLiteral("Le schede dei file"),
        QStringLiteral("Ricerca e stampa delle schede"),
        QStringLiteral("Backup e ripristino dell'archivio"),
        QStringLiteral("Esportazione in Word ed Excel"),
        QStringLiteral("Guida e informazioni"),
        QStringLiteral("Quanto protegge Velarium"),
    };
    for (const QString& title : expected) {
        EXPECT_TRUE(chapters.filter(title).size() == 1) << title.toStdString();
    }

    // The contents are read keeping their rows together; the cover is the first page.
    QProcess process;
    process.start(QStandardPaths::findExecutable(QStringLiteral("pdftotext")),
                  {QStringLiteral("-layout"), QStringLiteral("-f"), QStringLiteral("2"),
                   QStringLiteral("-l"), QStringLiteral("2"), QStringLiteral("-enc"),
                   QStringLiteral("UTF-8"), kGuide, QStringLiteral("-")});
    ASSERT_TRUE(process.waitForFinished(60000));
    const QString contents = collapsed(QString::fromUtf8(process.readAllStandardOutput()));
    const QStringList pages = text.split(QLatin1Char('\f'));
    ASSERT_TRUE(contents.startsWith(QStringLiteral("Indice"))) << contents.left(80).toStdString();
    for (const QString& chapter : chapters) {
        if (chapter == QStringLiteral("Indice")) {
            continue;
        }
        // Listed in the contents with a page number, and found on that page (the running head
        // gives the title without its number, so only the heading itself matches).
        const QRegularExpression entry(QRegularExpression::escape(chapter) +
                                       QStringLiteral(" (\\d+)"));
        const QRegularExpressionMatch listed = entry.match(contents);
        ASSERT_TRUE(listed.hasMatch()) << chapter.toStdString();
        const int page = listed.captured(1).toInt();
        ASSERT_GE(page, 3);
        ASSERT_LE(page, pages.size());
        EXPECT_TRUE(collapsed(pages.value(page - 1)).contains(chapter))
            << chapter.toStdString() << " on page " << page;
    }
}

TEST_F(GuidePdfTest, NamesEveryCommandTheWindowsOffer)
{
    // The captions and hints of the real windows, so that a command added to a window without a
    // word in the guide is noticed.
    TempFolder program;
    ScriptedUi ui;
    Forms forms(AppContext{program.path(), ui});
    TfrmCercaAcq search(AppContext{program.path(), ui}, forms, forms.frmEncrypt_Decrypt.get());
    std::set<QString> captions;
    QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        for (const QPushButton* button : window->findChildren<QPushButton*>()) {
            captions.insert(collapsed(button->text()));
        }
        for (const ClickLabel* command : window->findChildren<ClickLabel*>()) {
            captions.insert(collapsed(command->text()));
            captions.insert(collapsed(command->toolTip()));
        }
    }
    captions.insert(forms.frmHelpForm->lblPDF->text());
    captions.erase(QString());
    ASSERT_GE(captions.size(), 20u);
    for (const QString& caption : captions) {
        EXPECT_TRUE(flat.contains(caption)) << caption.toStdString();
    }
}

TEST_F(GuidePdfTest, IsHonestAboutTheStrengthOfTheProtection)
{
    for (const char* words : {"RC4", "SHA-1", "in chiaro", "salt"}) {
        EXPECT_TRUE(flat.contains(QString::fromUtf8(words))) << words;
    }
}

} // namespace
