#include "app/CambiaPassword.h"

#include "app/Controls.h"
#include "app/Crypt.h"
#include "platform/Log.h"
#include "platform/QtText.h"
#include "platform/UiServices.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

namespace velarium {

TfrmCambiaPassword::TfrmCambiaPassword(AppContext context, ChangePasswordNavigator& navigator,
                                       QWidget* parent)
    : QWidget(parent, kDialogWindowFlags), context_(context), navigator_(navigator)
{
    keepLightScheme(this);
    setupUi(this);
    setBackground(this, kSilver);
    centreOnScreen(this);
    for (QFrame* bevel : {bevPasswordOld, bevPasswordNew, bevConferma, Bevel1, bevEsci}) {
        letClicksThrough(bevel);
    }
    for (const auto& [field, caption] :
         {std::pair{txtPasswordOld, lblPasswordOld}, std::pair{txtPasswordNew, lblPasswordNew},
          std::pair{txtConferma, lblConferma}}) {
        nameForScreenReaders(field, caption->text());
        preparePasswordField(field, 13);
        connect(field, &QLineEdit::textChanged, this, &TfrmCambiaPassword::txtPasswordOldChange);
    }
    lblMemory->hide();

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
