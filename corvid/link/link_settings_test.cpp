#include "corvid/link/link_settings.h"

#include <gtest/gtest.h>

#include <QSettings>
#include <QTemporaryDir>

namespace corvid {
namespace {

class SettingsStoreTest : public ::testing::Test {
 protected:
  QString Path() const { return dir_.filePath("corvid.ini"); }
  // Writes raw entries the way a hand-edited or older store might hold them.
  void Put(const QString& key, const QString& value) {
    QSettings raw(Path(), QSettings::IniFormat);
    raw.setValue(key, value);
  }
  QStringList Keys(const QString& group) const {
    QSettings raw(Path(), QSettings::IniFormat);
    raw.beginGroup(group);
    return raw.childKeys();
  }
  QString Raw(const QString& key) const {
    return QSettings(Path(), QSettings::IniFormat).value(key).toString();
  }

  QTemporaryDir dir_;
};

TEST_F(SettingsStoreTest, EmptyStoreGivesDefaultsAndWritesNothing) {
  SettingsStore store(Path());
  const LinkSettings s = store.Load();
  EXPECT_EQ(s.SlotAddress, 1);
  EXPECT_EQ(s.PortNumber, 1);
  EXPECT_EQ(s.cal, CalibrationSettings{});
  EXPECT_FLOAT_EQ(s.cal.lv_voltage, 48);
  EXPECT_FLOAT_EQ(s.cal.lv_resistor, 26.12f);
  EXPECT_FLOAT_EQ(s.cal.hv_voltage, 110);
  EXPECT_FLOAT_EQ(s.cal.hv_resistor, 55.01f);
  EXPECT_FLOAT_EQ(s.cal.vhv_voltage, 220);
  EXPECT_FLOAT_EQ(s.cal.vhv_resistor, 110.1f);
  EXPECT_TRUE(Keys("port").isEmpty());
  EXPECT_TRUE(Keys("cal").isEmpty());
}

struct StoredCase {
  const char* name;
  const char* key;
  const char* text;
  int slot;
  int port;
};

class StoredPortValueTest : public SettingsStoreTest,
                            public ::testing::WithParamInterface<StoredCase> {};

TEST_P(StoredPortValueTest, Reads) {
  Put(GetParam().key, GetParam().text);
  const LinkSettings s = SettingsStore(Path()).Load();
  EXPECT_EQ(s.SlotAddress, GetParam().slot);
  EXPECT_EQ(s.PortNumber, GetParam().port);
}

INSTANTIATE_TEST_SUITE_P(
    Values, StoredPortValueTest,
    ::testing::Values(StoredCase{"Slot31", "port/sb3_address", "31", 31, 1},
                      StoredCase{"Slot17", "port/sb3_address", "17", 17, 1},
                      StoredCase{"SlotZeroSelectsFirst", "port/sb3_address", "0", 1, 1},
                      StoredCase{"SlotNegative", "port/sb3_address", "-4", 1, 1},
                      StoredCase{"SlotAbove31", "port/sb3_address", "32", 1, 1},
                      StoredCase{"SlotText", "port/sb3_address", "abc", 1, 1},
                      StoredCase{"SlotBlanks", "port/sb3_address", " 5 ", 5, 1},
                      StoredCase{"SlotUpperCaseKey", "port/SB3_Address", "9", 9, 1},
                      StoredCase{"Port20", "port/portnum", "20", 1, 20},
                      StoredCase{"PortText", "port/portnum", "COM3", 1, 1},
                      StoredCase{"PortZero", "port/portnum", "0", 1, 1},
                      StoredCase{"PortHuge", "port/portnum", "99999999999", 1, 1},
                      StoredCase{"PortOddCaseKey", "port/PortNum", "7", 1, 7}),
    [](const auto& info) { return std::string(info.param.name); });

struct CalCase {
  const char* name;
  const char* key;
  const char* text;
  float CalibrationSettings::*field;
  float expected;
};

class StoredCalValueTest : public SettingsStoreTest,
                           public ::testing::WithParamInterface<CalCase> {};

TEST_P(StoredCalValueTest, Reads) {
  Put(QStringLiteral("cal/") + GetParam().key, GetParam().text);
  const CalibrationSettings cal = SettingsStore(Path()).Load().cal;
  EXPECT_FLOAT_EQ(cal.*GetParam().field, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, StoredCalValueTest,
    ::testing::Values(
        CalCase{"LvVoltage", "LVvoltage", "47.5", &CalibrationSettings::lv_voltage, 47.5f},
        CalCase{"ResistorWrittenForm", "LVResistor", "27", &CalibrationSettings::lv_resistor, 27},
        CalCase{"ResistorReadForm", "HVresistor", "50.5", &CalibrationSettings::hv_resistor, 50.5f},
        CalCase{"LowerCaseKey", "vhvvoltage", "230", &CalibrationSettings::vhv_voltage, 230},
        CalCase{"UpperCaseKey", "VHVRESISTOR", "100", &CalibrationSettings::vhv_resistor, 100},
        CalCase{"ZeroKept", "HVvoltage", "0", &CalibrationSettings::hv_voltage, 0},
        CalCase{"NotANumber", "LVvoltage", "forty", &CalibrationSettings::lv_voltage, 48},
        CalCase{"TrailingText", "LVresistor", "26.5ohm", &CalibrationSettings::lv_resistor, 26.12f},
        CalCase{"Negative", "HVresistor", "-5", &CalibrationSettings::hv_resistor, 55.01f},
        CalCase{"Infinite", "VHVvoltage", "inf", &CalibrationSettings::vhv_voltage, 220},
        CalCase{"Empty", "VHVresistor", "", &CalibrationSettings::vhv_resistor, 110.1f}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsStoreTest, SavesUnderTheGivenKeysAndReadsBack) {
  SettingsStore store(Path());
  store.SaveSlotAddress(31);
  store.SavePortNumber(12);
  CalibrationSettings cal;
  cal.lv_resistor = 26.5f;
  cal.hv_voltage = 115;
  store.SaveCalibration(cal);
  EXPECT_EQ(Raw("port/sb3_address"), "31");
  EXPECT_EQ(Raw("port/portnum"), "12");
  EXPECT_EQ(Raw("cal/LVResistor"), "26.5");
  EXPECT_EQ(Raw("cal/HVvoltage"), "115");
  EXPECT_EQ(Raw("cal/VHVResistor"), "110.1");
  EXPECT_EQ(Raw("cal/HVResistor"), "55.01");
  const LinkSettings back = SettingsStore(Path()).Load();
  EXPECT_EQ(back.SlotAddress, 31);
  EXPECT_EQ(back.PortNumber, 12);
  EXPECT_EQ(back.cal, cal);
}

TEST_F(SettingsStoreTest, WritingResistorReplacesOtherSpellings) {
  Put("cal/LVresistor", "30");
  Put("cal/lvRESISTOR", "31");
  SettingsStore store(Path());
  CalibrationSettings cal;
  cal.lv_resistor = 25;
  store.SaveCalibration(cal);
  EXPECT_EQ(Keys("cal").filter("resistor", Qt::CaseInsensitive).filter("LV"), QStringList{"LVResistor"});
  EXPECT_FLOAT_EQ(SettingsStore(Path()).Load().cal.lv_resistor, 25);
}

TEST(CalibrationSettingsTest, PairByDeviceType) {
  const CalibrationSettings cal;
  struct Case {
    int type;
    std::optional<float> volts, ohms;
  };
  for (const Case& c : {Case{1, 110, 55.01f}, Case{4, 110, 55.01f}, Case{2, 48, 26.12f},
                        Case{5, 48, 26.12f}, Case{3, 220, 110.1f}, Case{6, 220, 110.1f},
                        Case{0, {}, {}}, Case{7, {}, {}}}) {
    SCOPED_TRACE(c.type);
    EXPECT_EQ(cal.VoltageFor(c.type), c.volts);
    EXPECT_EQ(cal.ResistorFor(c.type), c.ohms);
  }
}

TEST(SlotAddressEntriesTest, ThirtyOneEntries) {
  const QStringList entries = SlotAddressEntries();
  ASSERT_EQ(entries.size(), 31);
  EXPECT_EQ(entries[0], "0x00");
  EXPECT_EQ(entries[10], "0x0A");
  EXPECT_EQ(entries[15], "0x0F");
  for (int i = 16; i <= 28; ++i) EXPECT_EQ(entries[i], "--") << i;
  EXPECT_EQ(entries[29], "0x1D");
  EXPECT_EQ(entries[30], "0x1E");
}

TEST(SingleTextTest, ShortestForm) {
  EXPECT_EQ(SingleText(26.12f), "26.12");
  EXPECT_EQ(SingleText(110.0f), "110");
  EXPECT_EQ(SingleText(110.1f), "110.1");
  EXPECT_EQ(SingleText(0.0f), "0");
}

}  // namespace
}  // namespace corvid
