#pragma once

#include "app/AppContext.h"
#include "guide/ui_HelpForm.h"

#include <QDialog>

namespace velarium {

struct HelpTopic;

// The help window: one topic at a time, a title and a read-only text, put there by whoever
// opens it; from here the user can also open the PDF guide beside the program. Made once at
// start and reused for every topic, so the last topic stays until the next one replaces it.
// Its controls, under their own names, come from HelpForm.ui: the topic's title is the caption
// of panTitle, its text is in memTopic, read-only but open to the keyboard, which can still
// move through the text and scroll it.
class TfrmHelpForm : public QDialog, public Ui::TfrmHelpForm
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmHelpForm)

public:
    explicit TfrmHelpForm(AppContext context, QWidget* parent = nullptr);
    ~TfrmHelpForm() override;

    // The topic's text, paragraphs separated by CR LF pairs as the program keeps its texts;
    // shown from its first line.
    void setTopicText(const QString& text);
    QString topicText() const;
    // Title and text together, as the openers of the window set them before showing it.
    void setTopic(const HelpTopic& topic);

    // The PDF guide, "Guida.pdf" in the program folder.
    QString guidePath() const;

public slots:
    void cmdOKClick();
    void imgPDFMouseUp();
    void lblPDFMouseUp();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void openGuide();
    void highlightPdfLink(bool highlighted);

    AppContext context_;
};

} // namespace velarium
