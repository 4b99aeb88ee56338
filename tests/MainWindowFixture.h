#pragma once

#include "RecordingNavigator.h"
#include "ScriptedUi.h"
#include "TempFolder.h"
#include "archive/ArchiveSession.h"
#include "main/Encrypt_Decrypt.h"
#include "main/FileCipher.h"
#include "platform/QtText.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace velarium::test {

inline const QString kNotApplicable = QStringLiteral("Operazione non applicabile");

class MainWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        window = std::make_unique<TfrmEncrypt_Decrypt>(AppContext{program.path(), ui}, navigator);
        window->show();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    // A card as the user would have it on screen.
    void fillCard(const QString& file, const QString& description, const QString& password,
                  const QString& confirmation, const QString& number = QStringLiteral("1"))
    {
        window->txtFile->setText(file);
        window->txtDescrizione->setText(description);
        window->txtPassword->setText(password);
        window->txtCheckPW->setText(confirmation);
        window->lblPosizione->setText(number);
    }

    // Stores the card and shows it under its number, as after Salva: a card that Cripta file
    // accepts.
    void showSavedCard(const QString& file, const QString& description, const QString& password)
    {
        const FileCard card{toAnsi(file).value(), toAnsi(description).value(),
                            toAnsi(password).value(), toAnsi(password).value()};
        const std::uint64_t number =
            withArchive(program.path(), [&](CardArchive& archive) { return archive.Append(card); });
        fillCard(file, description, password, password, QString::number(number));
    }

    QString chosenFile(std::string_view content)
    {
        const auto path = files / "lettera.doc";
        writeFile(path, content);
        return QString::fromStdString(path.string());
    }

    std::string encrypted(std::string_view plain, std::string_view password)
    {
        TempFolder scratch;
        writeFile(scratch / "p", plain);
        FileCipher(scratch / "p", scratch / "c", password, true);
        return readFile(scratch / "c");
    }

    QWidget* focused() const { return QApplication::focusWidget(); }

    // Types any characters, as an input method would deliver them.
    static void typeText(QWidget* widget, const QString& text)
    {
        for (const QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(widget, &press);
        }
    }

    TempFolder program;
    TempFolder files;
    ScriptedUi ui;
    RecordingNavigator navigator;
    std::unique_ptr<TfrmEncrypt_Decrypt> window;
};

} // namespace velarium::test
