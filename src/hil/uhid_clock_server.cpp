#include "hil/uhid_clock_server.h"

#include <fcntl.h>
#include <linux/uhid.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "device/device_ids.h"
#include "device/trace_log.h"
#include "hil/clock_report_descriptor.h"

namespace orvane {
namespace {

constexpr auto kLongestWait = std::chrono::milliseconds(10);
constexpr std::uint16_t kBusUsb = 0x03;
// A device that leaves the bus in answer to a command (the serial number) first completes that
// transfer. uhid fails a request whose device goes away before the waiting caller has woken, even
// when the reply is in, so the device stays this long after its last reply.
constexpr auto kDetachAfterReply = std::chrono::milliseconds(100);

// Fills a zeroed text field of the create event, leaving its terminator.
template <std::size_t N>
void CopyText(std::uint8_t (&to)[N], const std::string& text) {
  std::copy_n(text.begin(), std::min(text.size(), N - 1), to);
}

}  // namespace

UhidClockServer::UhidClockServer(ClockDevice& device, MonotonicClock& clock, std::ostream& log,
                                 StreamFrameLog& frames)
    : device_(device), clock_(clock), log_(log), frames_(frames) {}

UhidClockServer::~UhidClockServer() {
  if (fd_ >= 0) {
    Destroy();
    close(fd_);
  }
}

bool UhidClockServer::Run(const std::function<bool()>& stop, std::string& error) {
  fd_ = open("/dev/uhid", O_RDWR | O_CLOEXEC);
  if (fd_ < 0) {
    error = std::string("cannot open /dev/uhid: ") + std::strerror(errno);
    return false;
  }
  while (!stop()) {
    const bool left = device_.connection() != connection_ || !device_.present();
    if (created_ && left && clock_.Now() >= last_reply_at_ + kDetachAfterReply) Destroy();
    if (!created_ && device_.present() && !Create(error)) return false;

    const std::optional<std::chrono::nanoseconds> next_due = device_.Advance();
    WriteDueInputReports();
    auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(
        next_due.value_or(clock_.Now() + kLongestWait) - clock_.Now());
    wait = std::clamp(wait, std::chrono::milliseconds(0), kLongestWait);

    pollfd readable = {.fd = fd_, .events = POLLIN, .revents = 0};
    const int ready = poll(&readable, 1, static_cast<int>(wait.count()));
    if (ready < 0 && errno != EINTR) {
      error = std::string("poll on /dev/uhid: ") + std::strerror(errno);
      return false;
    }
    if (ready > 0 && !HandleEvent(error)) return false;

    const auto& violations = device_.violations();
    for (; violations_logged_ < violations.size(); ++violations_logged_) {
      log_ << "violation " << violations[violations_logged_] << '\n' << std::flush;
    }
  }
  return true;
}

bool UhidClockServer::Create(std::string& error) {
  uhid_event event = {};
  event.type = UHID_CREATE2;
  auto& create = event.u.create2;
  CopyText(create.name, device_.product());
  CopyText(create.uniq, device_.serial());
  const std::vector<std::uint8_t> descriptor =
      ClockReportDescriptor(device_.feature_report_length(), device_.input_report_length());
  std::copy(descriptor.begin(), descriptor.end(), create.rd_data);
  create.rd_size = static_cast<std::uint16_t>(descriptor.size());
  create.bus = kBusUsb;
  create.vendor = kVendorId;
  create.product = device_.product_id();
  create.version = device_.release();
  if (!WriteEvent(&event, sizeof event)) {
    error = std::string("cannot create the uhid device: ") + std::strerror(errno);
    return false;
  }
  created_ = true;
  connection_ = device_.connection();
  input_ = device_.OpenInputQueue();
  log_ << "create " << device_.serial() << '\n' << std::flush;
  return true;
}

void UhidClockServer::Destroy() {
  if (!created_) return;
  uhid_event event = {};
  event.type = UHID_DESTROY;
  WriteEvent(&event, sizeof event);
  created_ = false;
  input_.reset();
  log_ << "destroy\n" << std::flush;
}

bool UhidClockServer::HandleEvent(std::string& error) {
  uhid_event event = {};
  const ssize_t size = read(fd_, &event, sizeof event);
  if (size < 0) {
    if (errno == EINTR || errno == EAGAIN) return true;
    error = std::string("read from /dev/uhid: ") + std::strerror(errno);
    return false;
  }
  switch (event.type) {
    case UHID_GET_REPORT: {
      const auto& get = event.u.get_report;
      ReplyGet(get.id, get.rnum, get.rtype == UHID_FEATURE_REPORT);
      break;
    }
    case UHID_SET_REPORT: {
      const auto& set = event.u.set_report;
      if (set.rtype == UHID_FEATURE_REPORT) {
        ReplySet(set.id, set.data, std::min<std::size_t>(set.size, sizeof set.data));
      } else {
        ReplySet(set.id, nullptr, 0);
      }
      break;
    }
    default:  // start, stop, open, close, output: nothing for the model to do
      break;
  }
  return true;
}

// uhid hands the reply to hidraw as it stands, so it begins with the report ID the host asked
// for, exactly as the host's buffer does (USB would add it on the host side).
void UhidClockServer::ReplyGet(std::uint32_t id, std::uint8_t report_number, bool feature) {
  std::vector<std::uint8_t> report(static_cast<std::size_t>(device_.feature_report_length()), 0);
  report[0] = report_number;
  const bool ok = feature && report_number == 0 && device_.GetFeature(report);
  log_ << "get " << HexBytes(report) << (ok ? "" : " failed") << '\n' << std::flush;

  uhid_event event = {};
  event.type = UHID_GET_REPORT_REPLY;
  auto& reply = event.u.get_report_reply;
  reply.id = id;
  reply.err = ok ? 0 : EIO;
  if (ok) {
    reply.size = static_cast<std::uint16_t>(std::min(report.size(), sizeof reply.data));
    std::copy_n(report.begin(), reply.size, reply.data);
  }
  WriteEvent(&event, sizeof event);
  last_reply_at_ = clock_.Now();
}

// uhid passes the report ID byte first, as the program's buffers have it; the model takes the
// report whole.
void UhidClockServer::ReplySet(std::uint32_t id, const std::uint8_t* data, std::size_t size) {
  bool ok = false;
  if (data != nullptr) {
    const std::span<const std::uint8_t> report(data, size);
    ok = device_.SetFeature(report);
    log_ << "set " << HexBytes(report) << (ok ? "" : " failed") << '\n' << std::flush;
  }
  uhid_event event = {};
  event.type = UHID_SET_REPORT_REPLY;
  event.u.set_report_reply.id = id;
  event.u.set_report_reply.err = ok ? 0 : EIO;
  WriteEvent(&event, sizeof event);
  last_reply_at_ = clock_.Now();
}

// Input reports are unnumbered: the kernel wants them without the report-ID byte.
void UhidClockServer::WriteDueInputReports() {
  if (!created_) return;
  std::vector<std::uint8_t> report(static_cast<std::size_t>(device_.input_report_length()));
  for (;;) {
    const int taken = input_->Pop(report, std::chrono::milliseconds(0));
    if (taken <= 1) return;
    uhid_event event = {};
    event.type = UHID_INPUT2;
    event.u.input2.size = static_cast<std::uint16_t>(taken - 1);
    std::copy_n(report.begin() + 1, event.u.input2.size, event.u.input2.data);
    if (WriteEvent(&event, sizeof event)) {
      frames_.AddInputReport(std::span(report).first(static_cast<std::size_t>(taken)));
    }
  }
}

bool UhidClockServer::WriteEvent(const void* event, std::size_t size) {
  return write(fd_, event, size) == static_cast<ssize_t>(size);
}

}  // namespace orvane
