// SPDX-License-Identifier: GPL-3.0-or-later
// TVolSizeForm: the "Volume Size" window over the volume size choice. It
// shows the four ways to take a volume's size with the captions and the
// enabling the choice gives them; the byte field can be typed into only for
// the manual choice. OK takes the checked choice; Cancel and the close box
// bring back the size chosen before.
#pragma once

#include <QDialog>

#include "volume/VolSizeChoice.h"

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class TVolSizeForm : public QDialog {
  Q_OBJECT

 public:
  // sizes is shared with the volume check and outlives the window.
  explicit TVolSizeForm(VolSizeChoice& sizes, QWidget* parent = nullptr);

  VolSizeChoice& Sizes() { return sizes_; }
  // Shows the choice modally; true for OK, and the chosen size is then
  // Sizes().ChosenSize().
  bool Choose();

 public slots:
  void reject() override;

 private:
  // The radios, their captions and the byte field as the choice has them.
  void Load();
  void UpdateManualInput();
  void RadioClick(VolSizeChoice::Choice choice);
  void ButtonOKClick();

  VolSizeChoice& sizes_;
  QButtonGroup* radios_;
  QRadioButton* radioIso_;
  QRadioButton* radioUdf_;
  QRadioButton* radioMedia_;
  QRadioButton* radioManual_;
  QLineEdit* editBytes_;
  QLabel* labelBytes_;
  QPushButton* buttonOk_;
};
