// Bad text in every field a user types into, pushed through every button that reads the field:
// each ends in a silent correction to a number or in a message, and the device never receives a
// report outside the command layouts.
#include <QTest>

#include "engine/number_text.h"
#include "support/window_fixture.h"

namespace orvane {
namespace {

// Texts a user might type (or paste) where a number belongs; more in the test below.
const char* const kBadTexts[] = {"", "   ", "abc", "+", "-", "+-5", "1e3", "0x10", "1,000", "1.5",
                                 "47.5", "48.5", "10.5", "Z99999", "-0", "1e308", "-1e308",
                                 "1e-400", "inf", "-inf", "nan",
                                 // No candidate exact; the message once took hours to build.
                                 "1234.5678901"};

// Each field with each button that reads it; "Enter" is the Enter key in Out1Freq.
const std::pair<const char*, const char*> kFieldButtons[] = {
    {"Out1Freq", "FindFreq"},  {"Out1Freq", "Enter"}, {"GPS", "SetFreq"},
    {"N31", "SetFreq"},        {"N2_HS", "SetFreq"},  {"N2_LS", "SetFreq"},
    {"N1_HS", "SetFreq"},      {"NC1_LS", "SetFreq"}, {"NC2_LS", "SetFreq"},
    {"BW", "SetFreq"},         {"BW", "Command2"},    {"REG", "WriteRegister"},
    {"DATA", "WriteRegister"}, {"TCXO", "set_TCXO"},  {"SN", "SetSN"}};

class BadInputTest : public WindowTest {
 protected:
  void SetUp() override {
    AddDevice();
    Start();
    // A search first, so that the "DPLL Setup" lists hold a prepared set.
    SetText("Out1Freq", "10000000");
    window_->search().FindFreq_Click();
    for (const auto& [name, button] : kFieldButtons) good_[name] = Text(name);
    good_["REG"] = "25";
    good_["DATA"] = "160";
  }

  void Press(const char* button) {
    if (std::string_view(button) == "Enter") {
      QTest::keyClick(Control<QLineEdit>("Out1Freq"), Qt::Key_Return);
    } else {
      Click(button);
    }
  }

  std::map<std::string, std::string> good_;
};

TEST_F(BadInputTest, EveryFieldEveryButtonCorrectsOrTellsAndSendsOnlyWellFormedReports) {
  std::vector<std::string> texts(std::begin(kBadTexts), std::end(kBadTexts));
  // Very long ones, CJK "forty", and 123 in Arabic-Indic and in full-width digits.
  texts.insert(texts.end(),
               {std::string(10000, '9'), std::string(10000, 'x'), "\xE5\x9B\x9B\xE5\x8D\x81",
                "\xD9\xA1\xD9\xA2\xD9\xA3", "\xEF\xBC\x91\xEF\xBC\x92\xEF\xBC\x93"});
  for (const auto& [field, button] : kFieldButtons) {
    for (const std::string& text : texts) {
      const std::string at =
          std::string(field) + " via " + button + ": \"" + text.substr(0, 20) + "\"";
      for (const auto& [name, good] : good_) SetText(name.c_str(), good.c_str());
      SetText(field, text.c_str());
      messages_.clear();
      Press(button);
      TickUntilLoaded();  // a serial number that was written drops the link until found again
      if (messages_.empty()) {
        // Accepted silently: the field holds a number now (corrected, or read as one).
        EXPECT_TRUE(ParseNumber(Text(field)).has_value()) << at;
      } else {
        EXPECT_EQ(messages_.size(), 1u) << at;
        EXPECT_FALSE(messages_[0].first.empty() || messages_[0].second.empty()) << at;
      }
      ASSERT_EQ(sim_.device(0).violations(), std::vector<std::string>{}) << at;
      // Every button leaves the device open and read; none ends in a half-disabled window.
      EXPECT_TRUE(Control("FindFreq")->isEnabled()) << at;
      EXPECT_TRUE(window_->link().ConfigLoaded()) << at;
    }
  }
}

// A VCO entry whose first N2_HS has no N2_LS: the choice leaves every field as it was (it once
// wrote N1_HS and NC1_LS, and Update then programmed a mix of two entries), says which choice
// does work, and that choice, saved, gives the frequency asked for.
TEST_F(BadInputTest, AVcoChoiceWithoutAWholeSettingChangesNoFieldAndSaysWhatWorks) {
  SetText("Out1Freq", "47783653");
  Press("Enter");
  const auto fields = [this] {
    return Texts({"GPS", "N31", "N2_HS", "N2_LS", "N1_HS", "NC1_LS", "Out1Freq"});
  };
  const std::string before = fields();
  const std::size_t mark = Mark();
  messages_.clear();
  Pick("Fvco_list", 1);
  EXPECT_EQ(Message(),
            "No exact setting | The first N2_HS for the VCO frequency [1] 4300528770 has no exact "
            "N2_LS for 47783653 Hz. Try another N2_HS in the list");
  Pick("N1HS_list", 0);
  EXPECT_EQ(fields(), before);
  EXPECT_EQ(Mark(), mark);

  Pick("N2HS_list", Control<QComboBox>("N2HS_list")->findText("5"));
  Click("Command2");
  EXPECT_EQ(Text("Out1Freq"), "47783653");
}

}  // namespace
}  // namespace orvane
