#include "window/plot_export.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QMarginsF>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QString>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>
#include <string_view>

#include "base/io.h"
#include "window/plot_recording.h"
#include "window/qt_canvas.h"

namespace teril {

namespace {

std::string Refused(const std::string& path, const std::string& why) {
  return "Cannot export the plot to \"" + path + "\": " + why;
}

}  // namespace

PlotFormat PlotFormatOf(const std::string& path) {
  const QString name = QFile::decodeName(path.c_str());
  if (name.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive)) return PlotFormat::kPng;
  if (name.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive)) return PlotFormat::kSvg;
  if (name.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) return PlotFormat::kPdf;
  return PlotFormat::kUnknown;
}

bool WritePlotPicture(const QtCanvas& canvas, const std::string& path, int width,
                      std::string& error) {
  const PlotFormat format = PlotFormatOf(path);
  if (format == PlotFormat::kUnknown) {
    error = Refused(path, "the name must end in .png, .svg or .pdf");
    return false;
  }
  if (width < 1 || width > kMaxExportWidth) {
    error = Refused(path, "the width must be 1 to " + std::to_string(kMaxExportWidth) + " pixels");
    return false;
  }
  EnsureGuiApplication();
  const double scale = static_cast<double>(width) / canvas.Width();
  const int height = std::max(1, static_cast<int>(std::lround(canvas.Height() * scale)));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  bool made = false;
  switch (format) {
    case PlotFormat::kPng: {
      QImage image(width, height, QImage::Format_RGB32);
      image.fill(Qt::white);
      QPainter painter(&image);
      canvas.Paint(painter, scale, true);
      painter.end();
      made = image.save(&buffer, "PNG");
      break;
    }
    case PlotFormat::kSvg: {
      QSvgGenerator svg;
      svg.setOutputDevice(&buffer);
      svg.setSize(QSize(width, height));
      svg.setViewBox(QRect(0, 0, width, height));
      svg.setTitle(QStringLiteral("TERIL plot"));
      QPainter painter;
      made = painter.begin(&svg);
      if (made) {
        canvas.Paint(painter, scale, false);
        made = painter.end();
      }
      break;
    }
    case PlotFormat::kPdf: {
      QPdfWriter pdf(&buffer);
      pdf.setCreator(QStringLiteral("TERIL"));
      pdf.setTitle(QStringLiteral("TERIL plot"));
      // The width in pixels at 96 per inch, in points.
      pdf.setPageSize(QPageSize(QSizeF(width * 0.75, height * 0.75), QPageSize::Point));
      pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
      QPainter painter;
      made = painter.begin(&pdf);
      if (made) {
        const double deviceScale = static_cast<double>(pdf.width()) / canvas.Width();
        canvas.Paint(painter, deviceScale, false);
        made = painter.end();
      }
      break;
    }
    case PlotFormat::kUnknown:
      break;
  }
  buffer.close();
  if (!made || bytes.isEmpty()) {
    error = Refused(path, "the picture could not be made");
    return false;
  }
  try {
    WriteFileAtomic(path,
                    std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  } catch (const IoError& e) {
    error = e.what();
    return false;
  }
  return true;
}

bool QtCanvas::ExportPicture(const std::string& path, int width, std::string& error) {
  return WritePlotPicture(*this, path, width, error);
}

}  // namespace teril
