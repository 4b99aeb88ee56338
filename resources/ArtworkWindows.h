#pragma once

#include <QImage>
#include <QString>
#include <vector>

namespace velarium::artwork {

struct Picture
{
    QString fileName; // its extension chooses the format it is saved in
    QImage image;
};

// The pictures of every window but the main one, under the names the windows load them by.
std::vector<Picture> windowPictures();

} // namespace velarium::artwork
