#pragma once

#include <QString>
#include <QValidator>
#include <filesystem>
#include <optional>
#include <string>

// The edge between Qt's Unicode texts and the program's Windows-1252 bytes.
namespace velarium {

// Trimmed as the program trims: characters with codes 0 to 32 removed at both ends.
QString trimmedText(const QString& text);

// The Windows-1252 bytes of a text; nothing when it holds a character the code page lacks.
std::optional<std::string> toAnsi(const QString& text);
QString fromAnsi(const std::string& bytes);

// The program's texts keep paragraphs apart with CR LF pairs (a few with LF CR); a label or
// text box would draw each CR as a stray glyph, so what is shown has plain line feeds.
QString forDisplay(QString text);

// A path as the file system names it, and back: wide on Windows, the locale's bytes elsewhere,
// so that no name is mangled on the way.
std::filesystem::path toPath(const QString& text);
QString fromPath(const std::filesystem::path& path);

// Refuses input that Windows-1252 cannot represent, so that no character typed into a field
// is silently replaced on its way to a file. Refused characters would vanish without a word:
// a tooltip at the field names them, once per edit of the field (until it loses the focus).
class AnsiValidator final : public QValidator
{
public:
    explicit AnsiValidator(QObject* field);
    State validate(QString& input, int& pos) const override;

    // The tooltip's text for the refused characters.
    static QString refusalText(const QString& characters);

private:
    void tellRefused(const QString& input) const;
    // Whether this edit of the field has been told already.
    mutable bool told_ = false;
};

} // namespace velarium
