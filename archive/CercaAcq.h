#pragma once

#include "app/AppContext.h"

#include <QDialog>
#include <memory>
#include <string>
#include <vector>

class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace velarium {

class PrintJob;

class SearchNavigator;

// Finds cards by words of their description, loads the chosen one into the main window, steps
// through the list and prints it. Made anew for each search, shown modally.
class TfrmCercaAcq : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmCercaAcq)

public:
    // `parent` is the window the search is opened over.
    TfrmCercaAcq(AppContext context, SearchNavigator& navigator, QWidget* parent);
    ~TfrmCercaAcq() override;

    // Criteria page.
    QGroupBox* grpCriteri;
    QFrame *shpTitolo, *shpLogo, *shpContainer, *bevContainer, *bevDescrizione, *panDescrizione;
    QLabel *lblTitolo, *lblInfo, *lblInfo04, *lblInfo05, *lblInfo06, *lblTipologia;
    QLabel *imgLogo, *imgDecoro, *imgDescrizione;
    QLineEdit* txtDescrizione;

    // List page.
    QGroupBox* grpElenco;
    QLabel *lblInfo01, *lblInfo02, *lblInfo03, *imgLente;
    QFrame* shpTrova;
    QLineEdit* txtTrova;
    QPushButton* cmdTrova02;
    QListWidget* lstRecords;

    QPushButton *cmdTrova, *cmdIndietro, *cmdStampa, *cmdAnnulla;
    // Hidden holders: the list-all flag ("0" lists every card) and the caller's tag.
    QLabel *lblConta, *lblMemory;

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
    void buildCriteriaPage();
    void buildListPage();
    void FormClose();
    void showListPage(bool list);

    AppContext context_;
    SearchNavigator& navigator_;
    // The entries of lstRecords as the archive holds them.
    std::vector<std::string> entries_;
};

} // namespace velarium
