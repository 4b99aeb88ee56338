#pragma once

#include "app/AppContext.h"
#include "guide/SplashAnimation.h"
#include "guide/ui_Splash.h"

#include <QDialog>
#include <QImage>
#include <memory>

class QTimer;

namespace velarium {

// The animated copyright window: flags drifting over the maker's picture, twenty frames a
// second. A click anywhere opens the maker's web site and closes it. Made once at start; its
// animation runs from then on, shown or not, so every showing continues where it has got to.
// The window is painted whole from the animation; Splash.ui holds its size and the two hidden
// pictures the animation is drawn from, BackImage (the background) and SpriteImage (the flags).
class TfrmSplash : public QDialog, public Ui::TfrmSplash
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfrmSplash)

public:
    // Without a generator the animation is seeded from the clock.
    explicit TfrmSplash(AppContext context, std::unique_ptr<SplashRandom> random = nullptr,
                        QWidget* parent = nullptr);
    ~TfrmSplash() override;

    QTimer* Timer1;

    const SplashAnimation& animation() const { return *animation_; }

public slots:
    void Timer1Timer();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void FormCreate(std::unique_ptr<SplashRandom> random);
    void FormMouseUp();

    AppContext context_;
    std::unique_ptr<SplashAnimation> animation_;
};

// A picture as a bitmap of the drawing code: indexed pictures at 8 bits with their palette,
// opaque colour pictures at 24 bits; any other keeps its own depth, to be refused.
Bitmap toBitmap(const QImage& image);
// The bitmap's pixels as a picture, without a copy: valid while the bitmap is unchanged.
QImage imageView(const Bitmap& bitmap);

} // namespace velarium
