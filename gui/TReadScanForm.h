// SPDX-License-Identifier: GPL-3.0-or-later
// TReadScanForm: the "Read Scan" window. It reads the whole recorded area of
// the disc in a drive (never writing) on a thread of its own and draws the
// read speed over the disc as it goes, the unreadable sectors in red and the
// slow steps in amber, with the drive's nominal rate as a line; at the end a
// summary says what was readable, where the disc could not be read and
// where it was slow. "Save graph..." writes the map as PNG.
//
// Start scans (again); Cancel stops a running scan at its next read and
// keeps what it found; Close (the same button when nothing runs), Esc and
// the close box close the window, stopping a scan first. The window's timer
// takes the scan's new steps and redraws at most ten times a second.
#pragma once

#include <QDialog>
#include <memory>
#include <vector>

#include "readscan/ReadScan.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class SCSIDEV;
class SpeedChartView;
class TReadScanThread;

class TReadScanForm : public QDialog {
  Q_OBJECT

 public:
  explicit TReadScanForm(QWidget* parent = nullptr);
  ~TReadScanForm() override;

  // Shows the window for the drive modally until it is closed.
  void ShowScan(SCSIDEV& drive);
  // Sets the drive without showing the window (tests).
  void SetDrive(SCSIDEV& drive);

  bool ScanRunning() const;
  // The scan as the window last took it: every step so far.
  const ScanReport& Report() const { return report_; }
  const SpeedChartView& Graph() const { return *graph_; }

 public slots:
  void reject() override;

 private:
  void BtnStartClick();
  void BtnCloseStopClick();
  void BtnSaveGraphClick();
  // Takes the scan's new steps and redraws; at the end shows the summary.
  void Tick();
  void ShowReport();
  // Stops a running scan and waits for it with the event loop running.
  void StopScan();

  SCSIDEV* drive_ = nullptr;
  std::unique_ptr<TReadScanThread> scan_;
  ScanReport report_;  // with all the steps so far
  QTimer* timer_;
  QLabel* labelDevice_;
  QProgressBar* progScan_;
  QLabel* progScanPerc_;
  SpeedChartView* graph_;
  QLabel* labelSummary_;
  QPushButton* btnSaveGraph_;
  QPushButton* btnStart_;
  QPushButton* btnCloseStop_;
};
