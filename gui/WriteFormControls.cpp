// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/WriteFormControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>

#include "gui/SpeedChartView.h"

namespace {

// The resource layout, in pixels of the dialog's client area.
constexpr int kWidth = 440;
constexpr int kMargin = 8;
constexpr int kInnerWidth = kWidth - 2 * kMargin;
constexpr int kVolumeTop = 8, kVolumeHeight = 104;
constexpr int kSettingsTop = 120, kSettingsHeight = 96;
constexpr int kInfoTop = 76;  // inside the settings group
constexpr int kTestTop = kSettingsTop + kSettingsHeight + 8;
// The graph stands between the progress rows and the start panel and moves
// up with the panel when rows are left out.
constexpr int kGraphHeight = 200, kGraphGap = 6;
constexpr int kStartTop = kTestTop + 3 * kProgressRowHeight + kGraphGap + kGraphHeight + kGraphGap;
constexpr int kStartHeight = 94;
constexpr int kHeight = kStartTop + kStartHeight + 6;

// A label that reports a click, as the sector count's base label does.
class ClickLabel : public QLabel {
 public:
  ClickLabel(const char* text, QWidget* parent, std::function<void()> onClick)
      : QLabel(text, parent), onClick_(std::move(onClick)) {
    setCursor(Qt::PointingHandCursor);
  }

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && onClick_) onClick_();
  }

 private:
  std::function<void()> onClick_;
};

template <typename T>
T* Make(QWidget* parent, const char* name, QRect place) {
  T* widget = new T(parent);
  widget->setObjectName(name);
  widget->setGeometry(place);
  return widget;
}

QLabel* Label(QWidget* parent, const char* name, const char* text, QRect place) {
  QLabel* label = Make<QLabel>(parent, name, place);
  label->setText(text);
  return label;
}

QPushButton* Button(QWidget* parent, const char* name, const char* text, QRect place) {
  QPushButton* button = Make<QPushButton>(parent, name, place);
  button->setText(text);
  button->setAutoDefault(false);
  return button;
}

QLineEdit* ReadOnlyEdit(QWidget* parent, const char* name, QRect place) {
  QLineEdit* edit = Make<QLineEdit>(parent, name, place);
  edit->setReadOnly(true);
  return edit;
}

}  // namespace

DialogLayout WriteFormControls::Resource() {
  return DialogLayout{kHeight, kTestTop, kStartTop, kSettingsHeight, kInfoTop};
}

void WriteFormControls::Build(QDialog& dialog, std::function<void()> onHexDecClick) {
  groupVolumeInfo = Make<QGroupBox>(&dialog, "GroupVolumeInfo", {kMargin, kVolumeTop, kInnerWidth, kVolumeHeight});
  labelVolName = Label(groupVolumeInfo, "LabelVolName", "Volume Name: ", {12, 24, 96, 20});
  editVolName = ReadOnlyEdit(groupVolumeInfo, "EditVolName", {110, 22, 302, 22});
  labelVolSize = Label(groupVolumeInfo, "LabelVolSize", "Voluem Size: ", {12, 50, 96, 20});
  editVolSize = ReadOnlyEdit(groupVolumeInfo, "EditVolSize", {110, 48, 302, 22});
  btnChangeSize = Button(groupVolumeInfo, "BtnChangeSize", "C&hange size...", {292, 74, 120, 24});

  groupWriteSettings =
      Make<QGroupBox>(&dialog, "GroupWriteSettings", {kMargin, kSettingsTop, kInnerWidth, kSettingsHeight});
  groupWriteSettings->setTitle("[Operation Settings]");
  panelOperation = Label(groupWriteSettings, "PanelOperation", "Operation:", {12, 24, 96, 20});
  cmbWriteMode = Make<QComboBox>(groupWriteSettings, "CmbWriteMode", {110, 22, 302, 24});
  panelWriteSectors = Make<QFrame>(groupWriteSettings, "PanelWriteSectors", {12, 48, 260, 24});
  Label(panelWriteSectors, "LabelWriteSectors", "Writing sectors: ", {0, 2, 100, 20});
  editWriteSectors = Make<QLineEdit>(panelWriteSectors, "EditWriteSectors", {104, 1, 110, 22});
  editWriteSectors->setText("0");
  labelHexDec = new ClickLabel("DEC", panelWriteSectors, std::move(onHexDecClick));
  labelHexDec->setObjectName("LabelHexDec");
  labelHexDec->setGeometry(220, 2, 36, 20);
  labelHexDec->setToolTip("in Decimal");
  panelWriteSectors->hide();
  btnGetDiscSize = Button(groupWriteSettings, "BtnGetDiscSize", "Get size of the disc", {276, 48, 136, 24});
  btnGetDiscSize->hide();
  chkEjectWhenDone = Make<QCheckBox>(groupWriteSettings, "ChkEjectWhenDone", {110, 50, 302, 20});
  chkEjectWhenDone->setText("&Eject the disc when done");
  chkEjectWhenDone->setChecked(true);
  labelOperationInfo = Label(groupWriteSettings, "LabelOperationInfo", "", {12, kInfoTop, 400, 16});

  const char* panels[] = {"PanelProgTest", "PanelProgWrite", "PanelProgVerify"};
  const char* captions[] = {" Test", " Write", " Verify"};
  const char* bars[] = {"ProgBar1", "ProgBar2", "ProgBar3"};
  const char* percents[] = {"ProgPerc1", "ProgPerc2", "ProgPerc3"};
  for (int i = 0; i < 3; ++i) {
    ProgressRowControls& row = rows[static_cast<size_t>(i)];
    row.panel = Make<QFrame>(&dialog, panels[i], {kMargin, kTestTop + i * kProgressRowHeight, kInnerWidth,
                                                 kProgressRowHeight});
    row.caption = Label(row.panel, "", captions[i], {4, 2, 56, 20});
    row.bar = Make<QProgressBar>(row.panel, bars[i], {64, 3, 300, 18});
    row.bar->setRange(0, 100);
    row.bar->setTextVisible(false);
    row.percent = Label(row.panel, percents[i], "0%", {372, 2, 48, 20});
  }

  graph = Make<SpeedChartView>(&dialog, "GraphSpeed",
                               {kMargin, kStartTop - kGraphGap - kGraphHeight, kInnerWidth, kGraphHeight});

  panelStart = Make<QFrame>(&dialog, "PanelStart", {kMargin, kStartTop, kInnerWidth, kStartHeight});
  labelSpeed = Label(panelStart, "LabelSpeed", "", {4, 2, 220, 18});
  labelTimeLeft = Label(panelStart, "LabelTimeLeft", "", {228, 2, 192, 18});
  labelTimeLeft->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  labelComment = Label(panelStart, "LabelComment", "", {4, 22, 416, 18});
  // The whole operation's line under the step's; the buttons below it.
  labelOverall = Label(panelStart, "LabelOverall", "", {4, 42, 416, 18});
  btnSaveGraph = Button(panelStart, "BtnSaveGraph", "Sa&ve graph...", {4, 64, 104, 26});
  btnSaveGraph->setEnabled(false);
  btnStart = Button(panelStart, "BtnStart", "&Start", {236, 64, 88, 26});
  btnCloseStop = Button(panelStart, "BtnCloseStop", "&Cancel", {332, 64, 88, 26});
  SetRunning(false);

  dialog.setFixedSize(kWidth, kHeight);
}

void WriteFormControls::Place(QDialog& dialog, const ProgressLayout& layout) {
  groupWriteSettings->resize(kInnerWidth, layout.settingsHeight);
  labelOperationInfo->move(labelOperationInfo->x(), layout.infoTop);
  rows[1].caption->setText(layout.writeCaption);
  const ProgressRow* places[] = {&layout.test, &layout.write, &layout.verify};
  for (size_t i = 0; i < rows.size(); ++i) {
    rows[i].panel->move(kMargin, places[i]->top);
    rows[i].panel->setVisible(places[i]->shown);
  }
  graph->move(kMargin, layout.startTop - kGraphGap - kGraphHeight);
  panelStart->move(kMargin, layout.startTop);
  dialog.setFixedSize(kWidth, layout.height);
}

void WriteFormControls::ClearProgress() {
  for (ProgressRowControls& row : rows) {
    row.bar->setValue(0);
    row.percent->setText("0%");
  }
}

void WriteFormControls::SetRunning(bool running) {
  btnStart->setDefault(!running);
  btnCloseStop->setDefault(running);
}
