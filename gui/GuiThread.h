// SPDX-License-Identifier: GPL-3.0-or-later
// The GUI thread as the core meets it. Workers (the operation thread, the
// firmware update, the log's delivery thread) never touch a widget: they hand
// work to the GUI thread here.
//
// Contract:
// - RunOnGuiThread(fn) runs fn on the GUI thread and returns when it has
//   run; called on the GUI thread it runs fn at once. The calling worker
//   blocks, the GUI thread does not: fn runs from its event loop (also from a
//   nested one, such as a modal dialog's).
// - PostToGuiThread(context, fn) queues fn for the GUI thread and returns at
//   once; fn is dropped when context is destroyed first.
// - WaitWithEvents(done) is how the GUI thread waits for a worker: it keeps
//   the event loop running (so the worker's boxes and notifications are
//   served) until done() is true. A plain wait would deadlock.
// - RunOnWorker(work) runs work on a worker thread of its own and returns
//   when it is done, serving the GUI thread's events meanwhile (the splash
//   stays drawn, a box the work shows is served); work must not touch a
//   widget.
// - GuiDispatcher installs RunOnGuiThread as host::Thread's Synchronize for
//   its lifetime.
#pragma once

#include <functional>

class QObject;

namespace gui {

bool OnGuiThread();
void RunOnGuiThread(const std::function<void()>& fn);
void PostToGuiThread(QObject* context, std::function<void()> fn);
void WaitWithEvents(const std::function<bool()>& done);
void RunOnWorker(const std::function<void()>& work);

class GuiDispatcher {
 public:
  GuiDispatcher();
  ~GuiDispatcher();
  GuiDispatcher(const GuiDispatcher&) = delete;
  GuiDispatcher& operator=(const GuiDispatcher&) = delete;
};

}  // namespace gui
