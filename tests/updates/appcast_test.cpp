#include "updates/appcast.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <string>

#include "updates/version_order.h"

namespace marlinet::updates {
namespace {

TEST(VersionOrder, ReadsDottedNumbersAndPreReleases) {
  struct Case {
    const char* a;
    const char* b;
    int order;  // sign of a - b
  };
  const Case cases[] = {
      {"1.10", "1.9", 1},         {"1.2", "1.2.0", 0},        {"1.2.0.1", "1.2", 1},      {"v1.3", "1.3", 0},
      {"01.2", "1.2", 0},         {"1.2b3", "1.2", -1},       {"1.2b3", "1.1.9", 1},      {"1.2b10", "1.2b3", 1},
      {"1.2-beta.2", "1.2-alpha.9", 1},                       {"1.2B3", "1.2b3", 0},      {"1.2.0b3", "1.2b3", 0},
      {"1.2b", "1.2b1", -1},      {"1.2+7", "1.2", 0},        {"1.2.", "1.2", 0},         {"1.0", "banana", 1},
      {"99999999999999999999.1", "99999999999999999998.9", 1},                            {"", "banana", 0},
  };
  for (const auto& c : cases) {
    const auto sign = [](std::weak_ordering o) { return o < 0 ? -1 : (o > 0 ? 1 : 0); };
    EXPECT_EQ(sign(compareVersions(c.a, c.b)), c.order) << c.a << " vs " << c.b;
    EXPECT_EQ(sign(compareVersions(c.b, c.a)), -c.order) << c.b << " vs " << c.a;
  }
}

TEST(Appcast, ReadsItemsAndPicksTheHighestVersion) {
  const QByteArray feed = R"(<?xml version="1.0" encoding="utf-8"?>
<rss version="2.0" xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle">
 <channel><title>Marlinet</title>
  <item><title>Version 1.9</title><sparkle:version>190</sparkle:version>
   <sparkle:shortVersionString>1.9</sparkle:shortVersionString>
   <link>https://example.org/1.9</link></item>
  <item><title>Version 1.10</title>
   <description><![CDATA[<p>Faster <b>expansion</b></p>]]></description>
   <pubDate>Mon, 07 Dec 2026 10:00:00 +0000</pubDate>
   <sparkle:minimumSystemVersion>10.15</sparkle:minimumSystemVersion>
   <link>javascript:alert(1)</link>
   <sparkle:releaseNotesLink>https://example.org/notes</sparkle:releaseNotesLink>
   <enclosure url="https://example.org/m-1.10.tar.gz" sparkle:version="1100" sparkle:shortVersionString="1.10"/></item>
  <item><title>No version, skipped</title><link>https://example.org/x</link></item>
  <item><title>Same version, later in the feed</title><sparkle:version>1.10</sparkle:version></item>
 </channel></rss>)";
  const Appcast appcast = parseAppcast(feed);
  ASSERT_FALSE(appcast.error);
  ASSERT_EQ(appcast.releases.size(), 3u);
  const AppcastRelease* newest = appcast.newest();
  ASSERT_EQ(newest, &appcast.releases[1]);
  EXPECT_EQ(newest->version(), "1.10");
  EXPECT_EQ(newest->buildVersion, "1100");
  EXPECT_EQ(newest->notes, "<p>Faster <b>expansion</b></p>");
  EXPECT_EQ(newest->pubDate, "Mon, 07 Dec 2026 10:00:00 +0000");
  EXPECT_TRUE(newest->link.isEmpty());  // not a web link
  EXPECT_EQ(newest->downloadPage(), QUrl("https://example.org/m-1.10.tar.gz"));
  EXPECT_EQ(newest->releaseNotesLink, QUrl("https://example.org/notes"));
  EXPECT_EQ(appcast.releases[0].downloadPage(), QUrl("https://example.org/1.9"));
}

TEST(Appcast, RefusesWhatIsNotABoundedFeed) {
  const QByteArray item = "<item><sparkle:version>1</sparkle:version></item>";
  const auto rss = [](const QByteArray& items) {
    return "<rss xmlns:sparkle='http://www.andymatuschak.org/xml-namespaces/sparkle'><channel>" + items +
           "</channel></rss>";
  };
  const QByteArray deep = QByteArray("<p>").repeated(40) + QByteArray("</p>").repeated(40);
  struct Case {
    QByteArray bytes;
    AppcastError error;
  };
  const Case cases[] = {
      {"", AppcastError::notAFeed},
      {"<!DOCTYPE html><html><body>Sign in</body></html>", AppcastError::notAFeed},
      {rss(item).chopped(10), AppcastError::malformed},
      {rss("<item><description>" + deep + "</description>" + item.mid(6)), AppcastError::malformed},
      {rss("<item><title>1.0</title></item>"), AppcastError::noReleases},
      {rss(item.repeated(maxAppcastItems + 1)), AppcastError::tooLarge},
      {rss(item) + QByteArray(maxAppcastBytes, ' '), AppcastError::tooLarge},
  };
  for (const auto& c : cases) {
    const Appcast appcast = parseAppcast(c.bytes);
    EXPECT_EQ(appcast.error, c.error) << c.bytes.left(80).toStdString();
    EXPECT_TRUE(appcast.releases.empty());
  }
  // The same feeds within the bounds are read.
  EXPECT_EQ(parseAppcast(rss(item.repeated(maxAppcastItems))).releases.size(), std::size_t{maxAppcastItems});
  EXPECT_FALSE(parseAppcast(rss("<item><description><p>a</p></description>" + item.mid(6))).error);
}

}  // namespace
}  // namespace marlinet::updates
