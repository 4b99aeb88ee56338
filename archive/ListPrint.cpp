#include "archive/ListPrint.h"

#include <cmath>

namespace velarium {

int fontHeight(const PrintCanvas& canvas, int points)
{
    return static_cast<int>(std::lround(points * canvas.dotsPerInchY() / 72.0));
}

void printCardList(PrintCanvas& canvas, const std::vector<std::string>& entries,
                   std::string_view date, std::string_view time)
{
    constexpr int x = 150;
    const std::string rule(45, '-');
    const int small = fontHeight(canvas, 8);

    canvas.setFontSize(14);
    int y = 2 * fontHeight(canvas, 14);
    canvas.textOut(x, y, rule);
    canvas.setFontSize(12);
    y += fontHeight(canvas, 12);
    canvas.textOut(x, y, "Elenco schede file criptati");
    y += fontHeight(canvas, 12);
    canvas.setFontSize(14);
    canvas.textOut(x, y, rule);
    canvas.setFontSize(8);
    y += 3 * small;

    for (const std::string& entry : entries) {
        if (y >= canvas.pageHeight() - 3 * small) {
            y = 2 * small;
            canvas.newPage();
        }
        canvas.textOut(x, y, entry);
        y += 2 * small;
    }
    // The footer follows the last entry without a page check.
    canvas.textOut(x, y + 50, std::string(20, '_'));
    canvas.textOut(x, y + 150,
                   "Stampa eseguita in data " + std::string(date) + " alle ore " +
                       std::string(time));
}

} // namespace velarium
