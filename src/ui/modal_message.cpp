#include "ui/modal_message.h"

#include <QMessageBox>

namespace orvane {

ModalMessage MakeStopMessageBox(QWidget* parent) {
  return [parent](const QString& title, const QString& text) {
    QMessageBox::critical(parent, title, text, QMessageBox::Ok);
  };
}

}  // namespace orvane
