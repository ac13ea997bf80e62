// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/TSplashForm.h"

#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QScreen>

#include "base/ProgramIdentity.h"
#include "gui/ProgramIcon.h"

namespace {

QLabel* Label(QWidget* parent, const char* name, const QString& text) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setTextFormat(Qt::PlainText);
  return label;
}

}  // namespace

TSplashForm::TSplashForm(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
  setObjectName("SplashForm");
  setFixedSize(358, 96);

  // A frame in place of the missing caption's border.
  auto* frame = new QFrame(this);
  frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
  frame->setLineWidth(2);
  auto* icon = new QLabel(frame);
  icon->setObjectName("ProgramIcon");
  icon->setPixmap(ProgramPixmap(48));
  auto* grid = new QGridLayout(frame);
  grid->addWidget(icon, 0, 0, 4, 1, Qt::AlignCenter);
  grid->addWidget(Label(frame, "LabelVer", QString(ProgramName) + ProgramVersion), 0, 1);
  grid->addWidget(Label(frame, "LabelDate", ProgramDate), 1, 1);
  grid->addWidget(Label(frame, "LabelAppInfo", ProgramInfo), 2, 1);
  grid->addWidget(Label(frame, "LabelMessage", "   Now initializing ..."), 3, 1);
  grid->setColumnStretch(1, 1);
  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(frame);

  if (QScreen* screen = QApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

void TSplashForm::ShowNow() {
  show();
  repaint();
  // Lets the window system map and draw it before the scans hold the thread.
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
