#pragma once

// What the portable office files are made of, shared among their sources only: the texts as
// the files hold them, the way a finished file is put in place, and the two file formats, each
// written from a plain description of its content.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace velarium::platform::office {

// A Windows-1252 text as UTF-8 that XML admits: any control character but TAB, LF and CR (only
// a damaged card holds one) becomes a blank, as the command-line tool shows it.
std::string documentText(std::string_view cp1252);

// Puts the complete file at `target` in one step, made new readable by its owner only, since
// it holds the archive's passwords; a file replaced keeps its permissions. A name already
// taken, even by a link that leads nowhere, is refused unless it names a file that may be
// replaced. Raises, leaving `target` as it was.
void writeDocumentFile(const std::filesystem::path& target, std::string_view bytes);
// The same for a file that `fill` writes itself at the path it is given.
void writeDocumentFile(const std::filesystem::path& target,
                       const std::function<void(const std::filesystem::path&)>& fill);

// ---------------------------------------------------------------------------------------------
// Word processor

// The complete .docx file of a document that holds `table` (rows of Windows-1252 texts, all of
// the same length, within Word's limits) and nothing else.
std::string docxBytes(const std::vector<std::vector<std::string>>& table);

// ---------------------------------------------------------------------------------------------
// Spreadsheet

inline constexpr int kSheetRows = 1'048'576;
inline constexpr int kSheetColumns = 16'384;

struct CellRef
{
    int row = 0; // from 0
    int column = 0;
};

struct Area
{
    CellRef first;
    CellRef last;

    std::uint64_t cellCount() const
    {
        return static_cast<std::uint64_t>(last.row - first.row + 1) *
               static_cast<std::uint64_t>(last.column - first.column + 1);
    }
};

struct Cell
{
    std::string text; // Windows-1252
    int numberFormat = -1;
    bool bold = false;
};

// The key of a cell in Sheet::cells: its row and column in one number.
inline std::uint64_t cellKey(CellRef at)
{
    return static_cast<std::uint64_t>(at.row) * kSheetColumns +
           static_cast<std::uint64_t>(at.column);
}

// The one worksheet of a workbook.
struct Sheet
{
    std::string name; // UTF-8
    std::unordered_map<std::uint64_t, Cell> cells;
    // UTF-8; a cell's numberFormat is an index here, -1 for the general one.
    std::vector<std::string> numberFormats;
    // Column (from 0) to width, in characters.
    std::map<int, double> widths;
    Area selection{};
};

// Writes the complete .xlsx file of `sheet` at `path`. Raises velarium::Error.
void writeWorkbook(const std::filesystem::path& path, const Sheet& sheet);

} // namespace velarium::platform::office
