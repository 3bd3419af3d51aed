#include "shell/xdg_autostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <utility>

#include "app/localization.h"
#include "shell/application_id.h"

namespace marlinet::shell {
namespace {

constexpr QLatin1String idText(applicationID.data(), applicationID.size());

// An entry is a few hundred bytes; anything far larger is not ours to parse.
constexpr qint64 largestEntry = 64 * 1024;

// The Exec key's quoting: reserved characters need the whole argument quoted,
// with " ` $ \ escaped inside; then '%' is doubled, and the string value's own
// escaping doubles every backslash once more. Empty when the path cannot be
// written on one line.
QString execValue(const QString& command) {
  if (command.isEmpty() || command.contains(QLatin1Char('\n')) || command.contains(QLatin1Char('\r'))) return {};
  static const QString reserved = QStringLiteral(" \t\"'\\><~|&;$*?#()`");
  bool quote = false;
  for (const QChar c : command) quote = quote || reserved.contains(c);
  QString argument;
  if (quote) {
    argument += QLatin1Char('"');
    for (const QChar c : command) {
      if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
        argument += QLatin1Char('\\');
      argument += c;
    }
    argument += QLatin1Char('"');
  } else {
    argument = command;
  }
  argument.replace(QLatin1Char('%'), QStringLiteral("%%"));
  argument.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
  return argument;
}

// Values of the [Desktop Entry] group's keys that switch an entry off.
bool switchedOff(const QByteArray& entry) {
  bool inMainGroup = false;
  for (const QByteArray& rawLine : entry.split('\n')) {
    const QByteArray line = rawLine.trimmed();
    if (line.startsWith('[')) {
      inMainGroup = line == "[Desktop Entry]";
      continue;
    }
    const qsizetype equals = line.indexOf('=');
    if (!inMainGroup || line.startsWith('#') || equals < 0) continue;
    const QByteArray key = line.left(equals).trimmed();
    const QByteArray value = line.mid(equals + 1).trimmed();
    if ((key == "Hidden" && value == "true") || (key == "X-GNOME-Autostart-enabled" && value == "false")) return true;
  }
  return false;
}

}  // namespace

XdgAutostart::XdgAutostart(QString directory, QString command)
    : directory_(std::move(directory)), command_(std::move(command)) {}

QString XdgAutostart::defaultDirectory() {
  QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (!QDir::isAbsolutePath(config)) config = QDir::homePath() + QStringLiteral("/.config");
  return QDir::cleanPath(config + QStringLiteral("/autostart"));
}

QString XdgAutostart::entryPath() const {
  return directory_ + QLatin1Char('/') + idText + QStringLiteral(".desktop");
}

bool XdgAutostart::isEnabled() const {
  QFile file(entryPath());
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray entry = file.read(largestEntry);
  return file.error() == QFileDevice::NoError && !switchedOff(entry);
}

bool XdgAutostart::enable() {
  const QString exec = execValue(command_);
  if (exec.isEmpty() || !QDir().mkpath(directory_)) return false;
  const QString comment = QString::fromStdString(localized("Expand text shortcuts as you type"));
  const QString entry = QStringLiteral(
                            "[Desktop Entry]\n"
                            "Type=Application\n"
                            "Name=Marlinet\n"
                            "Comment=%1\n"
                            "Exec=%2\n"
                            "Icon=%3\n"
                            "Terminal=false\n"
                            "X-GNOME-Autostart-enabled=true\n")
                            .arg(comment, exec, idText);
  // Written beside the old entry and renamed over it: a full disk or a crash
  // leaves the old entry or none, never half of one.
  QSaveFile file(entryPath());
  if (!file.open(QIODevice::WriteOnly)) return false;
  const QByteArray bytes = entry.toUtf8();
  // Not committed, the temporary file goes with `file`.
  return file.write(bytes) == bytes.size() && file.commit();
}

bool XdgAutostart::disable() {
  const QString path = entryPath();
  // A dangling link is an entry too: exists() follows links, isSymLink() does not.
  const QFileInfo info(path);
  if (!info.exists() && !info.isSymLink()) return true;
  QFile::remove(path);
  const QFileInfo after(path);
  return !after.exists() && !after.isSymLink();
}

}  // namespace marlinet::shell
