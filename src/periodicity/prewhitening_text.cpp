#include "periodicity/prewhitening_text.h"

#include "base/numfmt.h"

namespace teril {
namespace {

std::string Label(const FrequencyTerm& t) { return t.label.empty() ? "-" : t.label; }

std::string WithError(double value, double covariance, double analytic) {
  return General(value) + " +- " + General(covariance) + " (" + General(analytic) + ")";
}

}  // namespace

std::string FrequenciesFileText(const FrequencyList& list) {
  std::string text =
      "number frequency sigma amplitude sigma phase sigma S/N label  (phases in "
      "cycles at t0 = " +
      General(list.tZero) + ")\n";
  int number = 0;
  for (const FrequencyTerm& t : list.terms) {
    text += Str(static_cast<long long>(++number), 4) + " " + Sci23(t.value.frequency) + " " +
            Sci23(t.sigma.frequency) + " " + Sci23(t.value.amplitude) + " " +
            Sci23(t.sigma.amplitude) + " " + Sci23(t.value.phase) + " " + Sci23(t.sigma.phase) +
            " " + Joined(t.snr, 8, 2) + " " + Label(t) + "\n";
  }
  return text;
}

std::string PrewhiteningStepsFileText(const FrequencyList& list) {
  std::string text = "step frequency amplitude noise S/N\n";
  int number = 0;
  for (const PrewhiteningStep& s : list.steps)
    text += Str(static_cast<long long>(++number), 4) + " " + Sci23(s.frequency) + " " +
            Sci23(s.amplitude) + " " + Sci23(s.noise) + " " + Joined(s.snr, 8, 2) + "\n";
  return text;
}

std::string WindowFileHeader() { return "frequency window\n"; }

std::string WindowFileLines(const FrequencyGrid& grid, std::span<const double> values,
                            long long first) {
  std::string text;
  text.reserve(values.size() * 48);
  for (std::size_t i = 0; i < values.size(); ++i)
    text += Sci23(grid.At(first + static_cast<long long>(i))) + " " + Sci23(values[i]) + "\n";
  return text;
}

std::vector<std::string> FrequencyLogLines(const FrequencyList& list) {
  std::vector<std::string> lines;
  lines.push_back("Frequencies: " + Str(static_cast<long long>(list.terms.size())) + "; mean " +
                  General(list.mean) + " +- " + General(list.meanSigma) + "; residual rms " +
                  General(list.residualRms));
  lines.push_back(
      "Phases in cycles at t0 = " + General(list.tZero) + "; time span " + General(list.span) +
      "; resolution 1.5/T = " + (list.span > 0 ? General(1.5 / list.span) : std::string("-")));
  if (!list.converged)
    lines.push_back("The fit stopped after " + Str(static_cast<long long>(list.iterations)) +
                    " iterations before it converged");
  if (list.terms.empty()) return lines;
  lines.push_back(
      "  #  frequency +- sigma (M&O)  amplitude +- sigma (M&O)  phase +- sigma (M&O)  S/N  label");
  int number = 0;
  for (const FrequencyTerm& t : list.terms) {
    lines.push_back(Str(static_cast<long long>(++number), 3) + "  " +
                    WithError(t.value.frequency, t.sigma.frequency, t.analytic.frequency) + "  " +
                    WithError(t.value.amplitude, t.sigma.amplitude, t.analytic.amplitude) + "  " +
                    WithError(t.value.phase, t.sigma.phase, t.analytic.phase) + "  " +
                    Str(t.snr, 0, 1) + "  " + Label(t));
  }
  return lines;
}

std::string OutcomeLogLine(const PrewhiteningOutcome& o, const PrewhiteningOptions& options) {
  switch (o.end) {
    case PrewhiteningEnd::BelowSnr:
      return "Stopped: the highest peak, at " + General(o.lastPeak.frequency) + " with amplitude " +
             General(o.lastPeak.amplitude) + ", has S/N " + Str(o.lastPeak.snr, 0, 2) + ", below " +
             General(options.stopSnr);
    case PrewhiteningEnd::ListFull:
      return "Stopped: the list holds " + Str(static_cast<long long>(options.maxFrequencies)) +
             " frequencies";
    case PrewhiteningEnd::TooFewPoints:
      return "Stopped: " + o.message;
    case PrewhiteningEnd::Stopped:
      return "Stopped by the user; the list is as after the last finished step";
    case PrewhiteningEnd::Refused:
      return "Refused: " + o.message;
  }
  return "";
}

}  // namespace teril
