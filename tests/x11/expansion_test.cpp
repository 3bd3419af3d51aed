// Real expansion end to end: the marlinet program on a private X server, the
// user typing on its physical keyboard, and small windows of our own.
#include <X11/keysym.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <thread>
#include <utility>

#include "temporary_folder.h"
#include "typing_window.h"
#include "x11/xvfb_server.h"

namespace marlinet::testing {
namespace {

using namespace std::chrono_literals;
using typing::pumpUntil;
using typing::Stroke;
using typing::Typist;
using typing::TypingWindow;

// A program started with extra environment; its standard input is written
// and its standard output read here.
class ChildProcess {
 public:
  ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
               const std::string& errors = "/dev/null") {
    int out[2];
    int in[2];
    if (pipe(out) != 0 || pipe(in) != 0 || (pid_ = fork()) < 0) return;
    if (pid_ == 0) {
      for (const std::string& entry : environment) putenv(const_cast<char*>(entry.c_str()));
      dup2(in[0], STDIN_FILENO);
      close(in[1]);
      dup2(out[1], STDOUT_FILENO);
      dup2(open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDERR_FILENO);
      std::vector<char*> args;
      for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
      args.push_back(nullptr);
      execv(args[0], args.data());
      _exit(127);
    }
    close(out[1]);
    close(in[0]);
    in_ = in[1];
    fcntl(out_ = out[0], F_SETFL, O_NONBLOCK);
  }
  ~ChildProcess() {
    close(in_);
    if (pid_ > 0) stop();
    close(out_);
  }
  void send(const std::string& line) { [[maybe_unused]] const auto n = write(in_, (line + "\n").data(), line.size() + 1); }
  // Everything it printed so far, waiting up to `seconds` for `line` to appear.
  const std::string& output(const std::string& line = "", double seconds = 0) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
      char buffer[4096];
      for (ssize_t n = 0; (n = read(out_, buffer, sizeof buffer)) > 0;) output_.append(buffer, static_cast<std::size_t>(n));
      const bool seen = line.empty() || output_.find(line + "\n") != std::string::npos;
      if (seen || std::chrono::steady_clock::now() > deadline) return output_;
      pollfd readable{out_, POLLIN, 0};
      poll(&readable, 1, 5);
    }
  }
  // Ends it with SIGTERM; its wait status.
  int stop() {
    int status = -1;
    kill(pid_, SIGTERM);
    waitpid(std::exchange(pid_, -1), &status, 0);
    return status;
  }

 private:
  pid_t pid_ = -1;
  int in_ = -1;
  int out_ = -1;
  std::string output_;
};

constexpr const char* list = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0"><array>
<dict><key>replace</key><string>omw</string><key>with</key><string>on my way</string></dict>
<dict><key>replace</key><string>ty</string><key>with</key><string>thank you</string></dict>
<dict><key>replace</key><string>arr</string><key>with</key><string>go → café</string></dict>
<dict><key>replace</key><string>sig</string><key>with</key><string>Best,
Marlinet</string></dict>
</array></plist>
)";

// The keysym names of the keys that type `text`.
std::vector<std::string> keyNames(std::string_view text) {
  std::vector<std::string> names;
  for (const char c : text) {
    names.push_back(c == '\n' ? "Return" : c == '\t' ? "Tab" : XKeysymToString(static_cast<KeySym>(c)));
  }
  return names;
}

std::size_t count(const std::vector<std::string>& keys, const std::string& key) {
  return static_cast<std::size_t>(std::count(keys.begin(), keys.end(), key));
}

// Where two long texts part, with the keys received around there (placed by
// the share of the text before it).
std::string difference(const std::string& got, const std::string& want, const std::vector<std::string>& keys) {
  const std::size_t length = std::min(got.size(), want.size());
  const auto at = static_cast<std::size_t>(
      std::mismatch(got.begin(), got.begin() + static_cast<long>(length), want.begin()).first - got.begin());
  const std::size_t from = at > 30 ? at - 30 : 0, middle = got.empty() ? 0 : at * keys.size() / got.size();
  std::string text = "at byte " + std::to_string(at) + " of " + std::to_string(want.size()) + ": got \"" +
                     got.substr(from, 80) + "\" instead of \"" + want.substr(from, 80) + "\"\nkeys near there:";
  for (std::size_t i = middle > 60 ? middle - 60 : 0; i < std::min(keys.size(), middle + 40); ++i) text += " " + keys[i];
  return text;
}

// Types omw and a space until marlinet expands it, as a user would (there is
// no ready signal).
bool expandsWithin(const std::string& display, std::chrono::seconds patience) {
  TypingWindow window(display, "MarlinetProbe");
  Typist typist(display);
  const auto deadline = std::chrono::steady_clock::now() + patience;
  while (typist.ready() && std::chrono::steady_clock::now() < deadline) {
    window.clear();
    typist.type(typist.strokes("omw "), 20ms);
    if (pumpUntil({&window}, [&] { return window.text == "on my way "; }, 0.5)) return true;
  }
  return false;
}

// marlinet on `server`, reading the test list from `folder`/config, its
// errors in `folder`/marlinet.err; `environment` comes last and wins.
std::unique_ptr<ChildProcess> startMarlinet(const XvfbServer& server, const std::filesystem::path& folder,
                                            const std::vector<std::string>& environment = {}) {
  writeBytes(folder / "config/tarnwick-engineering.Marlinet.direct/text-replacements.plist", list);
  std::vector<std::string> all{"DISPLAY=" + server.name(), "XDG_CONFIG_HOME=" + (folder / "config").string(),
                               "XDG_DATA_HOME=" + (folder / "data").string()};
  all.insert(all.end(), environment.begin(), environment.end());
  return std::make_unique<ChildProcess>(std::vector<std::string>{MARLINET_BINARY}, all,
                                        (folder / "marlinet.err").string());
}

class Expansion : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server = std::make_unique<XvfbServer>();
    if (server->name().empty()) return;
    folder = std::make_unique<TemporaryFolder>();
    writeBytes(folder->path() / "config/tarnwick-engineering.Marlinet.direct/settings.json",
               R"({"excludedBundleIDs": ["MarlinetExcluded"]})");
    std::filesystem::create_directories(folder->path() / "runtime");
    chmod((folder->path() / "runtime").c_str(), 0700);
    marlinet = startMarlinet(*server, folder->path(),
                             {"XDG_RUNTIME_DIR=" + (folder->path() / "runtime").string(),
                              "DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent"});
    ready = expandsWithin(server->name(), 30s);
  }

  static void TearDownTestSuite() {
    if (marlinet) {
      const int status = marlinet->stop();
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
          << "marlinet ended with wait status " << status << "; its errors:\n" << readBytes(folder->path() / "marlinet.err");
    }
    marlinet.reset();
    folder.reset();
    server.reset();
  }

  void SetUp() override {
    if (server->name().empty()) GTEST_SKIP() << "Xvfb did not start";
    ASSERT_TRUE(ready) << "marlinet never expanded omw; its errors:\n" << readBytes(folder->path() / "marlinet.err");
    window = std::make_unique<TypingWindow>(server->name(), "MarlinetProbe");
    typist = std::make_unique<Typist>(server->name());
    pumped = {window.get()};
    wait(0.05);
  }

  void TearDown() override {
    if (HasFailure() && folder) std::printf("marlinet's errors:\n%s\n", readBytes(folder->path() / "marlinet.err").c_str());
    if (switchedLayout) setLayout("us");
    if (typist && (typist->lockedModifiers() & LockMask)) typist->type({typist->chord(XK_Caps_Lock)}, 20ms);
    if (typist && (typist->lockedModifiers() & Mod2Mask)) typist->type({typist->chord(XK_Num_Lock)}, 20ms);
  }

  void type(std::string_view text) { typist->type(typist->strokes(text), 20ms); }
  bool waitFor(const std::function<bool()>& done, double seconds = 3) { return pumpUntil(pumped, done, seconds); }
  void wait(double seconds) { pumpUntil(pumped, [] { return false; }, seconds); }
  static int setLayout(const std::string& layout) {
    return std::system(("setxkbmap -display " + server->name() + " " + layout).c_str());
  }
  static std::string readClipboard(const std::string& target) {
    std::string bytes;
    FILE* pipe = popen(("DISPLAY=" + server->name() + " '" MARLINET_CLIPBOARD_OWNER "' read " + target).c_str(), "r");
    char buffer[4096];
    for (std::size_t n = 0; pipe && (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) bytes.append(buffer, n);
    if (pipe) pclose(pipe);
    return bytes;
  }

  static inline std::unique_ptr<XvfbServer> server;
  static inline std::unique_ptr<TemporaryFolder> folder;
  static inline std::unique_ptr<ChildProcess> marlinet;
  static inline bool ready = false;
  std::unique_ptr<TypingWindow> window;
  std::unique_ptr<Typist> typist;
  std::vector<TypingWindow*> pumped;
  bool switchedLayout = false;
};

TEST_F(Expansion, EveryDelimiterFollowsThePhraseOnceAndCaseFollowsTheShortcut) {
  struct Case {
    std::string typed, expected;
  };
  const std::vector<Case> cases{
      {"omw ", "on my way "}, {"omw\n", "on my way\n"}, {"omw\t", "on my way\t"},
      {"omw.", "on my way."}, {"omw,", "on my way,"},   {"omw!", "on my way!"},
      {"omw)", "on my way)"}, {"Omw ", "On my way "},   {"OMW ", "ON MY WAY "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    window->clear();
    type(c.typed);
    waitFor([&] { return window->text == c.expected; });
    wait(0.1);  // anything arriving late would show
    EXPECT_EQ(window->text, c.expected);
    // The shortcut, deleted; the phrase; the delimiter once, never deleted and typed again.
    std::vector<std::string> keys = keyNames(c.typed.substr(0, 3));
    keys.insert(keys.end(), 3, "BackSpace");
    for (const std::string& key : keyNames(c.expected)) keys.push_back(key);
    EXPECT_EQ(window->keys, keys);
  }
}

TEST_F(Expansion, FastTypingWithRolloverShiftAndCapsLockLosesNothing) {
  struct Burst {
    std::string typed, expected;
    int repetitions;
    bool capsLock;
  };
  const std::vector<Burst> bursts{{"omw hello ", "on my way hello ", 60, false},
                                  {"omw omw ", "on my way on my way ", 50, false},
                                  {"omw! hello ", "on my way! hello ", 40, false},
                                  // Shift with a period types no delimiter: it is not grabbed, yet seen.
                                  {"omw> omw ", "omw> on my way ", 30, false},
                                  // Typed in capitals, the phrase comes in capitals.
                                  {"omw hello ", "ON MY WAY HELLO ", 50, true}};
  for (const Burst& burst : bursts) {
    SCOPED_TRACE(burst.typed + (burst.capsLock ? " with Caps Lock" : ""));
    window->clear();
    if (burst.capsLock) typist->type({typist->chord(XK_Caps_Lock)}, 20ms);
    std::string expected;
    for (int i = 0; i < burst.repetitions; ++i) expected += burst.expected;
    // Groups of five at 5 ms a key with rollover, and a pause after each.
    const std::vector<Stroke> strokes = typist->strokes(burst.typed);
    for (int i = 0; i < burst.repetitions; i += 5) {
      std::vector<Stroke> group;
      for (int j = 0; j < 5; ++j) group.insert(group.end(), strokes.begin(), strokes.end());
      typist->type(group, 5ms, true);
      wait(0.08);
    }
    waitFor([&] { return window->text == expected; }, 10);
    wait(0.2);
    EXPECT_TRUE(window->text == expected) << difference(window->text, expected, window->keys);
    EXPECT_EQ(count(window->keys, "BackSpace"), 3u * static_cast<std::size_t>(burst.repetitions) *
                                                    (burst.typed == "omw omw " ? 2 : 1));
    if (burst.capsLock) {
      EXPECT_TRUE(typist->lockedModifiers() & LockMask) << "Caps Lock is still on after the expansions";
      typist->type({typist->chord(XK_Caps_Lock)}, 20ms);
    }
  }
}

TEST_F(Expansion, PastedPhrasesArriveExactlyAndTheUsersClipboardComesBack) {
  // The user's clipboard: another application offering several formats.
  const std::map<std::string, std::string> formats{{"UTF8_STRING", "copied ✓ text"},
                                                   {"text/html", "<b>copied</b>"},
                                                   {"image/png", std::string("\x89PNG\r\n\x1a\n\0\xff\x01", 11)},
                                                   {"application/x-marlinet-probe", std::string("\0\x7f custom", 9)}};
  std::vector<std::string> serve{MARLINET_CLIPBOARD_OWNER, "serve"};
  for (const auto& [target, bytes] : formats) {
    serve.push_back(target + "=" + writeBytes(folder->path() / ("format" + std::to_string(serve.size())), bytes).string());
  }
  ChildProcess owner(serve, {"DISPLAY=" + server->name()});
  ASSERT_NE(owner.output("ready", 5).find("ready"), std::string::npos);

  type("arr ");
  EXPECT_TRUE(waitFor([&] { return window->text == "go → café "; })) << "received \"" << window->text << "\"";
  wait(1.0);
  const std::string targets = readClipboard("TARGETS");
  for (const auto& [target, bytes] : formats) {
    EXPECT_NE(targets.find(target + "\n"), std::string::npos) << target << " is offered again; offered:\n" << targets;
    EXPECT_EQ(readClipboard(target), bytes) << target;
  }

  // A two-line phrase right after it (nothing before it is touched), and a
  // copy made elsewhere while it is being pasted.
  type("sig ");
  const auto typed = std::chrono::steady_clock::now();
  EXPECT_TRUE(waitFor([&] { return window->text == "go → café Best,\nMarlinet "; }))
      << "received \"" << window->text << "\"; keys:" << ::testing::PrintToString(window->keys);
  ChildProcess copier({MARLINET_CLIPBOARD_OWNER, "serve", "UTF8_STRING=" + writeBytes(folder->path() / "copy", "copied meanwhile").string()},
                      {"DISPLAY=" + server->name()});
  ASSERT_NE(copier.output("ready", 1).find("ready"), std::string::npos);
  ASSERT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - typed).count(), 0.3)
      << "the copy came too late to fall into the paste";
  wait(1.0);
  EXPECT_EQ(readClipboard("UTF8_STRING"), "copied meanwhile");
  EXPECT_EQ(copier.output().find("lost"), std::string::npos) << "the restore took the clipboard from the copy";
}

TEST_F(Expansion, ChordsAndExcludedApplicationsPassUntouched) {
  std::vector<Stroke> strokes = typist->strokes("omw");
  strokes.push_back(typist->chord(XK_Return, XK_Control_L));
  typist->type(strokes, 20ms);
  waitFor([&] { return window->keys.size() >= 4; });
  wait(0.3);
  EXPECT_EQ(window->keys, (std::vector<std::string>{"o", "m", "w", "C-Return"}));

  TypingWindow excluded(server->name(), "MarlinetExcluded");
  pumped.push_back(&excluded);
  type("omw ");
  waitFor([&] { return excluded.text == "omw "; });
  wait(0.3);
  EXPECT_EQ(excluded.text, "omw ");
  EXPECT_EQ(count(excluded.keys, "BackSpace"), 0u);

  window->focus();
  window->clear();
  type("omw ");
  EXPECT_TRUE(waitFor([&] { return window->text == "on my way "; })) << "received \"" << window->text << "\"";
}

TEST_F(Expansion, NothingExpandsWhileAnotherClientGrabsTheKeyboard) {
  // Half a shortcut typed before the prompt is not finished after it.
  type("om");
  waitFor([&] { return window->text == "om"; });
  TypingWindow prompt(server->name(), "Pinentry", false);
  pumped.push_back(&prompt);
  ASSERT_TRUE(prompt.grabKeyboard());
  type("omw ");
  waitFor([&] { return prompt.text == "omw "; });
  wait(0.3);
  EXPECT_EQ(prompt.text, "omw ");
  EXPECT_EQ(count(prompt.keys, "BackSpace"), 0u);
  EXPECT_EQ(window->text, "om");

  prompt.ungrabKeyboard();
  type("w omw ");
  EXPECT_TRUE(waitFor([&] { return window->text == "omw on my way "; })) << "received \"" << window->text << "\"";
}

TEST_F(Expansion, AShortcutExpandsOnTheLayoutInUse) {
  const KeyCode usY = typist->strokes("y").front().key;
  switchedLayout = true;
  ASSERT_EQ(setLayout("de"), 0);
  wait(0.5);
  ASSERT_NE(typist->strokes("y").front().key, usY) << "y moved on the German layout";
  type("ty ");
  EXPECT_TRUE(waitFor([&] { return window->text == "thank you "; })) << "received \"" << window->text << "\"";

  ASSERT_EQ(setLayout("us"), 0);
  switchedLayout = false;
  wait(0.5);
  window->clear();
  type("ty ");
  EXPECT_TRUE(waitFor([&] { return window->text == "thank you "; })) << "received \"" << window->text << "\"";
}

TEST_F(Expansion, ALockSwitchedRightAfterADelimiterReachesTheApplication) {
  // Right after a delimiter the keyboard is held, and detached from the one
  // applications read. With Num Lock on, other grabs are needed.
  for (const KeySym lock : {XK_Caps_Lock, XK_Num_Lock}) {
    SCOPED_TRACE(XKeysymToString(lock));
    const unsigned mask = lock == XK_Caps_Lock ? LockMask : Mod2Mask;
    for (const bool on : {true, false}) {
      window->clear();
      std::vector<Stroke> strokes = typist->strokes("ty ");
      strokes.push_back(typist->chord(lock));
      typist->type(strokes, 10ms);
      wait(0.3);
      EXPECT_EQ((typist->lockedModifiers() & mask) != 0, on);
      // Typed with Caps Lock on, the phrase comes in capitals.
      EXPECT_EQ(window->text, lock == XK_Caps_Lock && !on ? "THANK YOU " : "thank you ");
    }
  }
}

TEST_F(Expansion, AListChangedByAnotherProgramExpandsWithoutOpeningTheMenu) {
  // Written the way editors save: a new file renamed over the old one.
  const auto file = folder->path() / "config/tarnwick-engineering.Marlinet.direct/text-replacements.plist";
  std::string changed = list;
  changed.insert(changed.find("</array>"), "<dict><key>replace</key><string>zq</string><key>with</key><string>zebra "
                                           "quartet</string></dict>\n");
  writeBytes(folder->path() / "next.plist", changed);
  std::filesystem::rename(folder->path() / "next.plist", file);
  bool expanded = false;
  // Late in the suite, when nothing else reloads the list any more.
  for (int attempt = 0; attempt < 4 && !expanded; ++attempt) {
    window->clear();
    type("zq ");
    expanded = waitFor([&] { return window->text == "zebra quartet "; }, 0.5);
  }
  writeBytes(file, list);
  EXPECT_TRUE(expanded) << window->text;
}

// A composing input method is active: nothing expands until a plain layout
// is back. A real ibus-daemon on this test's own session bus.
TEST(InputMethods, NothingExpandsWhileAComposingEngineIsActive) {
  XvfbServer server;
  if (server.name().empty()) GTEST_SKIP() << "Xvfb did not start";
  TemporaryFolder folder;
  const std::vector<std::string> session{"DISPLAY=" + server.name(),
                                         "XDG_CONFIG_HOME=" + (folder.path() / "config").string(),
                                         "XDG_CACHE_HOME=" + (folder.path() / "cache").string()};
  ChildProcess ibus({"/usr/bin/ibus-daemon", "--panel=disable", "--emoji-extension=disable",
                     "--config=/usr/libexec/ibus-memconf"},
                    session);
  std::string prefix;
  for (const std::string& entry : session) prefix += entry + " ";
  const auto engine = [&](const std::string& name) { return std::system((prefix + "ibus engine " + name).c_str()) == 0; };
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (!engine("xkb:us::eng") && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(100ms);
  ASSERT_TRUE(engine("xkb:us::eng")) << "ibus-daemon did not start";

  const auto marlinet = startMarlinet(server, folder.path(), {"XDG_CACHE_HOME=" + (folder.path() / "cache").string()});
  ASSERT_TRUE(expandsWithin(server.name(), 30s)) << readBytes(folder.path() / "marlinet.err");
  TypingWindow window(server.name(), "MarlinetProbe");
  Typist typist(server.name());
  for (const auto& [name, expected] : {std::pair{"hangul", "omw "}, {"xkb:us::eng", "on my way "}}) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(engine(name));
    std::this_thread::sleep_for(200ms);  // the switch is announced to marlinet
    window.clear();
    typist.type(typist.strokes("omw "), 20ms);
    pumpUntil({&window}, [&] { return window.text == expected; }, 3);
    pumpUntil({&window}, [] { return false; }, 0.2);
    EXPECT_EQ(window.text, expected);
  }
}

// A password field has the focus: nothing expands there, and the moment the
// focus goes back to a plain field, expansion works again. Runs on a session
// bus and accessibility bus of its own.
TEST(PasswordFields, NothingExpandsInAPasswordFieldAndTheFocusIsFollowedAtOnce) {
  XvfbServer server;
  if (server.name().empty()) GTEST_SKIP() << "Xvfb did not start";
  TemporaryFolder folder;
  const auto marlinet = startMarlinet(server, folder.path());
  ASSERT_TRUE(expandsWithin(server.name(), 30s)) << readBytes(folder.path() / "marlinet.err");
  EXPECT_EQ(readBytes(folder.path() / "marlinet.err").find("password"), std::string::npos)
      << "password fields are not recognised: " << readBytes(folder.path() / "marlinet.err");

  ChildProcess fields({MARLINET_SYSTEM_PYTHON, MARLINET_GTK_FIELDS},
                      {"DISPLAY=" + server.name(), "GDK_BACKEND=x11", "NO_AT_BRIDGE=0"});
  ASSERT_NE(fields.output("ready", 10).find("ready"), std::string::npos);
  // The command's answer: the first line it printed after being sent.
  const auto ask = [&](const std::string& command) {
    const std::size_t from = fields.output().size();
    fields.send(command);
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (fields.output("", 0.01).find('\n', from) == std::string::npos && std::chrono::steady_clock::now() < deadline) {
    }
    const std::string& out = fields.output();
    return out.substr(from, out.find('\n', from) - from);
  };
  Typist typist(server.name());
  const auto typeInto = [&](const std::string& field, const std::string& expected) {
    SCOPED_TRACE(field);
    ASSERT_EQ(ask(field), field);
    std::this_thread::sleep_for(100ms);  // the field's role is asked when it takes the focus
    typist.type(typist.strokes("omw "), 20ms);
    const auto deadline = std::chrono::steady_clock::now() + 3s;
    std::string texts;
    while ((texts = ask("text")) != "text " + expected && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(20ms);
    }
    EXPECT_EQ(texts, "text " + expected);
  };
  // The window's accessibility bridge reports focus changes only once it
  // has learnt who listens, shortly after it shows.
  for (const char* field : {"plain", "password", "plain"}) ask(field), std::this_thread::sleep_for(200ms);
  typeInto("plain", "on my way |");
  typeInto("password", "on my way |omw ");
  typeInto("plain", "on my way on my way |omw ");
}

// With every log category on, no word the user typed shows in what marlinet
// prints or in any file under its home and runtime folders.
TEST(Privacy, NothingTypedIsPrintedOrWritten) {
  XvfbServer server;
  if (server.name().empty()) GTEST_SKIP() << "Xvfb did not start";
  TemporaryFolder folder;
  const std::filesystem::path runtime = folder.path() / "runtime";
  std::filesystem::create_directories(runtime);
  chmod(runtime.c_str(), 0700);
  const auto marlinet = startMarlinet(
      server, folder.path(),
      {"HOME=" + (folder.path() / "home").string(), "XDG_CACHE_HOME=" + (folder.path() / "cache").string(),
       "XDG_STATE_HOME=" + (folder.path() / "state").string(), "XDG_RUNTIME_DIR=" + runtime.string(),
       "QT_LOGGING_RULES=*=true"});
  ASSERT_TRUE(expandsWithin(server.name(), 30s));

  TypingWindow window(server.name(), "MarlinetProbe");
  Typist typist(server.name());
  typist.type(typist.strokes("zebra quixotic omw jumble sig "), 20ms);
  ASSERT_TRUE(pumpUntil({&window}, [&] { return window.text == "zebra quixotic on my way jumble Best,\nMarlinet "; }, 5))
      << "received \"" << window.text << "\"";
  const int status = marlinet->stop();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "wait status " << status;

  std::vector<std::pair<std::string, std::string>> written{{"standard output", marlinet->output()}};
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder.path())) {
    if (entry.is_regular_file()) written.emplace_back(entry.path().string(), readBytes(entry.path()));
  }
  for (const std::string word : {"zebra", "quixotic", "jumble", "zebra quixotic"}) {
    for (const auto& [where, bytes] : written) EXPECT_EQ(bytes.find(word), std::string::npos) << word << " in " << where;
  }
  EXPECT_NE(readBytes(folder.path() / "marlinet.err").find("qt."), std::string::npos) << "the logging was not on";
}

}  // namespace
}  // namespace marlinet::testing
