#include "device/hid/report_descriptor.h"

#include <algorithm>
#include <array>
#include <map>
#include <vector>

#include "protocol/byte_order.h"

namespace orvane {
namespace {

constexpr std::uint8_t kLongItemPrefix = 0xFE;
constexpr std::size_t kLongItemHeaderSize = 3;  // prefix, data size, tag
constexpr std::array<std::size_t, 4> kShortItemDataSizes = {0, 1, 2, 4};

constexpr int kTypeMain = 0;
constexpr int kTypeGlobal = 1;

constexpr int kTagInput = 0x8;
constexpr int kTagOutput = 0x9;
constexpr int kTagFeature = 0xB;

constexpr int kTagReportSize = 0x7;
constexpr int kTagReportId = 0x8;
constexpr int kTagReportCount = 0x9;
constexpr int kTagPush = 0xA;
constexpr int kTagPop = 0xB;

// Windows keeps report lengths in 16 bits; capping the sums keeps a hostile descriptor from
// overflowing them.
constexpr std::uint64_t kMaxReportBits = (0xFFFFu - 1) * 8;

enum ReportType { kInput, kOutput, kFeature, kReportTypeCount };

// The global items that decide report sizes; Push and Pop save and restore them together.
struct GlobalState {
  std::uint32_t report_size = 0;
  std::uint32_t report_count = 0;
  std::uint32_t report_id = 0;
};

int ReportTypeOfMainTag(int tag) {
  switch (tag) {
    case kTagInput:
      return kInput;
    case kTagOutput:
      return kOutput;
    case kTagFeature:
      return kFeature;
    default:
      return -1;
  }
}

int ByteLength(std::uint64_t bits) { return bits == 0 ? 0 : static_cast<int>((bits + 7) / 8 + 1); }

}  // namespace

ReportLengths ParseReportDescriptor(std::span<const std::uint8_t> descriptor) {
  GlobalState state;
  std::vector<GlobalState> stack;
  std::map<std::uint32_t, std::array<std::uint64_t, kReportTypeCount>> bits_by_id;
  ReportLengths lengths;

  std::size_t pos = 0;
  while (pos < descriptor.size()) {
    const std::uint8_t prefix = descriptor[pos];
    const std::size_t remaining = descriptor.size() - pos;
    if (prefix == kLongItemPrefix) {
      // Long items carry nothing that sizes a report.
      if (remaining < kLongItemHeaderSize) break;
      const std::size_t item_size = kLongItemHeaderSize + descriptor[pos + 1];
      if (remaining < item_size) break;
      pos += item_size;
      continue;
    }
    const std::size_t data_size = kShortItemDataSizes[prefix & 0x3];
    if (remaining < 1 + data_size) break;
    const auto value = static_cast<std::uint32_t>(ReadLe(descriptor.subspan(pos + 1, data_size)));
    const int type = (prefix >> 2) & 0x3;
    const int tag = prefix >> 4;
    pos += 1 + data_size;

    if (type == kTypeMain) {
      const int report_type = ReportTypeOfMainTag(tag);
      if (report_type < 0) continue;
      std::uint64_t& bits = bits_by_id[state.report_id][report_type];
      bits = std::min(kMaxReportBits, bits + std::uint64_t{state.report_size} * state.report_count);
    } else if (type == kTypeGlobal) {
      switch (tag) {
        case kTagReportSize:
          state.report_size = value;
          break;
        case kTagReportCount:
          state.report_count = value;
          break;
        case kTagReportId:
          state.report_id = value;
          lengths.numbered = true;
          break;
        case kTagPush:
          stack.push_back(state);
          break;
        case kTagPop:
          // A Pop without its Push is malformed; the state stays as it is.
          if (!stack.empty()) {
            state = stack.back();
            stack.pop_back();
          }
          break;
      }
    }
  }

  for (const auto& [id, bits] : bits_by_id) {
    lengths.input = std::max(lengths.input, ByteLength(bits[kInput]));
    lengths.output = std::max(lengths.output, ByteLength(bits[kOutput]));
    lengths.feature = std::max(lengths.feature, ByteLength(bits[kFeature]));
  }
  return lengths;
}

}  // namespace orvane
