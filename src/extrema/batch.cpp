#include "extrema/batch.h"

#include <algorithm>
#include <cmath>

#include "base/io.h"
#include "base/numfmt.h"
#include "engine/engine.h"
#include "engine/named_command.h"
#include "extrema/approximate.h"
#include "extrema/approximation_command.h"
#include "extrema/batch_files.h"
#include "extrema/intervals.h"
#include "extrema/models.h"
#include "plot/view.h"

namespace teril {

namespace {

std::string Int(long long v) { return Str(v); }

// Sets a variable for the length of a scope and puts the old value back
// however the scope is left.
template <typename T>
class ScopedValue {
 public:
  ScopedValue(T& var, T value) : var_(var), old_(var) { var_ = value; }
  ~ScopedValue() { var_ = old_; }
  ScopedValue(const ScopedValue&) = delete;
  ScopedValue& operator=(const ScopedValue&) = delete;

 private:
  T& var_;
  T old_;
};

// The number of points of the interval, as the comparison counts them.
int IntervalPoints(const Engine& e) {
  const ViewState& v = e.view;
  if (v.firstVisible < 1 || v.lastVisible < v.firstVisible) return 0;
  return std::min(v.lastVisible, e.data.n) - v.firstVisible + 1;
}

// sqrt of the unit-weight variance, as the files report it.
double Sigma0(double sigma2) { return sigma2 > 0 ? std::sqrt(sigma2) : 0.0; }

// The lines of the last Approximate run, filed as `method`.
BatchResult FromLastRun(const Engine& e, int method) {
  const ViewState& v = e.view;
  const LsqState& s = e.lsq;
  const ApproxState& a = e.approx;
  BatchResult r;
  r.first = v.firstVisible;
  r.last = v.lastVisible;
  r.tMin = v.tMin;
  r.tMax = v.tMax;
  r.sigma0 = Sigma0(a.Sigma2);
  r.T = a.ExtremumTime;
  r.sigmaT = a.ExtremumTimeSigma;
  r.M = a.ExtremumMag;
  r.sigmaM = a.ExtremumMagSigma;
  r.method = FileWord(method);
  r.m = s.m;
  r.count = s.n - s.m;
  r.minimum = a.isMinimum;
  r.curvaturePositive = s.CurvatureSign > 0;
  for (int k = 1; k <= 9; ++k) {
    r.coef[k] = k <= s.n ? s.Coef[k] : 0.0;
    r.coefSigma[k] = k <= s.n ? a.CoefSigma[k] : 0.0;
  }
  return r;
}

// The line of an interval that no checked method could fit.
BatchResult NoFit(const Engine& e) {
  BatchResult r;
  const ViewState& v = e.view;
  r.first = v.firstVisible;
  r.last = v.lastVisible;
  r.tMin = v.tMin;
  r.tMax = v.tMax;
  r.sigma0 = kTooFewPoints;
  r.T = r.sigmaT = r.M = r.sigmaM = kOutOfInterval;
  r.method = "none";
  r.minimum = true;
  r.curvaturePositive = e.lsq.CurvatureSign > 0;
  return r;
}

void AppendAllMethod(Engine& e, const BatchResult& r, bool otherMethod) {
  AppendResultLine(kAllMethodFile, AllMethodHeader(otherMethod), AllMethodLine(r, e.run.inputFile));
  e.console.FileWritten(kAllMethodFile);
}

// Methods 1 and 2: every order, the smallest sigma T kept.
void ComparePolynomialOrders(Engine& e, int method, int from, int to, GroupBest& g) {
  for (int m = from; m <= to; ++m) {
    e.lsq.m = m;
    const ApproximationResult a = Approximate(e, MethodOf(method));
    if (!a.completed) continue;
    if (a.ExtremumTimeSigma < g.timeSigma) {
      g.method = Number(a.method);
      g.m = m;
      g.n = method == 1 ? 0 : 1;
      g.timeSigma = a.ExtremumTimeSigma;
      g.Sigma2 = a.Sigma2;
      g.T = a.ExtremumTime;
      g.M = a.ExtremumMag;
      g.magSigma = a.ExtremumMagSigma;
    }
  }
  if (g.method == 0) return;
  // The kept order's results; the count column is the engine's n as the
  // last order tried left it.
  BatchResult r = FromLastRun(e, g.method);
  r.T = g.T;
  r.sigmaT = g.timeSigma;
  r.M = g.M;
  r.sigmaM = g.magSigma;
  r.sigma0 = Sigma0(g.Sigma2);
  r.m = g.m;
  r.count = e.lsq.n;
  AppendAllMethod(e, r, false);
}

// Logs the accepted best result.
void LogBest(Engine& e, int method) {
  const LsqState& s = e.lsq;
  const ApproxState& a = e.approx;
  e.LogLine(LongName(method));
  e.LogLine("linear coef " + Int(s.m));
  e.LogLine("nonlinear coef " + Int(s.n - s.m));
  e.LogLine("sigma " + General(Sigma0(a.Sigma2)));
  e.LogLine("time of extremum " + General(a.ExtremumTime));
  e.LogLine("-+" + General(a.ExtremumTimeSigma));
  e.LogLine("mag of extremum " + General(a.ExtremumMag));
  e.LogLine("-+" + General(a.ExtremumMagSigma));
  if (MethodTable(method).extraLines == ExtraLines::kDurationAndJoins) {
    e.LogLine("Duration of eclipse " + General(a.EclipseDuration));
    e.LogLine("-+" + General(a.EclipseDurationSigma));
  }
  e.LogLine(" ");
}

// Files the result of an interval.
void FileResult(Engine& e, const BatchResult& r, bool accepted) {
  if (e.batch.newResultFile) {
    const std::string file = accepted ? ResultFileName(e.run.inputFile)
                                      : BadFileName(e.batch.intervalsFile, e.run.inputFile);
    if (accepted)
      AppendResultLine(file, ResultHeader(), ResultLine(r));
    else
      AppendResultLine(file, BadHeader(), BadLine(r));
    e.console.FileWritten(file);
  }
  AppendResultLine(kExtrCoefFile, ExtrCoefHeader(), ExtrCoefLine(r));
  e.console.FileWritten(kExtrCoefFile);
}

}  // namespace

const std::vector<std::string>& ChoosableMethodNames() {
  static const std::vector<std::string> names{
      "Polynomial approximation", "Symmetrical polynomial approximation",
      "NAV approximation",        "Mik approximation",
      "WSP approximation",        "WSL approximation",
      "WSAP approximation",       "Parabolic spline approximation",
      "AP approximation"};
  return names;
}

int CheckedMethodCount(const BatchState& b) {
  int count = 0;
  for (int k = 1; k <= kChoosableMethods; ++k)
    if (b.methodChecked[k]) ++count;
  return count;
}

MethodComparison CompareMethods(Engine& e) {
  MethodComparison c;
  const int N = IntervalPoints(e);
  const int checked = CheckedMethodCount(e.batch);
  for (int k = 1; k <= kChoosableMethods; ++k) {
    if (!e.batch.methodChecked[k]) continue;
    if (k == 1 || k == 2) {
      if (N < 3) {
        e.LogLine(std::string(k == 1 ? "Polynomial" : "Symmetrical polynomial") +
                  " approximation: Number of points too small" + Int(N));
        continue;
      }
      int from = k == 1 ? 3 : 2;
      int to = k == 1 ? std::min(9, N) : (6 >= N ? N - 2 : 5);
      if (to < from) to = from;  // three points: the symmetrical polynomial with m = 2 only
      ComparePolynomialOrders(e, k, from, to, c.group[k]);
      continue;
    }
    if (N < 7) continue;
    e.lsq.m = k == 8 ? 5 : 3;
    const ApproximationResult a = Approximate(e, MethodOf(k));
    if (!a.completed) continue;
    // The only method checked is the final run: its curve, files and picture.
    if (checked == 1) WriteApproximationOutput(e, a);
    const int used = Number(a.method);
    AppendAllMethod(e, FromLastRun(e, used), true);
    // A moment outside its central interval (its results are 9999) is listed
    // with all the methods but is no time of an extremum to file as the best.
    if (a.outOfInterval) continue;
    GroupBest& g = c.group[3];
    if (a.ExtremumTimeSigma < g.timeSigma) {
      g.method = used;
      g.m = e.lsq.m;
      g.n = e.lsq.n;
      g.timeSigma = a.ExtremumTimeSigma;
      g.Sigma2 = a.Sigma2;
    }
  }
  for (int g = 1; g <= 3; ++g) {
    if (c.group[g].method != 0 && c.group[g].Sigma2 < c.bestSigma2) {
      c.bestGroup = g;
      c.bestMethod = c.group[g].method;
      c.bestM = c.group[g].m;
      c.bestN = c.group[g].n;
      c.bestSigma2 = c.group[g].Sigma2;
    }
  }
  return c;
}

void RunChosenMethods(Engine& e) {
  const int checked = CheckedMethodCount(e.batch);
  if (checked == 0) {
    e.LogLine("Choose method: no method is checked");
    return;
  }
  // The batch keeps the engine from saying that a moment lies outside the
  // central interval; the commands run later say it again.
  ScopedValue<bool> quiet(e.approx.QuietOutOfInterval, true);
  e.lsq.m = 3;
  Approximate(e, Method::kPolynomial);

  const MethodComparison c = CompareMethods(e);
  int method = c.bestMethod;
  bool fitted = method != 0;
  if (fitted) {
    e.lsq.m = c.bestM;
    e.lsq.n = c.bestN;
    if (checked > 1 || method == 1 || method == 2) {
      const ApproximationResult r = Approximate(e, MethodOf(method));
      method = Number(r.method);
      fitted = r.completed;
      if (fitted) WriteApproximationOutput(e, r);
    }
  }
  if (!fitted) {
    e.LogLine("No chosen method could fit the points " + Int(e.view.firstVisible) + " .. " +
              Int(e.view.lastVisible));
    e.LogLine(" ");
    FileResult(e, NoFit(e), false);
    return;
  }
  const bool accepted = e.approxOut.SaveDecision || e.approxOut.BatchMode;
  if (accepted) LogBest(e, method);
  FileResult(e, FromLastRun(e, method), accepted);
}

bool ShowChooseMethod(Engine& e) {
  BatchState& b = e.batch;
  MethodChoice choice;
  choice.caption = "Choose method";
  choice.items = ChoosableMethodNames();
  for (int k = 1; k <= kChoosableMethods; ++k) choice.checked.push_back(b.methodChecked[k]);
  choice.option = "make new result file";
  choice.optionChecked = b.newResultFile;
  choice.button = "Do it!";
  const bool run = e.dialogs.ChooseMethods(choice);
  for (int k = 1; k <= kChoosableMethods; ++k)
    b.methodChecked[k] =
        static_cast<std::size_t>(k) <= choice.checked.size() && choice.checked[k - 1];
  b.newResultFile = choice.optionChecked;
  return run;
}

void ChooseApproximation(Engine& e) {
  if (!FreeOfOtherCommands(e)) return;
  if (ShowChooseMethod(e)) RunChosenMethods(e);
}

void RunApproximation(Engine& e) {
  if (!FreeOfOtherCommands(e)) return;
  if (CheckedMethodCount(e.batch) > 0)
    RunChosenMethods(e);
  else
    ChooseApproximation(e);
}

void DoForAllNextIntervals(Engine& e) {
  if (!FreeOfOtherCommands(e)) return;
  BatchState& b = e.batch;
  if (b.intervalCount < 1) {
    e.LogLine("do for all next intervals: no intervals are read (File for intervals)");
    return;
  }
  ApproxOutputState& o = e.approxOut;
  // However the batch ends, the engine asks its questions again and the
  // hint circles come back.
  struct BatchScope {
    Engine& e;
    explicit BatchScope(Engine& engine) : e(engine) {
      e.approxOut.BatchMode = true;
      e.checks.hint = false;
    }
    ~BatchScope() {
      e.approxOut.BatchMode = false;
      e.approxOut.intervalCounter = 0;
      e.checks.hint = true;
    }
  } scope(e);
  b.abortRequested = false;
  // The first interval is fitted where it is shown; when it cannot be shown
  // (its points no longer exist) it is passed over like any other.
  bool firstShown = true;
  if (b.currentInterval < 1) {
    b.currentInterval = 1;
    firstShown = SetViewToInterval(e, 1, false);
    if (firstShown) Redraw(e);
  }
  o.intervalCounter = b.currentInterval;
  const std::string what = "do for all next intervals";
  if (!ShowChooseMethod(e)) {
    e.LogLine(what + ": the methods were not chosen; nothing is done");
    return;
  }
  if (CheckedMethodCount(b) == 0) {
    e.LogLine(what + ": no method is checked; nothing is done");
    return;
  }
  ProgressScope progress(e.host);
  auto stopAfter = [&](int k) {
    e.LogLine(what + ": stopped after interval " + Int(k) + " of " + Int(b.intervalCount));
  };
  try {
    if (firstShown) RunChosenMethods(e);
    if (!progress.Step(b.currentInterval, b.intervalCount, what) || b.abortRequested) {
      stopAfter(b.currentInterval);
      return;
    }
    while (b.currentInterval < b.intervalCount) {
      ++b.currentInterval;
      o.intervalCounter = b.currentInterval;
      if (SetViewToInterval(e, b.currentInterval, false)) {
        Redraw(e);
        RunChosenMethods(e);
      }
      if (!progress.Step(b.currentInterval, b.intervalCount, what) || b.abortRequested) {
        if (b.currentInterval < b.intervalCount) stopAfter(b.currentInterval);
        return;
      }
    }
  } catch (const IoError&) {
    e.LogLine(what + ": stopped at interval " + Int(b.currentInterval) + " of " +
              Int(b.intervalCount));
    throw;
  }
}

void AbortDoForAll(Engine& e) { e.batch.abortRequested = true; }

}  // namespace teril
