#pragma once

#include <filesystem>

namespace velarium {

class UiServices;

// What every window is given: where the program keeps its files (the executable's folder in
// the program, a temporary folder in tests) and the desktop services it may call.
struct AppContext
{
    std::filesystem::path programFolder;
    UiServices& ui;
};

// The application title: the taskbar text and the caption of the plain message boxes.
inline constexpr const char* kApplicationTitle = "Velarium 2.0";

} // namespace velarium
