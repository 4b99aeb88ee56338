#pragma once

#include <QColor>
#include <QString>

namespace velarium {

// The colours of the windows, each named once.
inline const QColor kBlack(0, 0, 0);
inline const QColor kWhite(255, 255, 255);
inline const QColor kRed(255, 0, 0);
inline const QColor kMaroon(0x80, 0x00, 0x00);
inline const QColor kNavy(0x00, 0x00, 0x80);
inline const QColor kSilver(0xC0, 0xC0, 0xC0);
inline const QColor kLightGrey(0xF0, 0xF0, 0xF0);
inline const QColor kFocusYellow(255, 255, 0);
inline const QColor kSkyBlue(0xA6, 0xCA, 0xF0);
inline const QColor kLightBlue(0xDD, 0xEE, 0xFF);
inline const QColor kLightOrange(0xFF, 0xE8, 0xCC);
inline const QColor kFrameBlue(0x5A, 0x78, 0xC8);
// The export grid's rows, alternating.
inline const QColor kOddRow(223, 235, 255);
inline const QColor kEvenRow(249, 255, 225);

// The faces the windows are drawn in; where the system lacks one, Qt takes the nearest.
inline const QString kVerdana = QStringLiteral("Verdana");
inline const QString kTahoma = QStringLiteral("Tahoma");
inline const QString kCourierNew = QStringLiteral("Courier New");

} // namespace velarium
