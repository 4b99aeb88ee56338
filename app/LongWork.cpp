#include "app/LongWork.h"

#include "app/Controls.h"
#include "main/ProgressFigures.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>
#include <atomic>
#include <exception>
#include <thread>

namespace velarium {
namespace {

using Clock = std::chrono::steady_clock;

// Work shorter than this ends before any dialog could be read: it shows none.
constexpr std::chrono::milliseconds kDialogAfter{500};
// As often as the work reports, at most.
constexpr std::chrono::milliseconds kRefresh{100};

QString fromCore(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The work's reports, kept for the GUI thread to read at its own pace.
class SharedProgress final : public platform::Progress
{
public:
    void advanced(std::uint64_t done, std::uint64_t total) override
    {
        total_.store(total);
        done_.store(done);
    }
    std::uint64_t done() const { return done_.load(); }
    std::uint64_t total() const { return total_.load(); }

private:
    std::atomic<std::uint64_t> done_{0};
    std::atomic<std::uint64_t> total_{0};
};

bool isInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::DragEnter:
    case QEvent::Drop:
    case QEvent::Close:
        return true;
    default:
        return false;
    }
}

// What a modal box does to the windows behind it, from the moment the work starts, before the
// dialog shows: no clicks, keys or closing reach them. The dialog itself is spared.
class InputBlocker final : public QObject
{
public:
    explicit InputBlocker(const QPointer<ProgressDialog>& dialog) : dialog_(dialog)
    {
        qApp->installEventFilter(this);
    }
    ~InputBlocker() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* target, QEvent* event) override
    {
        if (!isInput(event->type())) {
            return false;
        }
        if (dialog_ && ofDialog(target)) {
            return false;
        }
        if (event->type() == QEvent::Close) {
            event->ignore();
        }
        return true;
    }

private:
    // On a real display, input reaches the dialog's native window before its widgets.
    bool ofDialog(QObject* target) const
    {
        if (target->isWidgetType()) {
            auto* widget = static_cast<QWidget*>(target);
            return widget == dialog_ || dialog_->isAncestorOf(widget);
        }
        return target->isWindowType() && target == dialog_->windowHandle();
    }

    QPointer<ProgressDialog> dialog_;
};

} // namespace

ProgressDialog::ProgressDialog(QWidget* over, const QString& what, const QString& file,
                               platform::Progress& progress)
    : QDialog(over), progress_(progress)
{
    setObjectName(QStringLiteral("frmAvanzamento"));
    keepLightScheme(this);
    setWindowTitle(QStringLiteral("Operazione in corso"));
    setModal(true);
    lblWhat = new QLabel(what, this);
    lblWhat->setObjectName(QStringLiteral("lblWhat"));
    QFont bold = lblWhat->font();
    bold.setBold(true);
    lblWhat->setFont(bold);
    lblFile = new QLabel(file, this);
    lblFile->setObjectName(QStringLiteral("lblFile"));
    lblFile->setTextFormat(Qt::PlainText);
    barProgress = new QProgressBar(this);
    barProgress->setObjectName(QStringLiteral("barProgress"));
    barProgress->setRange(0, 100);
    lblBytes = new QLabel(this);
    lblBytes->setObjectName(QStringLiteral("lblBytes"));
    lblTimeLeft = new QLabel(QStringLiteral("Tempo rimanente: calcolo in corso"), this);
    lblTimeLeft->setObjectName(QStringLiteral("lblTimeLeft"));
    btnAnnulla = new QPushButton(QStringLiteral("Annulla"), this);
    btnAnnulla->setObjectName(QStringLiteral("btnAnnulla"));
    connect(btnAnnulla, &QPushButton::clicked, this, &ProgressDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnAnnulla);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblWhat);
    layout->addWidget(lblFile);
    layout->addWidget(barProgress);
    layout->addWidget(lblBytes);
    layout->addWidget(lblTimeLeft);
    layout->addLayout(buttons);
    setMinimumWidth(420);
}

void ProgressDialog::showFigures(std::uint64_t done, std::uint64_t total, Clock::time_point start)
{
    const ProgressFigures figures = progressFigures(done, total, start, Clock::now());
    barProgress->setValue(figures.percent);
    lblBytes->setText(fromCore(bytesOf(done, total)) +
                      QStringLiteral(" (%1%)").arg(figures.percent));
    if (progress_.cancelled()) {
        lblTimeLeft->setText(QStringLiteral("Annullamento in corso..."));
    } else if (figures.left) {
        lblTimeLeft->setText(QStringLiteral("Tempo rimanente: ") +
                             fromCore(timeLeftText(*figures.left)));
    }
}

void ProgressDialog::reject()
{
    // The dialog stays until the work has stopped and undone what it began.
    progress_.cancel();
    btnAnnulla->setEnabled(false);
    lblTimeLeft->setText(QStringLiteral("Annullamento in corso..."));
}

void runLongWork(QWidget* over, const QString& what, const QString& file,
                 const std::function<void(platform::Progress&)>& work)
{
    SharedProgress progress;
    const Clock::time_point start = Clock::now();
    QPointer<ProgressDialog> dialog = new ProgressDialog(over, what, file, progress);
    const InputBlocker blocker(dialog);

    QEventLoop loop;
    std::atomic<bool> finished{false};
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            work(progress);
        } catch (...) {
            failure = std::current_exception();
        }
        finished.store(true);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });

    QTimer refresh;
    refresh.setInterval(kRefresh);
    QObject::connect(&refresh, &QTimer::timeout, &loop, [&] {
        if (!dialog || finished.load()) {
            return;
        }
        if (!dialog->isVisible() && Clock::now() - start >= kDialogAfter) {
            dialog->show();
        }
        if (dialog->isVisible()) {
            dialog->showFigures(progress.done(), progress.total(), start);
        }
    });
    refresh.start();
    // The worker's quit, queued, ends the loop even when the work is already over.
    loop.exec();
    worker.join();
    refresh.stop();
    delete dialog.data();
    if (failure) {
        std::rethrow_exception(failure);
    }
}

} // namespace velarium
