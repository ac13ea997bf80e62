// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/GuiThread.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QThread>
#include <QTimer>

#include "host/os/Thread.h"

namespace gui {

bool OnGuiThread() {
  QCoreApplication* app = QCoreApplication::instance();
  return app != nullptr && QThread::currentThread() == app->thread();
}

void RunOnGuiThread(const std::function<void()>& fn) {
  if (OnGuiThread() || QCoreApplication::instance() == nullptr) {
    fn();
    return;
  }
  QMetaObject::invokeMethod(QCoreApplication::instance(), [&fn] { fn(); }, Qt::BlockingQueuedConnection);
}

void PostToGuiThread(QObject* context, std::function<void()> fn) {
  QMetaObject::invokeMethod(context, std::move(fn), Qt::QueuedConnection);
}

void WaitWithEvents(const std::function<bool()>& done) {
  // Wake at least every few milliseconds to look at done(): the worker ends
  // without posting anything to this thread.
  QEventLoop loop;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    // A wait inside the handler of a posted event (a queued close) is not
    // given the events that were already posted behind that handler: the
    // loop does not dispatch posted events again while it is dispatching
    // them. A worker's notification among them would wait for this wait,
    // which waits for the worker; they are delivered here.
    QCoreApplication::sendPostedEvents();
    if (done()) loop.quit();
  });
  if (done()) return;
  poll.start(5);
  loop.exec();
}

namespace {

class WorkThread : public host::Thread {
 public:
  explicit WorkThread(const std::function<void()>& work) : work_(work) {}
  ~WorkThread() override { WaitFor(); }

 protected:
  void Execute() override { work_(); }

 private:
  const std::function<void()>& work_;
};

}  // namespace

void RunOnWorker(const std::function<void()>& work) {
  WorkThread thread(work);
  thread.Start();
  WaitWithEvents([&thread] { return thread.Finished(); });
  thread.WaitFor();
}

GuiDispatcher::GuiDispatcher() { host::Thread::SetDispatcher(RunOnGuiThread); }

GuiDispatcher::~GuiDispatcher() { host::Thread::SetDispatcher({}); }

}  // namespace gui
