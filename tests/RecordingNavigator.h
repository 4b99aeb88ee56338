#pragma once

#include "app/Navigator.h"
#include "guide/HelpTopics.h"

#include <cstdint>
#include <string>
#include <vector>

namespace velarium::test {

// Stands in for the set of windows: every window asked for is noted, in order, by name; help
// is noted with the title of its topic, a card handed over by its number.
class RecordingNavigator final : public MainWindowNavigator,
                                 public SearchNavigator,
                                 public LoginNavigator,
                                 public ChangePasswordNavigator
{
public:
    void showHelp(const HelpTopic& topic) override { shown.push_back("help: " + title(topic)); }
    void showAbout() override { shown.emplace_back("about"); }
    void showSplash() override { shown.emplace_back("splash"); }
    void showSearch() override { shown.emplace_back("search"); }
    void showFoundCard(const FileCard&, std::uint64_t number) override
    {
        shown.push_back("card " + std::to_string(number));
    }
    void showExport() override { shown.emplace_back("export"); }
    void showBackup() override { shown.emplace_back("backup"); }
    void showMainWindow() override { shown.emplace_back("main window"); }
    void showChangePassword() override { shown.emplace_back("change password"); }
    void backToLogin() override { shown.emplace_back("login"); }

    std::vector<std::string> shown;

private:
    static std::string title(const HelpTopic& topic) { return topic.title.toStdString(); }
};

} // namespace velarium::test
