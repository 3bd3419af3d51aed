// Cost of the gate's two desktop questions as the coordinator asks them on
// every judged key: is input private, and which input source is active.
// Both are answered from state the session's events keep current.

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include "accessibility/password_field_tracker.h"
#include "input_method/input_method_tracker.h"
#include "shell/session_context.h"

namespace marlinet {
namespace {

// The X display's answers, as the X11 layer keeps them.
class DisplayAnswers final : public ExpansionContext {
 public:
  std::optional<std::string> frontmostBundleID() const override { return "org.gnome.TextEditor"; }
  bool isSecureInputEnabled() const override { return false; }
  std::optional<InputSourceInfo> inputSource() const override { return layout_; }

 private:
  InputSourceInfo layout_{"xkb:English (US)", std::string(keyboardLayoutType), {}};
};

struct Session {
  DisplayAnswers display;
  accessibility::PasswordFieldTracker passwordFields;
  InputMethodTracker inputMethods;
  shell::SessionContext context{display, passwordFields, inputMethods};
  Session() { passwordFields.start(); }
};

Session& session() {
  static int argc = 1;
  static char name[] = "context_bench";
  static char* argv[] = {name, nullptr};
  static QCoreApplication application(argc, argv);
  static Session instance;
  return instance;
}

void BM_IsSecureInputEnabled(benchmark::State& state) {
  const ExpansionContext& context = session().context;
  for (auto _ : state) benchmark::DoNotOptimize(context.isSecureInputEnabled());
}
BENCHMARK(BM_IsSecureInputEnabled);

void BM_InputSource(benchmark::State& state) {
  const ExpansionContext& context = session().context;
  for (auto _ : state) benchmark::DoNotOptimize(context.inputSource());
}
BENCHMARK(BM_InputSource);

}  // namespace
}  // namespace marlinet

BENCHMARK_MAIN();
