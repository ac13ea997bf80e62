// SPDX-License-Identifier: GPL-3.0-or-later
// TSplashForm: the window without a title bar that stands in the middle of
// the screen while the start-up scans block the GUI thread.
#pragma once

#include <QWidget>

class TSplashForm : public QWidget {
  Q_OBJECT

 public:
  explicit TSplashForm(QWidget* parent = nullptr);

  // Shows the splash and draws it at once, before the GUI thread blocks.
  void ShowNow();
};
