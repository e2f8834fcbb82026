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
  QTemporaryDir dir_;
};

// Empty, hand-edited or out-of-range entries read as the defaults; key case does not
// matter. Each case: the one raw entry stored, then slot, port and the six
// calibration values (LV, HV, VHV voltage and resistor) read back.
TEST_F(SettingsStoreTest, LoadsWhatIsStoredOrTheDefaults) {
  struct Case {
    const char* key;
    const char* text;
    int slot, port;
    std::array<float, 6> cal;
  };
  const std::array<float, 6> d{48.0f, 26.12f, 110.0f, 55.01f, 220.0f, 110.1f};
  for (const Case& c :
       {Case{"", "", 1, 1, d}, Case{"port/sb3_address", "31", 31, 1, d},
        Case{"port/sb3_address", "32", 1, 1, d}, Case{"port/SB3_Address", " 5 ", 5, 1, d},
        Case{"port/portnum", "99999999999", 1, 1, d}, Case{"port/PortNum", "7", 1, 7, d},
        Case{"cal/LVvoltage", "47.5", 1, 1, {47.5f, 26.12f, 110, 55.01f, 220, 110.1f}},
        Case{"cal/HVvoltage", "0", 1, 1, {48, 26.12f, 0, 55.01f, 220, 110.1f}},
        Case{"cal/LVresistor", "26.5ohm", 1, 1, d}, Case{"cal/HVresistor", "-5", 1, 1, d},
        Case{"cal/VHVvoltage", "inf", 1, 1, d}}) {
    SCOPED_TRACE(std::string(c.key) + "=" + c.text);
    QFile::remove(Path());
    if (*c.key) Raw().setValue(c.key, c.text);
    const LinkSettings s = SettingsStore(Path()).Load();
    EXPECT_EQ(std::tuple(s.SlotAddress, s.PortNumber), std::tuple(c.slot, c.port));
    EXPECT_EQ((std::array{s.cal.lv_voltage, s.cal.lv_resistor, s.cal.hv_voltage, s.cal.hv_resistor,
                          s.cal.vhv_voltage, s.cal.vhv_resistor}),
              c.cal);
    EXPECT_EQ(Raw().allKeys().size(), *c.key ? 1 : 0);  // loading writes nothing
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
  QStringList entries;
  for (const char* key : {"port/sb3_address", "port/portnum", "cal/LVResistor", "cal/HVvoltage",
                          "cal/VHVResistor", "cal/lvRESISTOR"})
    entries << raw.value(key, "-").toString();
  EXPECT_EQ(entries, (QStringList{"31", "12", "26.5", "115", "110.1", "-"}));
  const LinkSettings back = SettingsStore(Path()).Load();
  EXPECT_EQ(std::tuple(back.SlotAddress, back.PortNumber), std::tuple(31, 12));
  EXPECT_EQ(back.cal, cal);
}

}  // namespace
}  // namespace corvid
