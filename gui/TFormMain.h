// SPDX-License-Identifier: GPL-3.0-or-later
// TFormMain: the main window. Its construction runs the program's start-up
// share of the windows: it creates the log window (which owns the log of the
// run) and sets the logging switch, shows the splash while the two device
// scans run (on a worker, so the splash is drawn), fills the four device
// lists and sets the controls' enabled state; then it creates the version
// and settings dialogs.
//
// The window owns the device objects of its lists; Drive > Rescan Devices
// scans again and replaces them (no dialog is open then). Its start buttons
// and menu items open the other dialogs through FormMainDialogs; nothing
// that needs a device is done without one (a list the scan could not fill
// leaves its buttons disabled and its handlers idle). Under the writer list
// a line says what the selected writer holds, read when it is selected and
// after a load, an eject or an operation; Drive > Load Disc and Eject Disc
// act on it. The status line says what the scans could not list and how the
// last operation ended. An image dropped on the window, or named on the
// command line, becomes the Write page's source file. Closing it asks
// "Quit?"; Yes closes the log and lets the window close.
#pragma once

#include <QMainWindow>
#include <memory>
#include <optional>

#include "app/DeviceScan.h"
#include "app/PageRules.h"
#include "app/ProgramStart.h"
#include "app/StartActions.h"
#include "gui/FormMainControls.h"
#include "operation/OperationDialog.h"

class FormMainDialogs;
class QDragEnterEvent;
class QDropEvent;
class TAboutBox;
class TFormLog;
class TFormSettings;
class TFormManager;
class VolSizeChoice;

class TFormMain : public QMainWindow {
  Q_OBJECT

 public:
  // sizes: the volume size choice of the run (filled by the source check,
  // shown by the operation dialog's "Change size...").
  TFormMain(const StartOptions& options, FormMainDialogs& dialogs, VolSizeChoice& sizes,
            QWidget* parent = nullptr);
  ~TFormMain() override;

  // The log window; none once quitting has been confirmed.
  TFormLog* FormLog() const { return formLog_.get(); }
  TAboutBox& AboutBox() const { return *aboutBox_; }
  TFormSettings& FormSettings() const { return *formSettings_; }
  TFormManager& FormManager() const { return *formManager_; }
  const StartupScans& Scans() const { return scans_; }
  // The device of the item selected in the Write page's destination list.
  SCSIDEV* SelectedWriter() const;
  // An image to write: the Write page's source becomes this file.
  void OpenImage(const std::string& path);

 protected:
  // The close query: "Quit?".
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // Takes the lists of a scan, sets the pages' state and says on the status
  // line what could not be listed.
  void TakeScans(StartupScans scans);
  void FillLists();
  // Reads what the selected writer holds into the line under its list.
  void RefreshDiscState();
  void MenuLoadClick();
  void MenuEjectClick();
  void MenuRescanClick();
  void ShowOutcome(const std::optional<OperationOutcome>& outcome);
  void SaveChoosers();
  void ApplyWritePage();
  void ApplyCopyPage();
  void Connect();

  void RadioWrSrcScsiClick();
  void RadioWrSrcFileClick();
  void RadioCpSrcScsiClick();
  void RadioCpSrcFileClick();
  void RadioCpDstScsiClick();
  void RadioCpDstFileClick();
  void StartWritePage(Operation operation);
  void StartCopyPage(Operation operation);
  void MenuWritePatternClick();
  void MenuVerifyRecordClick();
  void MenuSeveralWritersClick();
  void MenuUpdateFirmwareClick();
  void MenuReadScanClick();
  void WrDevPropertyClick();
  void MenuLogWindowClick();
  void ShowVersion();

  FormMainControls c_;
  FormMainDialogs& dialogs_;
  std::unique_ptr<TFormLog> formLog_;
  StartupScans scans_;
  std::optional<WritePageRules> writeRules_;
  std::optional<CopyPageRules> copyRules_;
  StartActions actions_;
  TAboutBox* aboutBox_ = nullptr;
  TFormSettings* formSettings_ = nullptr;
  TFormManager* formManager_ = nullptr;
};
