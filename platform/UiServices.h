#pragma once

#include "platform/Error.h"
#include "platform/OfficeExport.h"
#include "platform/PrintCanvas.h"
#include "platform/Shell.h"

#include <QString>
#include <filesystem>
#include <memory>

class QDialog;

namespace velarium {

// A system file dialog kept by its window for the program's life: it reopens where the user
// left it, with the last chosen name filled in.
struct FileDialog
{
    QString title;
    // In the toolkit's form: descriptions and patterns separated by bars, "Testo (*.txt)|*.txt".
    QString filter;
    // The name proposed when the dialog opens; after a confirmed choice, the chosen full path.
    QString fileName;
    // The extension added to a typed name that has none (save dialogs).
    QString defaultExtension;
    bool forSaving = false;
    // Whether the chosen name must name an existing file.
    bool mustExist = false;
    // Whether choosing the name of an existing file to save asks before it is overwritten.
    bool confirmOverwrite = true;
};

// The system has no printer at all: what is printed can still go into a PDF file.
class NoPrinter : public Error
{
public:
    using Error::Error;
};

// A print job on a printer: one canvas across its pages.
class PrintJob : public PrintCanvas
{
public:
    // Ends the job, sending it to the printer; raises when the printer refuses.
    virtual void finish() = 0;
};

// Everything modal or system-wide that a window asks of the desktop goes through here, so that
// tests can script the answers and read what was shown, and no test blocks on a real box.
class UiServices
{
public:
    virtual ~UiServices() = default;

    // Task-modal box without an owner window: the title, the warning icon, one OK button.
    virtual void warning(const QString& title, const QString& text) = 0;
    // The same with the information icon.
    virtual void information(const QString& title, const QString& text) = 0;
    // Question icon, buttons Yes and No, Yes the default. False only when the answer is No.
    virtual bool question(const QString& title, const QString& text) = 0;
    // Warning icon, buttons Yes and No, No the default: for going on against a doubt. True only
    // when the answer is Yes.
    virtual bool riskyQuestion(const QString& title, const QString& text) = 0;
    // The toolkit's simplest box: the application's title as caption, no icon, one OK button.
    virtual void plainMessage(const QString& text) = 0;

    // Shows the dialog modally; true when the user confirmed a name, which is then in
    // dialog.fileName.
    virtual bool runFileDialog(FileDialog& dialog) = 0;

    // Hands a document or a URL to the desktop's shell and returns its answer; whether to look
    // at it is the caller's business.
    virtual platform::ShellResult shellExecute(const platform::ShellRequest& request) = 0;

    // Shows a window modally and returns its result once it has closed.
    virtual int runModal(QDialog& dialog) = 0;

    // Starts a job on the system's default printer, landscape, in colour, without asking.
    // Raises NoPrinter when the system has none, Error when it refuses the job.
    virtual std::unique_ptr<PrintJob> startPrintJob() = 0;
    // The same page, laid out as for an office printer, into a PDF file.
    virtual std::unique_ptr<PrintJob> startPdfJob(const std::filesystem::path& file) = 0;

    // The office programs that the archive export hands its table to.
    virtual platform::OfficeExport& office() = 0;

    // The application's general error display, for failures that no command reports itself.
    virtual void error(const QString& text) = 0;

    // The application-wide hourglass pointer.
    virtual void setBusy(bool busy) = 0;
};

// Shows the busy pointer for its lifetime, so that every way out of a long step, failures
// included, restores the normal pointer.
class BusyPointer
{
public:
    explicit BusyPointer(UiServices& ui);
    ~BusyPointer();
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

private:
    UiServices& ui_;
};

} // namespace velarium
