#include "freqplan/exact_setting.h"

#include <array>
#include <cmath>
#include <vector>

#include "freqplan/divider_choices.h"
#include "freqplan/divider_model.h"

namespace orvane {
namespace {

using Factors = ExactSettingCheck::Factors;

// Any whole H of 2^53 or more is beyond doubles' whole numbers; every H a search makes is below
// 2^32, and an odd part of Fout above this bound cannot give one.
constexpr double kWholeLimit = 9007199254740992.0;  // 2^53
constexpr std::uint64_t kLargestFactoredOddPart = std::uint64_t{1} << 33;

const std::vector<std::uint32_t>& PrimesBelow65536() {
  static const std::vector<std::uint32_t> primes = [] {
    constexpr std::uint32_t kLimit = 65536;
    std::vector<bool> composite(kLimit, false);
    std::vector<std::uint32_t> found;
    for (std::uint32_t n = 2; n < kLimit; ++n) {
      if (composite[n]) continue;
      found.push_back(n);
      for (std::uint32_t multiple = n * n; multiple < kLimit; multiple += n) {
        composite[multiple] = true;
      }
    }
    return found;
  }();
  return primes;
}

void AddFactor(Factors& factors, std::uint64_t prime, int power) {
  for (int i = 0; i < factors.count; ++i) {
    if (factors.prime[i] == prime) {
      factors.power[i] += power;
      return;
    }
  }
  factors.prime[factors.count] = prime;
  factors.power[factors.count++] = power;
}

// Trial division: by the primes below 2^16, then by odd numbers, up to the square root.
void AddFactorsOf(std::uint64_t n, Factors& factors) {
  const auto divide_out = [&](std::uint64_t d) {
    int power = 0;
    while (n % d == 0) {
      n /= d;
      ++power;
    }
    if (power > 0) AddFactor(factors, d, power);
  };
  for (const std::uint32_t prime : PrimesBelow65536()) {
    if (std::uint64_t{prime} * prime > n) break;
    divide_out(prime);
  }
  for (std::uint64_t d = 65537; d * d <= n; d += 2) divide_out(d);
  if (n > 1) AddFactor(factors, n, 1);
}

constexpr int kHsCount = kHighestHsDivider - kLowestHsDivider + 1;
using FeedbackRanges = std::array<DividerRange, kHsCount>;

// The m range of each N2_HS; nullopt when all are empty (H far outside the VCO window).
std::optional<FeedbackRanges> RangesOf(double half_vco) {
  FeedbackRanges ranges;
  bool any = false;
  for (int h = kLowestHsDivider; h <= kHighestHsDivider; ++h) {
    ranges[h - kLowestHsDivider] = FeedbackDividerRange(half_vco, h);
    any = any || !ranges[h - kLowestHsDivider].empty();
  }
  if (!any) return std::nullopt;
  return ranges;
}

// Whether a divisor F3 of the whole `half_vco` (with these factors) makes an admissible pair with
// F3 above the threshold: the condition FeedbackLsChoices tests m by m.
bool HasExactFeedback(double half_vco, const FeedbackRanges& ranges, const Factors& factors) {
  const auto whole = static_cast<std::uint64_t>(half_vco);
  const auto admits = [&](std::uint64_t f3) {
    if (f3 <= kF3Threshold || f3 > INT32_MAX || IsF3Excluded(static_cast<std::int32_t>(f3))) {
      return false;
    }
    const std::uint64_t feedback = whole / f3;  // h * m
    for (int h = kLowestHsDivider; h <= kHighestHsDivider; ++h) {
      if (feedback % h != 0) continue;
      const std::uint64_t m = feedback / h;
      const DividerRange& range = ranges[h - kLowestHsDivider];
      if (range.empty() || m < static_cast<std::uint64_t>(range.min) ||
          m > static_cast<std::uint64_t>(range.max)) {
        continue;
      }
      if (AdmissibleF3(half_vco, h, static_cast<std::int32_t>(m))) return true;
    }
    return false;
  };
  // Every divisor, built prime by prime; stops at the first that admits a pair.
  const auto visit = [&](auto& self, int index, std::uint64_t divisor) -> bool {
    if (index == factors.count) return admits(divisor);
    for (int power = 0; power <= factors.power[index]; ++power) {
      if (self(self, index + 1, divisor)) return true;
      divisor *= factors.prime[index];
    }
    return false;
  };
  return visit(visit, 0, 1);
}

}  // namespace

ExactSettingCheck::ExactSettingCheck(double fout) : fout_(fout) {
  if (!(fout >= 1 && fout < kWholeLimit)) return;
  int exponent = 0;
  const double mantissa = std::frexp(fout, &exponent);  // fout = mantissa * 2^exponent
  auto odd_part = static_cast<std::uint64_t>(std::ldexp(mantissa, 53));
  shift_ = 53 - exponent;
  while (shift_ > 0 && odd_part % 2 == 0) {
    odd_part /= 2;
    --shift_;
  }
  if (shift_ < 0) {
    odd_part <<= -shift_;
    shift_ = 0;
  }
  if (odd_part > kLargestFactoredOddPart) return;
  fout_factors_ = Factors{};  // not emplace(): clang 14 misjudges the nested aggregate
  AddFactorsOf(odd_part, *fout_factors_);
}

bool ExactSettingCheck::HasExactSetting(std::int32_t product) const {
  // Cheapest first: most candidates of a fractional frequency fail at the whole-number test.
  const double half_vco = fout_ * product;
  if (!(half_vco >= 1 && half_vco < kWholeLimit / 2) || half_vco != std::floor(half_vco)) {
    return false;
  }
  if (product < 1 || OutputHsChoices(fout_, product).empty()) return false;
  const std::optional<FeedbackRanges> ranges = RangesOf(half_vco);
  if (!ranges) return false;
  Factors factors;
  const std::uint64_t scale = std::uint64_t{1} << shift_;
  if (fout_factors_ && shift_ < 31 && product % scale == 0) {
    // H = odd part * (P / 2^shift) exactly: below 2^52 it is the double H itself.
    factors = *fout_factors_;
    AddFactorsOf(static_cast<std::uint64_t>(product) / scale, factors);
  } else {
    // H is whole only by rounding: rare, and factored as it stands.
    AddFactorsOf(static_cast<std::uint64_t>(half_vco), factors);
  }
  return HasExactFeedback(half_vco, *ranges, factors);
}

}  // namespace orvane
