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
    keepLightScheme(this);
    setupUi(this);
    setBackground(this, kNavy);
    setTextColour(this, kWhite);
    // Pixel sizes, which a form cannot hold: the topic's text wraps alike on any screen.
    for (QWidget* text : std::initializer_list<QWidget*>{this, panTitle, memTopic}) {
        text->setFont(fontInPixels(kVerdana, 13));
    }

    setBackground(panTitle, kBlack);
    setTextColour(panTitle, kWhite);

    setBackground(panContainer, kNavy);
    // The line that sets the text box off from the navy background it shares.
    setTextColour(panContainer, kFrameBlue);

    nameForScreenReaders(memTopic, QStringLiteral("Testo della guida"));
    setBackground(memTopic, kNavy);
    setBackground(memTopic->viewport(), kNavy);
    setTextColour(memTopic, kWhite);

    nameForScreenReaders(imgPDF, lblPDF->text());
    QFont link = fontInPixels(kVerdana, 11);
    link.setUnderline(true);
    lblPDF->setFont(link);
    setTextColour(lblPDF, kWhite);

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
