// The whole trace of one scripted window session, byte for byte: every exchange, message, open,
// close and decoded frame in order and time. Any change in what the window does to the device, or
// when, shows here.
#include <QTest>
#include <fstream>
#include <sstream>

#include "support/window_fixture.h"

namespace orvane {
namespace {

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
  std::ostringstream expected;
  expected << std::ifstream(golden, std::ios::binary).rdbuf();
  const std::string actual = trace_text_.str();
  if (actual != expected.str()) std::ofstream("session_trace.actual", std::ios::binary) << actual;
  EXPECT_EQ(actual, expected.str())
      << "trace differs from " << golden << " (written to session_trace.actual)";
}

}  // namespace
}  // namespace orvane
