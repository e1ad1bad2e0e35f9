#pragma once

#include <QHash>
#include <QString>
#include <QWidget>

namespace orvane {

inline constexpr int kTwipsPerPixel = 15;
inline constexpr int TwipsToPixels(int twips) {
  return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

// Every control of the window, created from one table: names, captions, tool tips, positions,
// fonts, colours and design states. Controls are found again by their inventory name.
class ControlInventory {
 public:
  // Creates all controls as children of `client` (the window's client area).
  explicit ControlInventory(QWidget* client);

  QWidget* Find(const QString& name) const;
  template <typename T>
  T* Get(const QString& name) const {
    return qobject_cast<T*>(Find(name));
  }

 private:
  QHash<QString, QWidget*> controls_;
};

}  // namespace orvane
