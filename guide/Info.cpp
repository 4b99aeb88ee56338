#include "guide/Info.h"

#include "app/Controls.h"
#include "guide/MakerLinks.h"
#include "platform/UiServices.h"

namespace velarium {

TfrmInfo::TfrmInfo(AppContext context) : QDialog(nullptr, kDialogWindowFlags), context_(context)
{
    keepLightScheme(this);
    setupUi(this);
    setBackground(this, kSilver);
    for (QFrame* panel : {shpFoto, shpLogo, panInformativa}) {
        setBackground(panel, kWhite);
    }
    nameForScreenReaders(imgEmail, lblEmail->text());
    nameForScreenReaders(imgWeb, lblWeb->text());
    highlightLink(nullptr);
    centreOnScreen(this);

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
