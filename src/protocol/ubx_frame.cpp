#include "protocol/ubx_frame.h"

#include "protocol/byte_order.h"
#include "protocol/ubx_checksum.h"
#include "protocol/ubx_ids.h"

namespace orvane {

std::vector<std::uint8_t> BuildUbxFrame(std::uint8_t msg_class, std::uint8_t msg_id,
                                        std::span<const std::uint8_t> payload) {
  std::vector<std::uint8_t> frame;
  frame.reserve(payload.size() + 8);
  AppendUbxFrame(msg_class, msg_id, payload, frame);
  return frame;
}

void AppendUbxFrame(std::uint8_t msg_class, std::uint8_t msg_id,
                    std::span<const std::uint8_t> payload, std::vector<std::uint8_t>& out) {
  const auto length = static_cast<std::uint16_t>(payload.size());
  std::uint8_t header[] = {msg_class, msg_id, 0, 0};
  WriteInt(header, 2, length);
  UbxChecksumState checksum;
  checksum.Add(header);
  checksum.Add(payload);
  out.push_back(kUbxSync1);
  out.push_back(kUbxSync2);
  out.insert(out.end(), std::begin(header), std::end(header));
  out.insert(out.end(), payload.begin(), payload.end());
  out.push_back(checksum.ck_a);
  out.push_back(checksum.ck_b);
}

}  // namespace orvane
