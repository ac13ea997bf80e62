// SPDX-License-Identifier: GPL-3.0-or-later
// TFormSettings: the "Operation Settings" dialog. Its one option switches
// logging off. It is not kept in step with the log window: it starts cleared
// whatever the logging state, and a click only sets that state.
#pragma once

#include <QDialog>

class TFormSettings : public QDialog {
  Q_OBJECT

 public:
  explicit TFormSettings(QWidget* parent = nullptr);
};
