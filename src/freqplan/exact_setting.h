#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace orvane {

// Whether some N1_HS, N2_HS and N2_LS reproduce a VCO candidate of one output frequency exactly:
// an N1_HS among OutputHsChoices and an N2_HS whose FeedbackLsChoices are not empty. Fast enough
// to ask for every candidate of a search.
//
// An admissible pair (h, m) needs H = Fout * P to equal h * m * F3 with a whole F3, so H must be
// a whole number and F3 one of its divisors. Instead of trying every m, the check factors H (from
// the factors of Fout, found once, and those of P) and tries its divisors as F3.
class ExactSettingCheck {
 public:
  explicit ExactSettingCheck(double fout);

  bool HasExactSetting(std::int32_t product) const;

  // A whole number's prime factors; at most 15 distinct ones below 2^64.
  struct Factors {
    std::array<std::uint64_t, 15> prime{};
    std::array<int, 15> power{};
    int count = 0;
  };

 private:
  double fout_;
  // Fout = odd_part_ / 2^shift_ with a whole odd_part_ (or shift_ 0), and the factors of
  // odd_part_ when they can matter: only a P divisible by 2^shift_ gives a whole H this way.
  int shift_ = 0;
  std::optional<Factors> fout_factors_;
};

}  // namespace orvane
