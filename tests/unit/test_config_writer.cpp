// The window's fields, the file text built from them and the atomic replacement of the file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/config_fields.h"
#include "config/config_reader.h"
#include "config/config_writer.h"
#include "test_config_support.h"

namespace nodrel {
namespace {

using testing::ConfigData;
using testing::ReadBytes;
using testing::Replaced;
using testing::WriteBytes;

constexpr const char* kStamp = "05-Mar-24 14:07:09";

std::vector<std::string> FolderEntries(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

TEST(ConfigWriter, RestoredDefaultsGiveTheExactFileAndKeepTheAddressFields) {
    ConfigFields fields;
    fields.DNameT = 0;
    fields.IPAddT = "192.168.1.20";
    fields.RunOnTopT = 1;
    fields.StartMinT = 0;
    RestoreDefaults(fields);
    EXPECT_EQ(fields.IPAddT, "192.168.1.20");
    EXPECT_EQ(BuildConfigText(fields, 1, kStamp), ConfigData("written.ini"));

    fields.DNameT = 1;
    fields.IPAddT = "partner";
    RestoreDefaults(fields);
    EXPECT_EQ(BuildConfigText(fields, 1, kStamp),
              Replaced(Replaced(ConfigData("written.ini"), "DName=1", "DName=2"),
                       "IPAdd=192.168.1.20", "IPAdd=partner"));
}

TEST(ConfigWriter, NumbersAreWrittenAsReadFromTheFields) {
    ConfigFields fields;
    RestoreDefaults(fields);
    fields.AvTimeT = "1.5";
    fields.CPUDelayT = " 0060 s";
    fields.ShutTimeT = "30 s";
    const std::string text = BuildConfigText(fields, 2, kStamp);
    for (const char* line :
         {"\nAvTime=1.5\r", "\nCPUDelay=60\r", "\nShutTime=30\r", "\nCMain=2\r"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line;
    }
    EXPECT_TRUE(text.ends_with("ShutType=1\r\n\r\n"));
}

TEST(ConfigWriter, RoundTripGivesBackTheSettings) {
    const Settings original{
        30, 1800, 50, 2,   2, "partner.example", 3, "nodrel-main.log", "/var/log/", 40000,
        2,  3600, 1,  600, 6};
    testing::ScratchDir dir;
    const auto file = dir / "Nodrel4.ini";
    ASSERT_TRUE(WriteConfigFile(file, BuildConfigText(FieldsFromSettings(original), 2, kStamp)));
    Settings reread;
    std::string listing;
    ASSERT_EQ(ReadConfig(file, reread, listing), ReadOutcome::Ok);
    EXPECT_EQ(reread, original);
}

TEST(ConfigWriter, ReplacesTheFileByRenameAndLeavesNothingElseBehind) {
    testing::ScratchDir dir;
    const auto file = dir / "Nodrel4.ini";
    WriteBytes(file, "old contents");
    // A second name for the old file shows whether it was rewritten in place.
    std::filesystem::create_hard_link(file, dir / "old.ini");
    ASSERT_TRUE(WriteConfigFile(file, "new contents\r\n"));
    EXPECT_EQ(ReadBytes(file), "new contents\r\n");
    EXPECT_EQ(ReadBytes(dir / "old.ini"), "old contents");
    std::filesystem::remove(dir / "old.ini");
    EXPECT_EQ(FolderEntries(dir.path), std::vector<std::string>{"Nodrel4.ini"});
}

TEST(ConfigWriter, FailedWriteLeavesTheOldStateAndNoTemporaryFile) {
    testing::ScratchDir dir;
    EXPECT_FALSE(WriteConfigFile(dir / "Data" / "Nodrel4.ini", "text"));  // no Data folder
    WriteBytes(dir / "Data", "not a folder");
    EXPECT_FALSE(WriteConfigFile(dir / "Data" / "Nodrel4.ini", "text"));
    EXPECT_EQ(ReadBytes(dir / "Data"), "not a folder");
    // A folder in the file's place: the temporary file is written, the rename fails.
    std::filesystem::create_directories(dir / "Taken" / "Nodrel4.ini" / "inside");
    EXPECT_FALSE(WriteConfigFile(dir / "Taken" / "Nodrel4.ini", "text"));
    EXPECT_EQ(FolderEntries(dir / "Taken"), std::vector<std::string>{"Nodrel4.ini"});
    EXPECT_TRUE(std::filesystem::is_directory(dir / "Taken" / "Nodrel4.ini" / "inside"));
}

TEST(ConfigFields, FromSettingsShowsTickBoxesAsSettingMinusOneAndListsByName) {
    const Settings s{7, 90, 15, 1, 2, "host", 3, "a.log", "L/", 40000, 1, 4, 2, 30, 5};
    const ConfigFields f = FieldsFromSettings(s);
    EXPECT_EQ(f.AvTimeT + "|" + f.CPUDelayT + "|" + f.CPULevelT + "|" + f.Port1T + "|" +
                  f.ShutTimeT + "|" + f.StartDelayT + "|" + f.IPAddT + "|" + f.LogNameT + "|" +
                  f.LogPathT + "|" + f.LogLevelT + "|" + f.ShutNameT,
              "7|90|15|40000|30|4|host|a.log|L/|Full|Hibernate");
    EXPECT_EQ(
        std::vector<int>({f.DNameT, f.RunOnTopT, f.StartMinT, f.LogLevelCode, f.ShutTypeCode}),
        std::vector<int>({1, 0, 1, 3, 5}));
}

TEST(ConfigFields, SignatureFollowsEveryFieldButNotTheListTexts) {
    ConfigFields base;
    RestoreDefaults(base);
    const std::string before = FieldSignature(base);
    std::vector<ConfigFields> edited(14, base);
    edited[0].AvTimeT = "6", edited[1].CPUDelayT = "61", edited[2].CPULevelT = "21";
    edited[3].DNameT = 1, edited[4].IPAddT = "h", edited[5].LogNameT = "x";
    edited[6].LogPathT = "L/", edited[7].Port1T = "1", edited[8].RunOnTopT = 1;
    edited[9].StartMinT = 0, edited[10].ShutTimeT = "9", edited[11].StartDelayT = "9";
    edited[12].LogLevelCode = 3, edited[13].ShutTypeCode = 2;
    for (std::size_t i = 0; i < edited.size(); ++i) {
        EXPECT_NE(FieldSignature(edited[i]), before) << "edit " << i;
    }
    base.ShutNameT = "Reboot";  // Save compares the code, which validation sets from the text
    EXPECT_EQ(FieldSignature(base), before);
}

}  // namespace
}  // namespace nodrel

namespace nodrel {
namespace {

TEST(ConfigFields, SignatureSeesADigitMovedBetweenFields) {
    ConfigFields a = FieldsFromSettings({});
    ConfigFields b = a;
    a.AvTimeT = "1";
    a.CPUDelayT = "25";
    b.AvTimeT = "12";
    b.CPUDelayT = "5";
    EXPECT_NE(FieldSignature(a), FieldSignature(b));
}

}  // namespace
}  // namespace nodrel
