// Long cipher work in the main window: the window goes on living, a progress dialog shows after
// half a second, and Annulla (or Escape) leaves the chosen file exactly as it was.
#include "MainWindowFixture.h"
#include "app/LongWork.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace velarium;
using velarium::test::BoxKind;
using velarium::test::MainWindowTest;
using velarium::test::writeFile;
namespace fs = std::filesystem;

namespace {

struct Snapshot
{
    ino_t inode;
    off_t size;
    blkcnt_t blocks;
    timespec modified;
};

Snapshot snapshot(const fs::path& path)
{
    struct stat st
    {
    };
    EXPECT_EQ(::stat(path.c_str(), &st), 0);
    return {st.st_ino, st.st_size, st.st_blocks, st.st_mtim};
}

// What the dialog showed when it was found.
struct Seen
{
    QString what, file, bytes;
    int ticks = 0; // the GUI thread's timer ticks while the work ran
};

class LongWorkTest : public MainWindowTest
{
protected:
    // A file that takes seconds to encrypt and costs no disk: 4 GiB of holes.
    QString sparseFile()
    {
        const fs::path path = files / "grande.img";
        writeFile(path, "");
        fs::resize_file(path, std::uint64_t{4} << 30);
        return QString::fromStdString(path.string());
    }

    // Runs `command` while a watcher waits for the progress dialog, notes what it shows, then
    // hands it to `stop`.
    Seen runAndStop(void (TfrmEncrypt_Decrypt::*command)(),
                    const std::function<void(ProgressDialog&)>& stop)
    {
        Seen seen;
        QTimer watcher;
        watcher.setInterval(20);
        QObject::connect(&watcher, &QTimer::timeout, [&] {
            ++seen.ticks;
            auto* dialog = window->findChild<ProgressDialog*>();
            if (!dialog || !dialog->isVisible() || !seen.what.isEmpty()) {
                return;
            }
            seen.what = dialog->lblWhat->text();
            seen.file = dialog->lblFile->text();
            seen.bytes = dialog->lblBytes->text();
            // Input to the main window is held back while the work runs.
            QTest::mouseClick(window->btnEncrypt, Qt::LeftButton);
            stop(*dialog);
        });
        watcher.start();
        (window.get()->*command)();
        return seen;
    }
};

TEST_F(LongWorkTest, AnnullaLeavesTheFileAsItWasAndSaysSo)
{
    const QString path = sparseFile();
    showSavedCard(path, QStringLiteral("Immagine disco"), QStringLiteral("segreta"));
    const Snapshot before = snapshot(path.toStdString());

    const Seen seen = runAndStop(&TfrmEncrypt_Decrypt::btnEncryptClick, [](ProgressDialog& dialog) {
        QTest::mouseClick(dialog.btnAnnulla, Qt::LeftButton);
    });
    EXPECT_EQ(seen.what, QStringLiteral("Criptaggio del file in corso"));
    EXPECT_EQ(seen.file, QStringLiteral("grande.img"));
    EXPECT_TRUE(seen.bytes.contains(QStringLiteral(" di 4,0 GiB ("))) << seen.bytes.toStdString();
    EXPECT_GT(seen.ticks, 5) << "the window's own timers stopped while the work ran";

    ASSERT_EQ(ui.shown.size(), 2u) << "the click on Cripta file during the work got through";
    EXPECT_EQ(ui.shown[1].kind, BoxKind::Information);
    EXPECT_EQ(ui.shown[1].title, QStringLiteral("Operazione criptaggio file annullata"));
    EXPECT_EQ(ui.shown[1].text,
              QStringLiteral("L'operazione di criptaggio è stata annullata: il file selezionato "
                             "è rimasto com'era.\r\n\r\nLa versione criptata incompleta è stata "
                             "eliminata."));
    const Snapshot after = snapshot(path.toStdString());
    EXPECT_EQ(after.inode, before.inode);
    EXPECT_EQ(after.size, before.size);
    EXPECT_EQ(after.blocks, before.blocks) << "something was written into the file";
    EXPECT_EQ(after.modified.tv_sec, before.modified.tv_sec);
    EXPECT_EQ(after.modified.tv_nsec, before.modified.tv_nsec);
    EXPECT_FALSE(fs::exists(program / "Criptato.xyz"));
    EXPECT_EQ(ui.busyDepth, 0);
    EXPECT_EQ(window->findChild<ProgressDialog*>(), nullptr);
}

TEST_F(LongWorkTest, EscapeOnTheDialogIsAnnulla)
{
    const QString path = sparseFile();
    fillCard(path, QString(), QStringLiteral("segreta"), QStringLiteral("segreta"), QString());
    const Snapshot before = snapshot(path.toStdString());

    const Seen seen =
        runAndStop(&TfrmEncrypt_Decrypt::btnDencryptClick,
                   [](ProgressDialog& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); });
    EXPECT_EQ(seen.what, QStringLiteral("Decriptaggio del file in corso"));
    EXPECT_EQ(ui.titles(), QStringList({QStringLiteral("Conferma decriptaggio file"),
                                        QStringLiteral("Operazione decriptaggio file annullata")}));
    EXPECT_EQ(snapshot(path.toStdString()).blocks, before.blocks);
    EXPECT_FALSE(fs::exists(program / "Decriptato.xyz"));
}

} // namespace
