// The dialogs port: every modal dialog of the program as one call that
// returns what the user entered, or that the user cancelled.
//
// The console mode answers from lines of standard input: one line per field
// in the dialog's order (an empty line keeps the field), one line with the
// path for a file dialog (empty: cancelled), "y" or "n" for a question, a
// line of item numbers (from 1) separated by blanks for a check list.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace teril {

struct DialogField {
  std::string label;
  std::string value;  // shown first, replaced by the user's text
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // A form of edit fields. `name` identifies the dialog ("Form2",
  // "Gotoint", ...) so that a window can show its own layout for it.
  // Returns false when cancelled (the fields are then unchanged).
  virtual bool EditFields(const std::string& name, const std::string& caption,
                          std::vector<DialogField>& fields) = 0;

  // File dialogs. `filter` is the stored form: description and mask pairs
  // separated by vertical bars ("*.dat|*.dat|all files|*.*").
  virtual std::optional<std::string> OpenFile(const std::string& title,
                                              const std::string& filter) = 0;
  virtual std::optional<std::string> SaveFile(const std::string& title,
                                              const std::string& filter,
                                              const std::string& defaultExt) = 0;

  // A question with the buttons "Yes" and "No": true for Yes.
  virtual bool YesNo(const std::string& caption) = 0;

  // A check list: `checked` holds the initial marks and receives the
  // user's; false when cancelled.
  virtual bool CheckList(const std::string& caption, const std::vector<std::string>& items,
                         std::vector<bool>& checked) = 0;
};

}  // namespace teril
