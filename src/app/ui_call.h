// OnUiThread: runs f on the thread of target and waits until it has run. Workers
// reach every window object only this way.
#pragma once
#include <QMetaObject>
#include <QObject>
#include <QThread>

namespace quillon {

template <typename F>
void OnUiThread(QObject* target, F f) {
  if (QThread::currentThread() == target->thread()) f();
  else QMetaObject::invokeMethod(target, f, Qt::BlockingQueuedConnection);
}

}  // namespace quillon
