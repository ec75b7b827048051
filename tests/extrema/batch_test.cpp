// The comparison of the chosen methods, the four result files and the
// batch run over the intervals of an intervals file.
#include "extrema/batch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "base/io.h"
#include "base/numfmt.h"
#include "engine/engine.h"
#include "engine/named_command.h"
#include "extrema/approximate.h"
#include "extrema/batch_files.h"
#include "extrema/batch_fixture.h"
#include "extrema/intervals.h"

namespace teril {
namespace {

const std::string kSci1 = " 1.00000000000000E+0000";
const std::string kSci2 = " 2.00000000000000E+0000";
const std::string kSci0 = " 0.00000000000000E+0000";

TEST(BatchFiles, LinesInTheirColumnsWithTheScientificForm) {
  BatchResult r;
  r.first = 3;
  r.last = 9;
  r.tMin = r.sigma0 = r.T = r.sigmaT = r.M = r.sigmaM = 1;
  r.tMax = 2;
  r.method = "wsp";
  r.m = 3;
  r.count = 2;
  r.minimum = true;
  r.curvaturePositive = true;
  r.coef[1] = 1;
  r.coefSigma[9] = 2;
  const std::string s5 = kSci1 + " " + kSci1 + " " + kSci1 + " " + kSci1 + " " + kSci1;
  EXPECT_EQ(AllMethodLine(r, "a.dat"), s5 + " 3 2 a.dat 3 9 wsp max ");
  EXPECT_EQ(ResultLine(r), "3 9 " + kSci1 + " " + kSci2 + " " + s5 + " wsp 3 2 min ");
  EXPECT_EQ(BadLine(r), "3 " + kSci1 + " 9 " + kSci2 + " wsp");
  std::string coefs = kSci1 + " " + kSci0;
  for (int k = 2; k <= 8; ++k) coefs += " " + kSci0 + " " + kSci0;
  coefs += " " + kSci0 + " " + kSci2;
  EXPECT_EQ(ExtrCoefLine(r), "3 9 " + s5 + " wsp 3 2  " + coefs + "  min");
  r.minimum = r.curvaturePositive = false;
  EXPECT_EQ(AllMethodLine(r, "a.dat").substr(AllMethodLine(r, "a.dat").size() - 5), " min ");
  EXPECT_EQ(ExtrCoefLine(r).substr(ExtrCoefLine(r).size() - 5), "  max");
}

TEST(BatchFiles, HeadersAndNames) {
  EXPECT_EQ(ExtrCoefHeader(),
            "Point: start  end  sigma0  Extremum: time +-  mag +-  method  lin_coef  nonlin_coef  "
            " c1  +-  c2  +-  c3  +-  c4  +-  c5  +-  c6  +-  c7  +-  \xF1"
            "8  +-  \xF1"
            "9  +-  max_or_min");
  EXPECT_EQ(AllMethodHeader(false),
            "Extremum: time +-  mag +- sigma0  lin coef nonlin coef filename  point start  end    "
            "method  min or max");
  EXPECT_EQ(AllMethodHeader(true).substr(0, 34), "Extremum: time +-  mag +-  sigma0 ");
  EXPECT_EQ(ResultFileName("a.b.txt"), "a_result.dat");
  EXPECT_EQ(BadFileName("BootStrap.dat!", "a.dat"), "BootStrap_bad.da!");
  // The "." of a folder does not cut the name.
  EXPECT_EQ(BadFileName("/data/run.v2/star.int", "a.dat"), "/data/run.v2/star_bad.da!");
  EXPECT_EQ(BadFileName("/data/run.v2/marks", "a.b.dat"), "a_bad.da!");
  EXPECT_EQ(BadFileName("", "a.b.dat"), "a_bad.da!");
}

class BatchRunTest : public testing::BatchTest {
 protected:
  // sigma T of the polynomial of m coefficients, as the approximation
  // command would find it.
  double PolynomialSigmaT(int m) {
    int p = 1;
    engine->lsq.m = 3;
    Approximate(*engine, p);
    engine->lsq.m = m;
    int method = 1;
    Approximate(*engine, method);
    return engine->approx.ExtremumTimeSigma;
  }
  // Three blocks of the times 0..8; block b has its minimum at t = b + 1.
  void LoadThreeBlocks(Engine* target = nullptr) {
    Engine& e = target ? *target : *engine;
    LoadBlocks(
        3, 9, [](int b, double t) { return 10 + 0.1 * (t - b - 1) * (t - b - 1); }, &e);
    WriteText("b.!", "1 0 9 8\n10 0 18 8\n19 0 27 8\n");
    ReadIntervalsFile(e, "b.!");
    e.batch.intervalsFile = "b.!";
  }
  std::vector<std::string> DataLines(const std::string& file) {
    auto lines = ReadLines(file);
    if (!lines.empty()) lines.erase(lines.begin());
    return lines;
  }
};

TEST_F(BatchRunTest, OnlyThePolynomialOnFivePointsKeepsTheOrderWithTheSmallestSigmaT) {
  const double x[] = {10.31, 10.08, 10.02, 10.17, 10.43};
  LoadCurve(5, [&x](double t) { return x[static_cast<int>(t)]; });
  int best = 3;
  double bestSigma = PolynomialSigmaT(3);
  for (int m = 4; m <= 5; ++m)
    if (double s = PolynomialSigmaT(m); s < bestSigma) best = m, bestSigma = s;
  Check({1});
  dialogs.yesNoAnswers = {true};
  RunChosenMethods(*engine);
  auto lines = DataLines(kAllMethodFile);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NEAR(*ParseNumber(lines[0].substr(24, 23)), bestSigma, 1e-13 * bestSigma);
  // The kept m, then the count as the last order tried (5) left it.
  EXPECT_NE(lines[0].find(" " + std::to_string(best) + " 5 star.dat 1 5 polynomial "),
            std::string::npos)
      << lines[0];
  EXPECT_TRUE(host.Logged("linear coef " + std::to_string(best)));
  EXPECT_EQ(DataLines(kExtrCoefFile).size(), 1u);
}

TEST_F(BatchRunTest, TwoPointsAreTooFewButExtrCoefStillGetsALine) {
  LoadCurve(2, [](double t) { return 10 + t; });
  Check({1, 2});
  RunChosenMethods(*engine);
  EXPECT_TRUE(host.Logged("Polynomial approximation: Number of points too small2"));
  EXPECT_TRUE(host.Logged("Symmetrical polynomial approximation: Number of points too small2"));
  EXPECT_FALSE(FileExists(kAllMethodFile));
  auto lines = DataLines(kExtrCoefFile);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].substr(0, 4), "1 2 ");
  EXPECT_NE(lines[0].find(" none 0 0  "), std::string::npos) << lines[0];
  EXPECT_EQ(*ParseNumber(lines[0].substr(4, 23)), 1e32);
  EXPECT_EQ(*ParseNumber(lines[0].substr(28, 23)), 9999);
}

TEST_F(BatchRunTest, NavOnSixPointsWritesNothingToAllMethodButOnSevenItDoes) {
  LoadCurve(6, [](double t) { return 10 + 0.1 * (t - 2.5) * (t - 2.5); });
  Check({3});
  RunChosenMethods(*engine);
  EXPECT_FALSE(FileExists(kAllMethodFile));
  LoadCurve(7, [](double t) { return 10 + 0.1 * (t - 3.2) * (t - 3.2); });
  RunChosenMethods(*engine);
  auto lines = ReadLines(kAllMethodFile);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], AllMethodHeader(true));
}

TEST_F(BatchRunTest, HeadersOnlyWhenTheFilesAreCreatedAndRefusedResultsGoToTheBadFile) {
  LoadCurve(9, [](double t) { return 10 + 0.1 * (t - 4.3) * (t - 4.3) + 0.01 * (t == 2); });
  Check({1}, true);
  dialogs.yesNoAnswers = {true, true, false};
  for (int run = 0; run < 3; ++run) RunChosenMethods(*engine);
  auto result = ReadLines("star_result.dat");
  ASSERT_EQ(result.size(), 3u);
  EXPECT_EQ(result[0], ResultHeader());
  EXPECT_EQ(result[1].substr(0, 4), "1 9 ");
  auto bad = ReadLines("star_bad.da!");  // no intervals file: named after the data file
  ASSERT_EQ(bad.size(), 2u);
  EXPECT_EQ(bad[0], BadHeader());
  EXPECT_EQ(bad[1], "1 " + kSci0 + " 9  8.00000000000000E+0000 polynomial");
  EXPECT_EQ(ReadLines(kExtrCoefFile).size(), 4u);
  EXPECT_EQ(ReadLines(kAllMethodFile).size(), 4u);
  EXPECT_EQ(ReadLines(kAllMethodFile)[0], AllMethodHeader(false));
  // The "No" is not logged as a result.
  EXPECT_EQ(std::count(host.log.begin(), host.log.end(), "Polynomial approximation"), 2);
}

// The vertex of a parabola at t = 30 lies far outside the points 0..20:
// the spline puts its moment outside its central interval (9999). That run
// is listed with all methods, but the polynomial is the one filed.
TEST_F(BatchRunTest, AMomentOutsideItsIntervalIsListedButNeverTheBest) {
  LoadCurve(21, [](double t) { return 10 + 0.01 * (t - 30) * (t - 30) + 0.001 * std::sin(7 * t); });
  Check({1, 8});
  int p = 1;
  engine->lsq.m = 3;
  Approximate(*engine, p);
  MethodComparison c = CompareMethods(*engine);
  const auto listed = DataLines(kAllMethodFile);
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(*ParseNumber(listed[1].substr(0, 23)), 9999);  // the spline's line
  EXPECT_EQ(c.group[3].method, 0);
  EXPECT_EQ(c.bestGroup, 1);
  EXPECT_EQ(c.bestMethod, 1);
}

TEST_F(BatchRunTest, OverallBestIsTheSmallestSigma2NotTheSmallestSigmaT) {
  // A Gaussian dip with a little noise, where the symmetrical polynomial
  // has the smaller sigma T and the polynomial the smaller variance.
  unsigned s = 2;
  auto noise = [&s] {
    s = s * 1664525u + 1013904223u;  // a plain LCG, only for reproducible noise
    return ((s >> 8) / 16777216.0 - 0.5) * 0.02;
  };
  LoadCurve(41, [&](double t) {
    return 12 + 0.8 * std::exp(-0.5 * std::pow((t - 20.3) / 6, 2)) + noise();
  });
  Check({1, 2});
  int p = 1;
  engine->lsq.m = 3;
  Approximate(*engine, p);
  MethodComparison c = CompareMethods(*engine);
  ASSERT_LT(c.group[2].timeSigma, c.group[1].timeSigma);
  ASSERT_LT(c.group[1].Sigma2, c.group[2].Sigma2);
  EXPECT_EQ(c.bestGroup, 1);
  EXPECT_EQ(c.bestMethod, 1);
  EXPECT_EQ(c.bestSigma2, c.group[1].Sigma2);
  // The kept order's variance is that of a plain run with that order.
  engine->lsq.m = c.group[1].m;
  int method = 1;
  Approximate(*engine, method);
  EXPECT_EQ(engine->approx.Sigma2, c.group[1].Sigma2);
}

TEST_F(BatchRunTest, TheFormKeepsItsMarksAndRunWithoutMarksShowsIt) {
  LoadCurve(9, [](double t) { return 10 + 0.1 * (t - 4.3) * (t - 4.3); });
  RunNamedCommand(*engine, "runapproximation1");  // nothing checked: the form, closed
  ASSERT_EQ(dialogs.methodChoices.size(), 1u);
  EXPECT_EQ(dialogs.methodChoices[0].items, ChoosableMethodNames());
  EXPECT_EQ(ChoosableMethodNames()[3], "Mik approximation");
  EXPECT_EQ(ChoosableMethodNames()[8], "AP approximation");
  EXPECT_EQ(dialogs.methodChoices[0].button, "Do it!");
  EXPECT_FALSE(FileExists(kExtrCoefFile));
  dialogs.methodAnswers = {{{1, 6}, true}};
  dialogs.yesNoAnswers = {true};
  RunNamedCommand(*engine, "chooseapproximation1");
  RunNamedCommand(*engine, "chooseapproximation1");  // closed: the marks stay
  EXPECT_EQ(dialogs.methodChoices[2].checked,
            (std::vector<bool>{true, false, false, false, false, true, false, false, false}));
  EXPECT_TRUE(dialogs.methodChoices[2].optionChecked);
  RunNamedCommand(*engine, "runapproximation1");  // marks set: runs at once
  EXPECT_EQ(dialogs.methodChoices.size(), 3u);
  EXPECT_EQ(ReadLines(kExtrCoefFile).size(), 3u);
  EXPECT_FALSE(engine->approx.QuietOutOfInterval);
}

// Under another command's question (here a number, as "L" asks its limits)
// the batch and the run of the chosen methods wait: they would move the
// view that the question is about to set.
TEST_F(BatchRunTest, TheBatchDoesNotRunUnderAnotherCommandsQuestion) {
  LoadThreeBlocks();
  Check({1});
  engine->console.waitingForInput = 1;
  engine->console.inputMode = kModeNumber;
  dialogs.methodAnswers = {{{1}, true}};
  RunNamedCommand(*engine, "doforallnextintervals1");
  RunNamedCommand(*engine, "runapproximation1");
  EXPECT_TRUE(dialogs.methodChoices.empty());
  EXPECT_FALSE(FileExists(kExtrCoefFile));
  EXPECT_EQ(std::count(host.log.begin(), host.log.end(), "!!! IO is not waiting for input"), 2);
  EXPECT_EQ(engine->console.waitingForInput, 1);
  engine->console.waitingForInput = 0;
}

// Points deleted since the intervals were read: interval 1 (and the rest)
// no longer exist, so nothing is fitted, not even the points on show.
TEST_F(BatchRunTest, AFirstIntervalThatCannotBeShownIsNotFitted) {
  LoadThreeBlocks();
  engine->data.n = 5;
  engine->view.lastVisible = 5;
  dialogs.methodAnswers = {{{1}, true}};
  RunNamedCommand(*engine, "doforallnextintervals1");
  EXPECT_FALSE(FileExists(kExtrCoefFile));
  EXPECT_FALSE(FileExists(kAllMethodFile));
}

TEST_F(BatchRunTest, BatchFitsEveryBlockOnItsOwnPointsAndNamesThePictures) {
  LoadThreeBlocks();
  dialogs.methodAnswers = {{{1}, true}};
  RunNamedCommand(*engine, "doforallnextintervals1");
  auto lines = DataLines(kExtrCoefFile);
  ASSERT_EQ(lines.size(), 3u);
  for (int r = 1; r <= 3; ++r) {
    const std::string range = std::to_string(9 * r - 8) + " " + std::to_string(9 * r) + " ";
    EXPECT_EQ(lines[r - 1].substr(0, range.size()), range);
    // Exact parabolas: the vertex of block r lies at t = r + 1.
    EXPECT_NEAR(*ParseNumber(lines[r - 1].substr(range.size() + 24, 23)), r + 1, 1e-9);
  }
  EXPECT_EQ(DataLines("star_result.dat").size(), 3u);
  EXPECT_FALSE(FileExists("b_bad.da!"));
  EXPECT_TRUE(host.Logged("interval=3 from 3"));
  EXPECT_FALSE(host.LoggedPart("Start time"));
  std::vector<std::string> pictures;
  for (auto& call : canvas.calls)
    if (call.op == "SaveRect") pictures.push_back(call.text);
  EXPECT_EQ(pictures,
            (std::vector<std::string>{"star_int_000001_Pol.bmp", "star_int_000002_Pol.bmp",
                                      "star_int_000003_Pol.bmp"}));
  EXPECT_EQ(host.progress.size(), 3u);
  EXPECT_EQ(host.progress[1].done, 2);
  EXPECT_EQ(host.progress[1].total, 3);
  EXPECT_EQ(host.progressEnds, 1);
  EXPECT_FALSE(engine->approxOut.BatchMode);
  EXPECT_EQ(engine->approxOut.intervalCounter, 0);
  EXPECT_TRUE(engine->checks.hint);
  EXPECT_TRUE(dialogs.yesNoAnswers.empty());  // no question was asked
}

TEST_F(BatchRunTest, CancelStopsAfterTheIntervalInProgressAndClosingTheFormRunsNothing) {
  LoadThreeBlocks();
  RunNamedCommand(*engine, "doforallnextintervals1");  // the form is closed
  EXPECT_FALSE(FileExists(kExtrCoefFile));
  EXPECT_TRUE(engine->checks.hint);
  engine->batch.currentInterval = 0;
  host.stopAtProgress = 1;  // the second report answers "stop"
  dialogs.methodAnswers = {{{1}, false}};
  RunNamedCommand(*engine, "doforallnextintervals1");
  EXPECT_EQ(DataLines(kExtrCoefFile).size(), 2u);
  EXPECT_TRUE(host.Logged("do for all next intervals: stopped after interval 2 of 3"));
  EXPECT_EQ(engine->batch.currentInterval, 2);
}

TEST_F(BatchRunTest, AnUnwritableResultFileStopsTheBatchAndKeepsWhatWasWritten) {
  LoadThreeBlocks();
  std::filesystem::create_directory(dir / "star_result.dat");
  dialogs.methodAnswers = {{{1}, true}};
  RunNamedCommand(*engine, "doforallnextintervals1");
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_NE(host.messages[0].find("star_result.dat"), std::string::npos);
  EXPECT_TRUE(host.Logged("do for all next intervals: stopped at interval 1 of 3"));
  EXPECT_EQ(DataLines(kAllMethodFile).size(), 1u);
  EXPECT_FALSE(engine->approxOut.BatchMode);
  EXPECT_TRUE(engine->checks.hint);
}

// A host whose progress display runs "abort do for all" as the window
// would when the item is clicked during the batch.
class AbortingHost : public testing::ScriptedHost {
 public:
  Engine* engine = nullptr;
  bool Progress(long long done, long long total, const std::string& what) override {
    if (done == 1) RunNamedCommand(*engine, "abortdoforall1");
    return testing::ScriptedHost::Progress(done, total, what);
  }
};

TEST_F(BatchRunTest, AbortStopsAfterTheIntervalInProgress) {
  AbortingHost aborting;
  testing::ScriptedDialogs answers;
  Engine e(aborting, answers, EngineOptions{(dir / "work2").string()});
  e.console.writeLogFile = false;
  aborting.engine = &e;
  e.run.inputFile = "star.dat";
  LoadThreeBlocks(&e);
  answers.methodAnswers = {{{1}, false}};
  RunNamedCommand(e, "doforallnextintervals1");
  EXPECT_EQ(DataLines(kExtrCoefFile).size(), 1u);
  EXPECT_TRUE(aborting.Logged("do for all next intervals: stopped after interval 1 of 3"));
}

}  // namespace
}  // namespace teril
