#pragma once

#include "app/AppContext.h"

#include <QDialog>

class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;

namespace velarium {

class ClickLabel;
class UiServices;

// The about window: who made the program and how to reach them.
class TfrmInfo : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmInfo)

public:
    explicit TfrmInfo(AppContext context);
    ~TfrmInfo() override;

    QGroupBox* grpInfo;
    QFrame *shpFoto, *shpLogo, *panInformativa;
    QLabel *imgAutore, *imgLogo, *imgInformativa;
    ClickLabel *imgEmail, *lblEmail, *imgWeb, *lblWeb;
    QPushButton* cmdOK;

public slots:
    void imgEmailMouseUp();
    void imgWebMouseUp();
    void cmdOKClick();

private:
    // The link under the mouse turns red, the other navy; nothing, both navy.
    void highlightLink(ClickLabel* link);

    AppContext context_;
};

} // namespace velarium
