// The frequency search, the VCO and divider lists, and programming, through the window.
#include <QTest>

#include "support/window_fixture.h"

namespace orvane {
namespace {

using Reports = std::vector<std::vector<std::uint8_t>>;

class PllWindowTest : public WindowTest {
 protected:
  void SetUp() override {
    AddDevice();
    Start();
  }

  // Types `frequency` into Out1Freq and presses Enter.
  void TypeFrequency(const char* frequency) {
    auto* box = Control<QLineEdit>("Out1Freq");
    box->setText(QString::fromLatin1(frequency));
    QTest::keyClick(box, Qt::Key_Return);
  }

  std::vector<std::string> ListEntries(const char* name) {
    auto* list = Control<QComboBox>(name);
    std::vector<std::string> entries;
    for (int i = 0; i < list->count(); ++i) entries.push_back(list->itemText(i).toStdString());
    return entries;
  }

  int IndexOfProduct(std::int32_t product) {
    const auto& products = window_->candidates().table.ProductTable;
    return static_cast<int>(std::find(products.begin(), products.end(), product) -
                            products.begin());
  }
};

// GPS 1875000, N31 1, N2_HS 10, N2_LS 224, N1_HS 10, NC1_LS 42, NC2_LS 46, BW 15 in stored forms.
const std::vector<std::uint8_t> kTenMegahertz =
    Report({0, 4, 0x38, 0x9C, 0x1C, 0, 0, 0, 6, 0xDF, 0, 0, 6, 0x29, 0, 0, 0x2D, 0, 0, 0, 15});

TEST_F(PllWindowTest, EnterIn10MHzProgramsTheLowestVcoCandidateTwice) {
  const std::size_t mark = Mark();
  TypeFrequency("10000000");
  EXPECT_EQ(ReceivedSince(mark), (Reports{kTenMegahertz, kTenMegahertz}));
  EXPECT_EQ(Text("Out1Freq"), "10000000");
  EXPECT_EQ(Text("GPS"), "1875000");
  EXPECT_EQ(Text("BW"), "15");
  EXPECT_EQ(Text("NC2_LS"), "46");
  const std::vector<std::string> vco = ListEntries("Fvco_list");
  ASSERT_EQ(vco.size(), 75u);
  EXPECT_EQ(vco.front(), "[0] 4200000000");
  EXPECT_EQ(vco[59], "[59] 6100000000");
  EXPECT_EQ(vco.back(), "[74] 6600000000");
  EXPECT_EQ(ListEntries("N1HS_list"), (std::vector<std::string>{"10", "7", "6", "5"}));
  EXPECT_EQ(Text("F3lbl"), "F3 = 1875000 Hz ");
  EXPECT_EQ(Text("Fosclbl"), "Fosc = 4.2 GHz ");
  EXPECT_TRUE(Control<QWidget>("Out1Freq")->hasFocus() || !window_->isActiveWindow());
  EXPECT_TRUE(Control<QWidget>("FindFreq")->isEnabled());
  EXPECT_TRUE(Control<QWidget>("Bar")->isHidden());
  EXPECT_TRUE(messages_.empty());
  clock_.Advance(std::chrono::milliseconds(1100));
  EXPECT_TRUE(sim_.device(0).pll_locked());
  EXPECT_TRUE(sim_.device(0).violations().empty());
}

TEST_F(PllWindowTest, RequestsOutsideTheLimitsOrNotNumbersAreRefusedWithAMessage) {
  struct Case {
    const char* text;
    const char* title;
    const char* message;
  };
  const Case cases[] = {
      {"364", "Frequency too low", "Lowest available frequency is 365 Hz"},
      {"0", "Frequency too low", "Lowest available frequency is 365 Hz"},
      {"-10", "Frequency too low", "Lowest available frequency is 365 Hz"},
      {"825000001", "Frequency too high", "Highest available frequency is 825 MHz"},
      {"", "Frequency not a number", "Type the output frequency in Hz, for example 10000000"},
      {"ten", "Frequency not a number", "Type the output frequency in Hz, for example 10000000"},
      {"9999991", "No exact setting", "No exact divider setting exists for 9999991 Hz"},
  };
  for (const Case& c : cases) {
    messages_.clear();
    const std::size_t mark = Mark();
    TypeFrequency(c.text);
    EXPECT_TRUE(ReceivedSince(mark).empty()) << c.text;
    ASSERT_EQ(messages_.size(), 1u) << c.text;
    EXPECT_EQ(messages_[0].first, c.title);
    EXPECT_EQ(messages_[0].second, c.message);
  }
  EXPECT_EQ(TraceLines("message").back(),
            "message No exact setting | No exact divider setting exists for 9999991 Hz");
}

TEST_F(PllWindowTest, TheLimitsThemselvesAndJustInsideAreAccepted) {
  // 364.2 Hz passes the limit but has no whole-hertz phase-detector frequency.
  TypeFrequency("364.2");
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].first, "No exact setting");
  for (const char* text : {"365", "825000000"}) {
    messages_.clear();
    const std::size_t mark = Mark();
    TypeFrequency(text);
    EXPECT_EQ(ReceivedSince(mark).size(), 2u) << text;
    EXPECT_TRUE(messages_.empty()) << text;
  }
  EXPECT_EQ(ListEntries("Fvco_list"), (std::vector<std::string>{"[0] 6600000000"}));
}

TEST_F(PllWindowTest, AfterARefusedRequestTheOldListIsInert) {
  TypeFrequency("10000000");
  TypeFrequency("1");
  const std::size_t mark = Mark();
  window_->events().SelectEntry(Control<QComboBox>("Fvco_list"), 5);
  EXPECT_TRUE(ReceivedSince(mark).empty());
}

TEST_F(PllWindowTest, ChoosingAVcoCandidateFillsTheChainedListsAndPrograms) {
  TypeFrequency("10000000");
  const int index = IndexOfProduct(253);
  const std::size_t mark = Mark();
  window_->events().SelectEntry(Control<QComboBox>("Fvco_list"), index);
  EXPECT_EQ(ListEntries("N1HS_list"), (std::vector<std::string>{"11"}));
  EXPECT_FALSE(Control<QWidget>("N1HS_list")->isEnabled());
  EXPECT_EQ(Text("NC1LS_calc"), "46");
  EXPECT_EQ(ListEntries("N2HS_list"), (std::vector<std::string>{"11", "10", "8", "5", "4"}));
  EXPECT_TRUE(Control<QWidget>("N2HS_list")->isEnabled());
  const std::vector<std::string> n2_ls = ListEntries("N2LS_list");
  ASSERT_EQ(n2_ls.size(), 24u);
  EXPECT_EQ(std::vector<std::string>(n2_ls.begin(), n2_ls.begin() + 8),
            (std::vector<std::string>{"250", "256", "320", "368", "400", "500", "640", "736"}));
  EXPECT_EQ(Text("F3_calc"), "1840000");
  // GPS 1840000, N31 1, N2_HS 11, N2_LS 250, N1_HS 11, NC1_LS 46; NC2_LS kept at 46.
  const std::vector<std::uint8_t> expected =
      Report({0, 4, 0x80, 0x13, 0x1C, 0, 0, 0, 7, 0xF9, 0, 0, 7, 0x2D, 0, 0, 0x2D, 0, 0, 0, 15});
  EXPECT_EQ(ReceivedSince(mark), (Reports{expected, expected}));
  EXPECT_EQ(Text("Fosclbl"), "Fosc = 5.06 GHz ");
  EXPECT_EQ(Text("Out1Freq"), "10000000");

  // "Save and recalibrate PLL" sends the same set, NC2_LS now taken from NC1LS_calc.
  SetText("NC2_LS", "100");
  const std::size_t save_mark = Mark();
  Control<QPushButton>("Command2")->click();
  EXPECT_EQ(ReceivedSince(save_mark), (Reports{expected, expected}));
}

TEST_F(PllWindowTest, AnEmptyListBelowAChoiceStopsTheChainWithAMessage) {
  // 625049857 Hz: every candidate offers only an N2_HS whose phase-detector frequencies all lie
  // at or below 50 kHz, so no N2_LS can be listed.
  std::size_t mark = Mark();
  TypeFrequency("625049857");
  EXPECT_TRUE(ReceivedSince(mark).empty());
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].second, "No exact divider setting exists for 625049857 Hz");

  // The chain stops at the first entry, yet other choices have a setting: the message says so.
  messages_.clear();
  TypeFrequency("796913126");
  EXPECT_TRUE(ReceivedSince(mark).empty());
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].second,
            "The first N2_HS for the VCO frequency [0] 6375305008 has no exact N2_LS for "
            "796913126 Hz. Try another N2_HS in the list");

  // Out1Freq edited after a search: a user's divider choice finds nothing and sends nothing.
  TypeFrequency("10000000");
  window_->events().SelectEntry(Control<QComboBox>("Fvco_list"), IndexOfProduct(253));
  SetText("Out1Freq", "1");
  messages_.clear();
  mark = Mark();
  QComboBox* n2_hs = Control<QComboBox>("N2HS_list");
  n2_hs->setCurrentIndex(1);
  emit n2_hs->activated(1);
  EXPECT_TRUE(ReceivedSince(mark).empty());
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].first, "No exact setting");
}

TEST_F(PllWindowTest, UpdateCorrectsFieldsBeforeSendingAndBothSendsCarryThem) {
  for (const char* field : {"GPS", "N31", "N2_HS", "N2_LS", "NC1_LS", "NC2_LS"}) SetText(field, "");
  SetText("N1_HS", "12");
  SetText("BW", "3");
  const std::size_t mark = Mark();
  Control<QPushButton>("SetFreq")->click();
  EXPECT_EQ(Text("N1_HS"), "11");
  EXPECT_EQ(Text("GPS"), "2875000");
  const std::vector<std::uint8_t> defaults =
      Report({0, 4, 0x78, 0xDE, 0x2B, 2, 0, 0, 7, 0xDF, 1, 0, 7, 0x2D, 0, 0, 0x2D, 0, 0, 0, 3});
  EXPECT_EQ(ReceivedSince(mark), (Reports{defaults, defaults}));
  EXPECT_EQ(Text("Out1Freq"), "10000000");
  EXPECT_EQ(Text("Label12"), "Fvco/N1_HS = 460000000");

  // Fractions: the fields end up holding the whole, legal numbers sent, and the displays follow.
  SetText("N2_HS", "10.5");
  SetText("NC1_LS", "47.5");
  const std::size_t fraction_mark = Mark();
  Control<QPushButton>("SetFreq")->click();
  EXPECT_EQ(Text("N2_HS"), "10");
  EXPECT_EQ(Text("NC1_LS"), "48");
  const std::vector<std::uint8_t> whole =
      Report({0, 4, 0x78, 0xDE, 0x2B, 2, 0, 0, 6, 0xDF, 1, 0, 7, 0x2F, 0, 0, 0x2D, 0, 0, 0, 3});
  EXPECT_EQ(ReceivedSince(fraction_mark), (Reports{whole, whole}));
  EXPECT_EQ(Text("Fosclbl"), "Fosc = 4.6 GHz ");
}

TEST_F(PllWindowTest, SaveBeforeAnySearchProgramsN31OneAndTheDefaults) {
  SetText("BW", "15");
  const std::size_t mark = Mark();
  Control<QPushButton>("Command2")->click();
  const std::vector<std::uint8_t> expected =
      Report({0, 4, 0x78, 0xDE, 0x2B, 0, 0, 0, 7, 0xDF, 1, 0, 7, 0x2D, 0, 0, 0x2D, 0, 0, 0, 15});
  EXPECT_EQ(ReceivedSince(mark), (Reports{expected, expected}));
}

TEST_F(PllWindowTest, ABandwidthThatIsNotAByteIsRefusedAndNothingIsSent) {
  for (const char* bw : {"256", "1.5", "-1", "x", ""}) {
    SetText("BW", bw);
    messages_.clear();
    const std::size_t mark = Mark();
    Control<QPushButton>("SetFreq")->click();
    EXPECT_TRUE(ReceivedSince(mark).empty()) << bw;
    ASSERT_EQ(messages_.size(), 1u) << bw;
    EXPECT_EQ(messages_[0].first, "Bandwidth not valid");
  }
}

TEST_F(PllWindowTest, RegisterWriteSendsTwoBytesOrRefusesWithAMessage) {
  SetText("REG", "25");
  SetText("DATA", "160");
  std::size_t mark = Mark();
  Control<QPushButton>("WriteRegister")->click();
  EXPECT_EQ(ReceivedSince(mark), (Reports{Report({0, 5, 0x19, 0xA0})}));
  EXPECT_EQ(sim_.device(0).register_value(25), 160);
  for (const auto& [reg, data] : std::vector<std::pair<const char*, const char*>>{
           {"256", "1"}, {"1", "1.5"}, {"", "1"}, {"0x10", "1"}}) {
    SetText("REG", reg);
    SetText("DATA", data);
    messages_.clear();
    mark = Mark();
    Control<QPushButton>("WriteRegister")->click();
    EXPECT_TRUE(ReceivedSince(mark).empty()) << reg << " " << data;
    EXPECT_EQ(messages_.size(), 1u);
  }
}

TEST_F(PllWindowTest, WithoutDeviceUpdateChangesNothingNotEvenTheDisplays) {
  window_->link().DropLink();
  SetText("N1_HS", "12");
  SetText("Out1Freq", "123");
  Control<QPushButton>("SetFreq")->click();
  EXPECT_EQ(Text("N1_HS"), "12");
  EXPECT_EQ(Text("Out1Freq"), "123");
}

}  // namespace
}  // namespace orvane
