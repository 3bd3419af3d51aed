#pragma once

#include <QByteArrayView>
#include <QString>
#include <QUrl>
#include <optional>
#include <vector>

namespace marlinet::updates {

// Bounds on one feed, far above any real one (a feed of a hundred releases
// with long notes stays under 1 MiB), so that no answer from the network can
// make the reader exhaust memory or time.
inline constexpr qsizetype maxAppcastBytes = 2 * 1024 * 1024;
inline constexpr int maxAppcastItems = 1000;
inline constexpr int maxAppcastDepth = 32;

inline constexpr auto sparkleNamespace = "http://www.andymatuschak.org/xml-namespaces/sparkle";

// One release of an appcast feed, as its <item> describes it.
struct AppcastRelease {
  QString buildVersion;  // sparkle:version
  QString shortVersion;  // sparkle:shortVersionString
  QString title;
  QString notes;  // <description>: HTML or plain text, as written
  QUrl link;      // the release's web page
  QUrl releaseNotesLink;
  QUrl enclosure;  // the download itself
  QString pubDate;

  // The version the release is ordered by and shown as: the short version
  // when it reads as one, else sparkle:version. Marlinet's own version is a
  // dotted number like the short versions of its feed.
  QString version() const;
  // Where "Download" leads: the web page, else the download.
  QUrl downloadPage() const { return link.isEmpty() ? enclosure : link; }
};

enum class AppcastError {
  tooLarge,    // over maxAppcastBytes or maxAppcastItems
  notAFeed,    // not XML, or XML whose root is not <rss>
  malformed,   // an <rss> document that breaks off, is ill-formed or nests too deep
  noReleases,  // a feed without one item that has a version
};

struct Appcast {
  // In feed order; only items with a version, each with its links reduced to
  // http and https ones (others are dropped).
  std::vector<AppcastRelease> releases;
  std::optional<AppcastError> error;

  // The release with the highest version (the first of equals); null when none.
  const AppcastRelease* newest() const;
};

// Reads an RSS 2.0 feed with Sparkle's namespace. Never throws: every
// failure is an `error` with no releases.
Appcast parseAppcast(QByteArrayView bytes);

}  // namespace marlinet::updates
