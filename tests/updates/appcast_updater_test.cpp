#include "updates/appcast_updater.h"

#include <gtest/gtest.h>

#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <map>
#include <optional>
#include <utility>

#include "replacements/file_user_defaults.h"
#include "support/temporary_folder.h"
#include "updates/update_window.h"

namespace marlinet::updates {
namespace {

using namespace std::chrono_literals;
using Page = UpdateWindow::Page;

struct Answer {
  int status = 200;
  QByteArray type = "application/rss+xml";
  QByteArray body = {};
  bool declareLength = true;
  bool hangUp = true;   // else the connection stays open after the body
  bool silent = false;  // never answers
};

// An HTTP server on the loopback address answering each path with its canned answer.
class FeedServer {
 public:
  FeedServer() {
    server_.listen(QHostAddress::LocalHost);
    QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
      while (QTcpSocket* socket = server_.nextPendingConnection()) {
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { answer(socket); });
      }
    });
  }
  QUrl url(const QString& path) const { return QUrl(QString("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path)); }

  std::map<QString, Answer> answers;
  int requests = 0;

 private:
  void answer(QTcpSocket* socket) {
    QByteArray& request = pending_[socket];
    request += socket->readAll();
    if (!request.contains("\r\n\r\n")) return;
    ++requests;
    const Answer& a = answers[QString::fromLatin1(request.split(' ').value(1))];
    if (a.silent) return;
    QByteArray head = "HTTP/1.1 " + QByteArray::number(a.status) + " Canned\r\nConnection: close\r\n";
    if (!a.type.isEmpty()) head += "Content-Type: " + a.type + "\r\n";
    if (a.declareLength) head += "Content-Length: " + QByteArray::number(a.body.size()) + "\r\n";
    socket->write(head + "\r\n" + a.body);
    if (a.hangUp) socket->disconnectFromHost();
  }

  QTcpServer server_;
  std::map<QTcpSocket*, QByteArray> pending_;
};

QByteArray feed(const QByteArray& version, const QByteArray& notes = "") {
  return "<rss xmlns:sparkle='http://www.andymatuschak.org/xml-namespaces/sparkle'><channel><item>"
         "<sparkle:version>" + version + "</sparkle:version><link>https://example.org/get</link>"
         "<description><![CDATA[" + notes + "]]></description></item>"
         "<item><sparkle:version>1.3</sparkle:version></item></channel></rss>";
}

class AppcastUpdaterTest : public ::testing::Test {
 protected:
  std::unique_ptr<AppcastUpdater> updater(const QUrl& url, UpdateCheckLimits limits = {}) {
    return std::make_unique<AppcastUpdater>(url, "1.4", *defaults, [this] { return now; }, limits);
  }
  void lastCheckedHoursAgo(double hours) {
    defaults->setObject(AppcastUpdater::lastCheckKey, now.secondsSinceReferenceDate - hours * 3600);
  }
  // The settings as the next run reads them.
  void reopen() { defaults = std::make_unique<FileUserDefaults>(folder / "settings.json", std::make_shared<LocalFileSystem>()); }
  static bool settled(const AppcastUpdater& u) { return u.window() && u.window()->page() != Page::checking; }

  FeedServer server;
  testing::TemporaryFolder folder;
  std::unique_ptr<FileUserDefaults> defaults =
      std::make_unique<FileUserDefaults>(folder / "settings.json", std::make_shared<LocalFileSystem>());
  Date now{820'000'000};
};

TEST_F(AppcastUpdaterTest, UserCheckShowsTheOutcome) {
  struct Case {
    const char* path;
    Answer answer;
    Page page;
    QString says;
  };
  const Case cases[] = {
      {"/same", {.body = feed("1.4.0")}, Page::upToDate, "Marlinet 1.4 is the newest"},
      {"/newer", {.body = feed("1.10", "<p>Faster <b>expansion</b><img src='http://127.0.0.1:1/x.png'></p>")},
       Page::available, "Marlinet 1.10 is available"},
      {"/broken", {.body = feed("2.0").chopped(20)}, Page::failed, "not a readable update feed"},
      {"/portal", {.type = "text/html; charset=utf-8", .body = "<html>Sign in</html>"}, Page::failed, "web page"},
      {"/text", {.type = "text/plain", .body = feed("2.0")}, Page::failed, "something other than"},
      {"/missing", {.status = 404, .type = "text/html"}, Page::failed, "error 404"},
      {"/big", {.body = feed("2.0", QByteArray(5000, 'x'))}, Page::failed, "larger than"},
      {"/big-stream", {.body = feed("2.0", QByteArray(5000, 'x')), .declareLength = false, .hangUp = false},
       Page::failed, "larger"},
      {"/slow", {.silent = true}, Page::failed, "did not answer in time"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    lastCheckedHoursAgo(1);
    server.answers[c.path] = c.answer;
    auto u = updater(server.url(c.path), {.time = 1s, .bytes = 4000});
    u->checkForUpdates();
    ASSERT_TRUE(QTest::qWaitFor([&] { return settled(*u); }, 5000));
    EXPECT_EQ(u->window()->page(), c.page);
    EXPECT_TRUE((u->window()->headline() + u->window()->detail()).contains(c.says)) << u->window()->detail().toStdString();
    if (c.page == Page::available) {
      EXPECT_TRUE(u->window()->notes().startsWith("Faster expansion")) << u->window()->notes().toStdString();
    }
  }
  auto insecure = updater(QUrl("http://example.org/appcast.xml"));
  insecure->checkForUpdates();
  EXPECT_TRUE(insecure->window()->detail().contains("not a secure")) << insecure->window()->detail().toStdString();
}

TEST_F(AppcastUpdaterTest, CancellingStopsTheCheckQuietly) {
  lastCheckedHoursAgo(1);
  server.answers["/slow"] = {.silent = true};
  auto u = updater(server.url("/slow"), {.time = 1s});
  u->checkForUpdates();
  ASSERT_TRUE(QTest::qWaitFor([&] { return server.requests == 1; }, 5000));
  u->window()->reject();
  QTest::qWait(1500);  // past the time limit
  EXPECT_FALSE(u->window()->isVisible());
  EXPECT_EQ(u->window()->page(), Page::checking);
}

// The application leaves automatic checks to a program of its own and reads
// the feed itself only when that program found a newer version; the program
// hears the outcome instead of showing it.
TEST_F(AppcastUpdaterTest, AutomaticChecksRunInAProgramOfTheirOwn) {
  server.answers["/newer"] = {.body = feed("2.0")};
  server.answers["/same"] = {.body = feed("1.4")};
  server.answers["/fails"] = {.status = 500};
  for (const auto& [path, newer] :
       {std::pair{"/newer", true}, std::pair{"/same", false}, std::pair{"/fails", false}}) {
    defaults->removeObjectForKey(AppcastUpdater::lastCheckKey);  // never checked: due at once
    auto probe = updater(server.url(path));
    std::optional<bool> heard;
    probe->reportAutomaticChecksTo([&heard](bool found) { heard = found; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return heard.has_value(); }, 5000)) << path;
    EXPECT_EQ(*heard, newer) << path;
    EXPECT_EQ(probe->window(), nullptr);
    probe.reset();
    reopen();  // the next run waits for the rest of the day
    EXPECT_GT(updater(server.url(path))->nextAutomaticCheck(), 23h + 59min) << path;
  }
  for (const int status : {0, AppcastUpdater::newerVersionStatus}) {
    SCOPED_TRACE(status);
    defaults->removeObjectForKey(AppcastUpdater::lastCheckKey);
    const int before = server.requests;
    auto app = updater(server.url("/newer"));
    app->runAutomaticChecksIn("/bin/sh", {"-c", QString("exit %1").arg(status)});
    const bool fetched = QTest::qWaitFor([&] { return server.requests > before; }, 2000);
    EXPECT_EQ(fetched, status != 0);
    if (fetched) {
      ASSERT_TRUE(QTest::qWaitFor([&] { return settled(*app); }, 5000));
      EXPECT_EQ(app->window()->page(), Page::available);
    }
    EXPECT_GT(app->nextAutomaticCheck(), 23h + 59min);
  }
}

TEST_F(AppcastUpdaterTest, ChecksAutomaticallyAtMostOnceADay) {
  server.answers["/same"] = {.body = feed("1.4")};
  const QUrl url = server.url("/same");
  struct Case {
    double hoursAgo;
    std::chrono::milliseconds atLeast, atMost;
  };
  // 23 hours ago: one hour left. A last check in the future (the clock was set back): a day at most.
  // The timer is a very coarse one, which Qt rounds to whole seconds.
  for (const Case& c : {Case{23, 59min, 1h + 1s}, Case{-100, 23h, 24h + 1s}}) {
    lastCheckedHoursAgo(c.hoursAgo);
    auto u = updater(url);
    ASSERT_TRUE(u->nextAutomaticCheck());
    EXPECT_GE(*u->nextAutomaticCheck(), c.atLeast);
    EXPECT_LE(*u->nextAutomaticCheck(), c.atMost);
  }
  QTest::qWait(100);
  EXPECT_EQ(server.requests, 0);

  // Turned off: nothing scheduled, and it stays off for the next run.
  lastCheckedHoursAgo(25);
  updater(url)->setAutomaticallyChecksForUpdates(false);
  reopen();
  auto off = updater(url);
  EXPECT_FALSE(off->automaticallyChecksForUpdates());
  EXPECT_FALSE(off->nextAutomaticCheck());
  QTest::qWait(100);
  EXPECT_EQ(server.requests, 0);
  // Turned on again a day after the last check: it checks at once.
  off->setAutomaticallyChecksForUpdates(true);
  EXPECT_TRUE(QTest::qWaitFor([&] { return server.requests == 1; }, 5000));
}

}  // namespace
}  // namespace marlinet::updates
