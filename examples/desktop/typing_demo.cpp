// A small text window and a user typing into it on the keyboard of a virtual
// X server (the "Xvfb keyboard" device, as a real keyboard would), to show
// what an application receives while Marlinet runs.
// Usage: typing_demo TEXT [MS_PER_KEY]   (prints the window's final text)
//        typing_demo --latency RUNS SHORTCUT PHRASE
//   (times from a delimiter's key-down to the window holding the whole
//   phrase, to a delimiter that expands nothing, and to a plain letter)

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <thread>
#include <vector>

#include "typing_window.h"

namespace {

using marlinet::typing::pumpUntil;
using marlinet::typing::Typist;
using marlinet::typing::TypingWindow;
using Clock = std::chrono::steady_clock;

void report(const char* what, std::vector<double> milliseconds) {
  std::sort(milliseconds.begin(), milliseconds.end());
  const auto at = [&](double share) {
    return milliseconds[static_cast<std::size_t>(share * static_cast<double>(milliseconds.size() - 1))];
  };
  std::printf("%s: %zu runs, median %.2f ms, p99 %.2f ms, max %.2f ms\n", what, milliseconds.size(), at(0.5),
              at(0.99), milliseconds.back());
}

int measure(TypingWindow& window, Typist& typist, int runs, const std::string& shortcut, const std::string& phrase) {
  // The shortcut and a delimiter; another word and a delimiter; another word
  // and a letter, which no expander withholds: the server's own floor.
  enum Kind { expanding, plain, letter };
  std::vector<double> times[3];
  int failures = 0;
  for (int run = 0; run < runs; ++run) {
    for (const Kind kind : {expanding, plain, letter}) {
      window.clear();
      const std::string word = kind == expanding ? shortcut : "xq";
      typist.type(typist.strokes(word), std::chrono::milliseconds(30));
      pumpUntil({&window}, [] { return false; }, 0.15);
      const std::string expected = kind == expanding ? phrase + " " : kind == plain ? word + " " : word + "k";
      const auto start = Clock::now();
      typist.tap(typist.chord(kind == letter ? XK_k : XK_space));
      if (!pumpUntil({&window}, [&] { return window.text == expected; }, 1.0)) {
        ++failures;
        continue;
      }
      times[kind].push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
      if (kind == letter) typist.tap(typist.chord(XK_space));  // ends the word
      pumpUntil({&window}, [] { return false; }, 0.1);
    }
  }
  if (!times[expanding].empty()) report("delimiter to the last character of the phrase", times[expanding]);
  if (!times[plain].empty()) report("delimiter that expands nothing, to the window", times[plain]);
  if (!times[letter].empty()) report("a letter (never withheld), to the window", times[letter]);
  std::printf("wrong or late results: %d\n", failures);
  return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) try {
  const bool latency = argc == 5 && std::strcmp(argv[1], "--latency") == 0;
  XInitThreads();  // the user types on a thread of its own
  const char* display = std::getenv("DISPLAY");
  if (((argc < 2 || argc > 3) && !latency) || !display) {
    std::fprintf(stderr, "usage: typing_demo TEXT [MS_PER_KEY] | --latency RUNS SHORTCUT PHRASE (with DISPLAY set)\n");
    return 2;
  }
  TypingWindow window(display, "TypingDemo");
  Typist typist(display);
  if (!typist.ready()) {
    std::fprintf(stderr, "typing_demo: no \"Xvfb keyboard\" device on this display\n");
    return 1;
  }
  pumpUntil({&window}, [] { return false; }, 0.2);
  if (latency) return measure(window, typist, std::atoi(argv[2]), argv[3], argv[4]);
  const int interval = argc > 2 ? std::atoi(argv[2]) : 60;
  // The window handles its events while the user types, as an application
  // does: a paste is asked for when its Control+V arrives, not at the end.
  const std::vector<marlinet::typing::Stroke> strokes = typist.strokes(argv[1]);
  std::atomic<bool> typed = false;
  std::thread user([&] {
    typist.type(strokes, std::chrono::milliseconds(interval));
    typed = true;
  });
  pumpUntil({&window}, [&] { return typed.load(); }, 600);
  user.join();
  pumpUntil({&window}, [] { return false; }, 1.0);
  std::printf("%s\n", window.text.c_str());
  return 0;
} catch (const std::exception& error) {
  std::fprintf(stderr, "typing_demo: %s\n", error.what());
  return 1;
}
