#include "guide/Info.h"

#include "app/Controls.h"
#include "guide/MakerLinks.h"
#include "platform/UiServices.h"

#include <QGroupBox>

namespace velarium {

TfrmInfo::TfrmInfo(AppContext context) : QDialog(nullptr, kDialogWindowFlags), context_(context)
{
    setObjectName(QStringLiteral("frmInfo"));
    keepLightScheme(this);
    setWindowTitle(QStringLiteral(" Informazioni su Velarium 2.0 ©"));
    setFixedSize(472, 519);
    setBackground(this, kSilver);
    setFont(QFont(kVerdana, 8));
    setModal(true);
    centreOnScreen(this);

    grpInfo = named(new QGroupBox(this), "grpInfo");
    grpInfo->setGeometry(10, 6, 142, 456);
    shpFoto = makePanel(grpInfo, "shpFoto", kWhite, QRect(7, 14, 128, 158));
    imgAutore =
        makePicture(grpInfo, "imgAutore", QStringLiteral(":/images/infoAutore.jpg"), {11, 18});
    shpLogo = makePanel(grpInfo, "shpLogo", kWhite, QRect(45, 182, 48, 266));
    imgLogo = makePicture(grpInfo, "imgLogo", QStringLiteral(":/images/infoLogo.jpg"), {49, 187});
    // The banner is drawn taller than this frame; it is shown shrunk to fit.
    imgLogo->setScaledContents(true);
    imgLogo->resize(40, 256);

    panInformativa = makePanel(this, "panInformativa", kWhite, QRect(162, 12, 300, 256));
    imgInformativa = makePicture(panInformativa, "imgInformativa",
                                 QStringLiteral(":/images/infoInformativa.png"), {2, 4});
    imgInformativa->setScaledContents(true);
    imgInformativa->resize(296, 247);

    auto link = [this](ClickLabel*& picture, ClickLabel*& label, const char* pictureName,
                       const char* labelName, const char* image, const char* caption, int y) {
        picture = makeClickPicture(
            this, pictureName, QStringLiteral(":/images/") + QString::fromLatin1(image), {176, y});
        label = named(new ClickLabel(this), labelName);
        label->setText(QString::fromUtf8(caption));
        nameForScreenReaders(picture, label->text());
        QFont underlined(kVerdana, 9);
        underlined.setUnderline(true);
        label->setFont(underlined);
        label->setGeometry(218, y + 7, 220, 20);
    };
    link(imgEmail, lblEmail, "imgEmail", "lblEmail", "infoEmail.png", "Invia e-mail", 292);
    link(imgWeb, lblWeb, "imgWeb", "lblWeb", "infoWeb.png", "Visita sito Internet", 342);
    highlightLink(nullptr);

    cmdOK = makeButton(this, "cmdOK", "OK", QRect(352, 472, 110, 34));

    for (ClickLabel* control : {imgEmail, lblEmail}) {
        connect(control, &ClickLabel::mouseUp, this, &TfrmInfo::imgEmailMouseUp);
        onMouseMove(control, [this] { highlightLink(lblEmail); });
    }
    for (ClickLabel* control : {imgWeb, lblWeb}) {
        connect(control, &ClickLabel::mouseUp, this, &TfrmInfo::imgWebMouseUp);
        onMouseMove(control, [this] { highlightLink(lblWeb); });
    }
    for (QWidget* surface : std::initializer_list<QWidget*>{this, grpInfo}) {
        onMouseMove(surface, [this] { highlightLink(nullptr); });
    }
    connect(cmdOK, &QPushButton::clicked, this, &TfrmInfo::cmdOKClick);
}

TfrmInfo::~TfrmInfo() = default;

void TfrmInfo::highlightLink(ClickLabel* link)
{
    for (ClickLabel* label : {lblEmail, lblWeb}) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, label == link ? kRed : kNavy);
        label->setPalette(palette);
    }
}

void TfrmInfo::imgEmailMouseUp()
{
    sendMailToMaker(context_.ui);
}

void TfrmInfo::imgWebMouseUp()
{
    visitMakerWebSite(context_.ui);
}

void TfrmInfo::cmdOKClick()
{
    reject();
}

} // namespace velarium
