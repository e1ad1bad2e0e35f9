// orvane-config: configures and monitors the Orvane USB GNSS reference clock.
#include <QApplication>
#include <QCommandLineParser>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "device/hid/tracing_backend.h"
#include "device/monotonic_clock.h"
#include "device/trace_log.h"
#include "frontend/backend_choice.h"
#include "frontend/shared_options.h"
#include "frontend/sim_scenario_option.h"
#include "ui/modal_message.h"
#include "window/frm_main.h"
#include "window/status/host_clock.h"
#include "window/status/system_host_clock.h"
#include "window/termination_signals.h"

using orvane::CloseOnTerminationSignals;

int main(int argc, char** argv) {
  std::vector<std::string> arguments = orvane::WithBareSimulate({argv, argv + argc});
  std::vector<char*> argument_pointers;
  for (std::string& argument : arguments) argument_pointers.push_back(argument.data());
  int argument_count = static_cast<int>(argument_pointers.size());

  QApplication app(argument_count, argument_pointers.data());
  QApplication::setOrganizationName(QStringLiteral("Orvane"));
  QApplication::setApplicationName(QStringLiteral("orvane-config"));
  QApplication::setApplicationVersion(QStringLiteral(ORVANE_VERSION));

  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("Configures and monitors the Orvane USB GNSS reference clock."));
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption simulate(
      QStringLiteral("simulate"),
      QStringLiteral("Use N simulated clock devices instead of USB (--simulate alone: one)."),
      QStringLiteral("N"));
  const QCommandLineOption sim_ubx(
      QStringLiteral("sim-ubx"),
      QStringLiteral("Replay the recorded UBX capture FILE as the simulated receiver's stream."),
      QStringLiteral("FILE"));
  const QCommandLineOption trace_option(
      QStringLiteral("trace"),
      QStringLiteral("Write the event trace to FILE (- for standard error)."),
      QStringLiteral("FILE"));
  const QCommandLineOption sim_scenario(QStringLiteral("sim-scenario"),
                                        QString::fromStdString(orvane::SimScenarioHelp() + "."),
                                        QStringLiteral("NAME"));
  parser.addOptions({simulate, sim_ubx, sim_scenario, trace_option});
  parser.process(app);

  orvane::SteadyClock clock;
  orvane::TraceTarget trace_target;
  std::string error;
  if (parser.isSet(trace_option) &&
      !trace_target.Open(parser.value(trace_option).toStdString(), std::cerr, error)) {
    std::cerr << "orvane-config: " << error << "\n";
    return 2;
  }
  orvane::TraceLog trace(trace_target.stream(), clock);

  orvane::BackendRequest request;
  if (parser.isSet(simulate)) {
    bool number = false;
    request.simulate = parser.value(simulate).toInt(&number);
    if (!number || request.simulate < 1 || request.simulate > orvane::kMaxSimulatedClocks) {
      std::cerr << "orvane-config: --simulate takes a number of devices from 1 to "
                << orvane::kMaxSimulatedClocks << "\n";
      return 2;
    }
  }
  if (parser.isSet(sim_ubx)) request.sim_ubx = parser.value(sim_ubx).toStdString();
  if (parser.isSet(sim_scenario) &&
      !orvane::ApplySimScenarioOption(parser.value(sim_scenario).toStdString(), request, &error)) {
    std::cerr << "orvane-config: " << error << "\n";
    return 2;
  }
  std::unique_ptr<orvane::HidBackend> backend = orvane::MakeBackend(request, clock, trace, error);
  if (!backend) {
    std::cerr << "orvane-config: " << error << "\n";
    return 2;
  }
  orvane::TracingBackend traced(*backend, trace);

  // A simulated device's receiver time must never reach the real clock.
  std::unique_ptr<orvane::HostClock> host_clock;
  if (request.SimulatedCount() > 0) {
    host_clock = std::make_unique<orvane::SimulatedHostClock>();
  } else {
    host_clock = std::make_unique<orvane::SystemHostClock>();
  }
  orvane::frmMain window({traced, trace, orvane::MakeStopMessageBox(nullptr), clock, *host_clock});
  window.Form_Load();
  CloseOnTerminationSignals(window);
  return QApplication::exec();
}
