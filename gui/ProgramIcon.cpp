// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/ProgramIcon.h"

QIcon ProgramIcon() {
  QIcon icon;
  icon.addFile(":/icons/marrowlight-64.png", QSize(64, 64));
  icon.addFile(":/icons/marrowlight-128.png", QSize(128, 128));
  return icon;
}

QPixmap ProgramPixmap(int size) { return ProgramIcon().pixmap(size, size); }
