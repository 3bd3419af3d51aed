#include "updates/appcast_updater.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <algorithm>
#include <cmath>
#include <map>
#include <string_view>
#include <utility>

#include "app/localization.h"
#include "updates/update_window.h"
#include "updates/version_order.h"

namespace marlinet::updates {
namespace {

QString text(std::string_view english) { return QString::fromStdString(localized(english)); }

bool isLoopback(const QUrl& url) {
  const QString host = url.host();
  if (host.compare(u"localhost", Qt::CaseInsensitive) == 0) return true;
  const QHostAddress address(host);
  return !address.isNull() && address.isLoopback();
}

// HTTPS only; plain HTTP to this machine serves the tests.
bool isAllowed(const QUrl& url) {
  const QString scheme = url.scheme().toLower();
  if (!url.isValid() || url.host().isEmpty()) return false;
  return scheme == u"https" || (scheme == u"http" && isLoopback(url));
}

enum class ContentKind { feed, webPage, other };

// Feeds are served as application/rss+xml, application/xml or text/xml; a
// server that states no type leaves the decision to the parser. A web page
// is most often a network's sign-in page standing in for the answer.
ContentKind contentKind(const QByteArray& header) {
  const QByteArray type = header.split(';').front().trimmed().toLower();
  if (type.isEmpty()) return ContentKind::feed;
  if (type == "text/html" || type == "application/xhtml+xml") return ContentKind::webPage;
  if (type.endsWith("/xml") || type.endsWith("+xml")) return ContentKind::feed;
  return ContentKind::other;
}

}  // namespace

AppcastUpdater::AppcastUpdater(QUrl feed, QString runningVersion, UserDefaults& defaults, std::function<Date()> now,
                               UpdateCheckLimits limits)
    : feed_(std::move(feed)),
      runningVersion_(std::move(runningVersion)),
      defaults_(defaults),
      now_(std::move(now)),
      limits_(limits) {
  automatic_.setSingleShot(true);
  // A day's wait needs no more than second precision, and lets the system batch wake-ups.
  automatic_.setTimerType(Qt::VeryCoarseTimer);
  QObject::connect(&automatic_, &QTimer::timeout, &context_, [this] { automaticCheckDue(); });
  deadline_.setSingleShot(true);
  QObject::connect(&deadline_, &QTimer::timeout, &context_, [this] { abort(Failure::timeout); });
  schedule();
}

AppcastUpdater::~AppcastUpdater() {
  // One load of the guarded pointer: what is checked is what is used.
  if (QNetworkReply* reply = reply_.data()) {
    QObject::disconnect(reply, nullptr, &context_, nullptr);
    reply->abort();
    delete reply;
  }
}

void AppcastUpdater::checkForUpdates() { start(true); }

bool AppcastUpdater::automaticallyChecksForUpdates() const {
  return !defaults_.objectForKey(automaticChecksKey) || defaults_.boolForKey(automaticChecksKey);
}

void AppcastUpdater::setAutomaticallyChecksForUpdates(bool on) {
  defaults_.setBool(automaticChecksKey, on);
  schedule();
}

std::optional<std::chrono::milliseconds> AppcastUpdater::nextAutomaticCheck() const {
  if (!automatic_.isActive()) return std::nullopt;
  return automatic_.remainingTimeAsDuration();
}

std::optional<Date> AppcastUpdater::lastCheck() const {
  const auto stored = defaults_.objectForKey(lastCheckKey);
  if (!stored) return std::nullopt;
  if (const double* seconds = std::get_if<double>(&stored->value)) return Date{*seconds};
  return std::nullopt;
}

void AppcastUpdater::schedule() {
  automatic_.stop();
  if (!automaticallyChecksForUpdates()) return;
  const double interval = static_cast<double>(checkInterval.count());
  double remaining = 0;
  if (const auto last = lastCheck()) {
    const double elapsed = now_().secondsSinceReferenceDate - last->secondsSinceReferenceDate;
    // A last check in the future (the clock was set back) waits one day at most.
    remaining = std::clamp(interval - elapsed, 0.0, interval);
  }
  automatic_.start(std::chrono::milliseconds(static_cast<std::int64_t>(std::ceil(remaining * 1000))));
}

void AppcastUpdater::automaticCheckDue() {
  if (reply_) return;  // the running check has rescheduled already
  const auto last = lastCheck();
  const Date now = now_();
  // The timer counts time the system was awake and may fire a second early;
  // the wall clock decides, with a minute's grace.
  if (last && *last <= now &&
      now.secondsSinceReferenceDate - last->secondsSinceReferenceDate <
          static_cast<double>(checkInterval.count()) - 60.0) {
    schedule();
    return;
  }
  if (!probeProgram_.isEmpty()) {
    startProbe();
    return;
  }
  start(false);
}

void AppcastUpdater::runAutomaticChecksIn(QString program, QStringList arguments) {
  probeProgram_ = std::move(program);
  probeArguments_ = std::move(arguments);
}

void AppcastUpdater::recordCheck() {
  // As seconds since 2001: the settings file holds no dates.
  defaults_.setObject(lastCheckKey, PropertyList(now_().secondsSinceReferenceDate));
  schedule();
}

void AppcastUpdater::startProbe() {
  if (probe_) return;
  recordCheck();
  auto* probe = new QProcess(&context_);
  probe_ = probe;
  probe->setProgram(probeProgram_);
  probe->setArguments(probeArguments_);
  probe->setStandardInputFile(QProcess::nullDevice());
  probe->setStandardOutputFile(QProcess::nullDevice());
  QObject::connect(probe, &QProcess::finished, &context_, [this, probe](int status, QProcess::ExitStatus how) {
    probe->deleteLater();
    if (how == QProcess::NormalExit && status == newerVersionStatus && !reply_) start(false);
  });
  QObject::connect(probe, &QProcess::errorOccurred, &context_, [probe](QProcess::ProcessError error) {
    if (error == QProcess::FailedToStart) probe->deleteLater();
  });
  // The program keeps the same limits; this only ends one that hangs. The
  // timer goes with the process, so an idle application is not woken for it.
  auto* hang = new QTimer(probe);
  hang->setSingleShot(true);
  QObject::connect(hang, &QTimer::timeout, probe, [probe] { probe->kill(); });
  hang->start(limits_.time + std::chrono::seconds(5));
  probe->start();
}

void AppcastUpdater::start(bool visible) {
  if (visible) {
    ensureWindow().showChecking();
    if (reply_) {  // an automatic check is under way: it now reports in the window
      visible_ = true;
      return;
    }
  } else if (reply_) {
    return;
  }
  visible_ = visible;
  recordCheck();
  if (!isAllowed(feed_)) {
    if (visible) {
      ensureWindow().showFailure(
          text("The address of the update feed is not a secure (HTTPS) one, so Marlinet did not use it."));
    }
    return;
  }
  body_.clear();
  failure_ = Failure::none;
  httpStatus_ = 0;

  QNetworkRequest request(feed_);
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::UserVerifiedRedirectPolicy);
  request.setMaximumRedirectsAllowed(5);
  request.setTransferTimeout(static_cast<int>(limits_.time.count()));
  request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
  request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Marlinet/") + runningVersion_);
  request.setRawHeader("Accept", "application/rss+xml, application/xml, text/xml");
  QNetworkReply* reply = network_.get(request);
  reply_ = reply;
  QObject::connect(reply, &QNetworkReply::redirected, &context_, [this, reply](const QUrl& target) {
    if (isAllowed(reply->url().resolved(target))) {
      emit reply->redirectAllowed();
    } else {
      abort(Failure::insecure);
    }
  });
  QObject::connect(reply, &QNetworkReply::metaDataChanged, &context_, [this] { checkHeaders(); });
  QObject::connect(reply, &QNetworkReply::readyRead, &context_, [this] { readBody(); });
  QObject::connect(reply, &QNetworkReply::finished, &context_, [this] { finished(); });
  // The transfer timeout restarts with every byte; this one bounds the whole answer.
  deadline_.start(limits_.time);
}

void AppcastUpdater::checkHeaders() {
  if (!reply_ || failure_ != Failure::none) return;
  const int status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  if (status >= 300 && status < 400) return;  // a redirect, followed or refused elsewhere
  if (status >= 400) {
    httpStatus_ = status;
    // Qt ends the transfer as failed itself (aborting it too would fail it
    // twice); the error page is skipped unread.
    failure_ = Failure::http;
    return;
  }
  switch (contentKind(reply_->rawHeader("Content-Type"))) {
    case ContentKind::webPage:
      abort(Failure::webPage);
      return;
    case ContentKind::other:
      abort(Failure::contentType);
      return;
    case ContentKind::feed:
      break;
  }
  const QVariant length = reply_->header(QNetworkRequest::ContentLengthHeader);
  if (length.isValid() && length.toLongLong() > limits_.bytes) abort(Failure::tooLarge);
}

void AppcastUpdater::readBody() {
  QNetworkReply* reply = reply_.data();
  if (reply == nullptr) return;
  if (failure_ != Failure::none) {
    reply->skip(reply->bytesAvailable());  // an error page, unread
    return;
  }
  // Never more than one byte past the limit, which tells it was passed.
  body_ += reply->read(limits_.bytes + 1 - body_.size());
  if (body_.size() > limits_.bytes) abort(Failure::tooLarge);
}

void AppcastUpdater::abort(Failure failure) {
  if (failure_ == Failure::none) failure_ = failure;
  QNetworkReply* reply = reply_.data();
  if (reply != nullptr && reply->isRunning()) reply->abort();  // which reports `finished`
}

void AppcastUpdater::finished() {
  QNetworkReply* reply = reply_;
  if (!reply) return;
  deadline_.stop();
  if (failure_ == Failure::none && reply->error() == QNetworkReply::NoError) {
    checkHeaders();  // in case the headers came with the end
    readBody();
  }
  reply_ = nullptr;
  reply->deleteLater();

  Failure failure = failure_;
  if (failure == Failure::none) {
    switch (reply->error()) {
      case QNetworkReply::NoError:
        break;
      case QNetworkReply::OperationCanceledError:  // the transfer timeout; our own aborts say why
      case QNetworkReply::TimeoutError:
        failure = Failure::timeout;
        break;
      case QNetworkReply::SslHandshakeFailedError:
        failure = Failure::tls;
        break;
      case QNetworkReply::InsecureRedirectError:
        failure = Failure::insecure;
        break;
      case QNetworkReply::ConnectionRefusedError:
      case QNetworkReply::RemoteHostClosedError:
      case QNetworkReply::HostNotFoundError:
      case QNetworkReply::TemporaryNetworkFailureError:
      case QNetworkReply::NetworkSessionFailedError:
      case QNetworkReply::UnknownNetworkError:
      case QNetworkReply::ProxyConnectionRefusedError:
      case QNetworkReply::ProxyNotFoundError:
      case QNetworkReply::ProxyTimeoutError:
        failure = Failure::noNetwork;
        break;
      default:
        httpStatus_ = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        failure = httpStatus_ >= 400 ? Failure::http : Failure::other;
        break;
    }
  }

  const AppcastRelease* newest = nullptr;
  Appcast feed;
  if (failure == Failure::none) {
    feed = parseAppcast(body_);
    if (feed.error) {
      switch (*feed.error) {
        case AppcastError::tooLarge:
          failure = Failure::tooLarge;
          break;
        case AppcastError::noReleases:
          failure = Failure::noReleases;
          break;
        case AppcastError::notAFeed:
        case AppcastError::malformed:
          failure = Failure::notAFeed;
          break;
      }
    }
    newest = feed.newest();
  }
  body_.clear();
  const bool visible = std::exchange(visible_, false);

  if (failure == Failure::cancelled) return;
  const bool newer = failure == Failure::none && newest &&
                     compareVersions(newest->version().toStdString(), runningVersion_.toStdString()) > 0;
  if (report_ && !visible) {
    report_(newer);
    return;
  }
  if (newer) {
    ensureWindow().showAvailable(*newest);
    return;
  }
  if (!visible) return;  // automatic checks speak only of a newer version
  QString message;
  switch (failure) {
    case Failure::none:
      ensureWindow().showUpToDate();
      return;
    case Failure::cancelled:
      return;
    case Failure::insecure:
      message = text("The update server redirected to an address that is not secure (HTTPS), so Marlinet did not "
                     "follow it.");
      break;
    case Failure::noNetwork:
      message = text("Marlinet could not reach the update server; check the internet connection and try again.");
      break;
    case Failure::timeout:
      message = text("The update server did not answer in time; try again later.");
      break;
    case Failure::tls:
      message = text("The update server’s identity could not be verified, so Marlinet did not trust its answer.");
      break;
    case Failure::http:
      message = QString::fromStdString(localized("The update server answered with error %lld.", httpStatus_));
      break;
    case Failure::webPage:
      message = text("The update server answered with a web page instead of the update feed; a network sign-in "
                     "page may be in the way.");
      break;
    case Failure::contentType:
      message = text("The update server answered with something other than an update feed.");
      break;
    case Failure::tooLarge:
      message = text("The update feed is larger than Marlinet accepts.");
      break;
    case Failure::notAFeed:
      message = text("The update server’s answer is not a readable update feed.");
      break;
    case Failure::noReleases:
      message = text("The update feed lists no release.");
      break;
    case Failure::other:
      message = text("The update feed could not be downloaded.");
      break;
  }
  ensureWindow().showFailure(message);
}

UpdateWindow& AppcastUpdater::ensureWindow() {
  if (!window_) {
    window_ = std::make_unique<UpdateWindow>(runningVersion_);
    window_->onCancel = [this] {
      if (visible_) abort(Failure::cancelled);
    };
  }
  return *window_;
}

std::unique_ptr<UpdaterController> makeAppcastUpdater(UserDefaults& defaults, const QString& probeProgram) {
  auto updater = std::make_unique<AppcastUpdater>(QUrl(QStringLiteral(MARLINET_APPCAST_URL)),
                                                  QStringLiteral(MARLINET_RUNNING_VERSION), defaults);
  if (!probeProgram.isEmpty()) {
    updater->runAutomaticChecksIn(probeProgram, {QString::fromLatin1(probeArgument.data(), probeArgument.size())});
  }
  return updater;
}

namespace {

// The program's settings: its one check is due at once, and nothing it
// notes is kept (the application records the check in the real settings).
class ScratchDefaults final : public UserDefaults {
 public:
  void registerDefaults(const PropertyList::Dictionary&) override {}
  std::optional<PropertyList> objectForKey(std::string_view key) const override {
    const auto found = values_.find(key);
    return found == values_.end() ? std::nullopt : std::optional<PropertyList>(found->second);
  }
  void setObject(std::string_view key, PropertyList value) override { values_.insert_or_assign(std::string(key), std::move(value)); }
  void removeObjectForKey(std::string_view key) override {
    if (const auto found = values_.find(key); found != values_.end()) values_.erase(found);
  }

 private:
  std::map<std::string, PropertyList, std::less<>> values_;
};

}  // namespace

int runUpdateProbe(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  ScratchDefaults defaults;
  AppcastUpdater updater(QUrl(QStringLiteral(MARLINET_APPCAST_URL)), QStringLiteral(MARLINET_RUNNING_VERSION),
                         defaults);
  updater.reportAutomaticChecksTo([](bool newer) {
    QCoreApplication::exit(newer ? AppcastUpdater::newerVersionStatus : 0);
  });
  return QCoreApplication::exec();
}

}  // namespace marlinet::updates
