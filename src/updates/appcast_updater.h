#pragma once

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QProcess>
#include <QStringList>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "app/updater_controller.h"
#include "replacements/date.h"
#include "replacements/user_defaults.h"
#include "updates/appcast.h"

class QNetworkReply;

namespace marlinet::updates {

class UpdateWindow;

// How long one check may take, redirects included, and how much it may download.
struct UpdateCheckLimits {
  std::chrono::milliseconds time{15'000};
  qint64 bytes = maxAppcastBytes;
};

// The updater of the desktop application: reads the appcast feed over HTTPS
// and tells whether a newer Marlinet exists; it never installs anything.
//
// Automatic checks, on by default, run at most once a day: one single-shot
// timer waits for the rest of the day since the last check, so an idle
// process is woken once a day at most. An automatic check shows the result
// window only when a newer version exists; its failures stay silent.
class AppcastUpdater final : public UpdaterController {
 public:
  static constexpr std::string_view automaticChecksKey = "automaticallyChecksForUpdates";
  static constexpr std::string_view lastCheckKey = "lastUpdateCheck";
  static constexpr std::chrono::seconds checkInterval{24 * 60 * 60};

  // `feed` must be https, or http to a loopback address (for tests); any
  // other address fails every check. Needs a running QApplication.
  AppcastUpdater(QUrl feed, QString runningVersion, UserDefaults& defaults, std::function<Date()> now = &Date::now,
                 UpdateCheckLimits limits = {});
  AppcastUpdater(const AppcastUpdater&) = delete;
  AppcastUpdater& operator=(const AppcastUpdater&) = delete;
  ~AppcastUpdater() override;

  void checkForUpdates() override;
  bool automaticallyChecksForUpdates() const override;
  void setAutomaticallyChecksForUpdates(bool on) override;

  // When the next automatic check is due, from now; absent when none is.
  std::optional<std::chrono::milliseconds> nextAutomaticCheck() const;
  // The result window, once a check has shown it.
  UpdateWindow* window() const { return window_.get(); }

  // Automatic checks run in this program of their own, which exits with
  // `newerVersionStatus` when a newer version is out; only then is the feed
  // read here, to show it. Reading it here loads the network stack and
  // OpenSSL (some 6 MB that a tray program would keep for the rest of its run).
  static constexpr int newerVersionStatus = 10;
  void runAutomaticChecksIn(QString program, QStringList arguments);
  // In that program: automatic checks hand their outcome here instead of
  // showing it (`newer`: a newer version is out).
  void reportAutomaticChecksTo(std::function<void(bool newer)> report) { report_ = std::move(report); }

 private:
  enum class Failure { none, cancelled, insecure, noNetwork, timeout, tls, http, webPage, contentType, tooLarge,
                       notAFeed, noReleases, other };

  std::optional<Date> lastCheck() const;
  void schedule();
  void automaticCheckDue();
  void recordCheck();
  void startProbe();
  void start(bool visible);
  void checkHeaders();
  void readBody();
  void abort(Failure failure);
  void finished();
  UpdateWindow& ensureWindow();

  QUrl feed_;
  QString runningVersion_;
  UserDefaults& defaults_;
  std::function<Date()> now_;
  UpdateCheckLimits limits_;
  QNetworkAccessManager network_;
  QTimer automatic_;
  QTimer deadline_;
  QPointer<QNetworkReply> reply_;
  QByteArray body_;
  Failure failure_ = Failure::none;
  int httpStatus_ = 0;
  bool visible_ = false;  // the running check reports in the window
  std::unique_ptr<UpdateWindow> window_;
  QString probeProgram_;
  QStringList probeArguments_;
  QPointer<QProcess> probe_;
  std::function<void(bool newer)> report_;
  // Receives the timers' and the transfer's signals; destroyed first, so
  // that none arrives while the rest is torn down.
  QObject context_;
};

// The desktop's updater: the feed address and version this build was
// configured with, and the settings file the model uses.
// `probeProgram`, when given, is this program, started with `probeArgument`
// for each automatic check (see runUpdateProbe).
std::unique_ptr<UpdaterController> makeAppcastUpdater(UserDefaults& defaults, const QString& probeProgram = {});

// The argument that makes `marlinet` the automatic check's own program.
inline constexpr std::string_view probeArgument = "--check-for-updates-once";
// That program: one automatic check of the build's feed, no window; exits
// with `AppcastUpdater::newerVersionStatus` when a newer version is out, 0
// otherwise (failures included: automatic checks are silent about them).
int runUpdateProbe(int argc, char** argv);

}  // namespace marlinet::updates
