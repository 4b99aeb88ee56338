#pragma once

#include "platform/UiServices.h"

#include <QFont>
#include <QList>
#include <QPainter>
#include <QPrinter>
#include <memory>

namespace velarium {

// The list's layout is in printer pixels, with fixed gaps between its last lines that suit an
// office printer. Qt's high resolution (1200 dpi on CUPS) would crowd them together, so the
// page is laid out at the printer's own default resolution when the system reports it among
// those the printer supports, and otherwise at that of a typical office printer.
constexpr int officePrinterResolution = 600;
int layoutResolution(int reportedDefault, const QList<int>& supported);

// A print job drawn with Qt: on the system's default printer (CUPS on Linux, the spooler on
// Windows), or into a PDF file.
class QtPrintJob final : public PrintJob
{
public:
    // Raises Error when there is no default printer or it refuses to start the job.
    static std::unique_ptr<QtPrintJob> onDefaultPrinter();
    static std::unique_ptr<QtPrintJob> toPdf(const QString& path);
    ~QtPrintJob() override;

    int pageHeight() const override;
    int dotsPerInchY() const override;
    void setFontSize(int points) override;
    void textOut(int x, int y, std::string_view text) override;
    void newPage() override;
    void finish() override;

private:
    explicit QtPrintJob(std::unique_ptr<QPrinter> printer);

    std::unique_ptr<QPrinter> printer_;
    QPainter painter_;
    QFont font_;
};

} // namespace velarium
