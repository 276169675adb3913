#include <windows.h>

#include <gtest/gtest.h>

#include "app/RegistrySettings_win.h"
#include "session/SessionRecord.h"

namespace {

const char* kApp = "HushwallSettingsTest";

class SettingsWin : public ::testing::Test {
protected:
    void SetUp() override { Clear(); }
    void TearDown() override { Clear(); }
    static void Clear() {
        ::RegDeleteTreeA(HKEY_CURRENT_USER, (std::string("Software\\Calderine\\") + kApp).c_str());
    }
    RegistrySettings m_settings{kCompanyKey, kApp};
};

TEST_F(SettingsWin, StringsLiveUnderCompanyApplicationAndSection) {
    EXPECT_EQ(m_settings.GetString(kSessionSection, kSessionEntry, "none"), "none");
    ASSERT_TRUE(m_settings.WriteString(kSessionSection, kSessionEntry, "1893456000"));
    EXPECT_EQ(m_settings.GetString(kSessionSection, kSessionEntry), "1893456000");

    char value[64] = {};
    DWORD size = sizeof(value);
    EXPECT_EQ(::RegGetValueA(HKEY_CURRENT_USER,
                             "Software\\Calderine\\HushwallSettingsTest\\BlockingSectionInfo",
                             "BlockingEntryInfo", RRF_RT_REG_SZ, nullptr, value, &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(value, "1893456000");

    ASSERT_TRUE(m_settings.WriteString(kSessionSection, kSessionEntry, ""));
    EXPECT_EQ(m_settings.GetString(kSessionSection, kSessionEntry, "fallback"), "");
}

TEST_F(SettingsWin, ValuesOfAnotherTypeReadAsTheFallback) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Calderine\\HushwallSettingsTest\\S",
                                0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const DWORD number = 5;
    ::RegSetValueExA(key, "E", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                     sizeof(number));
    // A string stored without its terminator still reads whole.
    ::RegSetValueExA(key, "Raw", 0, REG_SZ, reinterpret_cast<const BYTE*>("abc"), 3);
    ::RegCloseKey(key);
    EXPECT_EQ(m_settings.GetString("S", "E", "fallback"), "fallback");
    EXPECT_EQ(m_settings.GetString("S", "Raw"), "abc");
}

}  // namespace
