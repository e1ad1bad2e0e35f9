#include "service/chrony_sample.h"

namespace orvane {

SockSample MakeSockSample(RealTime received, RealTime utc_of_message, LeapIndicator leap) {
  using std::chrono::microseconds;
  const auto tv_time = std::chrono::floor<microseconds>(received);
  const auto since_epoch = tv_time.time_since_epoch();
  const auto seconds = std::chrono::floor<std::chrono::seconds>(since_epoch);
  SockSample sample{};
  sample.tv.tv_sec = static_cast<time_t>(seconds.count());
  sample.tv.tv_usec = static_cast<suseconds_t>((since_epoch - seconds).count());
  sample.offset = std::chrono::duration<double>(utc_of_message - tv_time).count();
  sample.pulse = 0;
  sample.leap = static_cast<int>(leap);
  sample.magic = kSockSampleMagic;
  return sample;
}

}  // namespace orvane
