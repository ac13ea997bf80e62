// TWriteModeSelectForm: the "Write Mode Select" window, asked when a volume
// is larger than the disc: "OK" writes the volume up to the disc size,
// "Cancel writing" ends the operation. The close box answers as "Cancel
// writing" does. It is shown modally and answers with its modal result.
#pragma once

#include <QDialog>

class QPushButton;

class TWriteModeSelectForm : public QDialog {
  Q_OBJECT

 public:
  explicit TWriteModeSelectForm(QWidget* parent = nullptr);

  // Shows the window modally; true for OK.
  bool AskRoundDown();

 private:
  QPushButton* btnOk_;
  QPushButton* btnCancel_;
};
