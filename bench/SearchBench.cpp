// Times the search window on a large archive: from the Trova click to the filled list, for
// every card and for a filter, against the one-second goal.
//
//   velarium_search_bench [CARDS]      (default 100000; runs on the offscreen platform)

#include "app/AppContext.h"
#include "archive/CardArchive.h"
#include "archive/CercaAcq.h"
#include "main/Encrypt_Decrypt.h"
#include "platform/DesktopUi.h"
#include "resources/Resources.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

double secondsToBuild(velarium::TfrmCercaAcq& search, const QString& criteria)
{
    search.cmdIndietroClick();
    search.txtDescrizione->setText(criteria);
    const auto start = std::chrono::steady_clock::now();
    search.cmdTrovaClick();
    QApplication::processEvents(); // the list drawn once
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The search is measured over the main window alone: it never opens another window, and what
// it finds is not loaded.
class NoOtherWindows final : public velarium::MainWindowNavigator, public velarium::SearchNavigator
{
public:
    void showHelp(const velarium::HelpTopic&) override {}
    void showAbout() override {}
    void showSplash() override {}
    void showSearch() override {}
    void showExport() override {}
    void showBackup() override {}
    void showFoundCard(const velarium::FileCard&, std::uint64_t) override {}
};

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    velarium::initResources();
    const int cards = argc > 1 ? std::atoi(argv[1]) : 100000;

    std::string pattern = (fs::temp_directory_path() / "velarium-search-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path folder(pattern);
    {
        velarium::CardArchive archive(folder);
        archive.Open();
        for (int i = 1; i <= cards; ++i) {
            const std::string n = std::to_string(i);
            archive.Append({"C:\\Documenti\\file" + n + ".doc",
                            (i % 10 == 0 ? "Fattura " : "Lettera ") + n, "pw" + n, "pw" + n});
        }
        archive.Close();
    }

    velarium::DesktopUi ui;
    velarium::AppContext context{folder, ui};
    NoOtherWindows navigator;
    velarium::TfrmEncrypt_Decrypt mainWindow(context, navigator);
    velarium::TfrmCercaAcq search(context, navigator, &mainWindow);
    search.show();

    const double all = secondsToBuild(search, QString());
    const int listed = search.lstRecords->count();
    const double filtered = secondsToBuild(search, QStringLiteral("fattura"));
    std::printf("search window, %d cards\n", cards);
    std::printf("  list every card (%d entries): %.3f s   (goal < 1 s)\n", listed, all);
    std::printf("  list 'fattura' (%d entries):  %.3f s   (goal < 1 s)\n",
                search.lstRecords->count(), filtered);
    search.hide();
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return all < 1.0 && filtered < 1.0 ? 0 : 2;
}
