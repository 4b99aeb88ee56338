#pragma once

#include <QString>
#include <QStringList>

namespace velarium {

// What separates two paragraphs of a topic: an empty line, written as two CR LF pairs.
inline constexpr const char* kTopicParagraphBreak = "\r\n\r\n";

// One page of the help window: its title and its paragraphs.
struct HelpTopic
{
    QString title;
    QStringList paragraphs;

    // The whole text as the help window shows it.
    QString text() const;
};

// The main window's two topics: the picture "Guida" of the side column opens the overview, the
// command "Guida" of the command column the one on the cards.
const HelpTopic& overviewTopic();
const HelpTopic& cardsTopic();

} // namespace velarium
