// SPDX-License-Identifier: GPL-3.0-or-later
// The controls of the main window, built and laid out in one place: the
// Write and Copy pages, the Quit button, the version button and the menus.
// Each control's objectName is its name in the program's design, so tests
// and screen readers find it. Menus and buttons carry mnemonics (Alt+F opens
// File). The window (TFormMain) gives them behaviour.
#pragma once

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMainWindow;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QToolButton;

struct FormMainControls {
  // Write page.
  QRadioButton* radioWrSrcScsi;
  QComboBox* cmbWrSrcScsi;
  QRadioButton* radioWrSrcFile;
  QLineEdit* editWrSrcFile;
  QPushButton* btnWrSrcBrouse;
  QComboBox* cmbWrDstScsi;
  QLabel* labelDiscState;  // what the selected writer holds
  QPushButton* wrDevProperty;
  QPushButton* btnWrite;
  QPushButton* btnWrVerify;
  // Copy page.
  QRadioButton* radioCpSrcScsi;
  QComboBox* cmbCpSrcScsi;
  QRadioButton* radioCpSrcFile;
  QLineEdit* editCpSrcFile;
  QPushButton* btnCpSrcBrouse;
  QRadioButton* radioCpDstScsi;
  QComboBox* cmbCpDstScsi;
  QRadioButton* radioCpDstFile;
  QLineEdit* editCpDstFile;
  QPushButton* btnCpDstBrouse;
  QPushButton* btnCopy;
  QPushButton* btnCpVerify;
  // Around the pages.
  QTabWidget* pages;
  QPushButton* btnQuit;
  QToolButton* spdBtnVersion;
  // Menus.
  QAction* menuQuit;
  QAction* menuSetting;  // present, never visible
  QAction* menuLogWindow;
  QAction* menuWritePattern;
  QAction* menuVerifyRecord;  // "Verify against record..." on the selected writer
  QAction* menuSeveralWriters;  // the Write page's source onto several of its writers
  QAction* menuUpdateFirmware;
  QAction* menuReadScan;  // the disc in the Copy page's selected source drive
  QAction* menuManager;  // the SCSI manager of the next start
  QAction* menuLoad;     // the selected writer's disc: load
  QAction* menuEject;    // and eject
  QAction* menuRescan;   // the device scans again
  QAction* menuVersion;
};

// Builds the controls into the window (its central widget and menu bar).
FormMainControls BuildFormMainControls(QMainWindow& window);
