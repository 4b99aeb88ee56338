// Paths between the windows and the file system, in the file system's own 8-bit names.
#include "platform/QtText.h"

#include <QFile>

namespace velarium {

std::filesystem::path toPath(const QString& text)
{
    return std::filesystem::path(QFile::encodeName(text).toStdString());
}

QString fromPath(const std::filesystem::path& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
}

} // namespace velarium
