#include "window/window_settings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QVariant>
#include <algorithm>

namespace teril {

namespace {

QList<int> IntList(const QVariant& v) {
  QList<int> out;
  for (const QVariant& item : v.toList()) {
    bool ok = false;
    const int n = item.toInt(&ok);
    if (!ok || n < 0) return {};
    out.append(n);
  }
  return out;
}

QVariantList Variants(const QList<int>& values) {
  QVariantList out;
  for (int v : values) out.append(v);
  return out;
}

}  // namespace

QString WindowSettingsPath(const std::string& workFolder) {
  return QDir(QString::fromStdString(workFolder)).filePath("window.ini");
}

std::optional<WindowPlacement> ReadWindowPlacement(const QString& path) {
  if (!QFileInfo::exists(path)) return std::nullopt;
  QSettings ini(path, QSettings::IniFormat);
  if (ini.status() != QSettings::NoError) return std::nullopt;
  ini.beginGroup("MainWindow");
  WindowPlacement p;
  p.pos = ini.value("pos").toPoint();
  p.size = ini.value("size").toSize();
  p.split = IntList(ini.value("split"));
  p.logSplit = IntList(ini.value("logSplit"));
  ini.endGroup();
  if (!p.size.isValid() || p.size.width() < 100 || p.size.height() < 100) return std::nullopt;
  return p;
}

bool WriteWindowPlacement(const QString& path, const WindowPlacement& placement, QString* why) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QSettings ini(path, QSettings::IniFormat);
  ini.beginGroup("MainWindow");
  ini.setValue("pos", placement.pos);
  ini.setValue("size", placement.size);
  ini.setValue("split", Variants(placement.split));
  ini.setValue("logSplit", Variants(placement.logSplit));
  ini.endGroup();
  ini.sync();
  if (ini.status() == QSettings::NoError) return true;
  if (why) *why = "Cannot write \"" + path + "\"";
  return false;
}

QSize DefaultWindowSize(const QRect& available) {
  const QSize wanted(1400, 880);
  if (!available.isValid()) return wanted;
  return wanted.boundedTo(QSize(available.width() * 9 / 10, available.height() * 9 / 10));
}

WindowPlacement FittedPlacement(WindowPlacement p, const QRect& available) {
  if (!available.isValid()) return p;
  p.size = p.size.boundedTo(available.size());
  // The title bar must be reachable: its top left corner on the screen.
  const QRect bar(p.pos, QSize(std::min(p.size.width(), 100), 20));
  if (!available.contains(bar)) {
    p.pos.setX(std::clamp(p.pos.x(), available.left(), available.right() - p.size.width() + 1));
    p.pos.setY(std::clamp(p.pos.y(), available.top(), available.bottom() - p.size.height() + 1));
  }
  return p;
}

}  // namespace teril
