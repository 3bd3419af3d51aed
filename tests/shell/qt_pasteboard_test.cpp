#include "shell/qt_pasteboard.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdlib>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <random>

#include "platform/clipboard_keeper.h"
#include "spin_until.h"
#include "x11/xvfb_server.h"

namespace marlinet::shell {
namespace {

using Targets = std::map<QString, QByteArray>;

// Another X client reading CLIPBOARD as `target`; nothing when refused.
std::optional<QByteArray> readAsAnotherClient(const QString& target) {
  QProcess reader;
  reader.start(QStringLiteral(MARLINET_CLIPBOARD_OWNER), {QStringLiteral("read"), target});
  if (!spinUntil([&] { return reader.state() == QProcess::NotRunning; })) return std::nullopt;
  if (reader.exitStatus() != QProcess::NormalExit || reader.exitCode() != 0) {
    std::cerr << reader.readAllStandardError().toStdString();
    return std::nullopt;
  }
  return reader.readAllStandardOutput();
}

// A foreign client owning CLIPBOARD with `targets` until another client copies.
class ForeignOwner {
 public:
  explicit ForeignOwner(const Targets& targets) {
    QStringList arguments{QStringLiteral("serve")};
    int serial = 0;
    for (const auto& [target, bytes] : targets) {
      const QString path = dir_.filePath(QString::number(serial++));
      QFile file(path);
      if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return;
      arguments << target + QLatin1Char('=') + path;
    }
    process_.start(QStringLiteral(MARLINET_CLIPBOARD_OWNER), arguments);
    // Without running Qt's event loop: Qt has not handled the new owner yet.
    while (!said("ready") && process_.waitForReadyRead(10000)) {
    }
    ready_ = said("ready");
  }
  ~ForeignOwner() {
    process_.kill();
    process_.waitForFinished();
  }
  bool ready() const { return ready_; }
  bool said(const char* word) {
    log_ += process_.readAllStandardOutput();
    return log_.contains(word);
  }

 private:
  QTemporaryDir dir_;
  QProcess process_;
  QByteArray log_;
  bool ready_ = false;
};

class QtPasteboardTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server = new testing::XvfbServer;
    if (server->name().empty()) {
      std::cerr << "Xvfb did not start\n";
      std::abort();
    }
    static QTemporaryDir runtime;
    setenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit().constData(), 1);
    setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent", 1);  // no session bus is started
    setenv("DISPLAY", server->name().c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    static int argc = 1;
    static char name[] = "marlinet_shell_tests";
    static char* argv[] = {name, nullptr};
    app = new QGuiApplication(argc, argv);
  }
  static void TearDownTestSuite() {
    delete app;
    delete server;
  }

  // Starts a foreign owner and lets Qt take note of it.
  std::unique_ptr<ForeignOwner> copyInAnotherClient(const Targets& targets) {
    const std::int64_t before = pasteboard.changeCount();
    auto owner = std::make_unique<ForeignOwner>(targets);
    EXPECT_TRUE(owner->ready());
    EXPECT_TRUE(spinUntil([&] { return pasteboard.changeCount() != before && !app->clipboard()->ownsClipboard(); }));
    return owner;
  }

  static inline testing::XvfbServer* server = nullptr;
  static inline QGuiApplication* app = nullptr;
  QtPasteboard pasteboard;
  ClipboardKeeper keeper{pasteboard};
};

TEST_F(QtPasteboardTest, EveryFormatComesBackByteForByteAndThePhraseIsMarked) {
  QByteArray image("\x89PNG\r\n\x1a\n");
  std::mt19937 random(7);
  while (image.size() < 5 * 1024 * 1024) image.append(static_cast<char>(random()));
  const Targets user{
      {"UTF8_STRING", "Grüße, café ✓"},
      {"text/html", "<meta charset=\"utf-8\"><b>Grüße</b>"},
      {"image/png", image},
      {"text/uri-list", "file:///home/u/a%20b.txt\r\nfile:///home/u/c.pdf\r\n"},
      {"application/x-marlinet-test", QByteArray("\0\x01\xfe\xff tail", 9)},
  };
  auto owner = copyInAnotherClient(user);

  const std::vector<PasteboardItemSnapshot> saved = pasteboard.snapshotItems();
  PasteboardItemSnapshot expected;  // no protocol targets, no Qt re-encodings
  for (const auto& [target, bytes] : user) {
    expected[target == "UTF8_STRING" ? "text/plain" : target.toStdString()] = PasteboardBytes(bytes.begin(), bytes.end());
  }
  ASSERT_EQ(saved.size(), 1U);
  EXPECT_EQ(saved.front(), expected);

  const std::string phrase = "Dear Sir ✓\nline two";
  const std::int64_t generation = keeper.writeText(phrase);
  EXPECT_TRUE(spinUntil([&] { return owner->said("lost"); }));
  EXPECT_TRUE(owner->said("served image/png 5242880 incr"));
  EXPECT_EQ(pasteboard.changeCount(), keeper.pending()->changeCountAfterWrite) << "our write is no change of anyone else's";

  const Targets phraseTargets{{"UTF8_STRING", QByteArray::fromStdString(phrase)},
                              {"x-kde-passwordManagerHint", "secret"},
                              {"org.nspasteboard.TransientType", ""},
                              {"org.nspasteboard.ConcealedType", ""},
                              {"org.nspasteboard.AutoGeneratedType", ""}};
  for (const auto& [target, bytes] : phraseTargets) EXPECT_EQ(readAsAnotherClient(target), bytes) << target.toStdString();

  keeper.restore(generation);
  for (const auto& [target, bytes] : user) {
    const std::optional<QByteArray> read = readAsAnotherClient(target);
    ASSERT_TRUE(read.has_value()) << target.toStdString();
    EXPECT_TRUE(*read == bytes) << target.toStdString() << ": " << read->size() << " bytes, not " << bytes.size();
  }
  EXPECT_FALSE(readAsAnotherClient("TARGETS").value_or("passwordManagerHint").contains("passwordManagerHint")) << "the markers left with the phrase";
}

TEST_F(QtPasteboardTest, ACopyInAnotherClientBeforeTheRestoreIsKept) {
  // Whether or not Qt has handled the new owner's XFixes event by the restore.
  for (const bool qtNoticedTheCopy : {false, true}) {
    SCOPED_TRACE(qtNoticedTheCopy ? "noticed" : "not yet noticed");
    auto user = copyInAnotherClient({{"UTF8_STRING", "user's text"}});
    const std::int64_t generation = keeper.writeText("phrase");
    ASSERT_TRUE(spinUntil([&] { return user->said("lost"); }));

    ForeignOwner copy(Targets{{"UTF8_STRING", "copied meanwhile"}});
    ASSERT_TRUE(copy.ready());
    if (qtNoticedTheCopy) {
      ASSERT_TRUE(spinUntil([&] { return !app->clipboard()->ownsClipboard(); }));
    }
    EXPECT_NE(pasteboard.changeCount(), keeper.pending()->changeCountAfterWrite);
    keeper.restore(generation);
    EXPECT_EQ(readAsAnotherClient("UTF8_STRING"), QByteArray("copied meanwhile"));
    EXPECT_FALSE(copy.said("lost"));
  }
}

TEST_F(QtPasteboardTest, ACopyElsewhereBetweenTwoPastesIsWhatTheLastRestoreBringsBack) {
  auto user = copyInAnotherClient(Targets{{"UTF8_STRING", "user's text"}});
  const std::int64_t first = keeper.writeText("phrase one");
  ASSERT_TRUE(spinUntil([&] { return user->said("lost"); }));
  const Targets between{{"UTF8_STRING", "copied between"}, {"text/html", "<i>between</i>"}};
  ForeignOwner copy(between);
  ASSERT_TRUE(copy.ready());
  // Written before Qt handled the copy: Qt stamps its ownership with the last server time it
  // handled, older than the copy's, and its late notice of the copy must not count as a change.
  const std::int64_t second = keeper.writeText("phrase two");
  EXPECT_EQ(readAsAnotherClient("UTF8_STRING"), QByteArray("phrase two"));
  keeper.restore(first);
  keeper.restore(second);
  for (const auto& [target, bytes] : between) EXPECT_EQ(readAsAnotherClient(target), bytes) << target.toStdString();
}

}  // namespace
}  // namespace marlinet::shell
