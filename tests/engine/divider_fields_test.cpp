#include "engine/divider_fields.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "protocol/commands.h"

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
      {&DividerTexts::n2_hs, "", "11"},
      {&DividerTexts::n1_hs, "12", "11"},
      {&DividerTexts::n2_ls, "3", "2"},
      {&DividerTexts::n2_ls, "481", "480"},
      {&DividerTexts::n2_ls, "0480", "480"},
      // Fractions round, halves to even, before the even rule: the field holds what is sent.
      {&DividerTexts::n2_ls, "480.6", "480"},
      {&DividerTexts::nc1_ls, "47.5", "48"},
      {&DividerTexts::nc2_ls, "48.5", "48"},
      {&DividerTexts::n2_hs, "10.5", "10"},
      {&DividerTexts::n1_hs, "4.5", "4"},
      {&DividerTexts::n31, "4.5", "4"},
      {&DividerTexts::gps, "2875000.5", "2875000"},
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

// The PLL configuration a checked set is sent as.
std::vector<std::uint8_t> Image(const DividerTexts& texts) {
  std::vector<std::uint8_t> report(24, 0);
  const std::optional<PllDividers> dividers = DividersFromTexts(texts);
  EXPECT_TRUE(dividers);
  if (dividers) EncodeCommand(PllConfigurationCommand(*dividers), report);
  return report;
}

TEST(DividersFromTexts, CheckedExtremesAndHalves) {
  DividerTexts texts = {"10000000", "600000", "4", "3", "4", "1048576", "1048577", "255"};
  CheckDividerFields(texts);
  EXPECT_EQ(Image(texts), (std::vector<std::uint8_t>{0x00, 0x04, 0x80, 0x96, 0x98, 0xFF, 0xFF, 0x07,
                                                     0x00, 0x01, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x0F,
                                                     0xFF, 0xFF, 0x0F, 0x00, 255,  0,    0,    0}));
  // Fractions round halves to even: 2875000.5 -> 2875000, 4.5 - 1 -> 4.
  texts = Defaults();
  texts.gps = "2875000.5";
  texts.n31 = "4.5";
  const std::vector<std::uint8_t> report = Image(texts);
  EXPECT_EQ(std::vector<std::uint8_t>(report.begin() + 2, report.begin() + 8),
            (std::vector<std::uint8_t>{0x78, 0xDE, 0x2B, 0x04, 0x00, 0x00}));
}

TEST(DividersFromTexts, RefusesABandwidthOrDividerThatIsNotSendable) {
  const struct {
    std::string bw;
    std::string gps;
  } cases[] = {{"256", "1"}, {"1.5", "1"}, {"-1", "1"}, {"15", "abc"}, {"15", "1e20"}};
  for (const auto& c : cases) {
    DividerTexts texts = Defaults();
    texts.bw = c.bw;
    texts.gps = c.gps;
    EXPECT_FALSE(DividersFromTexts(texts)) << c.bw << " " << c.gps;
  }
}

}  // namespace
}  // namespace orvane
