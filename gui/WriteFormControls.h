// SPDX-License-Identifier: GPL-3.0-or-later
// WriteFormControls: the controls of the operation dialog, made and placed
// as the dialog's resource lays them out (absolute places in pixels, so that
// the progress rows can be left out 24 pixels at a time), and moved to the
// places a ProgressLayout gives for the chosen operation.
#pragma once

#include <array>
#include <functional>

#include "operation/OperationForm.h"

class QCheckBox;
class QComboBox;
class QDialog;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QWidget;
class SpeedChartView;

struct WriteFormControls {
  struct ProgressRowControls {
    QFrame* panel;  // PanelProgTest, PanelProgWrite, PanelProgVerify
    QLabel* caption;
    QProgressBar* bar;  // ProgBar1-3
    QLabel* percent;    // ProgPerc1-3
  };

  QGroupBox* groupVolumeInfo;
  QLabel* labelVolName;
  QLineEdit* editVolName;
  QLabel* labelVolSize;
  QLineEdit* editVolSize;
  QPushButton* btnChangeSize;

  QGroupBox* groupWriteSettings;
  QLabel* panelOperation;
  QComboBox* cmbWriteMode;
  QLabel* labelOperationInfo;
  QFrame* panelWriteSectors;  // hidden, with the pattern's sector count
  QLineEdit* editWriteSectors;
  QLabel* labelHexDec;  // clicked: the sector count changes base
  QPushButton* btnGetDiscSize;  // hidden
  QCheckBox* chkEjectWhenDone;  // operations onto a writer: give the disc back at the end

  std::array<ProgressRowControls, 3> rows;  // Test, Write (or Copy), Verify
  SpeedChartView* graph;  // under the rows: the speed of every pass

  QFrame* panelStart;
  QLabel* labelSpeed;     // the running pass: MB/s and the DVD multiple
  QLabel* labelTimeLeft;  // and the time it has left
  QLabel* labelComment;  // the step running; after the end, how it ended
  QLabel* labelOverall;  // the whole operation: percent and time left
  QPushButton* btnSaveGraph;  // the graph as PNG
  QPushButton* btnStart;
  QPushButton* btnCloseStop;

  // Makes every control on the dialog at its resource place; onHexDecClick
  // runs when LabelHexDec is clicked.
  void Build(QDialog& dialog, std::function<void()> onHexDecClick);
  // Where the parts stand with all three progress rows.
  static DialogLayout Resource();
  // Moves the rows, the start panel and the settings group and sets the
  // dialog's height as layout says.
  void Place(QDialog& dialog, const ProgressLayout& layout);
  // The progress rows' bars at 0 and their labels "0%".
  void ClearProgress();
  // Enter presses Start before an operation runs and Cancel while it runs.
  void SetRunning(bool running);
};
