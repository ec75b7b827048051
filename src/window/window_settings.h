// The window's own settings: its size, position and the split between the
// plot and the log, kept in an INI file in the settings folder (beside
// c.z), restored at start and saved when the program ends.
#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <optional>
#include <string>

namespace teril {

// The INI file in the settings folder `workFolder`.
QString WindowSettingsPath(const std::string& workFolder);

struct WindowPlacement {
  QPoint pos;
  QSize size;
  QList<int> split;     // widths of the plot and the log side
  QList<int> logSplit;  // heights of the log and the results
};

// The placement stored in `path`; nothing when the file or its values are
// missing or unusable.
std::optional<WindowPlacement> ReadWindowPlacement(const QString& path);
// Writes the placement; false (and `why`) when the file cannot be written.
bool WriteWindowPlacement(const QString& path, const WindowPlacement& placement, QString* why);

// The size of a first start: room for the plot and the log on a
// 1600 x 1000 screen, and never more than 90 % of the available area.
QSize DefaultWindowSize(const QRect& available);

// A stored placement made to fit the screens of today: no larger than the
// available area, and moved onto it when the screen it was on has gone.
WindowPlacement FittedPlacement(WindowPlacement p, const QRect& available);

}  // namespace teril
