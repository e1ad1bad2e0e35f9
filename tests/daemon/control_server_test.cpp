#include "daemon/control_server.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>

#include <chrono>
#include <map>
#include <sstream>
#include <string>

#include "control/json_value.h"
#include "support/control_client.h"

namespace orvane {
namespace {

using testing_support::ControlClient;

// A request line for the operation with a value of the right kind for each argument it needs.
std::string ValidLine(const OperationSpec& operation) {
  static const std::map<ArgKind, std::string> kValues = {{ArgKind::kInteger, "1"},
                                                         {ArgKind::kNumber, "1"},
                                                         {ArgKind::kBool, "true"},
                                                         {ArgKind::kString, "\"A12345\""},
                                                         {ArgKind::kStringList, "[\"gps\"]"}};
  std::string line = "{\"op\":\"" + std::string(operation.name) + "\"";
  for (const ArgSpec& arg : operation.args) {
    if (arg.required) line += ",\"" + std::string(arg.name) + "\":" + kValues.at(arg.kind);
  }
  return line + "}";
}

std::string Member(const std::string& reply, const char* name) {
  const auto value = ParseJson(reply).value;
  if (!value || !value->Find(name)) return "<none>";
  const JsonValue& member = *value->Find(name);
  if (member.AsString()) return *member.AsString();
  if (member.AsBool()) return *member.AsBool() ? "true" : "false";
  return "<other>";
}

// The server on a scratch path, its handler answering with the operation's name (and `padding`
// bytes more, for a client that does not read).
class ControlServerTest : public testing::Test {
 protected:
  void Start(ControlLimits limits = {}, std::size_t padding = 0) {
    std::string error;
    server_ = ControlServer::Start(
        path_, limits,
        [padding](const ControlRequest& request, const ControlPeer& peer) {
          return "{\"ok\":true,\"op\":\"" + std::string(request.operation->name) +
                 "\",\"writable\":" + (peer.writable ? "true" : "false") + ",\"pad\":\"" +
                 std::string(padding, 'x') + "\"}\n";
        },
        log_, &error);
    ASSERT_TRUE(server_) << error;
  }

  std::string dir_ = mkdtemp((testing::TempDir() + "control-XXXXXX").data());
  std::string path_ = dir_ + "/control";
  std::ostringstream log_text_;
  JournalLog log_{log_text_, false};
  std::unique_ptr<ControlServer> server_;
};

TEST_F(ControlServerTest, ServesBothSocketsWithTheirModesAndRemovesThem) {
  Start();
  struct stat status {};
  ASSERT_EQ(stat(path_.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0660u);
  ASSERT_EQ(stat((path_ + ".ro").c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0666u);

  ControlClient writable(path_);
  ControlClient read_only(path_ + ".ro");
  EXPECT_EQ(writable.Ask(R"({"id":1,"op":"hello","version":1})"),
            R"({"id":1,"ok":true,"version":1,"writable":true})");
  EXPECT_EQ(Member(read_only.Ask(R"({"op":"hello","version":1})"), "writable"), "false");
  EXPECT_EQ(Member(read_only.Ask(R"({"op":"hello","version":2})"), "error"), "version");

  // A second service on the same path is refused while this one answers.
  std::string error;
  EXPECT_FALSE(ControlServer::Start(path_, {}, {}, log_, &error));
  EXPECT_NE(error.find("another service"), std::string::npos) << error;

  server_.reset();
  EXPECT_NE(stat(path_.c_str(), &status), 0);
  EXPECT_NE(stat((path_ + ".ro").c_str(), &status), 0);
  // A socket file left behind by a service that ended is taken over.
  Start();
}

TEST_F(ControlServerTest, TheReadOnlySocketRefusesEveryChangeAndAnswersTheRest) {
  Start();
  ControlClient writable(path_);
  ControlClient read_only(path_ + ".ro");
  for (const OperationSpec& operation : ControlOperations()) {
    if (operation.name == "hello") continue;
    const std::string line = ValidLine(operation);
    const std::string refused = read_only.Ask(line);
    if (operation.changes) {
      EXPECT_EQ(Member(refused, "error"), "read-only") << line;
      EXPECT_NE(Member(refused, "message").find("join group orvane"), std::string::npos);
    } else {
      EXPECT_EQ(Member(refused, "op"), operation.name) << line;
    }
    const std::string answered = writable.Ask(line);
    EXPECT_EQ(Member(answered, "op"), operation.name) << line;
    EXPECT_EQ(Member(answered, "writable"), "true");
  }
}

TEST_F(ControlServerTest, ClientsBeyondTheLimitAreTurnedAway) {
  ControlLimits limits;
  limits.max_clients_per_uid = 2;
  Start(limits);
  ControlClient first(path_);
  ControlClient second(path_ + ".ro");
  ASSERT_EQ(Member(first.Ask(R"({"op":"list"})"), "op"), "list");
  ASSERT_EQ(Member(second.Ask(R"({"op":"list"})"), "op"), "list");
  ControlClient third(path_);
  EXPECT_EQ(Member(third.ReadLine(), "error"), "busy");
  EXPECT_EQ(third.ReadLine(), "");  // closed
  EXPECT_EQ(Member(first.Ask(R"({"op":"list"})"), "op"), "list");
}

TEST_F(ControlServerTest, AClientThatDoesNotReadIsDropped) {
  ControlLimits limits;
  limits.max_queued_bytes = 4096;
  Start(limits, 1000);
  ControlClient slow(path_);
  constexpr int kRequests = 2000;  // 2 MB of replies, far more than the socket buffers hold
  std::string requests;
  for (int i = 0; i < kRequests; ++i) requests += "{\"op\":\"list\"}\n";
  slow.Send(requests);
  // Reads nothing until the server hangs up (or 10 s have passed, which fails below).
  pollfd hangup{slow.fd(), POLLRDHUP, 0};
  ASSERT_EQ(poll(&hangup, 1, 10'000), 1);
  int replies = 0;
  while (!slow.ReadLine().empty()) ++replies;
  EXPECT_LT(replies, kRequests);
  ControlClient next(path_);
  EXPECT_EQ(Member(next.Ask(R"({"op":"list"})"), "op"), "list");
}

TEST_F(ControlServerTest, AClientHoldingAPartialLineIsDropped) {
  ControlLimits limits;
  limits.partial_line_limit = std::chrono::milliseconds(200);
  Start(limits);
  ControlClient slow(path_);
  slow.Send("{\"op\":");
  pollfd hangup{slow.fd(), POLLRDHUP, 0};
  EXPECT_EQ(poll(&hangup, 1, 5'000), 1);
  EXPECT_EQ(slow.ReadLine(), "");
}

}  // namespace
}  // namespace orvane
