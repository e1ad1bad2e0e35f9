#include "ui/control_events.h"

namespace orvane {

void ControlEvents::OnListClick(QComboBox* list, Handler handler) {
  list_handlers_.insert(list, handler);
  // `activated` comes from the user only; program-made selections go through SelectEntry().
  QObject::connect(list, &QComboBox::activated, list, [handler](int) { handler(); });
}

void ControlEvents::OnCheckClick(QCheckBox* box, Handler handler) {
  QObject::connect(box, &QCheckBox::toggled, box, [handler](bool) { handler(); });
}

void ControlEvents::OnButtonClick(QPushButton* button, Handler handler) {
  QObject::connect(button, &QPushButton::clicked, button, [handler](bool) { handler(); });
}

void ControlEvents::SelectEntry(QComboBox* list, int index) {
  list->setCurrentIndex(index);
  const auto handler = list_handlers_.constFind(list);
  if (handler != list_handlers_.constEnd()) (*handler)();
}

}  // namespace orvane
