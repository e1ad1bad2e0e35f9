// The frequency search, the VCO and divider lists, and programming, through the window.
#include <QTest>

#include "protocol/commands.h"
#include "support/window_fixture.h"

namespace orvane {
namespace {

class PllWindowTest : public WindowTest {
 protected:
  void SetUp() override {
    AddDevice();
    Start();
  }

  // Types `frequency` into Out1Freq and presses Enter.
  void TypeFrequency(const char* frequency) {
    SetText("Out1Freq", frequency);
    QTest::keyClick(Control<QLineEdit>("Out1Freq"), Qt::Key_Return);
  }
  // The entries of list `name` joined by "|".
  std::string Entries(const char* name) {
    auto* list = Control<QComboBox>(name);
    QStringList entries;
    for (int i = 0; i < list->count(); ++i) entries << list->itemText(i);
    return entries.join('|').toStdString();
  }
  // Chooses the VCO candidate whose divider product is `product`.
  void ChooseProduct(std::int32_t product) {
    const auto& products = window_->candidates().table.ProductTable;
    const auto at = std::find(products.begin(), products.end(), product) - products.begin();
    window_->events().SelectEntry(Control<QComboBox>("Fvco_list"), static_cast<int>(at));
  }
  // The dividers of the last report the device received.
  PllDividers LastSent() { return DecodePllConfiguration(sim_.device(0).received().back()); }
};

TEST_F(PllWindowTest, EnterProgramsAndFillsTheFieldsListsAndDisplays) {
  TypeFrequency("10000000");  // what it sends is pinned by the session trace
  EXPECT_EQ(Texts({"Out1Freq", "GPS", "BW", "NC2_LS", "F3lbl", "Fosclbl"}),
            "10000000|1875000|15|46|F3 = 1875000 Hz |Fosc = 4.2 GHz ");
  EXPECT_EQ(Control<QComboBox>("Fvco_list")->count(), 75);
  EXPECT_EQ(Entries("N1HS_list"), "10|7|6|5");
}

TEST_F(PllWindowTest, AVcoChoiceFillsTheChainedListsAndProgramsAndSaveTakesNc2FromNc1) {
  TypeFrequency("10000000");
  const std::size_t mark = Mark();
  ChooseProduct(253);
  EXPECT_EQ(Entries("N1HS_list"), "11");
  EXPECT_EQ(Entries("N2HS_list"), "11|10|8|5|4");
  EXPECT_EQ(Control<QComboBox>("N2LS_list")->count(), 24);
  EXPECT_EQ(Texts({"NC1LS_calc", "F3_calc", "Fosclbl", "Out1Freq"}),
            "46|1840000|Fosc = 5.06 GHz |10000000");

  SetText("NC2_LS", "100");
  Click("Command2");
  EXPECT_EQ(CodesSince(mark), (std::vector<int>{4, 4, 4, 4}));  // the choice, then the save
  EXPECT_EQ(LastSent().nc2_ls, 46u);
}

TEST_F(PllWindowTest, OldListsSendNothingAfterARefusedOrEditedFrequency) {
  TypeFrequency("10000000");
  TypeFrequency("1");
  std::size_t mark = Mark();
  window_->events().SelectEntry(Control<QComboBox>("Fvco_list"), 5);
  EXPECT_EQ(Mark(), mark);

  TypeFrequency("10000000");
  ChooseProduct(253);
  SetText("Out1Freq", "1");
  messages_.clear();
  mark = Mark();
  Pick("N2HS_list", 1);
  EXPECT_EQ(Mark(), mark);
  EXPECT_EQ(Title(), "No exact setting");

  // Unplugged, the readback empties Out1Freq; the lists keep their entries and say nothing.
  TypeFrequency("10000000");
  sim_.device(0).Unplug();
  Tick(3);
  ASSERT_EQ(Text("Out1Freq"), "");
  messages_.clear();
  for (const char* list : {"Fvco_list", "N1HS_list", "N2HS_list", "N2LS_list"}) Pick(list, 0);
  EXPECT_TRUE(messages_.empty()) << Title();
}

TEST_F(PllWindowTest,
       SaveBeforeAnySearchProgramsN31OneAndUpdateCorrectsTheFieldsItSendsButOnlyWithADevice) {
  Click("Command2");
  EXPECT_EQ(LastSent().n31, 1u);

  for (const char* field : {"GPS", "N31", "N2_HS", "N2_LS", "NC1_LS", "NC2_LS"}) SetText(field, "");
  SetText("N1_HS", "12");
  Click("SetFreq");
  EXPECT_EQ(Texts({"N1_HS", "GPS", "Out1Freq", "Label12"}),
            "11|2875000|10000000|Fvco/N1_HS = 460000000");
  EXPECT_EQ(LastSent().n1_hs, 11u);

  // Without a device nothing changes, not even the displays.
  window_->session().DropLink();
  SetText("N1_HS", "12");
  SetText("Out1Freq", "123");
  Click("SetFreq");
  EXPECT_EQ(Texts({"N1_HS", "Out1Freq"}), "12|123");
}

TEST_F(PllWindowTest, BadFrequenciesBandwidthsAndRegistersAreRefusedWithAMessageSendingNothing) {
  const char* const kBw = "Bandwidth not valid | BW must be a whole number from 0 to 255";
  const char* const kReg =
      "Register write not valid | REG and DATA must be whole numbers from 0 to 255";
  const struct {
    std::vector<const char*> texts;
    std::string message;
    const char* field = "Out1Freq";
    const char* button = "Enter";  // the key in Out1Freq
    std::size_t sent = 0;
  } cases[] = {
      {{"364", "0", "-10"}, "Frequency too low | Lowest available frequency is 365 Hz"},
      {{"", "ten"},
       "Frequency not a number | Type the output frequency in Hz, for example 10000000"},
      {{"825000001"}, "Frequency too high | Highest available frequency is 825 MHz"},
      {{"9999991"}, "No exact setting | No exact divider setting exists for 9999991 Hz"},
      // Within the limit but without a whole-hertz phase-detector frequency.
      {{"364.2"},
       "No exact setting | The VCO frequency [0] 4200003931.2 has no exact divider setting for "
       "364.2 Hz. Try another VCO frequency in the list"},
      // The chain stops at the first entry, yet other choices have a setting.
      {{"796913126"},
       "No exact setting | The first N2_HS for the VCO frequency [0] 6375305008 has no exact "
       "N2_LS for 796913126 Hz. Try another N2_HS in the list"},
      {{"256", "1.5", "-1", "x", ""}, kBw, "BW", "SetFreq"},
      {{"256", "", "0x10"}, kReg, "REG", "WriteRegister"},
      {{"1.5"}, kReg, "DATA", "WriteRegister"},
      {{"25"}, "", "REG", "WriteRegister", 1},             // written
      {{"365", "825000000"}, "", "Out1Freq", "Enter", 2},  // programmed
  };
  std::size_t refused = 0;
  for (const auto& c : cases) {
    for (const char* text : c.texts) {
      for (const char* field : {"BW", "REG", "DATA"}) SetText(field, "15");
      messages_.clear();
      const std::size_t mark = Mark();
      if (c.button == std::string_view("Enter")) {
        TypeFrequency(text);
      } else {
        SetText(c.field, text);
        Click(c.button);
      }
      EXPECT_EQ(Message(), c.message) << c.field << " " << text;
      EXPECT_EQ(Mark() - mark, c.sent) << c.field << " " << text;
      refused += !c.message.empty();
    }
  }
  EXPECT_EQ(Entries("Fvco_list"), "[0] 6600000000");
  EXPECT_EQ(TraceLines("message").size(), refused);  // the window traces each one
  EXPECT_EQ(sim_.device(0).register_value(25), 15);
}

}  // namespace
}  // namespace orvane
