// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/TReadScanForm.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "base/Log.h"
#include "base/ProgramIdentity.h"
#include "devices/SCSIDEV.h"
#include "gui/GuiThread.h"
#include "gui/SpeedChartView.h"
#include "host/ui/MessageBox.h"
#include "readscan/DeviceScanSource.h"
#include "readscan/ScanVerdict.h"
#include "readscan/TReadScanThread.h"

namespace {

constexpr int kTickMs = 100;
constexpr int kGraphWidth = 640, kGraphHeight = 300;

template <typename T>
T* Named(T* widget, const char* name) {
  widget->setObjectName(name);
  return widget;
}

}  // namespace

TReadScanForm::TReadScanForm(QWidget* parent) : QDialog(parent) {
  setObjectName("ReadScanForm");
  setWindowTitle("Read Scan");
  setModal(true);
  labelDevice_ = Named(new QLabel(this), "LabelDevice");
  progScan_ = Named(new QProgressBar(this), "ProgScan");
  progScan_->setRange(0, 100);
  progScan_->setTextVisible(false);
  progScanPerc_ = Named(new QLabel("0%", this), "ProgScanPerc");
  progScanPerc_->setMinimumWidth(40);
  graph_ = Named(new SpeedChartView(this), "GraphScan");
  graph_->setFixedSize(kGraphWidth, kGraphHeight);
  graph_->SetPlaceholder("Start reads the whole disc and draws its read speed here.");
  labelSummary_ = Named(new QLabel(this), "LabelSummary");
  labelSummary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  labelSummary_->setMinimumHeight(100);
  labelSummary_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  btnSaveGraph_ = Named(new QPushButton("Save graph...", this), "BtnSaveGraph");
  btnStart_ = Named(new QPushButton("Start", this), "BtnStart");
  btnCloseStop_ = Named(new QPushButton("Close", this), "BtnCloseStop");
  for (QPushButton* button : {btnSaveGraph_, btnStart_, btnCloseStop_}) button->setAutoDefault(false);
  btnStart_->setDefault(true);

  auto* progress = new QHBoxLayout;
  progress->addWidget(progScan_);
  progress->addWidget(progScanPerc_);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(btnSaveGraph_);
  buttons->addStretch();
  buttons->addWidget(btnStart_);
  buttons->addWidget(btnCloseStop_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(labelDevice_);
  layout->addLayout(progress);
  layout->addWidget(graph_);
  layout->addWidget(labelSummary_);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  timer_ = new QTimer(this);
  timer_->setInterval(kTickMs);
  connect(timer_, &QTimer::timeout, this, [this] { Tick(); });
  connect(btnStart_, &QPushButton::clicked, this, [this] { BtnStartClick(); });
  connect(btnCloseStop_, &QPushButton::clicked, this, [this] { BtnCloseStopClick(); });
  connect(btnSaveGraph_, &QPushButton::clicked, this, [this] { BtnSaveGraphClick(); });
}

TReadScanForm::~TReadScanForm() {
  if (scan_) {
    scan_->Terminate();
    scan_->WaitFor();
  }
}

void TReadScanForm::SetDrive(SCSIDEV& drive) {
  if (drive_ != &drive) {
    report_ = ScanReport{};
    graph_->SetChart({});
    labelSummary_->clear();
    progScan_->setValue(0);
    progScanPerc_->setText("0%");
  }
  drive_ = &drive;
  labelDevice_->setText(QString::fromStdString("Drive " + ScanDriveName(drive)));
  btnSaveGraph_->setEnabled(graph_->Chart().HasPoints());
}

void TReadScanForm::ShowScan(SCSIDEV& drive) {
  SetDrive(drive);
  exec();
}

bool TReadScanForm::ScanRunning() const { return scan_ && !scan_->Finished(); }

void TReadScanForm::BtnStartClick() {
  if (drive_ == nullptr || ScanRunning()) return;
  scan_.reset();  // the last scan has finished
  report_ = ScanReport{};
  labelSummary_->clear();
  btnStart_->setEnabled(false);
  btnSaveGraph_->setEnabled(false);
  btnCloseStop_->setText("Cancel");
  scan_ = std::make_unique<TReadScanThread>(*drive_);
  scan_->Start();
  timer_->start();
}

void TReadScanForm::Tick() {
  if (!scan_) return;
  const bool finished = scan_->Finished();  // before the snapshot: it then holds every step
  // While the scan runs only its new steps are taken; at its end the whole
  // report, with every step judged.
  const size_t had = finished ? 0 : report_.steps.size();
  if (finished) report_.steps.clear();
  ScanReport now = scan_->Scan().Snapshot(had);
  std::vector<ScanStep> steps = std::move(report_.steps);
  steps.insert(steps.end(), now.steps.begin(), now.steps.end());
  report_ = std::move(now);
  report_.steps = std::move(steps);
  // The slow steps as far as the steps so far tell, judged again only where
  // the new steps changed a window; the scan's end judges them all.
  if (!finished) JudgeSlowSteps(report_.steps, report_.blockSize, had > kSlowNeighbours ? had - kSlowNeighbours : 0);
  ShowReport();
  if (!finished) return;

  timer_->stop();
  scan_->WaitFor();
  btnStart_->setEnabled(true);
  btnCloseStop_->setText("Close");
  if (report_.blockSize == 0) ui::MessageBox(report_.stopped, ProgramName, ui::kIconError);
}

void TReadScanForm::ShowReport() {
  int percent = report_.areaBlocks == 0 ? 0 : static_cast<int>(report_.scannedBlocks * 100 / report_.areaBlocks);
  if (report_.ended && report_.Complete()) percent = 100;
  progScan_->setValue(percent);
  progScanPerc_->setText(QString("%1%").arg(percent));
  ScanSummary summary = Summarize(report_);
  graph_->SetChart(ScanChart(report_, summary, drive_ != nullptr ? ScanTitle(*drive_) : "Read scan"));
  btnSaveGraph_->setEnabled(graph_->Chart().HasPoints() && report_.ended);
  if (report_.ended && report_.blockSize > 0) {
    std::string text;
    for (const std::string& line : SummaryLines(report_, summary)) text += (text.empty() ? "" : "\n") + line;
    labelSummary_->setText(QString::fromStdString(text));
  } else if (!report_.ended) {
    labelSummary_->setText(QString::fromStdString(
        "Unreadable sectors so far: " + std::to_string(report_.UnreadableBlocks()) + "\nElapsed time: " +
        ElapsedText(report_.seconds)));
  }
}

void TReadScanForm::StopScan() {
  if (!ScanRunning()) return;
  scan_->Terminate();
  gui::WaitWithEvents([this] { return !scan_ || scan_->Finished(); });
  Tick();
}

void TReadScanForm::BtnCloseStopClick() {
  if (ScanRunning()) {
    StopScan();
    return;
  }
  reject();
}

void TReadScanForm::reject() {
  StopScan();
  QDialog::reject();
}

void TReadScanForm::BtnSaveGraphClick() { SpeedChartView::SaveGraphAs(*graph_, "marrowlight-readscan.png"); }
