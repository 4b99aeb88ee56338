#pragma once

#include <string_view>

namespace velarium {

// A page of the printer as a printout sees it: positions in printer pixels from the top left
// of the printable area, texts in Windows-1252, one font face whose size changes. What goes
// where is the printout's business; the printer only draws.
class PrintCanvas
{
public:
    virtual ~PrintCanvas() = default;
    virtual int pageHeight() const = 0;
    virtual int dotsPerInchY() const = 0;
    virtual void setFontSize(int points) = 0;
    // Writes a line whose top edge is at y.
    virtual void textOut(int x, int y, std::string_view text) = 0;
    virtual void newPage() = 0;
};

} // namespace velarium
