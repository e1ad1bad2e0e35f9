// Bad text in every field a user types into, pushed through every button that reads the field:
// each ends in a silent correction to a number or in a message, and the device never receives a
// report outside the command layouts.
#include <QTest>

#include "engine/number_text.h"
#include "protocol/command_codes.h"
#include "protocol/commands.h"
#include "support/window_fixture.h"

namespace orvane {
namespace {

// Texts a user might type (or paste) where a number belongs.
std::vector<std::string> BadTexts() {
  return {"",
          "   ",
          "abc",
          "+",
          "-",
          "+-5",
          "1e3",
          "0x10",
          "1,000",
          "1.5",
          "47.5",
          "48.5",
          "10.5",
          "Z99999",
          "-0",
          "1e308",
          "-1e308",
          "1e-400",
          "inf",
          "-inf",
          "nan",
          std::string(10000, '9'),
          std::string(10000, 'x'),
          "\xE5\x9B\x9B\xE5\x8D\x81",               // CJK "forty"
          "\xD9\xA1\xD9\xA2\xD9\xA3",               // Arabic-Indic digits 123
          "\xEF\xBC\x91\xEF\xBC\x92\xEF\xBC\x93"};  // full-width digits 123
}

struct Field {
  const char* name;
  std::vector<const char*> buttons;  // "Enter" is the Enter key in the field
};

const Field kFields[] = {
    {"Out1Freq", {"FindFreq", "Enter"}},
    {"GPS", {"SetFreq"}},
    {"N31", {"SetFreq"}},
    {"N2_HS", {"SetFreq"}},
    {"N2_LS", {"SetFreq"}},
    {"N1_HS", {"SetFreq"}},
    {"NC1_LS", {"SetFreq"}},
    {"NC2_LS", {"SetFreq"}},
    {"BW", {"SetFreq", "Command2"}},
    {"REG", {"WriteRegister"}},
    {"DATA", {"WriteRegister"}},
    {"TCXO", {"set_TCXO"}},
    {"SN", {"SetSN"}},
};

// The legal values of a PLL configuration, as the device unpacks it.
void ExpectLegalPllConfiguration(const std::vector<std::uint8_t>& report, const std::string& at) {
  const PllDividers d = DecodePllConfiguration(report);
  const auto within = [&](std::int64_t value, std::int64_t lowest, std::int64_t highest,
                          const char* name) {
    EXPECT_TRUE(value >= lowest && value <= highest) << name << " " << value << " " << at;
  };
  within(d.gps, 1, 10'000'000, "GPS");
  within(d.n31, 1, 1 << 19, "N31");
  within(d.n2_hs, 4, 11, "N2_HS");
  within(d.n1_hs, 4, 11, "N1_HS");
  for (const auto& [value, name] :
       {std::pair{d.n2_ls, "N2_LS"}, {d.nc1_ls, "NC1_LS"}, {d.nc2_ls, "NC2_LS"}}) {
    within(value, 2, 1 << 20, name);
    EXPECT_EQ(value % 2, 0) << name << " " << at;
  }
}

class BadInputTest : public WindowTest {
 protected:
  void SetUp() override {
    AddDevice();
    Start();
    // A search first, so that the "DPLL Setup" lists hold a prepared set.
    SetText("Out1Freq", "10000000");
    window_->search().FindFreq_Click();
    for (const char* name : {"Out1Freq", "GPS", "N31", "N2_HS", "N2_LS", "N1_HS", "NC1_LS",
                             "NC2_LS", "BW", "REG", "DATA", "TCXO", "SN"}) {
      good_[name] = Text(name);
    }
    good_["REG"] = "25";
    good_["DATA"] = "160";
  }

  void Press(const char* button) {
    if (std::string_view(button) == "Enter") {
      QTest::keyClick(Control<QLineEdit>("Out1Freq"), Qt::Key_Return);
    } else {
      Control<QAbstractButton>(button)->click();
    }
  }

  std::map<std::string, std::string> good_;
};

TEST_F(BadInputTest, EveryFieldEveryButtonCorrectsOrTellsAndSendsOnlyWellFormedReports) {
  const std::vector<std::string> texts = BadTexts();
  int tried = 0;
  for (const Field& field : kFields) {
    for (const char* button : field.buttons) {
      for (const std::string& text : texts) {
        const std::string at =
            std::string(field.name) + " via " + button + ": \"" + text.substr(0, 20) + "\"";
        for (const auto& [name, good] : good_) SetText(name.c_str(), good.c_str());
        SetText(field.name, text.c_str());
        messages_.clear();
        const std::size_t mark = Mark();
        Press(button);
        ++tried;
        // A serial number that was written drops the link until the clock is found again.
        for (int i = 0; i < 8 && !window_->link().ConfigLoaded; ++i) Tick();

        const auto sent = ReceivedSince(mark);
        for (const auto& report : sent) {
          if (report[1] == command::kPllConfiguration) ExpectLegalPllConfiguration(report, at);
        }
        if (messages_.empty()) {
          // Accepted silently: the field holds a number now (corrected, or read as one).
          EXPECT_TRUE(ParseNumber(Text(field.name)).has_value()) << at;
        } else {
          EXPECT_EQ(messages_.size(), 1u) << at;
          EXPECT_FALSE(messages_[0].first.empty() || messages_[0].second.empty()) << at;
        }
        ASSERT_EQ(sim_.device(0).violations(), std::vector<std::string>{}) << at;
        // Every button leaves the device open and read; none ends in a half-disabled window.
        EXPECT_TRUE(Control<QWidget>("FindFreq")->isEnabled()) << at;
        EXPECT_TRUE(window_->link().ConfigLoaded) << at;
      }
    }
  }
  std::cout << "bad inputs tried: " << tried << "\n";
}

}  // namespace
}  // namespace orvane
