// The menu command of the two-frequency fit of the Blazhko effect: its
// dialog and the checks of the three numbers.
#include <optional>

#include "base/numfmt.h"
#include "engine/engine.h"
#include "periodicity/blazhko.h"

namespace teril {

namespace {

constexpr const char* kCaption = "Blazhko effect";
constexpr const char* kNote = "Please write numbers with dot :(.)";
constexpr const char* kMainLabel = "Main frequency";
constexpr const char* kFromLabel = "Modulation frequency from";
constexpr const char* kToLabel = "to";

bool IsNumber(const std::string& text) { return ParseNumber(text).has_value(); }

bool IsPositiveNumber(const std::string& text) {
  auto v = ParseNumber(text);
  return v && *v > 0;
}

// Refuses the command: the reason in the log and in a message box.
void Refuse(Engine& e, const std::string& reason) {
  const std::string text = std::string(kCaption) + ": " + reason;
  e.LogLine(text);
  e.host.MessageBox(text);
}

// The number of a field, or a refusal that names it.
std::optional<double> FieldNumber(Engine& e, const std::string& name, const std::string& text,
                                  bool positive) {
  auto v = ParseNumber(text);
  if (!v) {
    Refuse(e, name + " \"" + text + "\" is not a number.");
    return std::nullopt;
  }
  if (positive && !(*v > 0)) {
    Refuse(e, name + " must be above 0.");
    return std::nullopt;
  }
  return v;
}

}  // namespace

void RunBlazhkoCommand(Engine& e) {
  BlazhkoState& b = e.blazhko;
  const std::string main = b.mainText.empty() ? General(e.eph.frequency) : b.mainText;
  std::vector<DialogField> fields{
      {kMainLabel, main, "cycles per unit of time, above 0", IsPositiveNumber},
      {kFromLabel, b.fromText, "lowest modulation frequency, cycles per unit of time, above 0",
       IsPositiveNumber},
      {kToLabel, b.toText, "highest modulation frequency, not below the lowest", IsNumber}};
  if (!e.dialogs.EditFields("Blazhko", kCaption, fields, kNote)) return;
  b.mainText = fields[0].value;
  b.fromText = fields[1].value;
  b.toText = fields[2].value;

  auto f1 = FieldNumber(e, kMainLabel, fields[0].value, true);
  if (!f1) return;
  auto from = FieldNumber(e, kFromLabel, fields[1].value, true);
  if (!from) return;
  // "to" alone would not say which field is meant.
  auto to = FieldNumber(e, "Modulation frequency to", fields[2].value, false);
  if (!to) return;
  if (*from > *to) {
    Refuse(e,
           std::string(kFromLabel) + " " + General(*from) + " lies above to " + General(*to) + ".");
    return;
  }
  b.mainFrequency = *f1;
  b.fromFrequency = *from;
  b.toFrequency = *to;
  BlazhkoFit(e);
}

}  // namespace teril
