#include "platform/QtText.h"

#include "platform/Text.h"

#include <QLineEdit>
#include <QToolTip>

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

AnsiValidator::AnsiValidator(QObject* field) : QValidator(field)
{
    if (auto* edit = qobject_cast<QLineEdit*>(field)) {
        connect(edit, &QLineEdit::editingFinished, this, [this] { told_ = false; });
    }
}

QValidator::State AnsiValidator::validate(QString& input, int&) const
{
    if (toAnsi(input)) {
        return Acceptable;
    }
    tellRefused(input);
    return Invalid;
}

QString AnsiValidator::refusalText(const QString& characters)
{
    const bool one =
        characters.size() == 1 || (characters.size() == 2 && characters.front().isHighSurrogate());
    return (one ? QStringLiteral("Il carattere «%1» non può essere conservato")
                : QStringLiteral("I caratteri «%1» non possono essere conservati"))
               .arg(characters) +
           QStringLiteral(": l'archivio registra soltanto i caratteri dell'alfabeto latino "
                          "(codifica Windows-1252).");
}

void AnsiValidator::tellRefused(const QString& input) const
{
    auto* field = qobject_cast<QWidget*>(parent());
    if (told_ || field == nullptr) {
        return;
    }
    told_ = true;
    QString refused;
    for (const char32_t code : input.toUcs4()) {
        if (!unicodeToCp1252(code)) {
            const QString character = QString::fromUcs4(&code, 1);
            if (!refused.contains(character)) {
                refused += character;
            }
        }
    }
    QToolTip::showText(field->mapToGlobal(QPoint(0, field->height())), refusalText(refused), field);
}

} // namespace velarium
