// What the main window's form cannot say: the colours, the faces sized in pixels, the status
// line's hints, what a screen reader says, and which handler each control calls. The handlers
// themselves are in Encrypt_Decrypt.cpp.
#include "app/Controls.h"
#include "main/Encrypt_Decrypt.h"
#include "platform/QtText.h"
#include "platform/UiServices.h"

#include <QLineEdit>
#include <QPushButton>

namespace velarium {
namespace {

void setColour(QWidget* widget, QPalette::ColorRole role, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
}

} // namespace

TfrmEncrypt_Decrypt::TfrmEncrypt_Decrypt(AppContext context, MainWindowNavigator& navigator,
                                         QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      context_(context), navigator_(navigator)
{
    keepLightScheme(this);
    setupUi(this);
    colourControls();
    buildStatusHints();

    watchField(txtFile, {{}, {}, [this](QKeyEvent* key) {
                             return txtFileKeyPress(key);
                         }});
    watchField(txtDescrizione, {[this] { txtDescrizioneEnter(); }, [this] { txtDescrizioneExit(); },
                                [this](QKeyEvent* key) {
                                    return txtDescrizioneKeyPress(key);
                                }});
    watchField(txtPassword, {[this] { txtPasswordEnter(); }, [this] { txtPasswordExit(); },
                             [this](QKeyEvent* key) {
                                 return txtPasswordKeyPress(key);
                             }});
    watchField(txtCheckPW, {[this] { txtCheckPWEnter(); }, [this] { txtCheckPWExit(); },
                            [this](QKeyEvent* key) {
                                return txtCheckPWKeyPress(key);
                            }});

    connect(cmdEsci, &ClickLabel::clicked, this, &TfrmEncrypt_Decrypt::cmdEsciClick);
    connect(lblEsci, &ClickLabel::clicked, this, &TfrmEncrypt_Decrypt::cmdEsciClick);
    connect(imgEsci, &ClickLabel::clicked, this, &TfrmEncrypt_Decrypt::imgEsciClick);
    connect(imgEmail, &ClickLabel::clicked, this, &TfrmEncrypt_Decrypt::imgEmailClick);
    connect(imgInfo, &ClickLabel::clicked, this, &TfrmEncrypt_Decrypt::imgInfoClick);
    connect(imgCopyright, &ClickLabel::clicked, this, &TfrmEncrypt_Decrypt::imgCopyrightClick);
    for (ClickLabel* control : {cmdGuida, lblGuida}) {
        connect(control, &ClickLabel::clicked, this, &TfrmEncrypt_Decrypt::cmdGuidaClick);
    }
    connect(imgGuida, &ClickLabel::clicked, this, &TfrmEncrypt_Decrypt::imgGuidaClick);
    for (ClickLabel* control : {cmdNuovo, lblNuovo}) {
        connect(control, &ClickLabel::clicked, this, &TfrmEncrypt_Decrypt::cmdNuovoClick);
    }
    for (ClickLabel* control : {cmdEsporta, lblEsporta}) {
        connect(control, &ClickLabel::clicked, this, &TfrmEncrypt_Decrypt::cmdEsportaClick);
    }
    for (ClickLabel* control : {cmdCerca, lblCerca}) {
        connect(control, &ClickLabel::clicked, this, &TfrmEncrypt_Decrypt::cmdCercaClick);
    }
    for (ClickLabel* control : {cmdSalva, lblSalva}) {
        connect(control, &ClickLabel::clicked, this, &TfrmEncrypt_Decrypt::cmdSalvaClick);
    }
    for (ClickLabel* control : {imgBackup, lblBackup}) {
        connect(control, &ClickLabel::clicked, this, &TfrmEncrypt_Decrypt::imgBackupClick);
    }
    connect(imgPrimo, &ClickLabel::clicked, this, &TfrmEncrypt_Decrypt::imgPrimoClick);
    connect(imgIndietro, &ClickLabel::clicked, this, &TfrmEncrypt_Decrypt::imgIndietroClick);
    connect(imgAvanti, &ClickLabel::clicked, this, &TfrmEncrypt_Decrypt::imgAvantiClick);
    connect(imgUltimo, &ClickLabel::clicked, this, &TfrmEncrypt_Decrypt::imgUltimoClick);

    dlgFoto.title = QStringLiteral("Selezionare il file da criptare o decriptare e premere Apri");
    dlgFoto.filter = QStringLiteral("Tutti i file (*.*)|*.*;|*.*");
    connect(btnSfoglia, &QPushButton::clicked, this, &TfrmEncrypt_Decrypt::btnSfogliaClick);
    connect(btnApri, &QPushButton::clicked, this, &TfrmEncrypt_Decrypt::btnApriClick);
    connect(btnEncrypt, &QPushButton::clicked, this, &TfrmEncrypt_Decrypt::btnEncryptClick);
    connect(btnDencrypt, &QPushButton::clicked, this, &TfrmEncrypt_Decrypt::btnDencryptClick);
}

TfrmEncrypt_Decrypt::~TfrmEncrypt_Decrypt() = default;

void TfrmEncrypt_Decrypt::colourControls()
{
    setBackground(this, kLightGrey);
    // Each panel before what it holds: a control's colours start from its panel's.
    setBackground(panContainer, kWhite);
    for (QFrame* panel : {panFile, panDescrizione, panPassword, panCheckPW}) {
        setBackground(panel, kLightBlue);
    }
    setBackground(panRecords, kLightGrey);
    setBackground(panControlli, kSkyBlue);
    setBackground(panInformazioni, kWhite);
    setBackground(panInfo, kNavy);

    for (QLabel* caption : {lblFile, lblDescrizione, lblPassword, lblCheckPW}) {
        setColour(caption, QPalette::WindowText, kNavy);
        // Sized to its text in whatever face stands in for Verdana on this system.
        caption->adjustSize();
    }
    // The file field is never typed into (a chosen path shows whole, however long): its colours
    // say so.
    setColour(txtFile, QPalette::Base, kLightOrange);
    setColour(txtFile, QPalette::Text, Qt::darkGray);
    for (QLineEdit* secret : {txtPassword, txtCheckPW}) {
        preparePasswordField(secret, 13); // 10 points
    }
    txtDescrizione->setValidator(new AnsiValidator(txtDescrizione));
    setBackground(txtDescrizione, kWhite);

    // The frames of the card lie under every control of the card and over its background
    // picture: the pointer over a frame's empty inside is on the frame, which has no reaction,
    // and does not fall through to the background, which would clear the status line.
    for (QFrame* bevel : {bevFile, bevDescrizione, bevPassword, bevCripta, bevDecripta}) {
        onMouseMove(bevel, [] {});
    }
    for (QFrame* separator :
         {bevSepara01, bevSepara02, bevSepara03, bevSepara04, bevSepara05, bevSepara06}) {
        letClicksThrough(separator);
    }

    for (ClickLabel* label :
         {lblNuovo, lblSalva, lblCerca, lblEsporta, lblBackup, lblGuida, lblEsci}) {
        QFont font = fontInPixels(kVerdana, 11);
        font.setUnderline(true);
        label->setFont(font);
    }
    panInfo->setFont(fontInPixels(kVerdana, 11));
    setColour(panInfo, QPalette::WindowText, kWhite);
}

void TfrmEncrypt_Decrypt::buildStatusHints()
{
    struct Command
    {
        QWidget* picture;
        ClickLabel* label;
        const char* hint;
    };
    const Command commands[] = {
        {cmdNuovo, lblNuovo, " Inserisci una nuova scheda in archivio."},
        {cmdSalva, lblSalva, " Salva o aggiorna la scheda corrente."},
        {cmdCerca, lblCerca, " Cerca una scheda in archivio."},
        // Only the spreadsheet is named, although the export offers the word processor too.
        {cmdEsporta, lblEsporta, " Esporta l'archivio in un file di Microsoft Excel."},
        {imgBackup, lblBackup, " Effettua una copia di sicurezza del file di archivio."},
        {cmdGuida, lblGuida, " Visualizza la guida in linea."},
        {cmdEsci, lblEsci, " Termina il programma."},
    };
    for (const Command& command : commands) {
        nameForScreenReaders(command.picture, command.label->text(),
                             QString::fromUtf8(command.hint));
        command.label->setAccessibleDescription(QString::fromUtf8(command.hint).trimmed());
        for (QWidget* control : {command.picture, static_cast<QWidget*>(command.label)}) {
            onMouseMove(control, [this, label = command.label, hint = command.hint] {
                highlightCommand(label, QString::fromUtf8(hint));
            });
        }
    }

    // These explain themselves but leave the labels' colours alone.
    const std::pair<QWidget*, const char*> hints[] = {
        {btnSfoglia, " Seleziona il file da criptare o decriptare."},
        {btnApri, " Apri il file selezionato con il programma predefinito associato."},
        {btnEncrypt, " Cripta il file selezionato."},
        {btnDencrypt, " Decripta il file selezionato."},
        {imgPrimo, " Visualizza la prima scheda in archivio."},
        {imgIndietro, " Visualizza la scheda precedente in archivio."},
        {imgAvanti, " Visualizza la scheda successiva in archivio."},
        {imgUltimo, " Visualizza l'ultima scheda in archivio."},
        {imgGuida, " Visualizza la guida in linea."},
        {imgInfo, " Visualizza informazioni sul programma."},
        {imgCopyright, " Visualizza informazioni sul copyright del programma."},
        {imgEmail, " Invia e-mail all'autore."},
        {imgEsci, " Esci dal programma."},
    };
    for (const auto& [control, hint] : hints) {
        onMouseMove(control, [this, hint = hint] { panInfo->setText(QString::fromUtf8(hint)); });
        // A button says its caption; a picture, its hint.
        if (control->accessibleName().isEmpty() && !qobject_cast<QPushButton*>(control)) {
            nameForScreenReaders(control, QString::fromUtf8(hint));
        }
        control->setAccessibleDescription(QString::fromUtf8(hint).trimmed());
    }
    for (const auto& [field, caption] :
         {std::pair{txtFile, lblFile}, std::pair{txtDescrizione, lblDescrizione},
          std::pair{txtPassword, lblPassword}, std::pair{txtCheckPW, lblCheckPW}}) {
        nameForScreenReaders(field, caption->text());
    }

    // The plain surfaces clear everything. The edit fields, the captions and frames inside the
    // card and the status line itself have no reaction at all.
    for (QWidget* surface : std::initializer_list<QWidget*>{
             this, imgLogo, panControlli, imgSfondo, imgBackground, panFile, panDescrizione,
             panPassword, panCheckPW, panRecords, lblPosizione, panInformazioni}) {
        onMouseMove(surface, [this] { ResetCommandHighlights(); });
    }
}

void TfrmEncrypt_Decrypt::highlightCommand(ClickLabel* label, const QString& hint)
{
    panInfo->setText(hint);
    for (ClickLabel* each :
         {lblNuovo, lblSalva, lblCerca, lblEsporta, lblBackup, lblGuida, lblEsci}) {
        QPalette palette = each->palette();
        palette.setColor(QPalette::WindowText,
                         each == label ? QColor(255, 0, 0) : QColor(Qt::black));
        each->setPalette(palette);
    }
}

void TfrmEncrypt_Decrypt::ResetCommandHighlights()
{
    highlightCommand(nullptr, QString());
}

} // namespace velarium
