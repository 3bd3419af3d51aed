#include "accessibility/password_field_tracker.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>

namespace marlinet::accessibility {

namespace {

constexpr auto kBusService = "org.a11y.Bus";
constexpr auto kBusPath = "/org/a11y/bus";
constexpr auto kRegistryService = "org.a11y.atspi.Registry";
constexpr auto kRegistryPath = "/org/a11y/atspi/registry";
constexpr auto kFocusEvent = "object:state-changed:focused";
constexpr std::uint32_t kPasswordTextRole = 40;  // ATSPI_ROLE_PASSWORD_TEXT

int milliseconds(std::chrono::milliseconds duration) { return static_cast<int>(duration.count()); }

}  // namespace

PasswordFieldTracker::PasswordFieldTracker(std::chrono::milliseconds roleTimeout,
                                           std::chrono::milliseconds startTimeout)
    : roleTimeout_(roleTimeout),
      startTimeout_(startTimeout),
      connectionName_(QStringLiteral("marlinet-accessibility-%1").arg(reinterpret_cast<quintptr>(this))),
      bus_(connectionName_) {}

PasswordFieldTracker::~PasswordFieldTracker() {
  // Pending role answers and the watcher die with this object (children).
  if (availability_ == Availability::available) QDBusConnection::disconnectFromBus(connectionName_);
}

QString PasswordFieldTracker::addressOfBus() const {
  // Set when an assistive setup (or a test) points at a bus of its own.
  const QString fromEnvironment = qEnvironmentVariable("AT_SPI_BUS_ADDRESS");
  if (!fromEnvironment.isEmpty()) return fromEnvironment;
  QDBusConnection session = QDBusConnection::sessionBus();
  if (!session.isConnected()) return {};
  const QDBusMessage reply =
      session.call(QDBusMessage::createMethodCall(kBusService, kBusPath, kBusService, QStringLiteral("GetAddress")),
                   QDBus::Block, milliseconds(startTimeout_));
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return {};
  return reply.arguments().constFirst().toString();
}

void PasswordFieldTracker::requestToolkitAccessibility() const {
  // GTK 3 always exposes itself on the bus. Qt applications connect their
  // bridge only while org.a11y.Status says IsEnabled (or a screen reader),
  // and follow changes of it. Firefox reads it, Chromium the desktop setting
  // (toolkit-accessibility) the launcher stores it in, both only when they
  // start. ScreenReaderEnabled stays alone: applications change behaviour
  // for a screen reader. Being a stored setting, it is only ever switched
  // on here, never back off.
  QDBusConnection session = QDBusConnection::sessionBus();
  if (!session.isConnected()) return;
  const QDBusMessage current =
      session.call(QDBusMessage::createMethodCall(
                       kBusService, kBusPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"))
                       << QStringLiteral("org.a11y.Status") << QStringLiteral("IsEnabled"),
                   QDBus::Block, milliseconds(startTimeout_));
  if (current.type() == QDBusMessage::ReplyMessage && !current.arguments().isEmpty() &&
      current.arguments().constFirst().value<QDBusVariant>().variant().toBool())
    return;
  session.asyncCall(QDBusMessage::createMethodCall(
                        kBusService, kBusPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Set"))
                    << QStringLiteral("org.a11y.Status") << QStringLiteral("IsEnabled")
                    << QVariant::fromValue(QDBusVariant(true)));
}

bool PasswordFieldTracker::start() {
  if (availability_ != Availability::unknown) return availability_ == Availability::available;
  availability_ = Availability::unavailable;
  const QString address = addressOfBus();
  if (address.isEmpty()) return false;
  bus_ = QDBusConnection::connectToBus(address, connectionName_);
  if (!bus_.isConnected()) {
    QDBusConnection::disconnectFromBus(connectionName_);
    return false;
  }
  // Only focus changes reach this connection (arg0 is the state's name).
  if (!bus_.connect(QString(), QString(), QStringLiteral("org.a11y.atspi.Event.Object"), QStringLiteral("StateChanged"),
                    {QStringLiteral("focused")}, QString(), this, SLOT(handleStateChanged(QDBusMessage)))) {
    QDBusConnection::disconnectFromBus(connectionName_);
    return false;
  }
  // Toolkits send only the events some listener registered with the
  // registry; the registry forgets us when this connection closes.
  const QDBusMessage registered = bus_.call(
      QDBusMessage::createMethodCall(kRegistryService, kRegistryPath, kRegistryService, QStringLiteral("RegisterEvent"))
          << QString::fromLatin1(kFocusEvent) << QStringList() << QString(),
      QDBus::Block, milliseconds(startTimeout_));
  if (registered.type() != QDBusMessage::ReplyMessage) {
    QDBusConnection::disconnectFromBus(connectionName_);
    return false;
  }
  // A focused application that leaves without a word takes its field along.
  applicationWatcher_ = new QDBusServiceWatcher(QString(), bus_, QDBusServiceWatcher::WatchForUnregistration, this);
  connect(applicationWatcher_, &QDBusServiceWatcher::serviceUnregistered, this,
          &PasswordFieldTracker::handleApplicationGone);
  requestToolkitAccessibility();
  availability_ = Availability::available;
  return true;
}

void PasswordFieldTracker::handleStateChanged(const QDBusMessage& message) {
  // (s state, i gained, ...; the rest differs between toolkits): the sender
  // and path name the object.
  const QList<QVariant> arguments = message.arguments();
  if (arguments.size() < 2 || arguments.at(0).toString() != QLatin1String("focused")) return;
  if (arguments.at(1).toInt() != 0) {
    focusGained(message.service(), message.path());
  } else if (message.service() == focusedService_ && message.path() == focusedPath_) {
    focusLost();
  }
}

void PasswordFieldTracker::focusGained(const QString& service, const QString& path) {
  // GTK says it twice; the first question still stands.
  if (service == focusedService_ && path == focusedPath_) return;
  const std::uint64_t generation = ++focusGeneration_;
  focusedService_ = service;
  focusedPath_ = path;
  applicationWatcher_->setWatchedServices({service});
  // The event itself does not say (GTK leaves its property map empty, Qt
  // sends none), so the object is asked.
  answerPending_ = true;
  setPasswordFieldFocused(true);
  auto* pending = new QDBusPendingCallWatcher(
      bus_.asyncCall(QDBusMessage::createMethodCall(service, path, QStringLiteral("org.a11y.atspi.Accessible"),
                                                    QStringLiteral("GetRole")),
                     milliseconds(roleTimeout_)),
      this);
  connect(pending, &QDBusPendingCallWatcher::finished, this, [this, generation](QDBusPendingCallWatcher* call) {
    call->deleteLater();
    if (generation != focusGeneration_) return;  // the focus moved on meanwhile
    answerPending_ = false;
    const QDBusPendingReply<quint32> role = *call;
    // No answer in time, or an error: not a password field.
    setPasswordFieldFocused(role.isValid() && role.value() == kPasswordTextRole);
  });
}

void PasswordFieldTracker::handleApplicationGone(const QString& service) {
  if (service == focusedService_) focusLost();
}

void PasswordFieldTracker::focusLost() {
  ++focusGeneration_;
  focusedService_.clear();
  focusedPath_.clear();
  applicationWatcher_->setWatchedServices({});
  answerPending_ = false;
  setPasswordFieldFocused(false);
}

void PasswordFieldTracker::setPasswordFieldFocused(bool focused) {
  if (passwordFieldFocused_.exchange(focused, std::memory_order_relaxed) == focused) return;
  if (onChange) onChange();
}

}  // namespace marlinet::accessibility
