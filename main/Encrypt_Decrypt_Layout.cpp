// The main window's controls: where each stands, its picture, caption, hint and colours, and
// which handler it calls. The handlers themselves are in Encrypt_Decrypt.cpp.
#include "app/Controls.h"
#include "main/Encrypt_Decrypt.h"
#include "platform/QtText.h"
#include "platform/UiServices.h"

#include <QLineEdit>
#include <QPushButton>

namespace velarium {
namespace {

QString image(const char* name)
{
    return QStringLiteral(":/images/") + QString::fromLatin1(name);
}

QFont verdana(int points, bool bold = false)
{
    QFont font(kVerdana, points);
    font.setBold(bold);
    return font;
}

} // namespace

TfrmEncrypt_Decrypt::TfrmEncrypt_Decrypt(AppContext context, MainWindowNavigator& navigator,
                                         QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      context_(context), navigator_(navigator)
{
    setObjectName(QStringLiteral("frmEncrypt_Decrypt"));
    keepLightScheme(this);
    setWindowTitle(QStringLiteral(" Velarium 2.0"));
    setFixedSize(814, 549);
    setAcceptDrops(true);
    setBackground(this, kLightGrey);
    setFont(QFont(kTahoma, 8));

    buildCardArea();
    buildNavigationBar();
    buildCommandColumn();
    buildSideColumn();
    buildStatusHints();

    panInfo = named(new QLabel(this), "panInfo");
    panInfo->setGeometry(0, 525, 814, 24);
    QFont statusFont(kVerdana);
    statusFont.setPixelSize(11);
    panInfo->setFont(statusFont);
    panInfo->setIndent(6);
    panInfo->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setBackground(panInfo, kNavy);
    QPalette statusPalette = panInfo->palette();
    statusPalette.setColor(QPalette::WindowText, kWhite);
    panInfo->setPalette(statusPalette);

    setTabOrder(txtFile, txtDescrizione);
    setTabOrder(txtDescrizione, txtPassword);
    setTabOrder(txtPassword, txtCheckPW);
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

void TfrmEncrypt_Decrypt::buildCardArea()
{
    panContainer = makePanel(this, "panContainer", kWhite, QRect(170, 0, 584, 470));
    imgBackground = makePicture(panContainer, "imgBackground", image("imgBackground.jpg"), {});

    auto caption = [this](const char* name, const char* text, QPoint at) {
        auto* label = named(new QLabel(QString::fromUtf8(text), panContainer), name);
        label->setFont(verdana(8, true));
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, kNavy);
        label->setPalette(palette);
        label->move(at);
        label->adjustSize();
        return label;
    };
    auto field = [](QFrame* panel, const char* name) {
        auto* edit = named(new QLineEdit(panel), name);
        edit->setGeometry(QRect(QPoint(4, 4), panel->size() - QSize(8, 8)));
        edit->setMaxLength(250);
        return edit;
    };
    auto button = [this](const char* name, const char* text, const QRect& geometry) {
        auto* push = makeButton(panContainer, name, text, geometry);
        // Reached by mouse only, never by the Tab key.
        push->setFocusPolicy(Qt::ClickFocus);
        return push;
    };

    bevFile = makeBevel(panContainer, "bevFile", QRect(56, 14, 516, 70));
    bevDescrizione = makeBevel(panContainer, "bevDescrizione", QRect(56, 94, 516, 70));
    bevPassword = makeBevel(panContainer, "bevPassword", QRect(56, 174, 516, 128));
    bevCripta = makeBevel(panContainer, "bevCripta", QRect(56, 318, 250, 96));
    bevDecripta = makeBevel(panContainer, "bevDecripta", QRect(322, 318, 250, 96));
    // The frames lie under every control of the card and over its background picture: the
    // pointer over a frame's empty inside is on the frame, which has no reaction, and does not
    // fall through to the background, which would clear the status line.
    for (QFrame* bevel : {bevFile, bevDescrizione, bevPassword, bevCripta, bevDecripta}) {
        bevel->setAttribute(Qt::WA_TransparentForMouseEvents, false);
        onMouseMove(bevel, [] {});
    }

    imgFile = makePicture(panContainer, "imgFile", image("imgFile.png"), {14, 34});
    imgDescrizione =
        makePicture(panContainer, "imgDescrizione", image("imgDescrizione.png"), {14, 114});
    imgPassword = makePicture(panContainer, "imgPassword", image("imgPassword.png"), {14, 194});
    imgCheckPW = makePicture(panContainer, "imgCheckPW", image("imgCheckPW.png"), {14, 252});
    imgCripta = makePicture(panContainer, "imgCripta", image("imgCripta.png"), {72, 350});
    imgDecripta = makePicture(panContainer, "imgDecripta", image("imgDecripta.png"), {338, 350});

    lblFile = caption("lblFile", "File da criptare / decriptare:", {66, 22});
    panFile = makePanel(panContainer, "panFile", kLightBlue, QRect(64, 42, 360, 32));
    txtFile = field(panFile, "txtFile");
    txtFile->setReadOnly(true);
    // Nothing is ever typed here; a chosen path longer than the typing limit is shown whole.
    txtFile->setMaxLength(32767);
    txtFile->setFont(verdana(8));
    QPalette filePalette = txtFile->palette();
    filePalette.setColor(QPalette::Base, kLightOrange);
    filePalette.setColor(QPalette::Text, Qt::darkGray);
    txtFile->setPalette(filePalette);
    btnSfoglia = button("btnSfoglia", "Sfoglia", QRect(432, 45, 64, 26));
    btnApri = button("btnApri", "Apri", QRect(502, 45, 60, 26));

    lblDescrizione = caption("lblDescrizione", "Descrizione file:", {66, 102});
    panDescrizione = makePanel(panContainer, "panDescrizione", kLightBlue, QRect(64, 122, 498, 32));
    txtDescrizione = field(panDescrizione, "txtDescrizione");
    txtDescrizione->setFont(verdana(8, true));

    lblPassword = caption("lblPassword", "Password di criptaggio / decriptaggio:", {66, 182});
    panPassword = makePanel(panContainer, "panPassword", kLightBlue, QRect(64, 200, 300, 32));
    txtPassword = field(panPassword, "txtPassword");
    lblCheckPW = caption("lblCheckPW", "Conferma password:", {66, 240});
    panCheckPW = makePanel(panContainer, "panCheckPW", kLightBlue, QRect(64, 258, 300, 32));
    txtCheckPW = field(panCheckPW, "txtCheckPW");
    for (QLineEdit* secret : {txtPassword, txtCheckPW}) {
        makePasswordField(secret, 13); // 10 points
    }
    txtDescrizione->setValidator(new AnsiValidator(txtDescrizione));
    setBackground(txtDescrizione, kWhite);

    btnEncrypt = button("btnEncrypt", "Cripta file", QRect(116, 348, 170, 36));
    btnDencrypt = button("btnDencrypt", "Decripta file", QRect(382, 348, 170, 36));
}

void TfrmEncrypt_Decrypt::buildNavigationBar()
{
    panRecords = makePanel(this, "panRecords", kLightGrey, QRect(170, 470, 584, 55));
    imgPrimo = makeClickPicture(panRecords, "imgPrimo", image("imgPrimo.png"), {156, 12});
    imgIndietro = makeClickPicture(panRecords, "imgIndietro", image("imgIndietro.png"), {200, 12});
    lblPosizione = named(new QLabel(panRecords), "lblPosizione");
    lblPosizione->setGeometry(242, 12, 100, 32);
    lblPosizione->setAlignment(Qt::AlignCenter);
    lblPosizione->setFont(verdana(10, true));
    imgAvanti = makeClickPicture(panRecords, "imgAvanti", image("imgAvanti.png"), {352, 12});
    imgUltimo = makeClickPicture(panRecords, "imgUltimo", image("imgUltimo.png"), {396, 12});
}

void TfrmEncrypt_Decrypt::buildCommandColumn()
{
    panControlli = makePanel(this, "panControlli", kSkyBlue, QRect(0, 0, 170, 525));
    imgSfondo = makePicture(panControlli, "imgSfondo", image("imgSfondo.jpg"), {});
    imgLogo = makePicture(panControlli, "imgLogo", image("imgLogo.jpg"), {});

    struct Command
    {
        ClickLabel*& picture;
        ClickLabel*& label;
        const char* pictureName;
        const char* labelName;
        const char* caption;
    };
    const Command commands[] = {
        {cmdNuovo, lblNuovo, "cmdNuovo", "lblNuovo", "Nuovo"},
        {cmdSalva, lblSalva, "cmdSalva", "lblSalva", "Salva"},
        {cmdCerca, lblCerca, "cmdCerca", "lblCerca", "Cerca"},
        {cmdEsporta, lblEsporta, "cmdEsporta", "lblEsporta", "Esporta archivio"},
        {imgBackup, lblBackup, "imgBackup", "lblBackup", "Backup archivio"},
        {cmdGuida, lblGuida, "cmdGuida", "lblGuida", "Guida"},
        {cmdEsci, lblEsci, "cmdEsci", "lblEsci", "Esci"},
    };
    QFrame** separators[] = {&bevSepara01, &bevSepara02, &bevSepara03,
                             &bevSepara04, &bevSepara05, &bevSepara06};
    const char* separatorNames[] = {"bevSepara01", "bevSepara02", "bevSepara03",
                                    "bevSepara04", "bevSepara05", "bevSepara06"};
    int y = 124;
    for (std::size_t i = 0; i < std::size(commands); ++i) {
        const Command& command = commands[i];
        command.picture =
            makeClickPicture(panControlli, command.pictureName,
                             image(command.pictureName) + QStringLiteral(".png"), {14, y});
        command.label = named(new ClickLabel(panControlli), command.labelName);
        command.label->setText(QString::fromUtf8(command.caption));
        QFont font(kVerdana);
        font.setPixelSize(11);
        font.setUnderline(true);
        command.label->setFont(font);
        command.label->setGeometry(54, y + 7, 112, 18);
        if (i < std::size(separators)) {
            *separators[i] = makeBevel(panControlli, separatorNames[i], QRect(10, y + 44, 150, 2));
        }
        y += 56;
    }
}

void TfrmEncrypt_Decrypt::buildSideColumn()
{
    panInformazioni = makePanel(this, "panInformazioni", kWhite, QRect(754, 0, 60, 525));
    struct SidePicture
    {
        ClickLabel*& picture;
        const char* name;
        const char* tooltip;
        QPoint at;
    };
    const SidePicture pictures[] = {
        {imgGuida, "imgGuida", " Guida ", {14, 24}},
        {imgInfo, "imgInfo", " Informazioni su... ", {14, 76}},
        {imgCopyright, "imgCopyright", " Copyright ", {14, 128}},
        {imgEmail, "imgEmail", "Invia e-mail all'autore ", {13, 180}},
        {imgEsci, "imgEsci", " Esci ", {14, 470}},
    };
    for (const SidePicture& side : pictures) {
        side.picture = makeClickPicture(panInformazioni, side.name,
                                        image(side.name) + QStringLiteral(".png"), side.at);
        side.picture->setToolTip(QString::fromUtf8(side.tooltip));
    }
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
