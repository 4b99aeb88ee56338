#pragma once

#include <filesystem>

namespace velarium {

class Forms;
class UiServices;

// What every window is given: where the program keeps its files (the executable's folder in
// the program, a temporary folder in tests), the desktop services it may call, and the set of
// the program's windows it belongs to (none for a window tested on its own).
struct AppContext
{
    std::filesystem::path programFolder;
    UiServices& ui;
    Forms* forms = nullptr;
};

// The application title: the taskbar text and the caption of the plain message boxes.
inline constexpr const char* kApplicationTitle = "Velarium 2.0";

} // namespace velarium
