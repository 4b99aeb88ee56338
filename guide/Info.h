#pragma once

#include "app/AppContext.h"
#include "guide/ui_Info.h"

#include <QDialog>

namespace velarium {

class UiServices;

// The about window: who made the program and how to reach them. Its controls, under their own
// names, come from Info.ui; the banner (imgLogo) and the notice (imgInformativa) are drawn
// larger than their places and shown shrunk to fit.
class TfrmInfo : public QDialog, public Ui::TfrmInfo
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmInfo)

public:
    explicit TfrmInfo(AppContext context);
    ~TfrmInfo() override;

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
