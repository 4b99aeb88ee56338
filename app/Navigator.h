#pragma once

#include <cstdint>

namespace velarium {

struct FileCard;
struct HelpTopic;

// How a window opens the guide's help on a topic of its own. The windows never see one another:
// the set of windows answers for the program, a recording stand-in for the tests.
class HelpNavigator
{
public:
    virtual void showHelp(const HelpTopic& topic) = 0;

protected:
    ~HelpNavigator() = default;
};

// The windows the main window opens, each modally, returning when it closes.
class MainWindowNavigator : public HelpNavigator
{
public:
    virtual void showAbout() = 0;
    virtual void showSplash() = 0;
    virtual void showSearch() = 0;
    virtual void showExport() = 0;
    virtual void showBackup() = 0;

protected:
    ~MainWindowNavigator() = default;
};

// Where the search window hands the card the user picked: to the main window, which shows it.
class SearchNavigator
{
public:
    virtual void showFoundCard(const FileCard& card, std::uint64_t number) = 0;

protected:
    ~SearchNavigator() = default;
};

// Where the login dialog hands over: to the main window once the password is right, or to the
// change of password.
class LoginNavigator
{
public:
    virtual void showMainWindow() = 0;
    virtual void showChangePassword() = 0;

protected:
    ~LoginNavigator() = default;
};

// Where the change of password goes when it closes: back to the login.
class ChangePasswordNavigator
{
public:
    virtual void backToLogin() = 0;

protected:
    ~ChangePasswordNavigator() = default;
};

} // namespace velarium
