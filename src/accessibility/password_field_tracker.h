#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>

class QDBusMessage;
class QDBusServiceWatcher;

namespace marlinet::accessibility {

// Whether the focused widget is a password field, as the toolkits report it
// on the accessibility bus (AT-SPI): GTK, Qt, Chromium and Firefox give such
// a field the role "password text". Kept current from focus events, so a
// read is one field load and no key ever waits for the bus.
//
// Lives on the thread whose Qt event loop delivers its bus traffic (the
// thread that calls start()); passwordFieldFocused() may be read from any
// thread.
class PasswordFieldTracker : public QObject {
  Q_OBJECT

 public:
  enum class Availability { unknown, available, unavailable };

  // roleTimeout: how long the role of a newly focused object may take before
  // it counts as not a password field. startTimeout bounds each of the
  // blocking calls start() makes.
  explicit PasswordFieldTracker(std::chrono::milliseconds roleTimeout = std::chrono::milliseconds(300),
                                std::chrono::milliseconds startTimeout = std::chrono::milliseconds(3000));
  PasswordFieldTracker(const PasswordFieldTracker&) = delete;
  PasswordFieldTracker& operator=(const PasswordFieldTracker&) = delete;
  ~PasswordFieldTracker() override;

  // Finds and joins the accessibility bus, listens for focus changes and asks
  // the toolkits to expose themselves. Blocks for at most a few round trips
  // (each bounded by startTimeout); call once, at startup, on the thread
  // whose event loop will run. Returns whether detection is available.
  bool start();

  Availability availability() const { return availability_; }

  // True while the focused object is a password field, and while the role of
  // a just-focused object is not known yet (holding off is the safe side).
  bool passwordFieldFocused() const { return passwordFieldFocused_.load(std::memory_order_relaxed); }

  // Whether the role of the focused object is still being asked (meanwhile
  // passwordFieldFocused() holds off).
  bool answerPending() const { return answerPending_; }

  // Fired after passwordFieldFocused() changed.
  std::function<void()> onChange;

 private slots:
  void handleStateChanged(const QDBusMessage& message);
  void handleApplicationGone(const QString& service);

 private:
  QString addressOfBus() const;
  void requestToolkitAccessibility() const;
  void focusGained(const QString& service, const QString& path);
  void focusLost();
  void setPasswordFieldFocused(bool focused);

  std::chrono::milliseconds roleTimeout_;
  std::chrono::milliseconds startTimeout_;
  QString connectionName_;
  QDBusConnection bus_;
  QDBusServiceWatcher* applicationWatcher_ = nullptr;  // a child
  Availability availability_ = Availability::unknown;
  std::atomic<bool> passwordFieldFocused_ = false;
  // The focused object, and a counter that makes an answer about an object
  // focused earlier arrive too late to count.
  QString focusedService_;
  QString focusedPath_;
  std::uint64_t focusGeneration_ = 0;
  bool answerPending_ = false;
};

}  // namespace marlinet::accessibility
