// A file handed to the main window from outside: named at the program's start (a file manager's
// "Open with") or dropped on the window. The archive knows its card.
#include "MainWindowFixture.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <gtest/gtest.h>

using namespace velarium;
using velarium::test::BoxKind;
using velarium::test::MainWindowTest;
using velarium::test::writeFile;
namespace fs = std::filesystem;

namespace {

class OpenFileTest : public MainWindowTest
{
protected:
    QString existing(const QString& name)
    {
        const fs::path path = files.path() / toPath(name);
        writeFile(path, "contenuto");
        return fromPath(path);
    }

    void store(const FileCard& card)
    {
        withArchive(program.path(), [&](CardArchive& archive) { archive.Append(card); });
    }

    // Drags `paths` over the window and drops them there, as a file manager does; whether the
    // window took the drag.
    bool drop(const QStringList& paths)
    {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& path : paths) {
            urls << QUrl::fromLocalFile(path);
        }
        data.setUrls(urls);
        const QPointF where(400, 300);
        QDragEnterEvent enter(where.toPoint(), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(window.get(), &enter);
        if (!enter.isAccepted()) {
            return false;
        }
        QDropEvent dropped(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &dropped);
        return true;
    }
};

TEST_F(OpenFileTest, TheLatestCardOfTheFileIsShownReadyToDecrypt)
{
    const QString path = existing(QStringLiteral("contratto affitto è.pdf"));
    const std::string cardPath = toAnsi(path).value();
    store({cardPath, "Prima versione", "vecchia", "vecchia"});
    store({"/altro/file.pdf", "Altro", "x", "x"});
    store({cardPath, "Contratto firmato", "nuova", "nuova"});
    // Another spelling of the path is another card's business.
    store({toAnsi(path.toUpper()).value(), "Maiuscole", "y", "y"});

    window->openFile(path);
    EXPECT_TRUE(ui.shown.empty());
    EXPECT_EQ(window->lblPosizione->text(), QStringLiteral("3"));
    EXPECT_EQ(window->txtFile->text(), path);
    EXPECT_EQ(window->txtDescrizione->text(), QStringLiteral("Contratto firmato"));
    EXPECT_EQ(window->txtPassword->text(), QStringLiteral("nuova"));
    EXPECT_EQ(window->txtCheckPW->text(), QStringLiteral("nuova"));
}

TEST_F(OpenFileTest, AFileWithoutACardStartsANewOneAtItsDescription)
{
    store({"/altro/file.pdf", "Altro", "x", "x"});
    window->lblPosizione->setText(QStringLiteral("1"));
    window->txtPassword->setText(QStringLiteral("di prima"));
    // Relative to the current folder, as a file manager may pass it.
    const QString path = existing(QStringLiteral("nota.txt"));
    const fs::path here = fs::current_path();
    fs::current_path(files.path());
    window->openFile(QStringLiteral("./nota.txt"));
    fs::current_path(here);

    EXPECT_TRUE(ui.shown.empty());
    EXPECT_EQ(window->txtFile->text(), path);
    EXPECT_TRUE(window->lblPosizione->text().isEmpty());
    EXPECT_TRUE(window->txtPassword->text().isEmpty());
    EXPECT_EQ(QApplication::focusWidget(), window->txtDescrizione);
}

TEST_F(OpenFileTest, AMissingFileOrAFolderIsRefusedAndTheCardStays)
{
    window->txtFile->setText(QStringLiteral("/gia/scelto"));
    const QString missing = fromPath(files / "manca.doc");
    window->openFile(missing);
    window->openFile(fromPath(files.path()));
    ASSERT_EQ(ui.shown.size(), 2u);
    EXPECT_EQ(ui.shown[0].kind, BoxKind::Warning);
    EXPECT_EQ(ui.shown[0].text,
              QStringLiteral("Attenzione: il file indicato non esiste o non è un file:\r\n\r\n") +
                  missing +
                  QStringLiteral("\r\n\r\nSelezionare il file da criptare o decriptare con il "
                                 "pulsante Sfoglia."));
    EXPECT_EQ(window->txtFile->text(), QStringLiteral("/gia/scelto"));
}

TEST_F(OpenFileTest, OneDroppedFileIsOpenedSeveralAreRefused)
{
    const QString one = existing(QStringLiteral("uno.txt"));
    const QString two = existing(QStringLiteral("due.txt"));
    store({toAnsi(one).value(), "Il primo", "pw", "pw"});

    ASSERT_TRUE(drop({one}));
    EXPECT_EQ(window->txtDescrizione->text(), QStringLiteral("Il primo"));
    EXPECT_EQ(window->lblPosizione->text(), QStringLiteral("1"));

    ASSERT_TRUE(drop({two, one}));
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text,
              QStringLiteral("Attenzione: trascinare un solo file alla volta.\r\n\r\nOgni scheda "
                             "si riferisce a un solo file."));
    EXPECT_EQ(window->txtFile->text(), one) << "a refused drop changed the card";

    // Several files named at the start ("Invia a" with a selection) are refused alike.
    window->openFiles({two, one});
    ASSERT_EQ(ui.shown.size(), 2u);
    EXPECT_EQ(ui.shown[1].text, ui.shown[0].text);

    // A web address is no file: the window does not take the drag at all.
    QMimeData link;
    link.setUrls({QUrl(QStringLiteral("https://example.org/x.pdf"))});
    QDragEnterEvent enter(QPoint(400, 300), Qt::CopyAction, &link, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &enter);
    EXPECT_FALSE(enter.isAccepted());
}

} // namespace
