#include "input_method/input_method_tracker.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <string_view>
#include <thread>
#include <utility>

#include "input_method/engine_source.h"

namespace marlinet {
namespace {

constexpr QLatin1String ibusService("org.freedesktop.IBus");
constexpr QLatin1String ibusPath("/org/freedesktop/IBus");
constexpr QLatin1String ibusInterface("org.freedesktop.IBus");
constexpr QLatin1String fcitxService("org.fcitx.Fcitx5");
constexpr QLatin1String fcitxPath("/controller");
constexpr QLatin1String fcitxInterface("org.fcitx.Fcitx.Controller1");

// Without a session-bus notice (IBus on another session bus, a file written
// after the name was taken) the IBus daemon is looked for this often.
constexpr int recheckMilliseconds = 2000;
constexpr int callTimeoutMilliseconds = 5000;

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

std::string firstLine(const char* path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  return line;
}

// Where ibus-daemon leaves its address for this display:
// $XDG_CONFIG_HOME/ibus/bus/<machine id>-<host, or "unix">-<display number>.
std::string ibusBusFile() {
  std::string config = environment("XDG_CONFIG_HOME");
  if (config.empty()) {
    const std::string home = environment("HOME");
    if (home.empty()) return {};
    config = home + "/.config";
  }
  std::string machine = firstLine("/etc/machine-id");
  if (machine.empty()) machine = firstLine("/var/lib/dbus/machine-id");
  if (machine.empty()) return {};
  const std::string display = environment("DISPLAY");
  const std::size_t colon = display.rfind(':');
  std::string_view host = "unix";
  std::string_view number = "0";
  if (colon != std::string::npos) {
    if (colon > 0) host = std::string_view(display).substr(0, colon);
    const std::size_t dot = display.find('.', colon + 1);
    const std::string_view digits =
        std::string_view(display).substr(colon + 1, dot == std::string::npos ? std::string::npos : dot - colon - 1);
    if (!digits.empty()) number = digits;
  }
  // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on assigning
  // literals to strings made by substr.
  std::string file = std::move(config);
  for (const std::string_view part : {std::string_view("/ibus/bus/"), std::string_view(machine),
                                      std::string_view("-"), host, std::string_view("-"), number}) {
    file += part;
  }
  return file;
}

// The running daemon's address; empty when there is none, or when the file
// is what a daemon that has died left behind.
std::string ibusAddress() {
  if (std::string address = environment("IBUS_ADDRESS"); !address.empty()) return address;
  const std::string file = ibusBusFile();
  if (file.empty()) return {};
  std::ifstream in(file);
  std::string line;
  std::string address;
  long pid = 0;
  while (std::getline(in, line)) {
    constexpr std::string_view addressKey = "IBUS_ADDRESS=";
    constexpr std::string_view pidKey = "IBUS_DAEMON_PID=";
    if (line.starts_with(addressKey)) address = line.substr(addressKey.size());
    if (line.starts_with(pidKey)) pid = std::strtol(line.c_str() + pidKey.size(), nullptr, 10);
  }
  if (pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) return {};
  return address;
}

struct EngineDescription {
  std::string name;
  std::string language;
};

// An IBusEngineDesc, as IBus serialises it: a struct of the type name, the
// attachments, then name, long name, description and language (more follow).
std::optional<EngineDescription> engineDescription(QVariant value) {
  while (value.metaType() == QMetaType::fromType<QDBusVariant>()) value = qvariant_cast<QDBusVariant>(value).variant();
  if (value.metaType() != QMetaType::fromType<QDBusArgument>()) return std::nullopt;
  const QDBusArgument argument = qvariant_cast<QDBusArgument>(value);
  if (!argument.currentSignature().startsWith(QLatin1String("(sa{sv}ssss"))) return std::nullopt;
  QString typeName, name, longName, description, language;
  QVariantMap attachments;
  argument.beginStructure();
  argument >> typeName >> attachments >> name >> longName >> description >> language;
  argument.endStructure();  // frees what beginStructure made; the rest need not be read
  return EngineDescription{name.toStdString(), language.toStdString()};
}

QDBusMessage fcitxCall(const QString& method) {
  QDBusMessage message = QDBusMessage::createMethodCall(fcitxService, fcitxPath, fcitxInterface, method);
  message.setAutoStartService(false);  // ask a running Fcitx, never start one
  return message;
}

}  // namespace

// The Qt side: bus connections, notices and replies, on the main thread.
class InputMethodWatcher : public QObject {
  Q_OBJECT

 public:
  InputMethodWatcher();
  ~InputMethodWatcher() override;

  const InputSourceInfo* current() const noexcept { return fcitx_ ? &*fcitx_ : ibus_ ? &*ibus_ : nullptr; }
  void refresh() {
    if (fcitxRunning_) askFcitx();
  }

  std::function<void()> changed;

 private slots:
  void ibusEngineChanged(const QString& name);
  void fcitxGroupsChanged();

 private:
  template <typename Handler>
  void call(const QDBusConnection& bus, const QDBusMessage& message, Handler handler);
  void update(std::optional<InputSourceInfo>& slot, std::optional<InputSourceInfo> value);

  void connectIbus();
  void ibusConnected(const QString& name, bool connected);
  void dropIbus();
  void askIbusGlobalEngine();
  void applyIbusEngine(const std::string& name, const std::string& language);

  void fcitxAppeared();
  void fcitxGone();
  void askFcitx();
  void askFcitxInputMethods();
  void applyFcitx();

  QDBusConnection session_;
  QDBusServiceWatcher services_;
  QTimer recheck_;

  std::optional<QDBusConnection> ibusBus_;
  bool ibusConnecting_ = false;
  std::map<std::string, std::string> ibusLanguages_;  // engine name -> language, as learnt
  unsigned ibusRequest_ = 0;                          // only the latest answer counts
  std::optional<InputSourceInfo> ibus_;

  bool fcitxRunning_ = false;
  std::map<std::string, std::string> fcitxLanguages_;
  std::string fcitxName_;
  unsigned fcitxRequest_ = 0;
  std::optional<InputSourceInfo> fcitx_;
};

InputMethodWatcher::InputMethodWatcher() : session_(QDBusConnection::sessionBus()) {
  if (session_.isConnected()) {
    services_.setConnection(session_);
    services_.setWatchMode(QDBusServiceWatcher::WatchForOwnerChange);
    services_.setWatchedServices({ibusService, fcitxService});
    connect(&services_, &QDBusServiceWatcher::serviceRegistered, this, [this](const QString& service) {
      if (service == ibusService) connectIbus();
      if (service == fcitxService) fcitxAppeared();
    });
    connect(&services_, &QDBusServiceWatcher::serviceUnregistered, this, [this](const QString& service) {
      if (service == ibusService) dropIbus();
      if (service == fcitxService) fcitxGone();
    });
    // Any sender: naming the service would make Qt look its owner up synchronously.
    session_.connect(QString(), fcitxPath, fcitxInterface, QStringLiteral("InputMethodGroupsChanged"), this,
                     SLOT(fcitxGroupsChanged()));
    fcitxAppeared();  // answered only if it already runs
  }
  connect(&recheck_, &QTimer::timeout, this, [this] {
    if (ibusBus_ && !ibusBus_->isConnected()) dropIbus();
    if (!ibusBus_) connectIbus();
  });
  // IBus also takes its name on the session bus, so the watcher above tells
  // when it comes and goes; only without a session bus do we look again
  // now and then (an idle program should not wake up).
  if (!session_.isConnected()) recheck_.start(recheckMilliseconds);
  connectIbus();
}

InputMethodWatcher::~InputMethodWatcher() {
  changed = nullptr;
  dropIbus();
}

template <typename Handler>
void InputMethodWatcher::call(const QDBusConnection& bus, const QDBusMessage& message, Handler handler) {
  auto* pending = new QDBusPendingCallWatcher(bus.asyncCall(message, callTimeoutMilliseconds), this);
  connect(pending, &QDBusPendingCallWatcher::finished, this, [pending, handler = std::move(handler)] {
    pending->deleteLater();
    handler(pending->reply());
  });
}

void InputMethodWatcher::update(std::optional<InputSourceInfo>& slot, std::optional<InputSourceInfo> value) {
  if (slot == value) return;
  const auto snapshot = [this] { return current() ? std::optional(*current()) : std::nullopt; };
  const std::optional<InputSourceInfo> before = snapshot();
  slot = std::move(value);
  if (snapshot() != before && changed) changed();
}

// --- IBus: its own bus, found through its address file.

void InputMethodWatcher::connectIbus() {
  if (ibusBus_ || ibusConnecting_) return;
  const std::string address = ibusAddress();
  if (address.empty()) return;
  static unsigned serial = 0;
  const QString name = QStringLiteral("marlinet-ibus-%1").arg(++serial);
  ibusConnecting_ = true;
  // Connecting waits for the daemon's answer: never on this thread, which
  // also runs the key path. The answer comes back through the event loop.
  std::thread([watcher = QPointer(this), address = QString::fromStdString(address), name] {
    const bool connected = QDBusConnection::connectToBus(address, name).isConnected();
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [watcher, name, connected] {
          if (watcher) return watcher->ibusConnected(name, connected);
          QDBusConnection::disconnectFromBus(name);
        },
        Qt::QueuedConnection);
  }).detach();
}

void InputMethodWatcher::ibusConnected(const QString& name, bool connected) {
  ibusConnecting_ = false;
  if (!connected) return QDBusConnection::disconnectFromBus(name);
  QDBusConnection bus(name);
  bus.connect(QString(), ibusPath, ibusInterface, QStringLiteral("GlobalEngineChanged"), this,
              SLOT(ibusEngineChanged(QString)));
  ibusBus_ = bus;
  askIbusGlobalEngine();
}

void InputMethodWatcher::dropIbus() {
  if (!ibusBus_) return;
  const QString name = ibusBus_->name();
  ibusBus_.reset();
  QDBusConnection::disconnectFromBus(name);
  ++ibusRequest_;
  ibusLanguages_.clear();
  update(ibus_, std::nullopt);
}

void InputMethodWatcher::askIbusGlobalEngine() {
  QDBusMessage message = QDBusMessage::createMethodCall(ibusService, ibusPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                        QStringLiteral("Get"));
  message << QString(ibusInterface) << QStringLiteral("GlobalEngine");
  call(*ibusBus_, message, [this, request = ++ibusRequest_](const QDBusMessage& reply) {
    if (request != ibusRequest_) return;
    // An error here means no engine has been chosen yet.
    const std::optional<EngineDescription> engine =
        reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()
            ? engineDescription(reply.arguments().front())
            : std::nullopt;
    if (!engine) return update(ibus_, std::nullopt);
    applyIbusEngine(engine->name, engine->language);
  });
}

void InputMethodWatcher::ibusEngineChanged(const QString& name) {
  if (!ibusBus_) return;
  const std::string engine = name.toStdString();
  if (const auto known = ibusLanguages_.find(engine); known != ibusLanguages_.end()) {
    ++ibusRequest_;
    return applyIbusEngine(engine, known->second);
  }
  QDBusMessage message = QDBusMessage::createMethodCall(ibusService, ibusPath, ibusInterface,
                                                        QStringLiteral("GetEnginesByNames"));
  message << QStringList{name};
  call(*ibusBus_, message, [this, engine, request = ++ibusRequest_](const QDBusMessage& reply) {
    if (request != ibusRequest_) return;
    std::optional<EngineDescription> found;
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
        reply.arguments().front().metaType() == QMetaType::fromType<QDBusArgument>()) {
      const QDBusArgument list = qvariant_cast<QDBusArgument>(reply.arguments().front());
      list.beginArray();
      while (!list.atEnd() && !found) {
        QDBusVariant item;
        list >> item;
        found = engineDescription(item.variant());
        if (found && found->name != engine) found.reset();
      }
      list.endArray();
    }
    // Unknown to IBus: the name alone decides.
    applyIbusEngine(engine, found ? found->language : std::string());
  });
}

void InputMethodWatcher::applyIbusEngine(const std::string& name, const std::string& language) {
  ibusLanguages_[name] = language;
  update(ibus_, ibusEngineSource(name, language));
}

// --- Fcitx 5: on the session bus; it announces group changes, not switches.

void InputMethodWatcher::fcitxAppeared() {
  askFcitxInputMethods();
  askFcitx();
}

void InputMethodWatcher::fcitxGone() {
  fcitxRunning_ = false;
  ++fcitxRequest_;
  fcitxLanguages_.clear();
  fcitxName_.clear();
  update(fcitx_, std::nullopt);
}

void InputMethodWatcher::fcitxGroupsChanged() { fcitxAppeared(); }

void InputMethodWatcher::askFcitxInputMethods() {
  if (!session_.isConnected()) return;
  call(session_, fcitxCall(QStringLiteral("AvailableInputMethods")), [this](const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty() ||
        reply.arguments().front().metaType() != QMetaType::fromType<QDBusArgument>()) {
      return;
    }
    // a(ssssssb): unique name, name, native name, icon, label, language code, configurable.
    const QDBusArgument list = qvariant_cast<QDBusArgument>(reply.arguments().front());
    if (list.currentSignature() != QLatin1String("a(ssssssb)")) return;
    fcitxLanguages_.clear();
    list.beginArray();
    while (!list.atEnd()) {
      QString uniqueName, name, nativeName, icon, label, language;
      bool configurable = false;
      list.beginStructure();
      list >> uniqueName >> name >> nativeName >> icon >> label >> language >> configurable;
      list.endStructure();
      fcitxLanguages_[uniqueName.toStdString()] = language.toStdString();
    }
    list.endArray();
    applyFcitx();
  });
}

void InputMethodWatcher::askFcitx() {
  if (!session_.isConnected()) return;
  call(session_, fcitxCall(QStringLiteral("CurrentInputMethod")), [this, request = ++fcitxRequest_](const QDBusMessage& reply) {
    if (request != fcitxRequest_) return;
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return fcitxGone();
    fcitxRunning_ = true;
    fcitxName_ = reply.arguments().front().toString().toStdString();
    applyFcitx();
  });
}

void InputMethodWatcher::applyFcitx() {
  if (!fcitxRunning_ || fcitxName_.empty()) return update(fcitx_, std::nullopt);
  const auto language = fcitxLanguages_.find(fcitxName_);
  update(fcitx_, fcitxInputMethodSource(fcitxName_, language == fcitxLanguages_.end() ? "" : language->second));
}

// --- The tracker itself.

InputMethodTracker::InputMethodTracker() : watcher_(std::make_unique<InputMethodWatcher>()) {}

InputMethodTracker::~InputMethodTracker() = default;

std::optional<InputSourceInfo> InputMethodTracker::current() const {
  const InputSourceInfo* source = watcher_->current();
  return source ? std::optional(*source) : std::nullopt;
}

const InputSourceInfo* InputMethodTracker::currentSource() const noexcept { return watcher_->current(); }

void InputMethodTracker::refresh() { watcher_->refresh(); }

void InputMethodTracker::setChangedCallback(std::function<void()> changed) { watcher_->changed = std::move(changed); }

}  // namespace marlinet

#include "input_method_tracker.moc"
