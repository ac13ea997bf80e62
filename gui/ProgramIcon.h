// SPDX-License-Identifier: GPL-3.0-or-later
// The program's icon (gui/icons, drawn by make-icon.sh), for the windows'
// title bars and the version dialog and splash.
#pragma once

#include <QIcon>
#include <QPixmap>

QIcon ProgramIcon();
QPixmap ProgramPixmap(int size);
