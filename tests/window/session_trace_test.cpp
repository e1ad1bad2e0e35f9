// The whole trace of one scripted window session, byte for byte: every exchange, message, open,
// close and decoded frame in order and time. Any change in what the window does to the device, or
// when, shows here.
#include <QTest>
#include <fstream>
#include <sstream>

#include "support/window_fixture.h"

namespace orvane {
namespace {

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The first line where the two texts part, for a readable failure.
std::string FirstDifference(const std::string& expected, const std::string& actual) {
  std::istringstream want(expected), got(actual);
  std::string want_line, got_line;
  for (int line = 1;; ++line) {
    const bool more_wanted = static_cast<bool>(std::getline(want, want_line));
    const bool more_got = static_cast<bool>(std::getline(got, got_line));
    if (!more_wanted && !more_got) return "only in line endings";
    if (want_line != got_line || more_wanted != more_got) {
      return "line " + std::to_string(line) + "\n  expected: " + want_line +
             "\n  actual:   " + got_line;
    }
  }
}

using SessionTraceTest = WindowTest;

TEST_F(SessionTraceTest, StartupPollingTenMegahertzFactoryDefaultsAndCloseTraceAsRecorded) {
  constexpr int kFourSecondsOfTicks = 80;
  AddDevice();
  Start();
  // Ticks come from the test alone: the real timer would fire whenever the search lets events
  // through, at times no test can repeat.
  window_->timer().stop();
  Tick(kFourSecondsOfTicks);
  SetText("Out1Freq", "10000000");
  QTest::keyClick(Control<QLineEdit>("Out1Freq"), Qt::Key_Return);
  Click("Command1");
  Tick(kFourSecondsOfTicks);
  window_->close();

  const std::string golden = std::string(ORVANE_GOLDEN_DIR) + "/session_trace.txt";
  const std::string actual = trace_text_.str();
  if (actual != FileText(golden)) {
    std::ofstream("session_trace.actual", std::ios::binary) << actual;
    ADD_FAILURE() << "trace differs from " << golden << " (written to session_trace.actual), "
                  << FirstDifference(FileText(golden), actual);
  }
}

}  // namespace
}  // namespace orvane
