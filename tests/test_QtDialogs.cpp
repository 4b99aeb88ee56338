// Qt's own dialogs as the program shows them: Italian from the catalogue in the program folder,
// and the file dialogs' filters reading as the program wrote them while listing what they must.

#include "TempFolder.h"
#include "app/QtTranslation.h"
#include "platform/DesktopUi.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

using namespace velarium;
using velarium::test::TempFolder;

namespace {

// Runs `look` on the file dialog that `open` shows, once its list holds `expected` names, then
// closes the dialog.
void inspectFileDialog(const std::function<void()>& open, int expected,
                       const std::function<void(QFileDialog&)>& look)
{
    bool looked = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto* list = dialog->findChild<QAbstractItemView*>(QStringLiteral("listView"));
        ASSERT_NE(list, nullptr);
        // The folder is read in the background.
        QTRY_COMPARE(list->model()->rowCount(list->rootIndex()), expected);
        look(*dialog);
        looked = true;
        dialog->reject();
    });
    open();
    EXPECT_TRUE(looked);
}

QStringList listed(const QFileDialog& dialog)
{
    const auto* list = dialog.findChild<QAbstractItemView*>(QStringLiteral("listView"));
    QStringList names;
    for (int row = 0; row < list->model()->rowCount(list->rootIndex()); ++row) {
        names << list->model()->index(row, 0, list->rootIndex()).data().toString();
    }
    names.sort();
    return names;
}

QString shownFilter(const QFileDialog& dialog)
{
    return dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))->currentText();
}

} // namespace

TEST(QtTranslationTest, QtsOwnTextsAreItalianFromTheProgramFolder)
{
    TempFolder folder;
    std::filesystem::create_directory(folder / kTranslationsFolder);
    std::filesystem::copy_file(VELARIUM_QTBASE_IT, folder / kTranslationsFolder / "qtbase_it.qm");

    QTranslator* translator = installQtTranslation(folder.path());
    ASSERT_NE(translator, nullptr);
    // The program folder's own copy, not the system's: the folder works on a computer
    // without Qt's translations.
    EXPECT_TRUE(translator->filePath().startsWith(
        QString::fromStdString((folder / kTranslationsFolder).string())))
        << translator->filePath().toStdString();

    QMessageBox box(QMessageBox::Question, QStringLiteral("t"), QStringLiteral("q"),
                    QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text(), QStringLiteral("&Sì"));
    EXPECT_EQ(box.button(QMessageBox::No)->text(), QStringLiteral("&No"));

    QLineEdit field;
    field.setText(QStringLiteral("testo"));
    field.selectAll();
    std::unique_ptr<QMenu> menu(field.createStandardContextMenu());
    QStringList actions;
    for (const QAction* action : menu->actions()) {
        actions << action->text().section(QLatin1Char('\t'), 0, 0);
    }
    EXPECT_TRUE(actions.contains(QStringLiteral("&Copia"))) << actions.join(u',').toStdString();
    EXPECT_TRUE(actions.contains(QStringLiteral("&Incolla"))) << actions.join(u',').toStdString();

    DesktopUi ui;
    FileDialog dialog;
    dialog.title = QStringLiteral("Seleziona");
    dialog.filter = QStringLiteral("Tutti i file (*.*)|*.*;|*.*");
    dialog.fileName = QString::fromStdString((folder / "x").string());
    inspectFileDialog(
        [&] { ui.runFileDialog(dialog); }, 1,
        [](QFileDialog& shown) {
            EXPECT_EQ(shown.findChild<QLabel*>(QStringLiteral("lookInLabel"))->text().remove(u'&'),
                      QStringLiteral("Cerca in:"));
            EXPECT_EQ(
                shown.findChild<QLabel*>(QStringLiteral("fileNameLabel"))->text().remove(u'&'),
                QStringLiteral("Nome del file:"));
            const auto buttons = shown.findChildren<QPushButton*>();
            QStringList captions;
            for (const QPushButton* button : buttons) {
                captions << button->text();
            }
            EXPECT_TRUE(captions.contains(QStringLiteral("&Apri")))
                << captions.join(u',').toStdString();
            EXPECT_TRUE(captions.contains(QStringLiteral("Annulla")))
                << captions.join(u',').toStdString();
        });

    QCoreApplication::removeTranslator(translator);
    std::unique_ptr<QTranslator> owned(translator);
    owned->setParent(nullptr);
}

TEST(QtTranslationTest, TheCatalogueWindeployqtWritesServesToo)
{
    TempFolder folder;
    std::filesystem::create_directory(folder / kTranslationsFolder);
    std::filesystem::copy_file(VELARIUM_QTBASE_IT, folder / kTranslationsFolder / "qt_it.qm");
    std::unique_ptr<QTranslator> translator(installQtTranslation(folder.path()));
    ASSERT_NE(translator, nullptr);
    EXPECT_EQ(translator->filePath(),
              QString::fromStdString((folder / kTranslationsFolder / "qt_it.qm").string()));
    QCoreApplication::removeTranslator(translator.get());
    translator->setParent(nullptr);
}

TEST(FileDialogFilterTest, DescriptionsReadAsWrittenAndTheListHoldsWhatTheyStandFor)
{
    TempFolder folder;
    for (const char* name : {"nota.txt", "senza_punto", "copia.bka", "VECCHIA.BKA", "altro.bkc"}) {
        velarium::test::writeFile(folder / name, "x");
    }
    struct Case
    {
        const char* filter;
        const char* shown;
        QStringList listed;
    };
    const Case cases[] = {
        // Every file, names without a dot among them.
        {"Tutti i file (*.*)|*.*;|*.*",
         "Tutti i file (*.*)",
         {QStringLiteral("VECCHIA.BKA"), QStringLiteral("altro.bkc"), QStringLiteral("copia.bka"),
          QStringLiteral("nota.txt"), QStringLiteral("senza_punto")}},
        // The description names one extension, the pattern another: the pattern decides.
        {"Backup archivio (*.bkc)|*.BKA",
         "Backup archivio (*.bkc)",
         {QStringLiteral("VECCHIA.BKA"), QStringLiteral("copia.bka")}},
        {"Backup archivio file criptati (*.bka)|*.BKA",
         "Backup archivio file criptati (*.bka)",
         {QStringLiteral("VECCHIA.BKA"), QStringLiteral("copia.bka")}},
    };
    DesktopUi ui;
    for (const Case& c : cases) {
        FileDialog dialog;
        dialog.title = QStringLiteral("Scegli");
        dialog.filter = QString::fromUtf8(c.filter);
        dialog.fileName = QString::fromStdString((folder / "x").string());
        inspectFileDialog([&] { ui.runFileDialog(dialog); }, int(c.listed.size()),
                          [&](QFileDialog& shown) {
                              EXPECT_EQ(shownFilter(shown), QString::fromUtf8(c.shown));
                              EXPECT_EQ(listed(shown), c.listed) << c.filter;
                          });
    }
}

// Qt's file dialog would keep the folders and names it visited in the user's configuration; a
// program that hides files keeps no such list outside its folder. The last choice still holds
// for the run.
TEST(FileDialogPrivacyTest, ChoicesAreKeptForTheRunAndWrittenNowhere)
{
    TempFolder home;
    for (const char* variable :
         {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"}) {
        ::setenv(variable, home.path().c_str(), 1);
    }
    TempFolder folder;
    velarium::test::writeFile(folder / "segreto.doc", "x");
    const QString chosen = QString::fromStdString((folder / "segreto.doc").string());

    DesktopUi ui;
    FileDialog dialog;
    dialog.title = QStringLiteral("Scegli");
    dialog.filter = QStringLiteral("Tutti i file (*.*)|*.*;|*.*");
    QTimer::singleShot(0, [&] {
        auto* shown = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(shown, nullptr);
        EXPECT_TRUE(shown->testOption(QFileDialog::DontUseNativeDialog));
        shown->selectFile(chosen);
        QMetaObject::invokeMethod(shown, "accept");
    });
    EXPECT_TRUE(ui.runFileDialog(dialog));
    EXPECT_EQ(dialog.fileName, chosen);
    inspectFileDialog([&] { ui.runFileDialog(dialog); }, 1,
                      [&](QFileDialog& shown) {
                          EXPECT_EQ(shown.directory().absolutePath(),
                                    QString::fromStdString(folder.path().string()))
                              << "the next opening starts where the last choice was";
                      });

    std::vector<std::string> written;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(home.path())) {
        written.push_back(entry.path().string());
    }
    EXPECT_TRUE(written.empty()) << written.front();
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()),
                            std::filesystem::directory_iterator()),
              1);
}
