#include "engine/divider_fields.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace orvane {
namespace {

DividerTexts Defaults() { return {"2875000", "3", "11", "480", "11", "46", "46", "15"}; }

auto Tie(const DividerTexts& t) {
  return std::tie(t.gps, t.n31, t.n2_hs, t.n2_ls, t.n1_hs, t.nc1_ls, t.nc2_ls, t.bw);
}

TEST(CheckDividerFields, RewritesOnlyTheFieldItCorrects) {
  const struct {
    std::string DividerTexts::*field;
    std::string typed, checked;
  } cases[] = {
      {&DividerTexts::gps, "0.5", "1"},
      {&DividerTexts::gps, "letters", "2875000"},
      {&DividerTexts::gps, "10000001", "10000000"},
      {&DividerTexts::n31, "600000", "524288"},
      {&DividerTexts::n2_hs, "3", "4"},
      {&DividerTexts::n1_hs, "12", "11"},
      {&DividerTexts::n2_ls, "3", "2"},
      {&DividerTexts::n2_ls, "0480", "480"},
      // Fractions round, halves to even, before the even rule: the field holds what is sent.
      {&DividerTexts::n2_ls, "480.6", "480"},
      {&DividerTexts::nc1_ls, "47.5", "48"},
      {&DividerTexts::nc2_ls, "48.5", "48"},
      {&DividerTexts::n2_hs, "10.5", "10"},
      {&DividerTexts::nc1_ls, "1", "2"},
      {&DividerTexts::nc2_ls, "1048577", "1048576"},
      {&DividerTexts::nc2_ls, "", "46"},
      {&DividerTexts::bw, "abc", "abc"}};
  for (const auto& c : cases) {
    DividerTexts texts = Defaults();
    DividerTexts expected = Defaults();
    texts.*c.field = c.typed;
    expected.*c.field = c.checked;
    CheckDividerFields(texts);
    EXPECT_EQ(Tie(texts), Tie(expected)) << c.typed;
  }
}

TEST(DividersFromTexts, CheckedExtremesAreSentAndAnUnsendableBandwidthIsNot) {
  DividerTexts texts = {"10000000", "600000", "4", "3", "4", "1048576", "1048577", "255"};
  CheckDividerFields(texts);
  EXPECT_EQ(DividersFromTexts(texts),
            (PllDividers{10000000, 524288, 4, 2, 4, 1048576, 1048576, 255}));
  // Unchecked fractions round halves to even in the stored form: N31 4.5 is stored as 4.
  texts = {"2875000.5", "4.5", "11", "480", "11", "46", "46", "15"};
  EXPECT_EQ(DividersFromTexts(texts), (PllDividers{2875000, 5, 11, 480, 11, 46, 46, 15}));
  for (const auto& [bw, gps] :
       {std::pair{"256", "1"}, {"1.5", "1"}, {"-1", "1"}, {"15", "abc"}, {"15", "1e20"}}) {
    texts = Defaults();
    texts.bw = bw;
    texts.gps = gps;
    EXPECT_FALSE(DividersFromTexts(texts)) << bw << " " << gps;
  }
}

}  // namespace
}  // namespace orvane
