#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QHash>
#include <QPushButton>
#include <functional>

namespace orvane {

// Wires controls to handlers the way the window's design expects its events:
// - a list's handler runs when the user picks an entry, and also when the program selects one
//   (even the entry already selected) through SelectEntry();
// - a check box's handler runs whenever its value changes, by the user or the program;
// - a button's handler runs on a click.
// Handlers keep program-made changes away from the device through their own guards; signals are
// never blocked.
class ControlEvents {
 public:
  using Handler = std::function<void()>;

  void OnListClick(QComboBox* list, Handler handler);
  void OnCheckClick(QCheckBox* box, Handler handler);
  void OnButtonClick(QPushButton* button, Handler handler);

  // A program-made selection: selects `index` and runs the list's handler.
  void SelectEntry(QComboBox* list, int index);

 private:
  QHash<QComboBox*, Handler> list_handlers_;
};

}  // namespace orvane
