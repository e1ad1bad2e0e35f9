#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace orvane {

// The output-frequency search done the straightforward way, kept as the reference that
// FindOutputCandidates is checked and measured against. Fixed tables, a linear scan for
// duplicates and an exchange sort; it holds at most 32,767 candidates.
class ReferenceSearch {
 public:
  static constexpr int kTableSize = 64001;
  static constexpr int kMaxCandidates = 32767;

  ReferenceSearch();

  // Enumerates, removes duplicates and sorts the candidates of `fout`. Returns false, with no
  // candidates kept, when there are more distinct ones than kMaxCandidates.
  [[nodiscard]] bool Run(double fout);

  std::span<const double> HalfVcoTable() const { return {half_vco_.data(), count()}; }
  std::span<const std::int32_t> ProductTable() const { return {product_.data(), count()}; }

 private:
  std::size_t count() const { return static_cast<std::size_t>(candidate_count_); }

  std::vector<double> half_vco_;
  std::vector<std::int32_t> product_;
  std::int16_t candidate_count_ = 0;
};

}  // namespace orvane
