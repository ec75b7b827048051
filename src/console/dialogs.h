// The dialogs port: every modal dialog of the program as one call that
// returns what the user entered, or that the user cancelled.
//
// The console mode answers from lines of standard input: one line per field
// in the dialog's order (an empty line keeps the field; a field that does
// not apply, see DialogField::applies, takes no line), one line with the
// path for a file dialog (empty: cancelled), "y" or "n" for a question, a
// line of item numbers (from 1) separated by blanks for a check list.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace teril {

struct DialogField {
  DialogField() = default;
  DialogField(std::string l, std::string v, std::string h = {},
              std::function<bool(const std::string&)> check = {})
      : label(std::move(l)), value(std::move(v)), hint(std::move(h)), valid(std::move(check)) {}
  std::string label;
  std::string value;  // shown first, replaced by the user's text
  std::string hint;   // shown as the field's tool tip and placeholder; may be empty
  // When set, the window keeps OK disabled while the text is not accepted.
  // The console mode and the caller still check the answer themselves.
  std::function<bool(const std::string&)> valid;
  // Conditional fields; both predicates see the whole form with the current
  // values and look only at the fields before this one. Unset: always.
  //  applies: whether the field is asked at all. The console mode (and the
  //    scripted dialogs) read a line only for a field that applies; one
  //    that does not keeps its value. The window shows every field and
  //    disables those that do not apply, following the earlier fields live.
  //  used: finer, for the window only: an applying field is enabled only
  //    while it is also used. The console mode still reads its line, so
  //    that the lines of a script do not move with the earlier answers.
  std::function<bool(const std::vector<DialogField>&)> applies;
  std::function<bool(const std::vector<DialogField>&)> used;
};

// Whether fields[i] applies (see DialogField::applies).
inline bool FieldApplies(const std::vector<DialogField>& fields, std::size_t i) {
  return !fields[i].applies || fields[i].applies(fields);
}

// Whether the window enables fields[i]: it applies and is used.
inline bool FieldEnabled(const std::vector<DialogField>& fields, std::size_t i) {
  return FieldApplies(fields, i) && (!fields[i].used || fields[i].used(fields));
}

// The content of the form that ChooseMethods shows.
struct MethodChoice {
  std::string caption;             // the form's title
  std::vector<std::string> items;  // the check list, in order
  std::vector<bool> checked;       // their marks, one per item (in and out)
  std::string option;              // the single check below the list
  bool optionChecked = false;      // (in and out)
  std::string button;              // the button that accepts the choice
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // A form of edit fields. `name` identifies the dialog ("Form2",
  // "Gotoint", ...) so that a window can show its own layout for it.
  // Returns false when cancelled (the fields are then unchanged).
  // `note` is a text shown above the fields (may be empty).
  virtual bool EditFields(const std::string& name, const std::string& caption,
                          std::vector<DialogField>& fields, const std::string& note) = 0;
  bool EditFields(const std::string& name, const std::string& caption,
                  std::vector<DialogField>& fields) {
    return EditFields(name, caption, fields, std::string());
  }

  // File dialogs. `filter` is the stored form: description and mask pairs
  // separated by vertical bars ("*.dat|*.dat|all files|*.*").
  virtual std::optional<std::string> OpenFile(const std::string& title,
                                              const std::string& filter) = 0;
  virtual std::optional<std::string> SaveFile(const std::string& title,
                                              const std::string& filter,
                                              const std::string& defaultExt) = 0;

  // A question with the buttons "Yes" and "No": true for Yes.
  virtual bool YesNo(const std::string& caption) = 0;

  // Unsaved edits of the data set are about to be thrown away (another file
  // is opened, the file is read again). A window asks "Save changes to
  // <file>?" with Save, Discard and Cancel. By default `question` is asked
  // with YesNo (yes saves, no discards), which is what the console mode
  // reads.
  enum class SaveChoice { Save, Discard, Cancel };
  virtual SaveChoice SaveChanges(const std::string& /*file*/, const std::string& question) {
    return YesNo(question) ? SaveChoice::Save : SaveChoice::Discard;
  }

  // A check list: `checked` holds the initial marks and receives the
  // user's; false when cancelled.
  virtual bool CheckList(const std::string& caption, const std::vector<std::string>& items,
                         std::vector<bool>& checked) = 0;

  // A check list with one more check below it and a button that accepts the
  // choice ("Choose method": the methods, "make new result file", "Do it!").
  // The marks in `choice` are updated however the form is left, since the
  // form keeps them; returns true when the button was pressed. The console
  // mode reads two lines: the numbers (from 1) of the checked items
  // separated by blanks, then "1" to check the option or an empty line.
  virtual bool ChooseMethods(MethodChoice& choice) {
    std::vector<std::string> items = choice.items;
    items.push_back(choice.option);
    std::vector<bool> marks = choice.checked;
    marks.resize(choice.items.size());
    marks.push_back(choice.optionChecked);
    if (!CheckList(choice.caption, items, marks)) return false;
    marks.resize(items.size());
    choice.checked.assign(marks.begin(), marks.end() - 1);
    choice.optionChecked = marks.back();
    return true;
  }
};

}  // namespace teril
