// SPDX-License-Identifier: GPL-3.0-or-later
// TWriteModeSelectForm: the "Write Mode Select" window, asked when a volume
// is larger than the disc; it shows both sizes. "OK" writes the volume up to
// the disc size, "Cancel writing" (the default button) ends the operation.
// The close box answers as "Cancel writing" does. It is shown modally and
// answers with its modal result.
#pragma once

#include <QDialog>
#include <cstdint>

class QLabel;
class QPushButton;

class TWriteModeSelectForm : public QDialog {
  Q_OBJECT

 public:
  explicit TWriteModeSelectForm(QWidget* parent = nullptr);

  // Shows the window modally with the two sizes; true for OK.
  bool AskRoundDown(uint64_t volumeBytes, uint64_t discBytes);

 private:
  QLabel* labelSizes_;
  QPushButton* btnOk_;
  QPushButton* btnCancel_;
};
