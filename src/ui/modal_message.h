#pragma once

#include <QString>
#include <QWidget>
#include <functional>

namespace orvane {

// Every modal message of the window goes through one function: a stop icon, an OK button, a
// title and a text. Tests swap it for one that records instead of blocking.
using ModalMessage = std::function<void(const QString& title, const QString& text)>;

// The message box the program shows.
ModalMessage MakeStopMessageBox(QWidget* parent);

}  // namespace orvane
