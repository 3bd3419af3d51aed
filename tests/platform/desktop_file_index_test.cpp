#include "platform/desktop_file_index.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <optional>
#include <string>
#include <vector>

#include "temporary_folder.h"

namespace marlinet {
namespace {

std::string app(const std::string& body) { return "[Desktop Entry]\nType=Application\n" + body; }

TEST(DesktopFileIndex, LooksUpByStartupClassThenIDWithEarlierFoldersWinning) {
  const testing::TemporaryFolder folder;
  const auto home = folder / "home";
  const auto system = folder / "system";
  testing::writeBytes(home / "org.example.Editor.desktop",
                      app("Name=Editor\nName[de]=Bearbeiter\nName[de_CH]=Editor\\sCH\nStartupWMClass=EditorWin\n"));
  testing::writeBytes(home / "vendor/tool.desktop", app("Name=Tool\n"));
  testing::writeBytes(home / "shadowed.desktop", app("Hidden=true\n"));
  testing::writeBytes(home / "notes.desktop", "[Desktop Entry]\nType=Link\nURL=x\n");
  testing::writeBytes(home / "big.desktop", app("Name=Big\n" + std::string(1100 * 1024, '#')));
  testing::writeBytes(home / "binary.desktop", app("Name=Binary\n") + std::string("\x7f" "ELF\0\x02", 6));
  // A pipe by that name is never opened: reading it would wait forever.
  ASSERT_EQ(::mkfifo((home / "pipe.desktop").c_str(), 0600), 0);
  testing::writeBytes(system / "org.example.Editor.desktop", app("StartupWMClass=Other\n"));
  testing::writeBytes(system / "shadowed.desktop", app("StartupWMClass=Shadow\n"));
  testing::writeBytes(system / "vendor-tool.desktop", app("StartupWMClass=VendorTool\n"));
  testing::writeBytes(system / "Terminal.desktop", app("Name=Terminal\n"));
  testing::writeBytes(system / "viewer.desktop",
                      "[Other Group]\nStartupWMClass=Wrong\n[Desktop Entry]\nType=Application\nStartupWMClass=Viewer\n");

  const DesktopFileIndex index({home, system, folder / "missing"}, "de_DE.UTF-8");

  struct Case {
    std::string wmClass, wmInstance;
    std::optional<std::string> id;
  };
  const std::vector<Case> cases{
      {"EditorWin", "x", "org.example.Editor"},  // StartupWMClass, exact
      {"editorwin", "", std::nullopt},           // ... and case-sensitive
      {"Other", "", std::nullopt},               // a later folder's copy of the same ID is ignored
      {"VendorTool", "", std::nullopt},          // "vendor/tool" took the ID "vendor-tool" first
      {"Vendor-Tool", "", "vendor-tool"},        // ID, ignoring case
      {"Unknown", "terminal", "Terminal"},       // ID from the instance
      {"terminal", "viewer", "Terminal"},        // the class's ID before the instance's
      {"Viewer", "terminal", "viewer"},          // StartupWMClass before any ID
      {"Wrong", "", std::nullopt},               // only [Desktop Entry] counts
      {"Shadow", "shadowed", std::nullopt},      // hidden by the user
      {"notes", "", std::nullopt},               // not an application
      {"big", "", std::nullopt},                 // over the size bound
      {"binary", "", std::nullopt},              // not text
      {"pipe", "", std::nullopt},
      {"", "", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(index.idForWindowClass(c.wmClass, c.wmInstance), c.id) << c.wmClass << " / " << c.wmInstance;
  }

  std::vector<std::string> ids;
  for (const DesktopEntry& entry : index.entries()) ids.push_back(entry.id);
  EXPECT_EQ(ids, (std::vector<std::string>{"Terminal", "org.example.Editor", "shadowed", "vendor-tool", "viewer"}));
  EXPECT_EQ(index.entries()[1].name, "Bearbeiter");
  EXPECT_EQ(index.entries()[3].file, home / "vendor/tool.desktop");
  EXPECT_EQ(DesktopFileIndex({home}, "de_CH@euro").entries()[0].name, "Editor CH");
  EXPECT_EQ(DesktopFileIndex({home}, "C").entries()[0].name, "Editor");
}

}  // namespace
}  // namespace marlinet
