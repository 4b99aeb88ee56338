#pragma once

#include "app/AppContext.h"
#include "app/Navigator.h"

#include <QStringList>
#include <memory>

namespace velarium {

class TfrmBakContatti;
class TfrmCambiaPassword;
class TfrmEncrypt_Decrypt;
class TfrmEsportaMat;
class TfrmHelpForm;
class TfrmInfo;
class TfrmPassword;
class TfrmSplash;

// The program's windows, created once at start in a fixed order, each living until the end.
// The login dialog comes first: it is the window the program opens with. The set is what the
// windows navigate through: each opens another only by asking it.
class Forms final : public MainWindowNavigator,
                    public SearchNavigator,
                    public LoginNavigator,
                    public ChangePasswordNavigator
{
public:
    explicit Forms(AppContext context);
    ~Forms();
    Forms(const Forms&) = delete;
    Forms& operator=(const Forms&) = delete;

    // Shows the first window, the login dialog. A file given at the start (a file manager's
    // "Open with") is shown by the main window once the password is right.
    void showFirst(const QStringList& filesGiven = QStringList());

    void showHelp(const HelpTopic& topic) override;
    void showAbout() override;
    void showSplash() override;
    void showSearch() override;
    void showFoundCard(const FileCard& card, std::uint64_t number) override;
    void showExport() override;
    void showBackup() override;
    void showMainWindow() override;
    void showChangePassword() override;
    void backToLogin() override;

    // In the order of creation. The search window is not among them: each search makes its
    // own.
    std::unique_ptr<TfrmPassword> frmPassword;
    std::unique_ptr<TfrmEncrypt_Decrypt> frmEncrypt_Decrypt;
    std::unique_ptr<TfrmHelpForm> frmHelpForm;
    std::unique_ptr<TfrmInfo> frmInfo;
    std::unique_ptr<TfrmSplash> frmSplash;
    std::unique_ptr<TfrmEsportaMat> frmEsportaMat;
    std::unique_ptr<TfrmBakContatti> frmBakContatti;
    std::unique_ptr<TfrmCambiaPassword> frmCambiaPassword;

private:
    AppContext context_;
    UiServices& ui_;
    // For the first showing of the main window only.
    QStringList filesGiven_;
};

} // namespace velarium
