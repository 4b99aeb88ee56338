#pragma once

#include "app/AppContext.h"
#include "archive/ui_CercaAcq.h"

#include <QDialog>
#include <memory>
#include <string>
#include <vector>

namespace velarium {

class PrintJob;

class SearchNavigator;

// Finds cards by words of their description, loads the chosen one into the main window, steps
// through the list and prints it. Made anew for each search, shown modally. Its controls, under
// their own names, come from CercaAcq.ui: two pages in one place, the criteria (grpCriteri) and
// the list (grpElenco), one of them shown at a time; buttons that Tab never reaches; lblConta
// and lblMemory, hidden holders of the list-all flag ("0" lists every card) and of the caller's
// tag.
class TfrmCercaAcq : public QDialog, public Ui::TfrmCercaAcq
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmCercaAcq)

public:
    // `parent` is the window the search is opened over.
    TfrmCercaAcq(AppContext context, SearchNavigator& navigator, QWidget* parent);
    ~TfrmCercaAcq() override;

    // The find key of the last step, shared by every search window.
    static std::string rememberedFindKey;

public slots:
    void FormShow();
    void cmdTrovaClick();
    void cmdTrova02Click();
    void cmdIndietroClick();
    void cmdAnnullaClick();
    void cmdStampaClick();
    // With no printer in the system, the printout saved as a PDF file where the user says;
    // nothing when the user declines.
    std::unique_ptr<PrintJob> pdfInsteadOfPrinter();
    void lstRecordsDblClick();

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void setUpCriteriaPage();
    void setUpListPage();
    void FormClose();
    void showListPage(bool list);

    AppContext context_;
    SearchNavigator& navigator_;
    // The entries of lstRecords as the archive holds them.
    std::vector<std::string> entries_;
};

} // namespace velarium
