// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/TFormMain.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QToolButton>
#include <QUrl>

#include "app/ManagerChoice.h"
#include "base/Log.h"
#include "base/ProgramIdentity.h"
#include "drive/WriterProperty.h"
#include "gui/FormMainDialogs.h"
#include "gui/GuiThread.h"
#include "gui/ProgramIcon.h"
#include "gui/TAboutBox.h"
#include "gui/TFormLog.h"
#include "gui/TFormManager.h"
#include "gui/TFormSettings.h"
#include "gui/TSplashForm.h"
#include "gui/UserSettings.h"
#include "host/ui/MessageBox.h"
#include "operation/OperationTexts.h"

namespace {

// The items of a list: the scan's items ("Not Available" for an empty
// list), nothing at all when the scan could not run.
void Fill(QComboBox* combo, const PageScan& scan, const DeviceList& list) {
  combo->clear();
  if (!scan.ran) return;
  for (const std::string& item : list.ComboItems()) combo->addItem(QString::fromStdString(item));
  combo->setCurrentIndex(0);
}

// The device behind the selected item; none for "Not Available" or an
// empty list.
SCSIDEV* Selected(const DeviceList& list, const QComboBox* combo) {
  int index = combo->currentIndex();
  if (index < 0 || static_cast<size_t>(index) >= list.devices.size()) return nullptr;
  return list.devices[static_cast<size_t>(index)].get();
}

bool Listed(const PageScan& scan, const DeviceList& list) { return scan.ran && !list.devices.empty(); }

void Enable(bool on, std::initializer_list<QWidget*> widgets) {
  for (QWidget* widget : widgets) widget->setEnabled(on);
}

std::string Text(const QLineEdit* edit) { return edit->text().toStdString(); }

}  // namespace

TFormMain::TFormMain(const StartOptions& options, FormMainDialogs& dialogs, VolSizeChoice& sizes, QWidget* parent)
    : QMainWindow(parent), c_(BuildFormMainControls(*this)), dialogs_(dialogs), actions_(sizes) {
  setObjectName("FormMain");
  setWindowTitle(ProgramName);
  setWindowIcon(ProgramIcon());
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);

  statusBar()->setObjectName("StatusBar");
  formLog_ = std::make_unique<TFormLog>(options.logFilePath);
  formLog_->setWindowIcon(ProgramIcon());
  SetLogOutput(options.loggingOn);
  StartupScans scans;
  {
    // The scans run on a worker while this thread serves the splash, which
    // is then really drawn.
    TSplashForm splash;
    splash.ShowNow();
    gui::RunOnWorker([&scans] { scans = RunStartupScans(); });
    splash.close();
  }
  // Emulated drives are never taken for real ones.
  if (SimulatedDrives()) setWindowTitle(QString(ProgramName) + " - " + kSimulatedDrivesLabel);
  TakeScans(std::move(scans));
  actions_.Remember(SavedChooserMemory());
  setAcceptDrops(true);

  aboutBox_ = new TAboutBox(this);
  formSettings_ = new TFormSettings(this);
  formManager_ = new TFormManager(this);
  Connect();

  adjustSize();
  setFixedSize(size());
  if (QScreen* screen = QApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

TFormMain::~TFormMain() = default;

void TFormMain::TakeScans(StartupScans scans) {
  scans_ = std::move(scans);
  FillLists();
  writeRules_.emplace(Listed(scans_.write, scans_.write.sources), Listed(scans_.write, scans_.write.destinations));
  copyRules_.emplace(Listed(scans_.copy, scans_.copy.sources), Listed(scans_.copy, scans_.copy.destinations));
  // A source file already given stays the source.
  if (!c_.editWrSrcFile->text().isEmpty()) writeRules_->ChooseSourceFile();
  ApplyWritePage();
  ApplyCopyPage();
  statusBar()->showMessage(QString::fromStdString(DroppedLine(scans_)));
  RefreshDiscState();
}

void TFormMain::FillLists() {
  // Filling the lists is not a choice of the person: the disc state is read
  // once they are full.
  QSignalBlocker quiet(c_.cmbWrDstScsi);
  Fill(c_.cmbWrSrcScsi, scans_.write, scans_.write.sources);
  Fill(c_.cmbWrDstScsi, scans_.write, scans_.write.destinations);
  Fill(c_.cmbCpSrcScsi, scans_.copy, scans_.copy.sources);
  Fill(c_.cmbCpDstScsi, scans_.copy, scans_.copy.destinations);
}

void TFormMain::ApplyWritePage() {
  const WritePageRules::State& s = writeRules_->Now();
  c_.radioWrSrcScsi->setChecked(!s.sourceIsFile);
  c_.radioWrSrcFile->setChecked(s.sourceIsFile);
  c_.cmbWrSrcScsi->setEnabled(s.sourceCombo);
  Enable(s.sourceFile, {c_.editWrSrcFile, c_.btnWrSrcBrouse});
  c_.cmbWrDstScsi->setEnabled(s.destinationCombo);
  Enable(s.start, {c_.btnWrite, c_.btnWrVerify});
  c_.wrDevProperty->setEnabled(s.writerActions);
  c_.menuWritePattern->setEnabled(s.writerActions);
  c_.menuVerifyRecord->setEnabled(s.writerActions);
  c_.menuSeveralWriters->setEnabled(s.start);
  c_.menuUpdateFirmware->setEnabled(s.writerActions);
  c_.menuLoad->setEnabled(s.writerActions);
  c_.menuEject->setEnabled(s.writerActions);
}

void TFormMain::ApplyCopyPage() {
  const CopyPageRules::State& s = copyRules_->Now();
  c_.radioCpSrcScsi->setChecked(!s.sourceIsFile);
  c_.radioCpSrcFile->setChecked(s.sourceIsFile);
  c_.radioCpDstScsi->setChecked(!s.destinationIsFile);
  c_.radioCpDstFile->setChecked(s.destinationIsFile);
  c_.cmbCpSrcScsi->setEnabled(s.sourceCombo);
  Enable(s.sourceFile, {c_.editCpSrcFile, c_.btnCpSrcBrouse});
  c_.cmbCpDstScsi->setEnabled(s.destinationCombo);
  Enable(s.destinationFile, {c_.editCpDstFile, c_.btnCpDstBrouse});
  Enable(s.start, {c_.btnCopy, c_.btnCpVerify});
  // A read scan needs a drive in the source list, whichever side the page uses.
  c_.menuReadScan->setEnabled(Listed(scans_.copy, scans_.copy.sources));
}

void TFormMain::Connect() {
  auto on = [this](auto* sender, auto signal, void (TFormMain::*handler)()) {
    connect(sender, signal, this, [this, handler] { (this->*handler)(); });
  };
  on(c_.radioWrSrcScsi, &QRadioButton::clicked, &TFormMain::RadioWrSrcScsiClick);
  on(c_.radioWrSrcFile, &QRadioButton::clicked, &TFormMain::RadioWrSrcFileClick);
  on(c_.radioCpSrcScsi, &QRadioButton::clicked, &TFormMain::RadioCpSrcScsiClick);
  on(c_.radioCpSrcFile, &QRadioButton::clicked, &TFormMain::RadioCpSrcFileClick);
  on(c_.radioCpDstScsi, &QRadioButton::clicked, &TFormMain::RadioCpDstScsiClick);
  on(c_.radioCpDstFile, &QRadioButton::clicked, &TFormMain::RadioCpDstFileClick);

  connect(c_.btnWrite, &QPushButton::clicked, this, [this] { StartWritePage(Operation::TestOnly); });
  connect(c_.btnWrVerify, &QPushButton::clicked, this, [this] { StartWritePage(Operation::VerifyDisc); });
  connect(c_.btnCopy, &QPushButton::clicked, this, [this] { StartCopyPage(Operation::Copy); });
  connect(c_.btnCpVerify, &QPushButton::clicked, this, [this] { StartCopyPage(Operation::VerifyCopy); });

  auto browse = [this](QPushButton* button, QLineEdit* edit, FileRole role) {
    connect(button, &QPushButton::clicked, this, [this, edit, role] {
      // A destination is proposed beside the Copy page's source file.
      PageSide source{c_.radioCpSrcFile->isChecked(), nullptr, Text(c_.editCpSrcFile)};
      std::optional<std::string> chosen = actions_.Browse(role, role == FileRole::Destination ? &source : nullptr);
      if (!chosen) return;
      edit->setText(QString::fromStdString(*chosen));
      SaveChoosers();
    });
  };
  browse(c_.btnWrSrcBrouse, c_.editWrSrcFile, FileRole::Source);
  browse(c_.btnCpSrcBrouse, c_.editCpSrcFile, FileRole::Source);
  browse(c_.btnCpDstBrouse, c_.editCpDstFile, FileRole::Destination);

  on(c_.wrDevProperty, &QPushButton::clicked, &TFormMain::WrDevPropertyClick);
  connect(c_.btnQuit, &QPushButton::clicked, this, [this] { close(); });
  on(c_.spdBtnVersion, &QToolButton::clicked, &TFormMain::ShowVersion);
  connect(c_.menuQuit, &QAction::triggered, this, [this] { close(); });
  connect(c_.menuSetting, &QAction::triggered, this, [this] { formSettings_->exec(); });
  connect(c_.menuManager, &QAction::triggered, this, [this] {
    formManager_->Refresh();
    formManager_->exec();
  });
  on(c_.menuLogWindow, &QAction::triggered, &TFormMain::MenuLogWindowClick);
  on(c_.menuWritePattern, &QAction::triggered, &TFormMain::MenuWritePatternClick);
  on(c_.menuVerifyRecord, &QAction::triggered, &TFormMain::MenuVerifyRecordClick);
  on(c_.menuSeveralWriters, &QAction::triggered, &TFormMain::MenuSeveralWritersClick);
  on(c_.menuUpdateFirmware, &QAction::triggered, &TFormMain::MenuUpdateFirmwareClick);
  on(c_.menuReadScan, &QAction::triggered, &TFormMain::MenuReadScanClick);
  on(c_.menuVersion, &QAction::triggered, &TFormMain::ShowVersion);
  on(c_.menuLoad, &QAction::triggered, &TFormMain::MenuLoadClick);
  on(c_.menuEject, &QAction::triggered, &TFormMain::MenuEjectClick);
  on(c_.menuRescan, &QAction::triggered, &TFormMain::MenuRescanClick);
  connect(c_.cmbWrDstScsi, &QComboBox::currentIndexChanged, this, [this] { RefreshDiscState(); });
}

SCSIDEV* TFormMain::SelectedWriter() const { return Selected(scans_.write.destinations, c_.cmbWrDstScsi); }

void TFormMain::RadioWrSrcScsiClick() {
  writeRules_->ChooseSourceScsi();
  ApplyWritePage();
}

void TFormMain::RadioWrSrcFileClick() {
  writeRules_->ChooseSourceFile();
  ApplyWritePage();
}

void TFormMain::RadioCpSrcScsiClick() {
  copyRules_->ChooseSourceScsi();
  ApplyCopyPage();
}

void TFormMain::RadioCpSrcFileClick() {
  copyRules_->ChooseSourceFile();
  ApplyCopyPage();
}

void TFormMain::RadioCpDstScsiClick() {
  copyRules_->ChooseDestinationScsi();
  ApplyCopyPage();
}

void TFormMain::RadioCpDstFileClick() {
  copyRules_->ChooseDestinationFile();
  ApplyCopyPage();
}

void TFormMain::StartWritePage(Operation operation) {
  PageSide source{c_.radioWrSrcFile->isChecked(), Selected(scans_.write.sources, c_.cmbWrSrcScsi),
                  Text(c_.editWrSrcFile)};
  std::optional<OperationRequest> request = actions_.StartWritePage(operation, source, SelectedWriter());
  c_.editWrSrcFile->setText(QString::fromStdString(source.fileName));
  SaveChoosers();
  if (request) ShowOutcome(dialogs_.ShowOperation(*request));
}

void TFormMain::StartCopyPage(Operation operation) {
  PageSide source{c_.radioCpSrcFile->isChecked(), Selected(scans_.copy.sources, c_.cmbCpSrcScsi),
                  Text(c_.editCpSrcFile)};
  PageSide destination{c_.radioCpDstFile->isChecked(), Selected(scans_.copy.destinations, c_.cmbCpDstScsi),
                       Text(c_.editCpDstFile)};
  std::optional<OperationRequest> request = actions_.StartCopyPage(operation, source, destination);
  c_.editCpSrcFile->setText(QString::fromStdString(source.fileName));
  c_.editCpDstFile->setText(QString::fromStdString(destination.fileName));
  SaveChoosers();
  if (request) ShowOutcome(dialogs_.ShowOperation(*request));
}

void TFormMain::MenuWritePatternClick() {
  if (std::optional<OperationRequest> request = StartActions::WritePattern(SelectedWriter()))
    ShowOutcome(dialogs_.ShowOperation(*request));
}

void TFormMain::MenuVerifyRecordClick() {
  if (std::optional<OperationRequest> request = StartActions::VerifyAgainstRecord(SelectedWriter()))
    dialogs_.ShowOperation(*request);
}

void TFormMain::MenuSeveralWritersClick() {
  // The source is checked as Write checks it; the writers are chosen in the
  // window that opens.
  PageSide source{c_.radioWrSrcFile->isChecked(), Selected(scans_.write.sources, c_.cmbWrSrcScsi),
                  Text(c_.editWrSrcFile)};
  std::optional<OperationRequest> request = actions_.StartWritePage(Operation::WriteVerify, source, SelectedWriter());
  c_.editWrSrcFile->setText(QString::fromStdString(source.fileName));
  if (!request) return;
  std::vector<SCSIDEV*> devices;
  for (const auto& device : scans_.write.destinations.devices) devices.push_back(device.get());
  dialogs_.ShowSeveralWriters(*request, scans_.write.destinations.ComboItems(), devices);
}

void TFormMain::MenuUpdateFirmwareClick() {
  if (SelectedWriter() == nullptr) return;
  auto& slot = scans_.write.destinations.devices[static_cast<size_t>(c_.cmbWrDstScsi->currentIndex())];
  dialogs_.ShowFirmwareUpdate(slot);
  RefreshDiscState();
}

void TFormMain::MenuReadScanClick() {
  if (SCSIDEV* drive = Selected(scans_.copy.sources, c_.cmbCpSrcScsi)) dialogs_.ShowReadScan(*drive);
}

void TFormMain::WrDevPropertyClick() {
  if (SCSIDEV* writer = SelectedWriter()) {
    dialogs_.ShowWriterProperty(*writer);
    RefreshDiscState();  // an erase, a load or an eject may have changed it
  }
}

void TFormMain::ShowOutcome(const std::optional<OperationOutcome>& outcome) {
  if (outcome) statusBar()->showMessage(QString::fromStdString(OutcomeLine(*outcome)));
  RefreshDiscState();
}

void TFormMain::RefreshDiscState() {
  SCSIDEV* writer = SelectedWriter();
  if (writer == nullptr) {
    c_.labelDiscState->clear();
    return;
  }
  std::string line;
  // A drive that is becoming ready is asked for a few seconds: the window
  // is served meanwhile.
  gui::RunOnWorker([&] { line = DiscStateLine(*writer); });
  c_.labelDiscState->setText(QString::fromStdString(line));
}

void TFormMain::MenuLoadClick() {
  if (SCSIDEV* writer = SelectedWriter()) {
    gui::RunOnWorker([writer] { LoadDisc(*writer); });
    RefreshDiscState();
  }
}

void TFormMain::MenuEjectClick() {
  if (SCSIDEV* writer = SelectedWriter()) {
    gui::RunOnWorker([writer] { EjectDisc(*writer); });
    RefreshDiscState();
  }
}

void TFormMain::MenuRescanClick() {
  statusBar()->showMessage("Scanning the devices ...");
  setEnabled(false);
  StartupScans scans;
  {
    ui::BusyCursor busy;
    gui::RunOnWorker([&scans] { scans = RescanDevices(); });
  }
  setEnabled(true);
  TakeScans(std::move(scans));
  if (statusBar()->currentMessage().isEmpty()) {
    statusBar()->showMessage(QString("Devices scanned: %1 writer(s), %2 source(s).")
                                 .arg(scans_.write.destinations.devices.size())
                                 .arg(scans_.write.sources.devices.size()));
  }
}

void TFormMain::OpenImage(const std::string& path) {
  c_.pages->setCurrentIndex(0);
  c_.editWrSrcFile->setText(QString::fromStdString(path));
  RadioWrSrcFileClick();
  statusBar()->showMessage(QString::fromStdString("Source file: " + path));
}

void TFormMain::SaveChoosers() { SaveChooserMemory(actions_.Memory()); }

void TFormMain::dragEnterEvent(QDragEnterEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.size() == 1 && urls.front().isLocalFile()) event->acceptProposedAction();
}

void TFormMain::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.size() != 1 || !urls.front().isLocalFile()) return;
  OpenImage(urls.front().toLocalFile().toStdString());
  event->acceptProposedAction();
}

void TFormMain::MenuLogWindowClick() {
  if (!formLog_) return;
  formLog_->resize(600, 280);
  formLog_->ShowLogWindow();
}

void TFormMain::ShowVersion() { aboutBox_->ShowVersion(SelectedWriter()); }

void TFormMain::closeEvent(QCloseEvent* event) {
  if (ui::MessageBox("Quit?", ProgramName, ui::kYesNo | ui::kIconQuestion) != ui::kIdYes) {
    event->ignore();
    return;
  }
  // Closes the log file; nothing is logged after this.
  formLog_.reset();
  event->accept();
}
