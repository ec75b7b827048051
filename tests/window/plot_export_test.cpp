// File > Export plot...: PNG at the width asked for, SVG and PDF files that
// a reader opens, refusals that name the file, in the window's engine and
// in the console mode.
#include "window/plot_export.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QImage>
#include <QProcess>
#include <QSvgRenderer>
#include <filesystem>

#include "base/numfmt.h"
#include "engine/engine.h"
#include "plot/draw.h"
#include "plot/export_command.h"
#include "plot/view.h"
#include "support/scripted_host.h"
#include "window/qt_canvas.h"

namespace teril::testing {
namespace {

class PlotExportTest : public EngineTest {
 protected:
  QtCanvas canvas{673, 373};

  // A plot of 40 points of two observers, drawn as the window draws it.
  void SetUp() override {
    EngineTest::SetUp();
    canvas.SetRecording(true);
    AttachCanvas(*engine, &canvas);
    DataSet& d = engine->data;
    d.n = 40;
    for (int i = 1; i <= d.n; ++i) {
      d.t[i] = d.t0[i] = 100 + 0.1 * i;
      d.x[i] = 10 + (i % 9) * 0.1;
      d.observer[i] = ObserverCode(i % 4 ? "AB" : "CD");
    }
    d.tWidth = 9;
    d.tDecimals = 3;
    engine->view.StartFile();
    ResetView(*engine);
  }
  bool Exists(const std::string& name) const { return std::filesystem::exists(dir / name); }
};

TEST_F(PlotExportTest, PngHasTheWidthAskedForAndTheAspectOfThePlot) {
  std::string error;
  ASSERT_TRUE(WritePlotPicture(canvas, "wide.PNG", 1000, error)) << error;
  QImage png((dir / "wide.PNG").string().c_str());
  ASSERT_FALSE(png.isNull());
  EXPECT_EQ(png.width(), 1000);
  EXPECT_EQ(png.height(), 554);  // 373 * 1000 / 673 = 554.2
  // At the plot's own width the PNG is the bitmap itself.
  ASSERT_TRUE(WritePlotPicture(canvas, "same.png", 673, error)) << error;
  QImage same((dir / "same.png").string().c_str());
  EXPECT_EQ(same.convertToFormat(QImage::Format_RGB32),
            canvas.image().convertToFormat(QImage::Format_RGB32));
}

TEST_F(PlotExportTest, SvgHoldsThePlotsLinesAndText) {
  std::string error;
  ASSERT_TRUE(WritePlotPicture(canvas, "plot.svg", 1346, error)) << error;
  const std::string svg = ReadText("plot.svg");
  EXPECT_NE(svg.find("<svg"), std::string::npos);
  // The crosses are lines, the labels text.
  const bool lines =
      svg.find("<polyline") != std::string::npos || svg.find("<path") != std::string::npos;
  EXPECT_TRUE(lines);
  EXPECT_NE(svg.find("<text"), std::string::npos);
  QSvgRenderer renderer(QString::fromStdString((dir / "plot.svg").string()));
  EXPECT_TRUE(renderer.isValid());
  EXPECT_EQ(renderer.viewBox(), QRect(0, 0, 1346, 746));
}

TEST_F(PlotExportTest, PdfIsAPdfFile) {
  std::string error;
  ASSERT_TRUE(WritePlotPicture(canvas, "plot.pdf", 1346, error)) << error;
  const std::string pdf = ReadText("plot.pdf");
  ASSERT_GT(pdf.size(), 500u);
  EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
  EXPECT_NE(pdf.find("%%EOF"), std::string::npos);
}

TEST_F(PlotExportTest, AnUnknownExtensionAWidthOrAFolderThatDoesNotExistIsRefusedByName) {
  std::string error;
  EXPECT_FALSE(WritePlotPicture(canvas, "plot.gif", 1000, error));
  EXPECT_EQ(error,
            "Cannot export the plot to \"plot.gif\": the name must end in .png, .svg or .pdf");
  EXPECT_FALSE(Exists("plot.gif"));
  error.clear();
  EXPECT_FALSE(WritePlotPicture(canvas, "huge.png", kMaxExportWidth + 1, error));
  EXPECT_NE(error.find("\"huge.png\""), std::string::npos) << error;
  EXPECT_FALSE(Exists("huge.png"));
  error.clear();
  EXPECT_FALSE(WritePlotPicture(canvas, "no/such/folder/plot.png", 800, error));
  EXPECT_NE(error.find("plot.png"), std::string::npos) << error;
}

TEST_F(PlotExportTest, TheCommandAsksFileAndWidthAndSaysWhatItWrote) {
  dialogs.fieldAnswers = {
      {"curve.png", "700"}, {"curve.svg", ""}, {"curve.png", "wide"}, {"curve.txt", ""}};
  ExportPlotCommand(*engine);
  ASSERT_EQ(dialogs.shownFields.size(), 1u);
  ASSERT_EQ(dialogs.shownFields[0].size(), 2u);
  EXPECT_EQ(dialogs.shownFields[0][0].label, "File");
  EXPECT_EQ(dialogs.shownFields[0][1].label, "Width");
  EXPECT_EQ(dialogs.shownFields[0][1].value, "1346");  // twice the plot's width
  EXPECT_EQ(QImage((dir / "curve.png").string().c_str()).width(), 700);
  EXPECT_TRUE(host.Logged("LOG>>Plot exported to curve.png"));

  ExportPlotCommand(*engine);
  EXPECT_TRUE(QSvgRenderer(QString::fromStdString((dir / "curve.svg").string())).isValid());
  EXPECT_TRUE(host.Logged("LOG>>Plot exported to curve.svg"));

  ExportPlotCommand(*engine);  // a width that is not a number
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_NE(host.messages[0].find("\"wide\""), std::string::npos) << host.messages[0];
  EXPECT_EQ(QImage((dir / "curve.png").string().c_str()).width(), 700);  // untouched

  ExportPlotCommand(*engine);
  ASSERT_EQ(host.messages.size(), 2u);
  EXPECT_NE(host.messages[1].find("\"curve.txt\""), std::string::npos) << host.messages[1];
  EXPECT_TRUE(host.Logged(host.messages[1]));
  EXPECT_FALSE(Exists("curve.txt"));
}

// The console mode draws on an offscreen canvas and exports from it too:
// one line per field after the command's name.
TEST_F(PlotExportTest, ConsoleModeExportsThroughTheDialogLines) {
  std::string data;
  for (int i = 1; i <= 30; ++i)
    data += Str(200 + i * 0.05, 9, 3) + " " + Str(9 + (i % 5) * 0.2, 7, 3) + " A\n";
  const std::string path = WriteText("c.dat", data);
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove("QT_QPA_PLATFORM");
  env.remove("DISPLAY");
  env.insert("TERIL_HOME", QString::fromStdString((dir / "home").string()));
  p.setProcessEnvironment(env);
  p.start(TERIL_BINARY, {"--console", QString::fromStdString(path)});
  ASSERT_TRUE(p.waitForStarted(30000));
  p.write(":ExportPlot1\nc.png\n900\n:ExportPlot1\nc.pdf\n\n;\n");
  p.closeWriteChannel();
  ASSERT_TRUE(p.waitForFinished(60000));
  EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
  const std::string out = p.readAllStandardOutput().toStdString();
  EXPECT_NE(out.find("LOG>>Plot exported to c.png"), std::string::npos) << out;
  EXPECT_EQ(QImage((dir / "c.png").string().c_str()).width(), 900);
  EXPECT_EQ(ReadText("c.pdf").substr(0, 5), "%PDF-");
}

}  // namespace
}  // namespace teril::testing
