// SPDX-License-Identifier: GPL-3.0-or-later
// Support for the window tests: finding a shown window or control by its
// object name and answering a Qt box by code, never by a timer racing it.
#pragma once

#include <QApplication>
#include <QWidget>
#include <functional>

namespace guitest {

// The visible top-level widget of type T (with the object name, when given).
template <typename T>
T* FindTopLevel(const char* objectName = nullptr) {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    auto* found = qobject_cast<T*>(widget);
    if (found != nullptr && found->isVisible() && (objectName == nullptr || found->objectName() == objectName))
      return found;
  }
  return nullptr;
}

// Runs the event loop until done() holds; each time around, act() may look
// at the windows and press something (it runs inside any modal loop that is
// open at that moment).
void RunUntil(const std::function<bool()>& done, const std::function<void()>& act = {});

}  // namespace guitest
