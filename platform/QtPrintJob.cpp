#include "platform/QtPrintJob.h"

#include "platform/Error.h"
#include "platform/QtText.h"

#include <QPrinterInfo>
#include <QtPrintSupport/private/qprintdevice_p.h>
#include <qpa/qplatformprintersupport.h>
#include <qpa/qplatformprintplugin.h>

namespace velarium {

int layoutResolution(int reportedDefault, const QList<int>& supported)
{
    // Without a list the default is Qt's own guess (72 dpi on CUPS), not the printer's.
    return supported.contains(reportedDefault) ? reportedDefault : officePrinterResolution;
}

namespace {

// QPrinterInfo does not tell the resolution; the print device behind it does.
int resolutionOf(const QPrinterInfo& info)
{
    QPlatformPrinterSupport* support = QPlatformPrinterSupportPlugin::get();
    if (support == nullptr) {
        return officePrinterResolution;
    }
    const QPrintDevice device = support->createPrintDevice(info.printerName());
    if (!device.isValid()) {
        return officePrinterResolution;
    }
    return layoutResolution(device.defaultResolution(), device.supportedResolutions());
}

} // namespace

QtPrintJob::QtPrintJob(std::unique_ptr<QPrinter> printer) : printer_(std::move(printer))
{
    printer_->setColorMode(QPrinter::Color);
    printer_->setPageOrientation(QPageLayout::Landscape);
    printer_->setDocName(QStringLiteral("Elenco schede file criptati"));
    if (!painter_.begin(printer_.get())) {
        throw Error("La stampante non ha accettato il lavoro di stampa.");
    }
    font_ = QFont(QStringLiteral("Courier New"));
    font_.setStyleHint(QFont::TypeWriter);
    font_.setBold(false);
    font_.setUnderline(false);
    painter_.setPen(Qt::black);
}

QtPrintJob::~QtPrintJob()
{
    if (painter_.isActive()) {
        painter_.end();
    }
}

std::unique_ptr<QtPrintJob> QtPrintJob::onDefaultPrinter()
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) {
        if (QPrinterInfo::availablePrinterNames().isEmpty()) {
            throw NoPrinter("Nessuna stampante installata nel sistema");
        }
        throw Error("Nessuna stampante predefinita: impossibile stampare l'elenco. Impostare "
                    "una stampante predefinita nel sistema e ripetere l'operazione.");
    }
    auto printer = std::make_unique<QPrinter>(info, QPrinter::PrinterResolution);
    printer->setResolution(resolutionOf(info));
    return std::unique_ptr<QtPrintJob>(new QtPrintJob(std::move(printer)));
}

std::unique_ptr<QtPrintJob> QtPrintJob::toPdf(const QString& path)
{
    auto printer = std::make_unique<QPrinter>(QPrinter::PrinterResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setResolution(officePrinterResolution);
    printer->setOutputFileName(path);
    return std::unique_ptr<QtPrintJob>(new QtPrintJob(std::move(printer)));
}

int QtPrintJob::pageHeight() const
{
    return printer_->height();
}

int QtPrintJob::dotsPerInchY() const
{
    return printer_->logicalDpiY();
}

void QtPrintJob::setFontSize(int points)
{
    font_.setPointSize(points);
    painter_.setFont(font_);
}

void QtPrintJob::textOut(int x, int y, std::string_view text)
{
    // The canvas places a line by its top edge; Qt draws on the baseline.
    painter_.drawText(x, y + painter_.fontMetrics().ascent(), fromAnsi(std::string(text)));
}

void QtPrintJob::newPage()
{
    if (!printer_->newPage()) {
        throw Error("La stampante non ha accettato una nuova pagina.");
    }
}

void QtPrintJob::finish()
{
    if (!painter_.end()) {
        throw Error("La stampante non ha completato il lavoro di stampa.");
    }
}

} // namespace velarium
