#include "platform/QtText.h"

#include "platform/Text.h"

#include <QFile>

namespace velarium {

QString trimmedText(const QString& text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first).unicode() <= 32) {
        ++first;
    }
    while (last > first && text.at(last - 1).unicode() <= 32) {
        --last;
    }
    return text.mid(first, last - first);
}

std::optional<std::string> toAnsi(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    return utf8ToCp1252(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

QString fromAnsi(const std::string& bytes)
{
    return QString::fromStdString(cp1252ToUtf8(bytes));
}

QString forDisplay(QString text)
{
    text.remove(QLatin1Char('\r'));
    return text;
}

std::filesystem::path toPath(const QString& text)
{
#ifdef Q_OS_WIN
    return std::filesystem::path(text.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(text).toStdString());
#endif
}

QString fromPath(const std::filesystem::path& path)
{
#ifdef Q_OS_WIN
    return QString::fromStdWString(path.native());
#else
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
#endif
}

QValidator::State AnsiValidator::validate(QString& input, int&) const
{
    return toAnsi(input) ? Acceptable : Invalid;
}

} // namespace velarium
