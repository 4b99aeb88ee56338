// Paths between the windows and the file system, in UTF-16 as Windows keeps them: the ANSI
// code page would lose the names it cannot hold.
#include "platform/QtText.h"

namespace velarium {

std::filesystem::path toPath(const QString& text)
{
    return std::filesystem::path(text.toStdWString());
}

QString fromPath(const std::filesystem::path& path)
{
    return QString::fromStdWString(path.native());
}

} // namespace velarium
