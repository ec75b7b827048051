#include "console/key_loop.h"

#include <array>
#include <cctype>

#include "engine/engine.h"
#include "console/file_run.h"
#include "base/io.h"
#include "base/numfmt.h"
#include "data/data_file.h"
#include "data/editing.h"
#include "data/history_command.h"
#include "data/save.h"
#include "data/settings.h"
#include "data/transform.h"
#include "extrema/intervals.h"
#include "extrema/three_point_parabola.h"
#include "periodicity/fourier_command.h"
#include "periodicity/period_correction.h"
#include "periodicity/phase.h"
#include "plot/cursor.h"
#include "plot/draw.h"
#include "plot/marks.h"
#include "plot/view.h"
#include "smoothing/autocorrelation.h"
#include "smoothing/correlation.h"
#include "smoothing/histogram.h"
#include "smoothing/interpolation_table.h"
#include "smoothing/means.h"
#include "smoothing/running_parabola.h"

namespace teril {
namespace {

using C = Continuation;

// One line of a key table: the key and its command.
struct KeyEntry {
  unsigned char key;
  C (*run)(Engine&);
};

constexpr char kEsc = 27;


// --- small commands of the main table ---

C Quit(Engine& e) {
  e.run.runAction = RunAction::Quit;
  return C::Quit;
}
C DeletePoint(Engine& e) {
  DeleteCurrentPoint(e);
  return C::Wrap;
}
C DeleteBad(Engine& e) {
  DeleteBadPoints(e);
  return C::Redraw;
}
C HalveX(Engine& e) { return DivideCurrentPoint(e, 2), C::Rescale; }
C ThirdX(Engine& e) { return DivideCurrentPoint(e, 3), C::Rescale; }
C QuarterX(Engine& e) { return DivideCurrentPoint(e, 4), C::Rescale; }
C SquareDerivativeKey(Engine& e) { return SquareDerivative(e), C::Rescale; }
C LagDown(Engine& e) { return LagMap(e, -1) ? C::Full : C::Read; }
C LagUp(Engine& e) { return LagMap(e, +1) ? C::Full : C::Read; }
C PeriodFromParabola(Engine& e) {
  if (e.classical.lastParabolaPeriod == 0) {
    e.LogLine("No period from a 3-point parabola yet");
    return C::Read;
  }
  const bool set = SetPeriodFromParabola(e, e.classical.lastParabolaPeriod);
  if (set) e.console.ValueSet("P = " + General(e.eph.period) + ", T0 = " + General(e.eph.epochT0));
  e.view.scrollShift = 0;
  WriteSettings(e);
  // In phase mode the phases follow the new period at once.
  return set && e.data.phased ? C::Restore : C::Read;
}
C ReciprocalTKey(Engine& e) { return ReciprocalT(e), C::Full; }
C LgTKey(Engine& e) { return ToggleLgT(e), C::Full; }
C PowTKey(Engine& e) { return TogglePowT(e), C::Full; }
C LgXKey(Engine& e) { return ToggleLgX(e), C::Rescale; }
C PowXKey(Engine& e) { return TogglePowX(e), C::Rescale; }
C MagnitudeKey(Engine& e) { return ToggleIntensityToMagnitude(e), C::Rescale; }
C IntensityKey(Engine& e) {
  bool applied = ToggleMagnitudeToIntensity(e);
  // Switched on: the range 1.0 .. 0.0 is shown as it stands.
  if (applied && e.run.flags.magnitudeToIntensity) return C::Redraw;
  return C::Rescale;
}
C HeaderLinesKey(Engine& e) {
  e.console.SetPrompt("[err] lines skipped. Skip [nb+" + Str(static_cast<long long>(e.view.j - 1)) +
                      "] ?");
  std::string answer = e.console.ReadText();
  e.run.headerLines = HeaderLinesFromAnswer(answer, e.run.headerLines, e.view.j);
  e.view.j = 1;
  e.view.cursorPoint = 1;
  return C::Reload;
}
C TimeToIndexKey(Engine& e) { return TimeToIndex(e), C::Full; }
C LoadedTimeKey(Engine& e) { return RestoreLoadedTime(e), C::Full; }
C InterpolateKey(Engine& e) {
  if (e.view.j > 2 && e.view.j < e.data.n - 1) InterpolateCurrentPoint(e);
  return C::Rescale;
}
C PhaseKey(Engine& e) {
  e.data.phased = !e.data.phased;
  return C::Restore;
}
C NextFrequency(Engine& e) {
  StepTrialFrequency(e, +1);
  return C::Restore;
}
C PrevFrequency(Engine& e) {
  StepTrialFrequency(e, -1);
  return C::Restore;
}
C EpochKey(Engine& e) {
  if (e.view.j < 1 || e.view.j > e.data.n) return C::Read;
  SetEpochFromCurrentPoint(e);
  e.console.ValueSet("T0 = " + General(e.eph.epochT0));
  return C::Read;
}
C ColumnKey(Engine& e) {
  e.run.flags.Clear();
  e.run.runAction = RunAction::ReloadColumn;
  e.run.paramCount = std::min(e.run.paramCount, 1);
  return C::Quit;
}
C SColumnKey(Engine& e) {
  try {
    ReadSColumn(e);
  } catch (const DataFormatError& err) {
    // A line without the s field: say which, and keep no half-read column.
    e.LogLine(err.what());
    e.host.MessageBox(err.what());
    ParseSColumn({}, e.run.inputFile, e.data, 0, 0);
    e.data.weightsLoaded = false;
    return C::Read;
  }
  return C::Restore;
}
C FractionalKey(Engine& e) {
  FractionalX(e);
  e.host.Beep();
  return C::Full;
}
C DifferencesKey(Engine& e) { return DifferencesOfT(e), C::Rescale; }
C UnwrapKey(Engine& e) { return UnwrapCycles(e), C::Rescale; }
C SwapTXKey(Engine& e) { return SwapTX(e), C::Full; }
C XToPhaseKey(Engine& e) { return XToPhase(e), C::Full; }
C PlusOneFromCurrent(Engine& e) { return ShiftFromCurrentPoint(e, +1), C::Rescale; }
C MinusOneFromCurrent(Engine& e) { return ShiftFromCurrentPoint(e, -1), C::Rescale; }
C SelectObserver(Engine& e) {
  if (e.view.j >= 1 && e.view.j <= e.data.n) e.view.selectedObserver = e.data.observer[e.view.j];
  return C::Redraw;
}
C RefreshKey(Engine&) { return C::Rescale; }

const std::array kMainTable{
    KeyEntry{kEsc, Quit},
    KeyEntry{';', Quit},
    KeyEntry{'1', PrevPoint},
    KeyEntry{'3', NextPoint},
    KeyEntry{'0', Back10},
    KeyEntry{'.', Forward10},
    KeyEntry{'4', Back100},
    KeyEntry{'6', Forward100},
    KeyEntry{'Z', Back1000},
    KeyEntry{'X', Forward1000},
    KeyEntry{'7', PrevTurningPoint},
    KeyEntry{'9', NextTurningPoint},
    KeyEntry{'*', InverseX},
    KeyEntry{'+', ZoomIn},
    KeyEntry{'-', ZoomOut},
    KeyEntry{'R', RestoreInterval},
    KeyEntry{')', DeleteBad},
    KeyEntry{'(', OCKey},
    KeyEntry{2, HalveX},
    KeyEntry{3, ThirdX},
    KeyEntry{4, QuarterX},
    KeyEntry{5, ShowInterval},
    KeyEntry{6, VisibleAutocorrelationKey},
    KeyEntry{7, SquareDerivativeKey},
    KeyEntry{'A', AutocorrelationKey},
    KeyEntry{26, LagDown},
    KeyEntry{24, LagUp},
    KeyEntry{16, PeriodFromParabola},
    KeyEntry{'\\', ReciprocalTKey},
    KeyEntry{'T', LgTKey},
    KeyEntry{'G', PowTKey},
    KeyEntry{'Y', LgXKey},
    KeyEntry{'H', PowXKey},
    KeyEntry{'M', MagnitudeKey},
    KeyEntry{'I', IntensityKey},
    KeyEntry{'5', DeletePoint},
    KeyEntry{'B', HeaderLinesKey},
    KeyEntry{'|', WholeSetSignalRange},
    KeyEntry{14, TimeToIndexKey},
    KeyEntry{18, LoadedTimeKey},
    KeyEntry{'V', InterpolateKey},
    KeyEntry{23, MeanErrorKey},
    KeyEntry{'F', PhaseKey},
    KeyEntry{19, NextFrequency},
    KeyEntry{1, PrevFrequency},
    KeyEntry{15, EpochKey},
    KeyEntry{'C', ColumnKey},
    KeyEntry{'K', SColumnKey},
    KeyEntry{21, SmoothedValueKey},
    KeyEntry{'W', SigmaStatisticsKey},
    KeyEntry{'L', SetViewLimits},
    KeyEntry{']', NextMarkedInterval},
    KeyEntry{'`', FractionalKey},
    KeyEntry{'&', DifferencesKey},
    KeyEntry{'$', UnwrapKey},
    KeyEntry{9, SwapTXKey},
    KeyEntry{'@', ToggleInterpolation},
    KeyEntry{131, XToPhaseKey},
    KeyEntry{'%', PlusOneFromCurrent},
    KeyEntry{'^', MinusOneFromCurrent},
    KeyEntry{31, SelectObserver},
    KeyEntry{'E', CentreCommand},
    KeyEntry{'U', CorrelationOrCorrectionKey},
    KeyEntry{'#', RefreshKey},
    KeyEntry{'/', RefreshKey},
};

// --- Q commands ---

C R(bool) { return C::Rescale; }
C QNegative(Engine& e) { return NegativeXPlusOne(e), C::Rescale; }
C QCoefficients(Engine& e) { return R(AskLinearCoefficients(e)); }
C QApplyLinear(Engine& e) { return R(ToggleLinearTransform(e)); }
C QLinearXS(Engine& e) { return R(AskLinearXS(e)); }
C QMinusS(Engine& e) { return R(AddS(e, -1)); }
C QPlusS(Engine& e) { return R(AddS(e, +1)); }
C QSqrt(Engine& e) { return R(AskSqrtDifference(e)); }
C QDerivative(Engine& e) { return R(Derivative(e)); }
C QCycles(Engine& e) { return CycleNumbers(e, false), C::Full; }
C QHalfCycles(Engine& e) { return CycleNumbers(e, true), C::Full; }
C QPeriod(Engine& e) { return R(MultiplyXByPeriod(e)); }
C QForgetLinear(Engine& e) { return ForgetLinearTransform(e), C::Rescale; }
C QSquare(Engine& e) { return R(SquareX(e)); }
C QFitMarks(Engine& e) {
  e.view.showFitMarks = !e.view.showFitMarks;
  return C::Rescale;
}
C QDensity(Engine& e) { return DoubleDensity(e), C::Full; }
C QRatio(Engine& e) { return R(XOverOneMinusX(e)); }
C QTimeCorrection(Engine& e) { return R(AskTimeCorrection(e)); }
C QExchange(Engine& e) { return R(ExchangeScratchFiles(e)); }

const std::array kQTable{
    KeyEntry{'-', QNegative},
    KeyEntry{'Q', QCoefficients},
    KeyEntry{'R', QApplyLinear},
    KeyEntry{'0', QLinearXS},
    KeyEntry{'3', QMinusS},
    KeyEntry{'4', QPlusS},
    KeyEntry{'S', QSqrt},
    KeyEntry{'D', QDerivative},
    KeyEntry{'1', QCycles},
    KeyEntry{'2', QHalfCycles},
    KeyEntry{'P', QPeriod},
    KeyEntry{'I', InterpolatedTableKey},
    KeyEntry{'X', QForgetLinear},
    KeyEntry{'8', TrigPolynomialKey},
    KeyEntry{'6', QSquare},
    KeyEntry{'\\', QFitMarks},
    KeyEntry{'*', QDensity},
    KeyEntry{'E', QRatio},
    KeyEntry{'|', DeleteIntervalOfT},
    KeyEntry{'T', QTimeCorrection},
    KeyEntry{'B', QExchange},
};

// --- extended keys ---

C SortKey(Engine& e) { return SortByTime(e), C::Redraw; }
C SaveKey(Engine& e) {
  try {
    SaveDataSet(e);
  } catch (const IoError&) {
    // Still unsaved: the next Esc warns again instead of quitting.
    if (e.run.runAction != RunAction::None) e.run.modified = true;
    throw;
  }
  return e.run.runAction != RunAction::None ? C::Quit : C::Wrap;
}
C SaveVisibleKey(Engine& e) { return SaveVisible(e), C::Wrap; }
C ReloadKey(Engine& e) {
  e.run.runAction = RunAction::Restart;
  e.run.paramCount = 0;
  return C::Quit;
}
C EndKey(Engine&) { return C::Quit; }
C CloseKey(Engine&) { return C::End; }
C KeepObserver(Engine& e) { return KeepObserverPoints(e), C::Full; }
C DeleteObserver(Engine& e) { return DeleteObserverPointsByKey(e), C::Redraw; }
C ChangeOutputName(Engine& e) {
  e.console.SetPrompt("change file name from [" + e.run.outputFile + "] to>");
  std::string answer = e.console.ReadText();
  if (!answer.empty()) e.run.outputFile = answer;
  return C::Restore;
}
C ChangeNNHKey(Engine& e) {
  e.console.SetPrompt("number of points for the mean curve (<=" + std::string("500") + ")  [" +
                      Str(static_cast<long long>(e.eph.NNH)) + "]");
  std::string answer = e.console.ReadText();
  if (!answer.empty()) {
    long long v = e.eph.NNH;
    if (auto n = ParseInteger(answer)) {
      v = *n;
    } else if (auto d = ParseNumber(answer)) {
      v = static_cast<long long>(*d);
    } else {
      e.LogLine("\"" + answer + "\" is not a number; NNH stays " + Str(v));
    }
    e.eph.NNH = static_cast<int>(std::clamp<long long>(v, 1, MaxPoints));
    WriteSettings(e);
  }
  return C::Redraw;
}
C DivideByT(Engine& e) { return R(DivideXByT(e)); }
C SwapXSKey(Engine& e) { return SwapXS(e), C::Rescale; }
C StepUp(Engine& e) {
  StepCurrentPoint(e, +1);
  return C::Wrap;
}
C StepDown(Engine& e) {
  StepCurrentPoint(e, -1);
  return C::Wrap;
}

const std::array kExtendedTable{
    KeyEntry{'<', PrevPoint},
    KeyEntry{'>', NextPoint},
    KeyEntry{'I', MinLimitPoint},
    KeyEntry{'Q', MaxLimitPoint},
    KeyEntry{'S', SortKey},
    KeyEntry{'2', SaveKey},
    KeyEntry{'1', SaveVisibleKey},
    KeyEntry{'3', ReloadKey},
    KeyEntry{'0', EndKey},
    KeyEntry{'G', CloseKey},
    KeyEntry{'4', BinMeanKey},
    KeyEntry{'M', PointMeanKey},
    KeyEntry{'}', HistogramKey},
    KeyEntry{'5', ToggleMarksFormat},
    KeyEntry{'6', ScrollLeft},
    KeyEntry{'9', ScrollRight},
    KeyEntry{'H', FirstAtScreen},
    KeyEntry{'E', LastAtScreen},
    KeyEntry{'x', FirstPoint},
    KeyEntry{'d', LastPoint},
    KeyEntry{'i', KeepObserver},
    KeyEntry{'D', DeleteObserver},
    KeyEntry{'/', ThreePointParabolaKey},
    KeyEntry{'@', ChangeOutputName},
    KeyEntry{'$', ChangeNNHKey},
    KeyEntry{'^', RunningParabolaKey},
    KeyEntry{'&', LeftEdge},
    KeyEntry{'*', RightEdge},
    KeyEntry{'(', DivideByT},
    KeyEntry{'q', DataStartAsLeftEdge},
    KeyEntry{'e', DataEndAsRightEdge},
    KeyEntry{'t', SwapXSKey},
    KeyEntry{'`', StepUp},
    KeyEntry{'=', StepDown},
    KeyEntry{'7', EngineLeftMark},
    KeyEntry{'8', EngineRightMark},
};

template <std::size_t N>
const KeyEntry* Find(const std::array<KeyEntry, N>& table, unsigned char key) {
  for (const KeyEntry& k : table)
    if (k.key == key) return &k;
  return nullptr;
}

C RunEntry(Engine& e, const KeyEntry* entry, C ifMissing) {
  if (!entry) return ifMissing;
  return entry->run(e);
}

// Dispatches one key through the three tables.
C Dispatch(Engine& e, char key) {
  unsigned char k = static_cast<unsigned char>(key);
  if (key == '~') {
    // Extended keys: "~" and one more character, whose case matters.
    return RunEntry(e, Find(kExtendedTable, static_cast<unsigned char>(e.console.extChar)),
                    C::Read);
  }
  if (k < 128 && std::islower(k)) k = static_cast<unsigned char>(std::toupper(k));
  if (k != 'U') e.correlation.followUp = false;
  if (k == 'Q') {
    return RunEntry(e, Find(kQTable, static_cast<unsigned char>(e.console.extChar)), C::Rescale);
  }
  return RunEntry(e, Find(kMainTable, k), C::Read);
}

// Shows the phases of the ephemeris, or the loaded arguments again.
C Restore(Engine& e) {
  if (e.data.phased) {
    ComputePhases(e);
    e.view.tMin = -0.5;
    e.view.tMax = 0.5;
    e.view.tCentre = 0;
    return C::Redraw;
  }
  for (int i = 1; i <= e.data.n; ++i) e.data.t[i] = e.data.t0[i];
  return C::Full;
}

// The end of a file run: unsaved deletions get one warning first.
C QuitStep(Engine& e, RunEnd& end, bool& finished) {
  FileRunState& r = e.run;
  if (r.modified) {
    DrawText(e, 0, 169,
             "Write reduced data to file > " + r.outputFile + "  (F2) or quit (Esc)");
    r.modified = false;
    if (r.runAction == RunAction::None) r.runAction = RunAction::Quit;
    return C::Read;
  }
  ClearPlot(e);
  finished = true;
  if (r.runAction == RunAction::Restart) {
    end = RunEnd::Restart;
  } else if (r.runAction == RunAction::ReloadColumn) {
    e.console.SetPrompt("Column number" + Str(static_cast<long long>(r.columnX)));
    r.runAction = RunAction::Quit;
    end = RunEnd::Reload;
  } else {
    end = RunEnd::End;
  }
  return C::Read;
}

}  // namespace

RunEnd RunKeyLoop(Engine& e) {
  char key = 0;
  C next = C::Full;
  RunEnd end = RunEnd::End;
  bool finished = false;
  StartHistory(e);
  while (!finished) {
    try {
      switch (next) {
        case C::Full:
          e.run.deferRescale = false;
          ResetView(e);
          next = C::Read;
          break;
        case C::Rescale:
          e.run.deferRescale = false;
          RescaleSignal(e);
          next = C::Read;
          break;
        case C::Redraw:
          Redraw(e);
          next = C::Read;
          break;
        case C::Wrap:
          next = WrapCurrent(e) ? C::Read : C::Quit;
          break;
        case C::Window:
          MoveWindow(e);
          next = C::Read;
          break;
        case C::Restore:
          next = Restore(e);
          break;
        case C::Quit:
          next = QuitStep(e, end, finished);
          break;
        case C::End:
          ClearPlot(e);
          end = RunEnd::End;
          finished = true;
          break;
        case C::Reload:
          end = RunEnd::Reload;
          finished = true;
          break;
        case C::Read:
          // What the last key changed is one step of the undo history.
          CommitEdits(e, true);
          e.console.ReadKey(key, true);
          SetPenColor(e, e.view.mainColor);
          if (e.run.deferRescale && key != '%' && key != '^') {
            e.console.ReadKey(key, true);
            key = '/';
          }
          e.history.SetLabel(KeyLabel(key, e.console.extChar));
          next = Dispatch(e, key);
          break;
      }
    } catch (const IoError& err) {
      // A file that cannot be written or read ends the command, not the
      // file run: the data in memory (unsaved edits included) stay, and the
      // user can save them elsewhere.
      e.LogLine(err.what());
      e.host.MessageBox(err.what());
      next = C::Read;
    }
  }
  EndHistory(e, end != RunEnd::End);
  return end;
}

void EndFileRun(Engine& engine) {
  ClearPlot(engine);
  engine.console.SetRunTitle("...");
}

}  // namespace teril
