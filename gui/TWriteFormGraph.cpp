// SPDX-License-Identifier: GPL-3.0-or-later
// TWriteForm: the graph of the passes' speed under the progress rows.
//
// The operation thread never waits for the graph: the progress
// notifications hand their report over (ShowPassProgress), a timer on the
// GUI thread takes TOperationThread::LatestProgress() ten times a second,
// and only the timer redraws, so the graph is drawn at most ten times a
// second however fast the reports come.
#include <QPushButton>
#include <QTimer>

#include "base/Log.h"
#include "devices/DriveRates.h"
#include "devices/SCSIDEV.h"
#include "gui/SpeedChartView.h"
#include "gui/TWriteForm.h"
#include "operation/TOperationThread.h"

namespace {

constexpr int kGraphTickMs = 100;

}  // namespace

void TWriteForm::BeginGraph(const OperationRequest& request) {
  graph_.Clear();
  graphTitle_ = windowTitle().toStdString() + ": " + ItemOf(request.operation).text;
  // The drive on the disc side tells its nominal rates, asked here while
  // no operation uses it.
  SCSIDEV* disc = request.destination.IsDevice() ? request.destination.device : request.source.device;
  if (disc != nullptr) {
    const DiscSideUse use = DiscSideUseOf(request);
    graph_.AddDriveLevels(ReadDriveRates(*disc), use.writes, use.reads);
  }
  controls_.graph->SetChart(GraphChart());
  controls_.btnSaveGraph->setEnabled(false);
  graphChanged_ = false;
  if (graphTimer_ == nullptr) {
    graphTimer_ = new QTimer(this);
    graphTimer_->setInterval(kGraphTickMs);
    connect(graphTimer_, &QTimer::timeout, this, [this] { GraphTick(); });
  }
  graphTimer_->start();
}

chart::SpeedChart TWriteForm::GraphChart() const {
  return graph_.Chart(graphTitle_);
}

void TWriteForm::ShowPassProgress(const PassProgress& report) {
  if (graph_.Add(report)) graphChanged_ = true;
}

void TWriteForm::GraphTick() {
  if (operation_ && graph_.Add(operation_->LatestProgress())) graphChanged_ = true;
  if (!graphChanged_) return;
  graphChanged_ = false;
  controls_.graph->SetChart(GraphChart());
  controls_.btnSaveGraph->setEnabled(graph_.HasSamples());
}

void TWriteForm::SaveGraphWithRecord(const std::string& recordFile) {
  if (recordFile.empty() || !graph_.HasSamples()) return;
  // Beside the record, under its name: the picture stays with the disc's facts.
  std::string png = recordFile;
  if (png.size() > 5 && png.compare(png.size() - 5, 5, ".json") == 0) png.resize(png.size() - 5);
  png += ".png";
  if (controls_.graph->SavePng(png))
    AddLog("Speed graph: " + png);
  else
    AddLog("[TWriteForm] The speed graph could not be saved as " + png + ".");
}

void TWriteForm::BtnSaveGraphClick() { SpeedChartView::SaveGraphAs(*controls_.graph, "marrowlight-graph.png"); }
