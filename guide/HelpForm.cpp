#include "guide/HelpForm.h"

#include "app/Controls.h"
#include "guide/HelpTopics.h"
#include "platform/QtText.h"
#include "platform/UiServices.h"

#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>

namespace velarium {
namespace {

// The line that sets the text box off from the navy background it shares.

QFont verdanaPixels(int pixels)
{
    QFont font(kVerdana);
    font.setPixelSize(pixels);
    return font;
}

void setTextColour(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    widget->setPalette(palette);
}

} // namespace

TfrmHelpForm::TfrmHelpForm(AppContext context, QWidget* parent)
    : QDialog(parent, kDialogWindowFlags), context_(context)
{
    setObjectName(QStringLiteral("frmHelpForm"));
    keepLightScheme(this);
    setWindowTitle(QStringLiteral(" Guida in linea"));
    setFixedSize(561, 459);
    setBackground(this, kNavy);
    setTextColour(this, kWhite);
    setFont(verdanaPixels(13));
    setModal(true);

    imgLogo = makePicture(this, "imgLogo", QStringLiteral(":/images/helpLogo.jpg"), {50, 10});

    panTitle = named(new QLabel(QStringLiteral("Titolo argomento guida"), this), "panTitle");
    panTitle->setGeometry(10, 90, 541, 30);
    panTitle->setAlignment(Qt::AlignCenter);
    panTitle->setFont(verdanaPixels(13));
    setBackground(panTitle, kBlack);
    setTextColour(panTitle, kWhite);

    panContainer = makePanel(this, "panContainer", kNavy, QRect(10, 128, 541, 268));
    panContainer->setFrameStyle(QFrame::Box | QFrame::Plain);
    setTextColour(panContainer, kFrameBlue);

    memTopic = named(new QPlainTextEdit(panContainer), "memTopic");
    nameForScreenReaders(memTopic, QStringLiteral("Testo della guida"));
    memTopic->setGeometry(8, 8, 525, 252);
    memTopic->setFrameStyle(QFrame::NoFrame);
    memTopic->setReadOnly(true);
    // Read-only, but the keyboard can still move through the text and scroll it.
    memTopic->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    memTopic->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memTopic->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memTopic->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    memTopic->setFont(verdanaPixels(13));
    setBackground(memTopic, kNavy);
    setBackground(memTopic->viewport(), kNavy);
    setTextColour(memTopic, kWhite);
    memTopic->setPlainText(QStringLiteral("memTopic"));

    imgPDF = makePicture(this, "imgPDF", QStringLiteral(":/images/helpPDF.png"), {14, 411});
    imgPDF->setCursor(Qt::PointingHandCursor);
    lblPDF = named(new QLabel(QStringLiteral("Visualizza guida in formato PDF"), this), "lblPDF");
    nameForScreenReaders(imgPDF, lblPDF->text());
    QFont link = verdanaPixels(11);
    link.setUnderline(true);
    lblPDF->setFont(link);
    lblPDF->setGeometry(54, 418, 260, 18);
    lblPDF->setCursor(Qt::PointingHandCursor);
    setTextColour(lblPDF, kWhite);

    cmdOK = makeButton(this, "cmdOK", "OK", QRect(451, 408, 100, 36));
    setTabOrder(cmdOK, memTopic);

    // The link follows the mouse: its own controls light it up, the background and the text
    // put it out. Moves over the other controls leave it as it is, which is why only these
    // track the mouse.
    for (QWidget* watched :
         std::initializer_list<QWidget*>{this, imgPDF, lblPDF, memTopic, memTopic->viewport()}) {
        watched->setMouseTracking(true);
        watched->installEventFilter(this);
    }

    centreOnScreen(this);
    connect(cmdOK, &QPushButton::clicked, this, &TfrmHelpForm::cmdOKClick);
}

TfrmHelpForm::~TfrmHelpForm() = default;

void TfrmHelpForm::setTopicText(const QString& text)
{
    memTopic->setPlainText(forDisplay(text));
    memTopic->moveCursor(QTextCursor::Start);
    memTopic->verticalScrollBar()->setValue(0);
}

QString TfrmHelpForm::topicText() const
{
    QString text = memTopic->toPlainText();
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text;
}

void TfrmHelpForm::setTopic(const HelpTopic& topic)
{
    panTitle->setText(topic.title);
    setTopicText(topic.text());
}

QString TfrmHelpForm::guidePath() const
{
    return fromPath(context_.programFolder / "Guida.pdf");
}

void TfrmHelpForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (becameVisible(event)) {
        cmdOK->setFocus();
    }
}

void TfrmHelpForm::cmdOKClick()
{
    reject();
}

void TfrmHelpForm::imgPDFMouseUp()
{
    openGuide();
}

void TfrmHelpForm::lblPDFMouseUp()
{
    openGuide();
}

void TfrmHelpForm::openGuide()
{
    // Whether a reader opens the guide is the desktop's business: a missing file or no
    // program for PDF files is not reported here.
    BusyPointer busy(context_.ui);
    context_.ui.shellExecute(platform::openWithDefaultAction(guidePath().toStdString()));
}

void TfrmHelpForm::highlightPdfLink(bool highlighted)
{
    setTextColour(lblPDF, highlighted ? kRed : kWhite);
}

bool TfrmHelpForm::eventFilter(QObject* watched, QEvent* event)
{
    const bool onLink = watched == imgPDF || watched == lblPDF;
    if (event->type() == QEvent::MouseMove) {
        highlightPdfLink(onLink);
        // A label ignores the move, which would then reach the background and put the link
        // out again.
        return onLink;
    }
    if (event->type() == QEvent::MouseButtonRelease && onLink) {
        // Any button, provided it is let go over the link.
        auto* link = static_cast<QWidget*>(watched);
        if (link->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
            watched == imgPDF ? imgPDFMouseUp() : lblPDFMouseUp();
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace velarium
