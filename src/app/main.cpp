// orvane-config: configures and monitors the Orvane USB GNSS reference clock.
#include <QApplication>
#include <QCommandLineParser>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "access/service_access.h"
#include "access/service_socket.h"
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

namespace {

// How long the window waits for the service's reply to one operation before the clock counts as
// lost: far longer than any operation takes, far shorter than a user waits for a frozen window.
constexpr std::chrono::milliseconds kServiceReplyWait{2000};

}  // namespace

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
  const QCommandLineOption service_option(
      QStringLiteral("service"),
      QStringLiteral("Go through the orvaned control socket PATH (default: through the running "
                     "service when it serves a clock)."),
      QStringLiteral("PATH"));
  const QCommandLineOption direct(QStringLiteral("direct"),
                                  QStringLiteral("Open the clock here, not through orvaned."));
  parser.addOptions({simulate, sim_ubx, sim_scenario, trace_option, service_option, direct});
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

  std::unique_ptr<orvane::ControlConnection> connection = orvane::ChooseService(
      parser.value(service_option).toStdString(), parser.isSet(direct),
      request.SimulatedCount() > 0, orvane::ControlSocketPath(std::getenv("ORVANE_CONTROL_SOCKET")),
      "", &error);
  if (!connection && parser.isSet(service_option)) {
    std::cerr << "orvane-config: cannot reach the service at " << error << "\n";
    return 2;
  }
  std::unique_ptr<orvane::ServiceAccess> service;
  if (connection) {
    // The window's thread must not hang on a service that stopped answering.
    connection->set_reply_wait(kServiceReplyWait);
    service = std::make_unique<orvane::ServiceAccess>(std::move(connection), trace, clock,
                                                      orvane::ServiceAccess::Failures::kLoseClock);
  }

  // A simulated device's receiver time must never reach the real clock.
  std::unique_ptr<orvane::HostClock> host_clock;
  if (service) {
    host_clock = std::make_unique<orvane::ServiceHostClock>();
  } else if (request.SimulatedCount() > 0) {
    host_clock = std::make_unique<orvane::SimulatedHostClock>();
  } else {
    host_clock = std::make_unique<orvane::SystemHostClock>();
  }
  orvane::frmMain window(
      {traced, trace, orvane::MakeStopMessageBox(nullptr), clock, *host_clock, service.get()});
  window.Form_Load();
  CloseOnTerminationSignals(window);
  return QApplication::exec();
}
