// SPDX-License-Identifier: GPL-3.0-or-later
// One start of the main window for a test: the window on the bus the test
// has set up, with its log in a folder of the test's own and a recording
// stand-in for the dialogs it opens. Controls are found by object name.
#pragma once

#include <QComboBox>
#include <QStringList>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/Log.h"
#include "gui/FormMainDialogs.h"
#include "gui/TFormMain.h"
#include "tests/fixtures/TempDir.h"
#include "volume/VolSizeChoice.h"

// What the main window asked of its dialogs.
class RecordingDialogs : public FormMainDialogs {
 public:
  struct Firmware {
    std::unique_ptr<SCSIDEV>* slot;
  };
  std::optional<OperationOutcome> ShowOperation(const OperationRequest& request) override {
    operations.push_back(request);
    return std::nullopt;
  }
  void ShowFirmwareUpdate(std::unique_ptr<SCSIDEV>& writer) override { firmware.push_back({&writer}); }
  void ShowWriterProperty(SCSIDEV& writer) override { properties.push_back(&writer); }
  void ShowSeveralWriters(const OperationRequest& source, const std::vector<std::string>& items,
                          const std::vector<SCSIDEV*>&) override {
    several.push_back(source);
    severalItems = items;
  }
  void ShowReadScan(SCSIDEV& drive) override { scans.push_back(&drive); }

  std::vector<OperationRequest> operations;
  std::vector<Firmware> firmware;
  std::vector<SCSIDEV*> properties;
  std::vector<SCSIDEV*> scans;
  std::vector<OperationRequest> several;
  std::vector<std::string> severalItems;
  size_t Count() const { return operations.size() + firmware.size() + properties.size() + scans.size() + several.size(); }
};

class MainWindowRun {
 public:
  explicit MainWindowRun(bool loggingOn = true);
  ~MainWindowRun();
  MainWindowRun(const MainWindowRun&) = delete;
  MainWindowRun& operator=(const MainWindowRun&) = delete;

  TFormMain& Form() { return *form_; }
  template <typename T>
  T* Get(const char* name) {
    T* found = form_->findChild<T*>(name);
    if (found == nullptr) Missing(name);
    return found;
  }
  // The texts of a combo box's items, trailing blanks cut.
  QStringList Items(const char* combo);
  // What the log window shows, once every entry logged so far has reached it.
  std::string Shown();
  std::string LogFile() const { return dir_.File("MarrowlightLog.txt"); }
  const TempDir& Dir() const { return dir_; }
  // What reached the trace output.
  std::string Trace();

  RecordingDialogs dialogs;
  VolSizeChoice sizes;

 private:
  static void Missing(const char* name);

  TempDir dir_;
  std::mutex traceMutex_;
  std::string trace_;
  TraceWriter previousTrace_;
  std::unique_ptr<TFormMain> form_;
};

// The address of a device as "HA,ID,LUN"; "-" for none.
std::string AddressOf(const SCSIDEV* device);
