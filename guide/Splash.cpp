#include "guide/Splash.h"

#include "app/Controls.h"
#include "guide/Contacts.h"
#include "platform/UiServices.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <algorithm>
#include <cstring>

namespace velarium {
namespace {

int bitsPerPixelOf(const QImage& image)
{
    switch (image.format()) {
    case QImage::Format_Indexed8:
    case QImage::Format_Grayscale8:
        return 8;
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
        return 1;
    default:
        break;
    }
    if (image.depth() == 16 || image.hasAlphaChannel()) {
        return image.depth();
    }
    return 24;
}

} // namespace

Bitmap toBitmap(const QImage& image)
{
    const int bits = bitsPerPixelOf(image);
    QImage source = image;
    if (bits == 8) {
        source = image.convertToFormat(QImage::Format_Indexed8);
    } else if (bits == 24) {
        source = image.convertToFormat(QImage::Format_BGR888);
    }
    Bitmap bitmap(source.width(), source.height(), bits);
    // Qt pads its rows to four bytes as a Windows bitmap does; copying the shorter of the two
    // rows is only a guard.
    const std::size_t row = std::min(bitmap.rowBytes(), std::size_t(source.bytesPerLine()));
    for (int y = 0; y < bitmap.height; ++y) {
        std::memcpy(bitmap.scanLine(y), source.constScanLine(y), row);
    }
    if (bits == 8) {
        for (const QRgb colour : source.colorTable()) {
            bitmap.palette.push_back({std::uint8_t(qRed(colour)), std::uint8_t(qGreen(colour)),
                                      std::uint8_t(qBlue(colour))});
        }
    }
    return bitmap;
}

QImage imageView(const Bitmap& bitmap)
{
    if (bitmap.bitsPerPixel == 24) {
        return QImage(bitmap.bits.data(), bitmap.width, bitmap.height, qsizetype(bitmap.rowBytes()),
                      QImage::Format_BGR888);
    }
    if (bitmap.bitsPerPixel == 8) {
        QImage image(bitmap.bits.data(), bitmap.width, bitmap.height, qsizetype(bitmap.rowBytes()),
                     QImage::Format_Indexed8);
        QList<QRgb> colours;
        for (const Rgb& colour : bitmap.palette) {
            colours << qRgb(colour.red, colour.green, colour.blue);
        }
        image.setColorTable(colours);
        return image;
    }
    return {};
}

TfrmSplash::TfrmSplash(AppContext context, std::unique_ptr<SplashRandom> random, QWidget* parent)
    : QDialog(parent, kDialogWindowFlags), context_(context)
{
    keepLightScheme(this);
    setupUi(this);
    // The title follows the program's own.
    setWindowTitle(QStringLiteral(" ") + QString::fromLatin1(kApplicationTitle) +
                   QString::fromUtf8(" - Copyright \u00A9 Gli autori di Velarium"));
    setBackground(this, Qt::black);
    // The animation's sources, never shown themselves. Designer keeps no visibility, so the form
    // cannot hide them.
    BackImage->hide();
    SpriteImage->hide();

    centreOnScreen(this);
    FormCreate(std::move(random));

    // Started here and never stopped: the flags move on while the window is hidden.
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(SplashAnimation::TickMilliseconds);
    connect(Timer1, &QTimer::timeout, this, &TfrmSplash::Timer1Timer);
    Timer1->start();
}

TfrmSplash::~TfrmSplash() = default;

void TfrmSplash::FormCreate(std::unique_ptr<SplashRandom> random)
{
    if (!random) {
        random = SeededRandom::fromClock();
    }
    animation_ = std::make_unique<SplashAnimation>(
        toBitmap(BackImage->pixmap().toImage()), toBitmap(SpriteImage->pixmap().toImage()),
        std::move(random), [this](const std::string& text) {
            context_.ui.plainMessage(QString::fromStdString(text));
        });
}

void TfrmSplash::Timer1Timer()
{
    animation_->tick();
    update();
}

// The frame is composed off screen and put into the window in one copy, so a half-drawn frame
// is never seen; the strip the picture leaves free stays black.
void TfrmSplash::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.drawImage(0, 0, imageView(animation_->BackBuffer()));
}

void TfrmSplash::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    FormMouseUp();
}

void TfrmSplash::FormMouseUp()
{
    {
        BusyPointer busy(context_.ui);
        // Whether a browser came up is the desktop's business: nothing is reported.
        context_.ui.shellExecute(platform::visitWebSite(kMakerWebSite));
    }
    close();
}

} // namespace velarium
