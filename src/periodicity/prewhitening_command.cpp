// The prewhitening commands: the automatic loop, its steps one at a time
// and the residuals as data, over the engine's frequency list.
#include "periodicity/prewhitening_command.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "base/io.h"
#include "base/numfmt.h"
#include "data/save.h"
#include "engine/engine.h"
#include "extrema/approximation_command.h"
#include "periodicity/prewhitening.h"
#include "periodicity/prewhitening_text.h"
#include "periodicity/visible_series.h"
#include "plot/draw.h"
#include "plot/view.h"

namespace teril {
namespace {

constexpr const char* kWhat = "Prewhitening";
constexpr const char* kAddCaption = "Add highest peak";
constexpr const char* kFitCaption = "Fit all";
constexpr const char* kRemoveCaption = "Remove frequency";
constexpr const char* kResidualsCaption = "Residuals as data";
// Fuchsia: apart from the black points, the red points of other observers
// and the green cursor.
constexpr int kCurveColor = 7;
// The model is drawn with enough samples per column to show a quarter of
// its fastest cycle, up to this many.
constexpr int kMaxSamplesPerColumn = 16;

std::string Int(long long v) { return Str(v); }

void Refuse(Engine& e, const std::string& caption, const std::string& why) {
  const std::string text = caption + ": " + why;
  e.LogLine(text);
  e.LogLine(" ");
  e.host.MessageBox(text);
}

// The visible points made ready for the fit, or nothing (the reason said):
// there must be enough of them for one frequency, over some time.
std::optional<MultiSineData> CollectData(Engine& e, const std::string& caption) {
  auto points = CollectVisibleSeries(e, [&](const std::string& why) { Refuse(e, caption, why); });
  if (!points) return std::nullopt;
  MultiSineData data = PrepareMultiSine(points->t, points->x, points->weights);
  if (data.size() <= MultiSineParameters(1)) {
    Refuse(e, caption,
           "too few points: " + Int(static_cast<long long>(data.size())) +
               " visible points for the " + Int(static_cast<long long>(MultiSineParameters(1))) +
               " parameters of one frequency and the mean");
    return std::nullopt;
  }
  if (!(data.span > 0)) {
    Refuse(e, caption, "the visible points span no time");
    return std::nullopt;
  }
  return data;
}

bool IsNumber(const std::string& s) { return ParseNumber(s).has_value(); }
bool IsPositive(const std::string& s) { return ParseNumber(s).value_or(0) > 0; }

// The dialog "Prewhitening"; nothing when cancelled or refused.
std::optional<PrewhiteningOptions> AskOptions(Engine& e, const MultiSineData& data,
                                              const std::string& caption) {
  const PrewhiteningState& state = e.prewhitening;
  PrewhiteningOptions o;
  if (state.optionsSet) {
    o = state.options;
  } else {
    o.fHigh = 0.5 / MedianSpacing(data.t);
  }
  std::vector<DialogField> fields{
      {"Lowest frequency", General(o.fLow), "cycles per unit of t, 0 or more", IsNumber},
      {"Highest frequency", General(o.fHigh),
       "above the lowest; the default is half the inverse of the median spacing", IsNumber},
      {"Oversampling", General(o.oversampling),
       "the frequency step is 1 / (oversampling * time span)", IsPositive},
      {"Frequencies at most", Int(o.maxFrequencies),
       "the automatic search stops when the list holds this many",
       [](const std::string& s) {
         auto v = ParseInteger(s);
         return v && *v >= 1 && *v <= kMaxListedFrequencies;
       }},
      {"Stop at S/N", General(o.stopSnr),
       "the automatic search stops before a peak whose amplitude is below this many times the "
       "noise",
       IsNumber},
      {"Noise box", General(o.noiseBox),
       "full width, in cycles per unit of t, of the box around a frequency whose mean residual "
       "amplitude is the noise",
       IsPositive}};
  if (!e.dialogs.EditFields("Prewhitening", "Prewhitening", fields)) return std::nullopt;
  double* numbers[] = {&o.fLow, &o.fHigh, &o.oversampling, nullptr, &o.stopSnr, &o.noiseBox};
  for (int i = 0; i < 6; ++i) {
    if (!numbers[i]) continue;
    auto v = ParseNumber(fields[i].value);
    if (!v) {
      Refuse(e, caption, "\"" + fields[i].label + "\" is not a number: " + fields[i].value);
      return std::nullopt;
    }
    *numbers[i] = *v;
  }
  auto count = ParseInteger(fields[3].value);
  if (!count || *count < 1 || *count > kMaxListedFrequencies) {
    Refuse(e, caption,
           "\"Frequencies at most\" must be a whole number from 1 to " +
               Int(kMaxListedFrequencies) + ": " + fields[3].value);
    return std::nullopt;
  }
  o.maxFrequencies = static_cast<int>(*count);
  if (std::string why = CheckPrewhitening(data, o); !why.empty()) {
    Refuse(e, caption, why);
    return std::nullopt;
  }
  return o;
}

// The options of this file, asked for when there are none yet; refused when
// they do not suit the points now visible.
std::optional<PrewhiteningOptions> OptionsFor(Engine& e, const MultiSineData& data,
                                              const std::string& caption) {
  PrewhiteningState& state = e.prewhitening;
  if (!state.optionsSet) {
    auto o = AskOptions(e, data, caption);
    if (o) {
      state.options = *o;
      state.optionsSet = true;
    }
    return o;
  }
  if (std::string why = CheckPrewhitening(data, state.options); !why.empty()) {
    Refuse(e, caption, why + " (\"Prewhitening...\" sets the options again)");
    return std::nullopt;
  }
  return state.options;
}

// The engine's list, to be worked on for these points: a fit made on other
// points (the view moved, points deleted) is made again before a step.
FrequencyList WorkingList(const Engine& e, const MultiSineData& data) {
  FrequencyList list = e.prewhitening.list;
  if (list.fitted && (list.tZero != data.tZero || list.span != data.span)) list.fitted = false;
  return list;
}

void LogGrid(Engine& e, const MultiSineData& data, const PrewhiteningOptions& o) {
  const FrequencyGrid grid = PrewhiteningGrid(data, o);
  e.LogLine("Number of points " + Int(static_cast<long long>(data.size())) +
            (data.w.empty() ? "" : ", weights 1/s^2"));
  e.LogLine("Time span " + General(data.span));
  e.LogLine("Frequencies from " + General(grid.fLow) + " to " + General(grid.At(grid.count - 1)) +
            " step " + General(grid.step) + " (" + Int(grid.count) + " frequencies)");
  e.LogLine("Frequencies at most " + Int(o.maxFrequencies) + ", stop at S/N " + General(o.stopSnr) +
            ", noise box " + General(o.noiseBox));
}

// The model of the list over the plot as it stands: each column's times
// sampled finely enough for the fastest frequency of the list, the
// segments whose ends both lie in the data area drawn.
void DrawModelCurve(Engine& e, const FrequencyList& list) {
  if (!e.canvas || !list.fitted) return;
  Redraw(e);
  const ViewState& v = e.view;
  if (!(v.tScale > 0) || !std::isfinite(v.tScale)) return;
  double fMax = 0;
  for (const FrequencyTerm& term : list.terms) fMax = std::max(fMax, term.value.frequency);
  const double perColumn = 4 * fMax / v.tScale;  // quarter cycles in a column
  const int samples = perColumn < kMaxSamplesPerColumn
                          ? std::max(1, static_cast<int>(std::ceil(perColumn)))
                          : kMaxSamplesPerColumn;
  SetPenColor(e, kCurveColor);
  bool previousInside = false;
  int previousColumn = 0, previousRow = 0;
  for (int c = 130; c <= 630; ++c) {
    for (int k = 0; k < samples && (k == 0 || c < 630); ++k) {
      const double column = c + static_cast<double>(k) / samples;
      const double t = v.tOrigin + (column - 130) / v.tScale;
      const int row = ToPixelY(e, PrewhiteningModel(list, t));
      const bool inside = row >= 10 && row <= 290;
      if (inside && previousInside) DrawLine(e, previousColumn, previousRow, c, row);
      previousInside = inside;
      previousColumn = c;
      previousRow = row;
    }
  }
  SetPenColor(e, v.cursorColor);
}

// The log lines, the two files and the curve of the engine's list.
void ReportList(Engine& e) {
  const FrequencyList& list = e.prewhitening.list;
  for (const std::string& line : FrequencyLogLines(list)) e.LogLine(line);
  const std::string stem = ResultStem(e.run.inputFile);
  const std::string frequencies = stem + "_frequencies.dat", steps = stem + "_prewhitening.dat";
  WriteFile(frequencies, FrequenciesFileText(list));
  WriteFile(steps, PrewhiteningStepsFileText(list));
  e.console.FileWritten(frequencies);
  e.console.FileWritten(steps);
  e.LogLine("Written to " + frequencies + " and " + steps);
  e.LogLine(" ");
  DrawModelCurve(e, list);
}

PrewhiteningProgress StepProgress(ProgressScope& progress) {
  return [&progress](long long done, long long total) { return progress.Step(done, total, kWhat); };
}

}  // namespace

void RunPrewhiteningCommand(Engine& e) {
  auto data = CollectData(e, kWhat);
  if (!data) return;
  auto options = AskOptions(e, *data, kWhat);
  if (!options) return;
  FrequencyList list;
  PrewhiteningOutcome outcome;
  try {
    ProgressScope progress(e.host);
    outcome = Prewhiten(*data, list, *options, StepProgress(progress));
  } catch (const std::bad_alloc&) {
    Refuse(e, kWhat, "not enough memory for the spectrum of the residuals");
    return;
  }
  PrewhiteningState& state = e.prewhitening;
  if (outcome.end == PrewhiteningEnd::Refused && list.steps.empty()) {
    Refuse(e, kWhat, outcome.message);
    return;
  }
  state.options = *options;
  state.optionsSet = true;
  if (outcome.end == PrewhiteningEnd::Stopped && list.steps.empty()) {
    e.LogLine("Prewhitening stopped before its first step: the list is unchanged");
    e.LogLine(" ");
    return;
  }
  state.list = std::move(list);
  e.LogLine("Prewhitening");
  LogGrid(e, *data, *options);
  e.LogLine(OutcomeLogLine(outcome, *options));
  ReportList(e);
}

void RunAddHighestPeakCommand(Engine& e) {
  auto data = CollectData(e, kAddCaption);
  if (!data) return;
  auto options = OptionsFor(e, *data, kAddCaption);
  if (!options) return;
  FrequencyList list = WorkingList(e, *data);
  StepResult result;
  try {
    ProgressScope progress(e.host);
    result = AddHighestPeak(*data, list, *options, StepProgress(progress));
  } catch (const std::bad_alloc&) {
    Refuse(e, kAddCaption, "not enough memory for the spectrum of the residuals");
    return;
  }
  if (result.status == StepStatus::Stopped) {
    e.LogLine("Add highest peak stopped: the list is unchanged");
    e.LogLine(" ");
    return;
  }
  if (result.status == StepStatus::Refused) {
    Refuse(e, kAddCaption, result.message);
    return;
  }
  const PrewhiteningStep& peak = list.steps.back();
  e.LogLine("Added f" + Int(static_cast<long long>(list.terms.size())) + ": the peak at " +
            General(peak.frequency) + " with amplitude " + General(peak.amplitude) + ", S/N " +
            Str(peak.snr, 0, 2));
  e.prewhitening.list = std::move(list);
  ReportList(e);
}

void RunFitAllCommand(Engine& e) {
  auto data = CollectData(e, kFitCaption);
  if (!data) return;
  auto options = OptionsFor(e, *data, kFitCaption);
  if (!options) return;
  FrequencyList list = WorkingList(e, *data);
  const StepResult result = FitAll(*data, list, *options);
  if (result.status != StepStatus::Done) {
    Refuse(e, kFitCaption, result.message);
    return;
  }
  e.LogLine("Fit all: " + Int(static_cast<long long>(list.terms.size())) +
            " frequencies fitted at once");
  e.prewhitening.list = std::move(list);
  ReportList(e);
}

void RunRemoveFrequencyCommand(Engine& e) {
  const int n = static_cast<int>(e.prewhitening.list.terms.size());
  if (n == 0) {
    Refuse(e, kRemoveCaption, "the list holds no frequency");
    return;
  }
  auto data = CollectData(e, kRemoveCaption);
  if (!data) return;
  auto options = OptionsFor(e, *data, kRemoveCaption);
  if (!options) return;
  std::vector<DialogField> fields{{"Number", Int(n),
                                   "the number of the frequency in the list, 1 to " + Int(n),
                                   [n](const std::string& s) {
                                     auto v = ParseInteger(s);
                                     return v && *v >= 1 && *v <= n;
                                   }}};
  if (!e.dialogs.EditFields("RemoveFrequency", kRemoveCaption, fields)) return;
  auto number = ParseInteger(fields[0].value);
  if (!number || *number < 1 || *number > n) {
    Refuse(e, kRemoveCaption,
           "\"Number\" must be a whole number from 1 to " + Int(n) + ": " + fields[0].value);
    return;
  }
  FrequencyList list = WorkingList(e, *data);
  const double removed = list.terms[*number - 1].value.frequency;
  const StepResult result = RemoveFrequency(*data, list, *options, static_cast<int>(*number));
  if (result.status != StepStatus::Done) {
    Refuse(e, kRemoveCaption, result.message);
    return;
  }
  e.LogLine("Removed f" + Int(*number) + " = " + General(removed) + "; the others fitted again");
  e.prewhitening.list = std::move(list);
  ReportList(e);
}

void RunPrewhiteningResidualsCommand(Engine& e) {
  PrewhiteningState& state = e.prewhitening;
  if (!state.list.fitted) {
    Refuse(e, kResidualsCaption, "there is no fit yet; run \"Prewhitening...\" first");
    return;
  }
  DataSet& d = e.data;
  const ViewState& v = e.view;
  if (d.phased) {
    Refuse(e, kResidualsCaption, "the times hold phases; switch phase mode off (F) first");
    return;
  }
  // The points that the commands take: visible, inside tMin..tMax.
  std::vector<int> kept;
  const int first = std::max(1, v.firstVisible), last = std::min(d.n, v.lastVisible);
  for (int i = first; i <= last; ++i) {
    if (d.t[i] < v.tMin || d.t[i] > v.tMax) continue;
    if (!std::isfinite(d.t[i]) || !std::isfinite(d.x[i])) {
      Refuse(e, kResidualsCaption, "point " + Int(i) + " is not a finite number");
      return;
    }
    kept.push_back(i);
  }
  if (kept.empty()) {
    Refuse(e, kResidualsCaption, "no point is visible");
    return;
  }
  if (e.run.modified && e.dialogs.YesNo("The data set has unsaved changes. Save them to " +
                                        e.run.outputFile + " before the residuals replace it?"))
    SaveDataSet(e);

  const FrequencyList& list = state.list;
  double sum = 0;
  int m = 0;
  // Ascending indices, so that every point moves down or stays.
  for (int i : kept) {
    d.CopyPoint(i, ++m);
    d.x[m] -= PrewhiteningModel(list, d.t[m]);
    sum += d.x[m] * d.x[m];
  }
  d.n = m;
  e.LogLine(std::string(kResidualsCaption) + ": " + Int(m) + " points, x := x - the model of " +
            Int(static_cast<long long>(list.terms.size())) + " frequencies and the mean " +
            General(list.mean) + "; rms " + General(std::sqrt(sum / m)));
  e.LogLine("The frequency list starts afresh on the residuals");
  e.LogLine(" ");
  // The transformations of x and the linear transformation belonged to the
  // signal; undone on residuals they would give nonsense. t is unchanged.
  FileRunState& r = e.run;
  r.flags.lgX = r.flags.powX = false;
  r.flags.intensityToMagnitude = r.flags.magnitudeToIntensity = false;
  for (bool MenuChecks::*item :
       {&MenuChecks::lgX, &MenuChecks::pow10X, &MenuChecks::intToMag, &MenuChecks::magToInt})
    e.checks.*item = false;
  e.line.lineApplied = false;
  r.countAtLoad = d.n;
  // In memory only: the end of the run offers to save them.
  r.modified = true;
  ViewState& view = e.view;
  view.mapShift = 0;
  view.leftMark = 0;
  view.showFitMarks = false;
  view.j = view.cursorPoint = 1;
  state.list = FrequencyList();
  ResetView(e);
}

}  // namespace teril
