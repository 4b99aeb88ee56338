#include "app/CambiaPassword.h"

#include "app/Controls.h"
#include "app/Crypt.h"
#include "platform/Log.h"
#include "platform/QtText.h"
#include "platform/UiServices.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

namespace velarium {

TfrmCambiaPassword::TfrmCambiaPassword(AppContext context, ChangePasswordNavigator& navigator,
                                       QWidget* parent)
    : QWidget(parent, kDialogWindowFlags), context_(context), navigator_(navigator)
{
    setObjectName(QStringLiteral("frmCambiaPassword"));
    keepLightScheme(this);
    setWindowTitle(QStringLiteral(" Cambia password"));
    setFixedSize(330, 352);
    setBackground(this, kSilver);
    setFont(QFont(kTahoma, 8));
    centreOnScreen(this);

    grpPassword = named(new QGroupBox(this), "grpPassword");
    grpPassword->setGeometry(10, 4, 310, 284);
    imgLogo01 =
        makePicture(grpPassword, "imgLogo01", QStringLiteral(":/images/pwdLogo01.jpg"), {10, 16});
    Image1 = makePicture(grpPassword, "Image1", QStringLiteral(":/images/pwdLogo02.png"), {10, 92});

    struct Row
    {
        QFrame*& bevel;
        QLabel*& label;
        QLineEdit*& field;
        const char* bevelName;
        const char* labelName;
        const char* fieldName;
        const char* caption;
    };
    const Row rows[] = {
        {bevPasswordOld, lblPasswordOld, txtPasswordOld, "bevPasswordOld", "lblPasswordOld",
         "txtPasswordOld", "Vecchia password:"},
        {bevPasswordNew, lblPasswordNew, txtPasswordNew, "bevPasswordNew", "lblPasswordNew",
         "txtPasswordNew", "Nuova password:"},
        {bevConferma, lblConferma, txtConferma, "bevConferma", "lblConferma", "txtConferma",
         "Conferma nuova pw:"},
    };
    int y = 130;
    for (const Row& row : rows) {
        row.bevel = makeBevel(grpPassword, row.bevelName, QRect(10, y, 290, 44));
        row.label = named(new QLabel(QString::fromUtf8(row.caption), grpPassword), row.labelName);
        row.label->setFont(QFont(kVerdana, 8));
        row.label->setGeometry(18, y + 13, 122, 18);
        row.field = named(new QLineEdit(grpPassword), row.fieldName);
        nameForScreenReaders(row.field, row.label->text());
        row.field->setGeometry(142, y + 8, 150, 28);
        row.field->setMaxLength(230);
        makePasswordField(row.field, 13);
        connect(row.field, &QLineEdit::textChanged, this,
                &TfrmCambiaPassword::txtPasswordOldChange);
        y += 50;
    }

    Bevel1 = makeBevel(this, "Bevel1", QRect(10, 294, 150, 50));
    cmdOK = makeButton(this, "cmdOK", "OK", QRect(18, 302, 134, 34));
    cmdOK->setEnabled(false);
    bevEsci = makeBevel(this, "bevEsci", QRect(170, 294, 150, 50));
    cmdEsci = makeButton(this, "cmdEsci", "Esci", QRect(178, 302, 134, 34));

    lblMemory = named(new QLabel(this), "lblMemory");
    lblMemory->hide();

    setTabOrder(txtPasswordOld, txtPasswordNew);
    setTabOrder(txtPasswordNew, txtConferma);
    setTabOrder(txtConferma, cmdOK);
    setTabOrder(cmdOK, cmdEsci);

    auto colours = [](QLineEdit* field) {
        return std::pair{[field] { setBackground(field, kFocusYellow); },
                         [field] {
                             setBackground(field, kWhite);
                         }};
    };
    // Enter moves on from field to field; from the confirmation to OK when OK can be pressed
    // (without pressing it), else back to the first field.
    const std::pair<QLineEdit*, std::function<void()>> enterMoves[] = {
        {txtPasswordOld,
         [this] {
             txtPasswordNew->setFocus();
         }},
        {txtPasswordNew,
         [this] {
             txtConferma->setFocus();
         }},
        {txtConferma,
         [this] {
             if (cmdOK->isEnabled()) {
                 cmdOK->setFocus();
             } else {
                 txtPasswordOld->setFocus();
             }
         }},
    };
    for (const auto& [field, move] : enterMoves) {
        const auto [enter, exit] = colours(field);
        watchField(field, {enter, exit, [move](QKeyEvent* key) {
                               if (isEnterKey(key)) {
                                   move();
                               }
                               return false;
                           }});
    }

    connect(cmdOK, &QPushButton::clicked, this, &TfrmCambiaPassword::cmdOKClick);
    connect(cmdEsci, &QPushButton::clicked, this, &TfrmCambiaPassword::cmdEsciClick);
}

TfrmCambiaPassword::~TfrmCambiaPassword() = default;

void TfrmCambiaPassword::txtPasswordOldChange()
{
    const bool filled = !trimmedText(txtPasswordOld->text()).isEmpty() &&
                        !trimmedText(txtPasswordNew->text()).isEmpty() &&
                        !trimmedText(txtConferma->text()).isEmpty();
    cmdOK->setEnabled(filled);
}

void TfrmCambiaPassword::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (becameVisible(event)) {
        FormShow();
    }
}

void TfrmCambiaPassword::FormShow()
{
    for (QLineEdit* field : {txtPasswordOld, txtPasswordNew, txtConferma}) {
        field->clear();
    }
    lblMemory->clear();
    txtPasswordOld->setFocus();
}

void TfrmCambiaPassword::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    navigator_.backToLogin();
}

void TfrmCambiaPassword::cmdEsciClick()
{
    close();
}

void TfrmCambiaPassword::cmdOKClick()
{
    try {
        const std::string value = readAccessValue(context_.programFolder);
        lblMemory->setText(fromAnsi(storedPassword(value)));
        const auto old = toAnsi(txtPasswordOld->text());
        if (!old || !AccessCheck(value, *old)) {
            context_.ui.plainMessage(QStringLiteral("Attenzione: vecchia password errata."));
            txtPasswordOld->clear();
            txtPasswordOld->setFocus();
            return;
        }
        // Compared as typed: letter case counts here, although both would be stored alike.
        if (trimmedText(txtPasswordNew->text()) != trimmedText(txtConferma->text())) {
            context_.ui.plainMessage(
                QStringLiteral("Attenzione: la nuova password non è stata confermata "
                               "correttamente. E' necessario reinserire entrambi i valori."));
            txtPasswordNew->clear();
            txtConferma->clear();
            txtPasswordNew->setFocus();
            return;
        }
        const auto fresh = toAnsi(txtPasswordNew->text());
        if (!fresh) {
            throw Error("La nuova password contiene caratteri non ammessi");
        }
        const std::string newValue = storedValueFor(*fresh);
        lblMemory->setText(QString::fromLatin1(newValue));
        writeAccessValue(context_.programFolder, newValue);
        context_.ui.plainMessage(QStringLiteral("Modifica della password avvenuta con successo."));
        close();
    } catch (const std::exception& failure) {
        logFailure("Cambia password", failure);
        context_.ui.plainMessage(
            QStringLiteral("Attenzione: si è verificato un errore durante la procedura di "
                           "modifica della password. Si consiglia di reinstallare il software."));
    }
}

} // namespace velarium
