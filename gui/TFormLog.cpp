// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/TFormLog.h"

#include <QCheckBox>
#include <QDateTime>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

#include "base/CFILE.h"
#include "base/ProgramIdentity.h"
#include "base/SystemInfo.h"
#include "gui/GuiThread.h"
#include "gui/UserSettings.h"
#include "host/ui/MessageBox.h"

namespace {

// The log's texts end their lines with "\r\n"; the text area with "\n".
QString Shown(const std::vector<std::string>& entries) {
  QString text;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (i > 0) text += '\n';
    text += QString::fromStdString(entries[i]);
  }
  text.replace("\r\n", "\n");
  return text;
}

std::string WithCrLf(const QString& shown) {
  std::string text = shown.toStdString();
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// One sink that logs nothing and never creates a file: what is left of the
// log once the window has closed it.
std::unique_ptr<LogSink> ClosedSink() {
  auto closed = std::make_unique<LogSink>(std::string(), std::string());
  closed->SetOutput(false);
  return closed;
}

}  // namespace

TFormLog::TFormLog(std::string logFilePath, QWidget* parent)
    : QDialog(parent), logFilePath_(std::move(logFilePath)) {
  setObjectName("FormLog");
  setWindowTitle("Log window");
  resize(524, 280);

  auto* group = new QGroupBox("Log", this);
  log_ = new QPlainTextEdit(group);
  log_->setObjectName("Log");
  log_->setReadOnly(true);
  log_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  log_->setLineWrapMode(QPlainTextEdit::NoWrap);
  // A long session adds thousands of lines per operation (header dumps): the
  // window keeps the last ones, the log file keeps everything.
  log_->setMaximumBlockCount(kShownLines);
  QFont font("Lucida Console");
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  font.setPixelSize(11);
  log_->setFont(font);

  btnSaveLog_ = new QPushButton("Save log", group);
  btnSaveLog_->setObjectName("BtnSaveLog");
  btnClearLog_ = new QPushButton("Clear Log", group);
  btnClearLog_->setObjectName("BtnClearLog");
  chkBoxDontLog_ = new QCheckBox("Do not output log", group);
  chkBoxDontLog_->setObjectName("ChkBoxDontLog");
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(btnSaveLog_);
  buttons->addWidget(btnClearLog_);
  buttons->addWidget(chkBoxDontLog_);
  buttons->addStretch();
  auto* inGroup = new QVBoxLayout(group);
  inGroup->addWidget(log_);
  inGroup->addLayout(buttons);

  // Where this run's log file is, since it is not always beside the program.
  labelLogFile_ = new QLabel(QString("Log file: ") + QString::fromStdString(logFilePath_), this);
  labelLogFile_->setObjectName("LabelLogFile");
  labelLogFile_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  labelLogFile_->setToolTip(QString("The window shows the last %1 lines; the log file keeps everything.")
                                .arg(kShownLines));
  // Where the last save went.
  labelSaved_ = new QLabel(this);
  labelSaved_->setObjectName("LabelSaved");
  labelSaved_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  btnOK_ = new QPushButton("OK", this);
  btnOK_->setObjectName("BtnOK");
  btnOK_->setDefault(true);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(labelLogFile_, 1);
  bottom->addWidget(btnOK_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group, 1);
  layout->addWidget(labelSaved_);
  layout->addLayout(bottom);

  connect(btnSaveLog_, &QPushButton::clicked, this, [this] { BtnSaveLogClick(); });
  connect(btnClearLog_, &QPushButton::clicked, this, [this] { BtnClearLogClick(); });
  connect(btnOK_, &QPushButton::clicked, this, [this] { BtnOKClick(); });
  connect(chkBoxDontLog_, &QCheckBox::clicked, this, [this](bool checked) { ChkBoxDontLogClick(checked); });

  auto sink = std::make_unique<LogSink>(logFilePath_, SystemInfoText());
  sink->SetView(this);
  sink_ = sink.get();
  InstallLogSink(std::move(sink));
}

TFormLog::~TFormLog() {
  // Only the sink this window installed is closed; a sink installed after it
  // (by a test) has replaced it already.
  if (&Log() == sink_) {
    sink_->SetView(nullptr);
    InstallLogSink(ClosedSink());
  }
}

void TFormLog::ShowLogWindow() {
  show();
  raise();
  activateWindow();
}

void TFormLog::AppendEntries(bool clearFirst, const std::vector<std::string>& entries) {
  gui::PostToGuiThread(this, [this, clearFirst, text = Shown(entries), any = !entries.empty()] {
    if (clearFirst) log_->clear();
    if (any) log_->appendPlainText(text);
  });
}

void TFormLog::LoggingSwitched(bool on) {
  gui::PostToGuiThread(this, [this, on] { chkBoxDontLog_->setChecked(!on); });
}

void TFormLog::ChkBoxDontLogClick(bool checked) { SetLogOutput(!checked); }

void TFormLog::BtnOKClick() { accept(); }

void TFormLog::BtnClearLogClick() {
  // Only the window is emptied; the log file keeps everything.
  if (ui::MessageBox("Do you wish to clear the log?", ProgramName, ui::kYesNo | ui::kIconQuestion) == ui::kIdYes)
    log_->clear();
}

void TFormLog::BtnSaveLogClick() {
  ui::FileDialogRequest request;
  request.save = true;
  request.title = "Save log file";
  request.filter = "Text files|*.txt|All files|*.*";
  request.defaultExtension = "txt";
  // Never the running log's own name (which cannot be written over): a
  // dated one, in the folder of the last save.
  request.fileName = DatedLogName(QDateTime::currentDateTime()).toStdString();
  request.folder = SavedLogFolder();
  if (!request.folder.empty()) request.fileName = request.folder + "/" + request.fileName;
  std::optional<std::string> chosen = ui::FileDialog(request);
  if (!chosen) return;
  if (!MayOverwrite(*chosen)) return;

  // What the window shows now, with the log's own line ends.
  std::string text = WithCrLf(log_->toPlainText());
  CFILE file;
  if (!file.Open(*chosen, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL)) {
    file.ErrorText(true);
    return;
  }
  constexpr size_t kPiece = size_t{1} << 30;  // a CFILE write takes 32-bit counts
  for (size_t at = 0; at < text.size(); at += kPiece) {
    auto count = static_cast<uint32_t>(std::min(kPiece, text.size() - at));
    if (!file.Write(text.data() + at, count)) {
      file.ErrorText(true);
      file.Close();
      return;
    }
  }
  file.Close();
  SaveLogFolder(QFileInfo(QString::fromStdString(*chosen)).absolutePath().toStdString());
  labelSaved_->setText("Log saved to " + QString::fromStdString(*chosen));
}

QString DatedLogName(const QDateTime& when) {
  return QString(ProgramName) + "Log-" + when.toString("yyyy-MM-dd-HHmm") + ".txt";
}
