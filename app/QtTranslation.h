#pragma once

#include <filesystem>

class QTranslator;

namespace velarium {

// The folder of the program folder that carries Qt's own Italian texts.
inline constexpr const char* kTranslationsFolder = "translations";

// Gives Qt's own texts (the buttons of the message boxes, the file dialogs, the fields' context
// menu) in Italian, as every text of the program is. The catalogue carried in the program folder
// comes first, so that a folder copied to another computer speaks Italian there too; Qt's own
// installation serves otherwise. Returns the translator installed, which the application owns,
// or null when no catalogue was found (Qt then keeps its English).
QTranslator* installQtTranslation(const std::filesystem::path& programFolder);

} // namespace velarium
