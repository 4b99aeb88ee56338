#pragma once

#include "app/AppContext.h"
#include "app/Navigator.h"
#include "archive/ui_EsportaMat.h"

#include <QDialog>
#include <string>
#include <vector>

namespace velarium {

// Shows every card in a grid and copies the grid into a new word-processor table or a new
// spreadsheet. Created once, shown modally, filled again at every showing.
// Its controls, under their own names, come from EsportaMat.ui.
class TfrmEsportaMat : public QDialog, public Ui::TfrmEsportaMat
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmEsportaMat)

public:
    TfrmEsportaMat(AppContext context, HelpNavigator& navigator);
    ~TfrmEsportaMat() override;

    // The grid's texts, row by row, as the exports take them.
    std::vector<std::vector<std::string>> gridTexts() const;

public slots:
    void FormShow();
    void imgWordMouseUp();
    void imgExcelMouseUp();
    // With no application to show the export, the same document saved where the user says.
    void offerDocumentFile(bool word);
    void imgGuidaMouseUp();
    void imgEsciMouseUp();
    void grdRecordsMouseMove();
    void grpControlliMouseMove();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Writes a command's hint into the status line and paints its label red, the others black.
    void highlight(ClickLabel* label, const QString& hint);

    AppContext context_;
    HelpNavigator& navigator_;
};

} // namespace velarium
