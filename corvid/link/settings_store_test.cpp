#include "corvid/link/settings_store.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

namespace corvid {
namespace {

class SettingsStoreTest : public ::testing::Test {
 protected:
  QString Path() const { return dir_.filePath("corvid.ini"); }
  QSettings Raw() const { return QSettings(Path(), QSettings::IniFormat); }
  // Loads after storing one raw entry, the way a hand-edited store might hold it.
  LinkSettings LoadWith(const QString& key, const QString& value) {
    QFile::remove(Path());
    Raw().setValue(key, value);
    return SettingsStore(Path()).Load();
  }
  QTemporaryDir dir_;
};

TEST_F(SettingsStoreTest, EmptyStoreGivesDefaultsAndWritesNothing) {
  const LinkSettings s = SettingsStore(Path()).Load();
  EXPECT_EQ(s.SlotAddress, 1);
  EXPECT_EQ(s.PortNumber, 1);
  const CalibrationSettings& c = s.cal;
  EXPECT_EQ((std::array{c.lv_voltage, c.lv_resistor, c.hv_voltage, c.hv_resistor, c.vhv_voltage,
                        c.vhv_resistor}),
            (std::array{48.0f, 26.12f, 110.0f, 55.01f, 220.0f, 110.1f}));
  EXPECT_TRUE(Raw().allKeys().isEmpty());
}

// Bad or out-of-range values read as the defaults; key case does not matter.
TEST_F(SettingsStoreTest, StoredPortValues) {
  struct Case {
    const char* key;
    const char* text;
    int slot, port;
  };
  for (const Case& c :
       {Case{"port/sb3_address", "31", 31, 1}, Case{"port/sb3_address", "17", 17, 1},
        Case{"port/sb3_address", "0", 1, 1}, Case{"port/sb3_address", "-4", 1, 1},
        Case{"port/sb3_address", "32", 1, 1}, Case{"port/sb3_address", "abc", 1, 1},
        Case{"port/sb3_address", " 5 ", 5, 1}, Case{"port/SB3_Address", "9", 9, 1},
        Case{"port/portnum", "20", 1, 20}, Case{"port/portnum", "COM3", 1, 1},
        Case{"port/portnum", "0", 1, 1}, Case{"port/portnum", "99999999999", 1, 1},
        Case{"port/PortNum", "7", 1, 7}}) {
    const LinkSettings s = LoadWith(c.key, c.text);
    EXPECT_EQ(s.SlotAddress, c.slot) << c.key << "=" << c.text;
    EXPECT_EQ(s.PortNumber, c.port) << c.key << "=" << c.text;
  }
}

TEST_F(SettingsStoreTest, StoredCalibrationValues) {
  using Field = float CalibrationSettings::*;
  struct Case {
    const char* key;
    const char* text;
    Field field;
    float expected;
  };
  using C = CalibrationSettings;
  for (const Case& c :
       {Case{"LVvoltage", "47.5", &C::lv_voltage, 47.5f},
        Case{"LVResistor", "27", &C::lv_resistor, 27},
        Case{"HVresistor", "50.5", &C::hv_resistor, 50.5f},
        Case{"vhvvoltage", "230", &C::vhv_voltage, 230},
        Case{"VHVRESISTOR", "100", &C::vhv_resistor, 100},
        Case{"HVvoltage", "0", &C::hv_voltage, 0}, Case{"LVvoltage", "forty", &C::lv_voltage, 48},
        Case{"LVresistor", "26.5ohm", &C::lv_resistor, 26.12f},
        Case{"HVresistor", "-5", &C::hv_resistor, 55.01f},
        Case{"VHVvoltage", "inf", &C::vhv_voltage, 220},
        Case{"VHVresistor", "", &C::vhv_resistor, 110.1f}}) {
    EXPECT_FLOAT_EQ(LoadWith(QStringLiteral("cal/") + c.key, c.text).cal.*c.field, c.expected)
        << c.key << "=" << c.text;
  }
}

TEST_F(SettingsStoreTest, SavesUnderTheGivenKeysAndReadsBack) {
  Raw().setValue("cal/lvRESISTOR", "31");  // another spelling of the same entry
  SettingsStore store(Path());
  store.SaveSlotAddress(31);
  store.SavePortNumber(12);
  CalibrationSettings cal;
  cal.lv_resistor = 26.5f;
  cal.hv_voltage = 115;
  store.SaveCalibration(cal);
  const QSettings raw = Raw();
  EXPECT_EQ(raw.value("port/sb3_address").toString(), "31");
  EXPECT_EQ(raw.value("port/portnum").toString(), "12");
  EXPECT_EQ(raw.value("cal/LVResistor").toString(), "26.5");
  EXPECT_EQ(raw.value("cal/HVvoltage").toString(), "115");
  EXPECT_EQ(raw.value("cal/HVResistor").toString(), "55.01");
  EXPECT_EQ(raw.value("cal/VHVResistor").toString(), "110.1");
  EXPECT_FALSE(raw.contains("cal/lvRESISTOR"));
  const LinkSettings back = SettingsStore(Path()).Load();
  EXPECT_EQ(back.SlotAddress, 31);
  EXPECT_EQ(back.PortNumber, 12);
  EXPECT_EQ(back.cal, cal);
}

TEST(SlotAddressEntriesTest, ThirtyOneEntries) {
  QStringList expected = {"0x00", "0x01", "0x02", "0x03", "0x04", "0x05", "0x06", "0x07",
                          "0x08", "0x09", "0x0A", "0x0B", "0x0C", "0x0D", "0x0E", "0x0F"};
  for (int i = 16; i <= 28; ++i) expected << "--";
  expected << "0x1D"
           << "0x1E";
  EXPECT_EQ(SlotAddressEntries(), expected);
}

}  // namespace
}  // namespace corvid
