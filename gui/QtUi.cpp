// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/QtUi.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>
#include <QString>

#include "base/Log.h"
#include "gui/GuiThread.h"
#include "host/os/Interrupt.h"

namespace gui {

namespace {

QString DisplayText(const std::string& text) {
  QString shown = QString::fromStdString(text);
  shown.replace("\r\n", "\n");
  return shown;
}

QMessageBox::Icon IconOf(unsigned flags) {
  switch (flags & 0xF0) {
    case ui::kIconError: return QMessageBox::Critical;
    case ui::kIconQuestion: return QMessageBox::Question;
    case ui::kIconExclamation: return QMessageBox::Warning;
    case ui::kIconInformation: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

}  // namespace

void SetUpBox(QMessageBox& box, const std::string& text, const std::string& caption, unsigned flags) {
  box.setObjectName("MessageBox");
  box.setWindowTitle(QString::fromStdString(caption));
  box.setText(DisplayText(text));
  // A box's text can be selected and copied (a digest, a file name).
  box.setTextInteractionFlags(Qt::TextSelectableByMouse);
  box.setIcon(IconOf(flags));
  QMessageBox::StandardButton first = QMessageBox::Ok, second = QMessageBox::NoButton;
  switch (flags & ui::kButtonMask) {
    case ui::kOkCancel:
      second = QMessageBox::Cancel;
      break;
    case ui::kYesNo:
      first = QMessageBox::Yes;
      second = QMessageBox::No;
      break;
    default:
      break;
  }
  box.setStandardButtons(first | second);
  bool secondDefault = (flags & ui::kDefButton2) != 0 && second != QMessageBox::NoButton;
  box.setDefaultButton(secondDefault ? second : first);
  // The close box and Esc answer the negative button, or OK on a plain box.
  box.setEscapeButton(second != QMessageBox::NoButton ? second : first);
  // A short text must not make the box so narrow that the window manager
  // cuts its title ("Mar...ight"): the box is at least as wide as the title
  // with its buttons.
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
    grid->addItem(new QSpacerItem(TitleWidth(box.windowTitle()), 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                  grid->rowCount(), 0, 1, grid->columnCount());
}

int TitleWidth(const QString& title) {
  // Room for the window manager's title bar: its icon and three buttons.
  constexpr int kTitleBarRoom = 140;
  QFont font = QApplication::font();
  font.setBold(true);
  return QFontMetrics(font).horizontalAdvance(title) + kTitleBarRoom;
}

int BoxAnswer(const QMessageBox& box) {
  QAbstractButton* clicked = box.clickedButton();
  switch (box.standardButton(clicked)) {
    case QMessageBox::Yes: return ui::kIdYes;
    case QMessageBox::No: return ui::kIdNo;
    case QMessageBox::Cancel: return ui::kIdCancel;
    case QMessageBox::Ok: return ui::kIdOk;
    default: return ui::NegativeAnswer(0);
  }
}

std::string QtFilter(const std::string& filter) {
  // Pairs of description and pattern, separated by "|".
  QStringList parts = QString::fromStdString(filter).split('|');
  QStringList entries;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString pattern = parts[i + 1];
    pattern.replace("*.*", "*").replace(';', ' ');
    entries << parts[i] + " (" + pattern + ")";
  }
  return entries.join(";;").toStdString();
}

int QtUi::MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
  ui::OpenQuestion kept;
  return MessageBox(text, caption, flags, kept);
}

int QtUi::MessageBox(const std::string& text, const std::string& caption, unsigned flags,
                     ui::OpenQuestion& question) {
  int answer = ui::NegativeAnswer(flags);
  // After a signal the program is on its way out: nobody is asked anything,
  // every box takes its cautious answer (the log keeps its text).
  if (host::InterruptRequested()) {
    AddLog("[" + caption + "] " + text + " -> answered without a window: the program ends.");
    return answer;
  }
  RunOnGuiThread([&] {
    if (question.Withdrawn()) return;
    QMessageBox box(QApplication::activeWindow());
    SetUpBox(box, text, caption, flags);
    question.SetCloser([&box] { box.done(QDialog::Rejected); });
    box.exec();
    question.SetCloser({});
    if (!question.Withdrawn()) answer = BoxAnswer(box);
  });
  return answer;
}

std::optional<std::string> QtUi::FileDialog(const ui::FileDialogRequest& request) {
  std::optional<std::string> chosen;
  RunOnGuiThread([&] {
    QFileDialog dialog(QApplication::activeWindow(), QString::fromStdString(request.title));
    dialog.setObjectName(request.save ? "SaveDialog" : "OpenDialog");
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The program asks its own overwrite question.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (!request.filter.empty()) dialog.setNameFilter(QString::fromStdString(QtFilter(request.filter)));
    if (!request.defaultExtension.empty()) dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
    if (!request.folder.empty()) dialog.setDirectory(QString::fromStdString(request.folder));
    if (!request.fileName.empty()) dialog.selectFile(QString::fromStdString(request.fileName));
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
      chosen = dialog.selectedFiles().first().toStdString();
  });
  return chosen;
}

void QtUi::SetBusyCursor(bool busy) {
  RunOnGuiThread([busy] {
    if (busy) {
      QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (QApplication::overrideCursor() != nullptr) {
      QApplication::restoreOverrideCursor();
    }
  });
}

}  // namespace gui
