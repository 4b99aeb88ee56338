#pragma once

#include "platform/Progress.h"

#include <QDialog>
#include <QString>
#include <chrono>
#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace velarium {

// The small modal dialog of long work: what is being done, on which file, how far it has come
// and how long is left, and a button "Annulla". Escape and the close box mean Annulla too.
class ProgressDialog final : public QDialog
{
    Q_OBJECT

public:
    ProgressDialog(QWidget* over, const QString& what, const QString& file,
                   platform::Progress& progress);

    // Shows `done` of `total` bytes, `start` being when the work began.
    void showFigures(std::uint64_t done, std::uint64_t total,
                     std::chrono::steady_clock::time_point start);

    QLabel* lblWhat;
    QLabel* lblFile;
    QProgressBar* barProgress;
    QLabel* lblBytes;
    QLabel* lblTimeLeft;
    QPushButton* btnAnnulla;

    void reject() override;

private:
    platform::Progress& progress_;
};

// Runs `work` on a thread of its own, so that the program's windows go on painting and the
// desktop sees the program answer; meanwhile input to the program's windows is blocked as under
// a modal box. When the work lasts longer than about half a second, a ProgressDialog appears over
// `over`; its Annulla asks the work to stop. Returns once the work has ended, raising what it
// raised: platform::Cancelled after Annulla.
void runLongWork(QWidget* over, const QString& what, const QString& file,
                 const std::function<void(platform::Progress&)>& work);

} // namespace velarium
