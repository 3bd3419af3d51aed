// Feeds arbitrary bytes to the reader of the update feed, which comes from
// the network: it must neither crash nor hand out a release without a
// version or with a link that is not a web link, and its pick of the newest
// must agree with the version order, which must be a consistent order.
#include <QByteArrayView>
#include <QUrl>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "updates/appcast.h"
#include "updates/version_order.h"

namespace {

int sign(std::weak_ordering order) { return order < 0 ? -1 : (order > 0 ? 1 : 0); }

bool webOrEmpty(const QUrl& url) { return url.isEmpty() || url.scheme() == "https" || url.scheme() == "http"; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace marlinet::updates;
  const Appcast feed = parseAppcast(QByteArrayView(data, static_cast<qsizetype>(size)));
  if (feed.error.has_value() != feed.releases.empty()) std::abort();
  if (const AppcastRelease* newest = feed.newest()) {
    const std::string highest = newest->version().toStdString();
    for (const auto& release : feed.releases) {
      const std::string version = release.version().toStdString();
      if (!isVersion(version) || compareVersions(version, highest) > 0) std::abort();
      if (!webOrEmpty(release.link) || !webOrEmpty(release.enclosure) || !webOrEmpty(release.releaseNotesLink)) {
        std::abort();
      }
    }
  }

  // The same bytes as two versions, split at the first line break.
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::size_t cut = std::min(text.find('\n'), text.size());
  const std::string_view a = text.substr(0, cut);
  const std::string_view b = text.substr(std::min(cut + 1, text.size()));
  if (sign(compareVersions(a, b)) != -sign(compareVersions(b, a)) || compareVersions(a, a) != 0) std::abort();
  return 0;
}
