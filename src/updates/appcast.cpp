#include "updates/appcast.h"

#include <QXmlStreamReader>
#include <exception>
#include <string>

#include "updates/version_order.h"

namespace marlinet::updates {
namespace {

Appcast failure(AppcastError error) { return Appcast{{}, error}; }

bool isVersionText(const QString& text) { return !text.isEmpty() && isVersion(text.toStdString()); }

QUrl webLink(const QString& text) {
  const QUrl url(text.trimmed(), QUrl::StrictMode);
  const QString scheme = url.scheme().toLower();
  return url.isValid() && (scheme == u"https" || scheme == u"http") && !url.host().isEmpty() ? url : QUrl();
}

// The text inside the element just opened at `depth`, up to its end; the text
// of nested elements (XHTML notes) joins in without their markup. Absent when
// the document breaks off or nests too deep.
std::optional<QString> elementText(QXmlStreamReader& reader, int depth) {
  QString text;
  int open = 1;
  while (!reader.atEnd()) {
    switch (reader.readNext()) {
      case QXmlStreamReader::Characters:
        text += reader.text();
        break;
      case QXmlStreamReader::StartElement:
        if (depth + open >= maxAppcastDepth) return std::nullopt;
        ++open;
        break;
      case QXmlStreamReader::EndElement:
        if (--open == 0) return text;
        break;
      default:
        break;
    }
  }
  return std::nullopt;
}

class Reader {
 public:
  explicit Reader(QByteArrayView bytes)
      : reader_(QByteArray::fromRawData(bytes.data(), bytes.size())) {}

  Appcast read() {
    Appcast feed;
    int depth = 0;
    bool rss = false;
    std::optional<AppcastRelease> item;
    int items = 0;
    while (!reader_.atEnd()) {
      const auto token = reader_.readNext();
      if (token == QXmlStreamReader::EndElement) {
        if (item && depth == itemDepth) {
          if (isVersionText(item->version())) feed.releases.push_back(std::move(*item));
          item.reset();
        }
        --depth;
        continue;
      }
      if (token != QXmlStreamReader::StartElement) continue;
      if (++depth > maxAppcastDepth) return failure(AppcastError::malformed);
      if (depth == 1) {
        if (reader_.name() != u"rss" || !reader_.namespaceUri().isEmpty()) return failure(AppcastError::notAFeed);
        rss = true;
      } else if (depth == itemDepth && plain(u"item")) {
        if (++items > maxAppcastItems) return failure(AppcastError::tooLarge);
        item.emplace();
      } else if (item && depth == itemDepth + 1) {
        if (!readField(*item, depth)) return failure(AppcastError::malformed);
      }
    }
    if (reader_.hasError()) return failure(rss ? AppcastError::malformed : AppcastError::notAFeed);
    if (feed.releases.empty()) return failure(AppcastError::noReleases);
    return feed;
  }

 private:
  // rss > channel > item
  static constexpr int itemDepth = 3;

  bool plain(QStringView name) const { return reader_.name() == name && reader_.namespaceUri().isEmpty(); }
  bool sparkle(QStringView name) const {
    return reader_.name() == name && reader_.namespaceUri() == QLatin1StringView(sparkleNamespace);
  }

  // Reads one child of an <item> opened at `depth`; false when the document
  // breaks off inside it. Text fields are read to their end here; an
  // <enclosure> keeps its (usually empty) content for the main loop.
  bool readField(AppcastRelease& item, int& depth) {
    if (plain(u"enclosure")) {
      const auto attributes = reader_.attributes();
      item.enclosure = webLink(attributes.value(QLatin1StringView("url")).toString());
      const auto attribute = [&](QStringView name) {
        for (const auto& a : attributes) {
          if (a.name() == name && a.namespaceUri() == QLatin1StringView(sparkleNamespace)) return a.value().toString();
        }
        return QString();
      };
      // An element of the item says it better than an attribute of its enclosure.
      if (item.buildVersion.isEmpty()) item.buildVersion = attribute(u"version").trimmed();
      if (item.shortVersion.isEmpty()) item.shortVersion = attribute(u"shortVersionString").trimmed();
      return true;
    }
    QString* field = nullptr;
    enum class Kind { text, version, link } kind = Kind::text;
    QUrl* url = nullptr;
    if (plain(u"title")) {
      field = &item.title;
    } else if (plain(u"description")) {
      field = &item.notes;
    } else if (plain(u"pubDate")) {
      field = &item.pubDate;
    } else if (plain(u"link")) {
      kind = Kind::link;
      url = &item.link;
    } else if (sparkle(u"releaseNotesLink")) {
      kind = Kind::link;
      url = &item.releaseNotesLink;
    } else if (sparkle(u"version")) {
      kind = Kind::version;
      field = &item.buildVersion;
    } else if (sparkle(u"shortVersionString")) {
      kind = Kind::version;
      field = &item.shortVersion;
    } else {
      return true;  // anything else (sparkle:minimumSystemVersion, guid, …) is not needed
    }
    auto text = elementText(reader_, depth);
    if (!text) return false;
    --depth;  // its end element is read
    if (kind == Kind::link) {
      *url = webLink(*text);
    } else if (kind == Kind::version) {
      *field = text->trimmed();
    } else {
      *field = field == &item.notes ? *text : text->trimmed();
    }
    return true;
  }

  QXmlStreamReader reader_;
};

}  // namespace

QString AppcastRelease::version() const { return isVersionText(shortVersion) ? shortVersion : buildVersion; }

const AppcastRelease* Appcast::newest() const {
  const AppcastRelease* best = nullptr;
  std::string bestVersion;
  for (const auto& release : releases) {
    std::string version = release.version().toStdString();
    if (!best || compareVersions(version, bestVersion) > 0) {
      best = &release;
      bestVersion = std::move(version);
    }
  }
  return best;
}

Appcast parseAppcast(QByteArrayView bytes) {
  if (bytes.size() > maxAppcastBytes) return failure(AppcastError::tooLarge);
  try {
    return Reader(bytes).read();
  } catch (const std::exception&) {
    // Only memory can run out here; the limits make that all but impossible.
    return failure(AppcastError::tooLarge);
  }
}

}  // namespace marlinet::updates
