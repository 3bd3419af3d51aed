#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace marlinet::shell {

// Runs the event loop (Qt must answer the X server and the other clients)
// until `done`; false after `timeoutMs`.
template <typename Done>
bool spinUntil(Done done, int timeoutMs = 15000) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents();
    QThread::msleep(1);
  }
  return true;
}

}  // namespace marlinet::shell
