// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/FormMainControls.h"

#include <QAction>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "gui/ProgramIcon.h"

namespace {

// Room for "(0,4,0) " and the vendor and product texts.
constexpr int kComboCharacters = 34;

template <typename T>
T* Named(T* widget, const char* name) {
  widget->setObjectName(name);
  return widget;
}

QComboBox* DeviceCombo(QWidget* parent, const char* name) {
  auto* combo = Named(new QComboBox(parent), name);
  combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  combo->setMinimumContentsLength(kComboCharacters);
  return combo;
}

QHBoxLayout* StartRow(QPushButton* first, QPushButton* second) {
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(first);
  row->addWidget(second);
  return row;
}

// A "[SCSI DEVICE]" / "[FILE]" group: radio and list, radio, edit and Browse.
struct SideWidgets {
  QRadioButton* scsi;
  QComboBox* combo;
  QRadioButton* file;
  QLineEdit* edit;
  QPushButton* browse;
};

SideWidgets SideGroup(QGroupBox* group, const char* radioScsi, const char* combo, const char* radioFile,
                      const char* edit, const char* browse, const char* browseText) {
  SideWidgets side{Named(new QRadioButton("[SCSI DEVICE]", group), radioScsi), DeviceCombo(group, combo),
                   Named(new QRadioButton("[FILE]", group), radioFile), Named(new QLineEdit(group), edit),
                   Named(new QPushButton(browseText, group), browse)};
  side.scsi->setChecked(true);
  auto* grid = new QGridLayout(group);
  grid->addWidget(side.scsi, 0, 0);
  grid->addWidget(side.combo, 0, 1, 1, 2);
  grid->addWidget(side.file, 1, 0);
  grid->addWidget(side.edit, 1, 1);
  grid->addWidget(side.browse, 1, 2);
  grid->setColumnStretch(1, 1);
  return side;
}

QWidget* WritePage(FormMainControls& c) {
  auto* page = Named(new QWidget, "PageWrite");
  auto* source = new QGroupBox("SOURCE", page);
  SideWidgets side = SideGroup(source, "RadioWrSrcScsi", "CmbWrSrcScsi", "RadioWrSrcFile", "EditWrSrcFile",
                               "BtnWrSrcBrouse", "&Browse");
  c.radioWrSrcScsi = side.scsi;
  c.cmbWrSrcScsi = side.combo;
  c.radioWrSrcFile = side.file;
  c.editWrSrcFile = side.edit;
  c.btnWrSrcBrouse = side.browse;

  auto* destination = new QGroupBox("DESTINATION", page);
  c.cmbWrDstScsi = DeviceCombo(destination, "CmbWrDstScsi");
  c.wrDevProperty = Named(new QPushButton("&Property", destination), "WrDevProperty");
  c.labelDiscState = Named(new QLabel(destination), "LabelDiscState");
  c.labelDiscState->setTextFormat(Qt::PlainText);
  auto* grid = new QGridLayout(destination);
  grid->addWidget(new QLabel("[DVD-R]", destination), 0, 0);
  grid->addWidget(c.cmbWrDstScsi, 0, 1);
  grid->addWidget(c.wrDevProperty, 0, 2);
  grid->addWidget(c.labelDiscState, 1, 1, 1, 2);
  grid->setColumnStretch(1, 1);

  c.btnWrite = Named(new QPushButton("&Write", page), "BtnWrite");
  c.btnWrVerify = Named(new QPushButton("&Verify", page), "BtnWrVerify");
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(source);
  layout->addWidget(destination);
  layout->addStretch();
  layout->addLayout(StartRow(c.btnWrite, c.btnWrVerify));
  return page;
}

QWidget* CopyPage(FormMainControls& c) {
  auto* page = Named(new QWidget, "PageCopy");
  auto* source = new QGroupBox("SOURCE", page);
  SideWidgets from = SideGroup(source, "RadioCpSrcScsi", "CmbCpSrcScsi", "RadioCpSrcFile", "EditCpSrcFile",
                               "BtnCpSrcBrouse", "&Browse");
  c.radioCpSrcScsi = from.scsi;
  c.cmbCpSrcScsi = from.combo;
  c.radioCpSrcFile = from.file;
  c.editCpSrcFile = from.edit;
  c.btnCpSrcBrouse = from.browse;
  auto* destination = new QGroupBox("DESTINATION", page);
  SideWidgets to = SideGroup(destination, "RadioCpDstScsi", "CmbCpDstScsi", "RadioCpDstFile", "EditCpDstFile",
                             "BtnCpDstBrouse", "B&rowse");
  c.radioCpDstScsi = to.scsi;
  c.cmbCpDstScsi = to.combo;
  c.radioCpDstFile = to.file;
  c.editCpDstFile = to.edit;
  c.btnCpDstBrouse = to.browse;

  c.btnCopy = Named(new QPushButton("&Copy", page), "BtnCopy");
  c.btnCpVerify = Named(new QPushButton("&Verify", page), "BtnCpVerify");
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(source);
  layout->addWidget(destination);
  layout->addStretch();
  layout->addLayout(StartRow(c.btnCopy, c.btnCpVerify));
  return page;
}

QAction* Item(QMenu* menu, const char* text, const char* name) {
  QAction* action = menu->addAction(text);
  action->setObjectName(name);
  return action;
}

void Menus(QMainWindow& window, FormMainControls& c) {
  QMenuBar* bar = window.menuBar();
  QMenu* file = Named(bar->addMenu("&File"), "MenuFile");
  c.menuQuit = Item(file, "&Quit", "MenuQuit");
  QMenu* option = Named(bar->addMenu("&Option"), "MenuOption");
  c.menuSetting = Item(option, "&Setting", "MenuSetting");
  c.menuSetting->setVisible(false);
  c.menuLogWindow = Item(option, "&Log Window", "MenuLogWindow");
  c.menuWritePattern = Item(option, "&Write Pattern", "MenuWritePattern");
  c.menuVerifyRecord = Item(option, "&Verify against record...", "MenuVerifyRecord");
  c.menuSeveralWriters = Item(option, "Write &to several writers...", "MenuSeveralWriters");
  c.menuUpdateFirmware = Item(option, "&Update Firmware", "MenuUpdateFirmware");
  c.menuReadScan = Item(option, "&Read Scan...", "MenuReadScan");
  option->addSeparator();
  c.menuManager = Item(option, "SCSI &Manager...", "MenuManager");
  QMenu* drive = Named(bar->addMenu("&Drive"), "MenuDrive");
  c.menuLoad = Item(drive, "&Load Disc", "MenuLoad");
  c.menuEject = Item(drive, "&Eject Disc", "MenuEject");
  drive->addSeparator();
  c.menuRescan = Item(drive, "&Rescan Devices", "MenuRescan");
  QMenu* information = Named(bar->addMenu("&Information"), "MenuInformation");
  c.menuVersion = Item(information, "&Version", "MenuVersion");
}

}  // namespace

FormMainControls BuildFormMainControls(QMainWindow& window) {
  FormMainControls c{};
  Menus(window, c);
  auto* central = new QWidget(&window);
  c.spdBtnVersion = Named(new QToolButton(central), "SpdBtnVersion");
  c.spdBtnVersion->setIcon(ProgramIcon());
  c.spdBtnVersion->setAutoRaise(true);
  c.spdBtnVersion->setToolTip("Version");
  c.spdBtnVersion->setAccessibleName("Version");

  c.pages = Named(new QTabWidget(central), "PageControl");
  c.pages->addTab(WritePage(c), "Write");
  c.pages->addTab(CopyPage(c), "Copy");
  c.pages->setCurrentIndex(0);
  c.btnQuit = Named(new QPushButton("&Quit", central), "BtnQuit");

  auto* top = new QHBoxLayout;
  top->addWidget(c.spdBtnVersion);
  top->addStretch();
  auto* bottom = new QHBoxLayout;
  bottom->addStretch();
  bottom->addWidget(c.btnQuit);
  auto* layout = new QVBoxLayout(central);
  layout->addLayout(top);
  layout->addWidget(c.pages);
  layout->addLayout(bottom);
  window.setCentralWidget(central);
  return c;
}
