// Data/Nodrel4.ini: reading it, the text built from the window's fields, its replacement.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "common/utf8.h"
#include "config/config_fields.h"
#include "config/config_reader.h"
#include "config/config_writer.h"
#include "config/file_texts.h"
#include "fakes.h"
#ifdef _WIN32
#include "platform/windows/config_file_store.h"
using SystemStore = nodrel::windows_platform::SystemConfigFileStore;
#else
#include "platform/linux/config_file_store.h"
using SystemStore = nodrel::linux_platform::SystemConfigFileStore;
#endif

namespace nodrel::testing {
namespace {

namespace fs = std::filesystem;

std::string ConfigData(const std::string& name) {
    return ReadBytes(fs::path(NODREL_TEST_DATA) / "config" / name);
}

// The text with the first `from` replaced by `to`; fails the test when `from` is absent.
std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const auto at = text.find(from);
    if (at == std::string::npos) ADD_FAILURE() << "no \"" << from << "\" in the text";
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

std::ptrdiff_t Entries(const fs::path& folder) {
    return std::distance(fs::directory_iterator(folder), {});
}

// Latin-1 in the place of a system's code page: read as ShownText shows it; of the edited
// texts these tests write, "hôte" is the one it holds.
struct Latin1 : FileEncoding {
    std::string ProgramText(std::string_view bytes) const override { return ShownText(bytes); }
    std::optional<std::string> FileBytes(std::string_view text) const override {
        if (text == "hôte") return "h\xF4te";
        return std::nullopt;
    }
};

class ConfigReader : public ::testing::Test {
protected:
    ReadOutcome Read(const std::string& text) {
        WriteBytes(file, text);
        return ReadConfigFile(file, settings, listing);
    }
    ScratchFolder folder;
    const fs::path file = folder.Path() / "Data" / "Nodrel4.ini";
    Settings settings;
    std::string listing;
    const std::string valid = ConfigData("written.ini");
};

// The file as written reads back whole; the listing follows it, section by section.
TEST_F(ConfigReader, WrittenFileReadsAllValuesAndListsThemBySection) {
    ASSERT_EQ(Read(valid), ReadOutcome::Ok);
    EXPECT_EQ(settings, (Settings{5, 60, 20, 1, 1, "192.168.1.20", 2, "Nodrel.log", "Log/", 10001,
                                  1, 2, 2, 60, 1}));
    EXPECT_EQ(listing,
              "\r\nConfiguration\r\n-------------\r\n\r\n[Comms]\r\nDName=1\r\n"
              "IPAdd=192.168.1.20\r\nPort1=10001\r\n\r\n[Run]\r\nAvTime=5\r\nCPUDelay=60\r\n"
              "CPULevel=20\r\nLogLevel=2\r\nLogName=Nodrel.log\r\nLogPath=Log/\r\nRunOnTop=1\r\n"
              "StartDelay=2\r\nStartMin=2\r\n\r\n[Shutdown]\r\nShutTime=60\r\nShutType=1");
}

// Line ends, blanks, notes and units as people write them.
TEST_F(ConfigReader, HandEditedFileWithLfEndsBlanksNotesAndStrayLines) {
    ASSERT_EQ(Read(ConfigData("hand_edited_lf.ini")), ReadOutcome::Ok);
    // ShutTime 2.5 and StartDelay 3.5 go to the even 2 and 4; "12 sec" reads as 12; blanks
    // after '=' are skipped in numbers but kept in texts; Port1 40000 fits its 32 bits.
    const Settings expected{
        12, 300, 15, 2, 2, "partner.example", 3, "  padded.log", "/var/log/nodrel/", 40000,
        2,  4,   1,  2, 4};
    EXPECT_EQ(settings, expected);
    // The listing keeps the file's lines, trimmed, in its order: an indented note and a
    // stray line are listed, a line of blanks as an empty line; "#note" and CMain are not.
    EXPECT_EQ(listing,
              "\r\nConfiguration\r\n-------------\r\n\r\n[Shutdown]\r\nShutType=4\r\n"
              "ShutTime=2.5\r\n# note kept in the listing\r\n\r\n\r\n[Run]\r\nAvTime=12 sec\r\n"
              "CPUDelay=300\r\nCPULevel=  15\r\nLogLevel=3\r\nLogName=  padded.log\r\n"
              "LogPath=/var/log/nodrel/\r\nRunOnTop=2\r\nStartDelay=3.5\r\nStartMin=1\r\n"
              "Colour=red\r\n\r\n[Comms]\r\nDName=2\r\nIPAdd=partner.example\r\nPort1=40000");
}

// Each way a file can differ from a written one, and the outcome it gives (a duplicate key
// for a missing one: OnlyACompleteRead...; an empty file: EveryTruncatedPrefix...); a missing
// file or a folder is Missing, a file that opens but cannot be read a ReadError.
TEST_F(ConfigReader, OutcomeOfEachDeviation) {
    using enum ReadOutcome;
    const std::tuple<const char*, std::string, ReadOutcome> cases[] = {
        {"sixteenth key", Replaced(valid, "[Run]", "[Run]\r\nAvTime=5"), Corrupted},
        {"missing section", Replaced(valid, "[Shutdown]\r\n", ""), Corrupted},
        {"duplicate section", Replaced(valid, "[Shutdown]", "[Run]"), Ok},
        {"lower-case section", Replaced(valid, "[Shutdown]", "[shutdown]"), Corrupted},
        {"lower-case key", Replaced(valid, "AvTime=5", "avtime=5"), Corrupted},
        {"stray line is no key", Replaced(valid, "AvTime=5", "Colour=red"), Corrupted},
        {"indented '#' is no comment", Replaced(valid, "AvTime=5", "  # x\r\n  AvTime=5"), Ok},
        {"value too large", Replaced(valid, "CPUDelay=60", "CPUDelay=40000"), ReadError},
        {"rounds out of range", Replaced(valid, "CPUDelay=60", "CPUDelay=32767.5"), ReadError},
        {"huge exponent", Replaced(valid, "CPUDelay=60", "CPUDelay=1e400"), ReadError},
        {"before a miscount", Replaced(valid, "CPUDelay=60", "CPUDelay=4e4\nAvTime=1"), ReadError},
        {"port beyond 32 bits", Replaced(valid, "Port1=10001", "Port1=2147483648"), ReadError},
    };
    for (const auto& [what, text, expected] : cases) EXPECT_EQ(Read(text), expected) << what;
    EXPECT_EQ(ReadConfigFile("absent.ini", settings, listing), Missing);
    EXPECT_EQ(listing, "\r\nConfiguration\r\n-------------");
    EXPECT_EQ(ReadConfigFile("Data", settings, listing), Missing) << "a folder";
    EXPECT_EQ(ReadConfigFile("/proc/self/mem", settings, listing), ReadError)
        << "opens, unreadable";
}

// A read error leaves the settings as they were; the later of two lines wins.
TEST_F(ConfigReader, OnlyACompleteReadChangesTheSettings) {
    settings.CPUDelay = 123;
    ASSERT_EQ(Read(Replaced(valid, "CPUDelay=60", "AvTime=7")), ReadOutcome::Ok);
    EXPECT_EQ(settings.CPUDelay, 123);  // no line for it: the value from before stays
    EXPECT_EQ(settings.AvTime, 7);
    ASSERT_EQ(Read(Replaced(valid, "CPUDelay=60", "CPUDelay=1e10")), ReadOutcome::ReadError);
    EXPECT_EQ(settings.AvTime, 7);
}

// A file cut short anywhere before its last key is Corrupted, never half read.
TEST_F(ConfigReader, EveryTruncatedPrefixIsCorruptedUntilTheLastKeyIsComplete) {
    const std::size_t lastKeyEnd = valid.find("ShutType=") + std::string("ShutType=").size();
    for (std::size_t length = 0; length <= valid.size(); ++length) {
        const auto expected = length >= lastKeyEnd ? ReadOutcome::Ok : ReadOutcome::Corrupted;
        ASSERT_EQ(Read(valid.substr(0, length)), expected) << "prefix of " << length;
    }
}

// Restore gives the default file byte for byte, keeping the role and address fields;
// numbers are written as read from their fields. The window's fields from the settings,
// written and read back: every value survives.
TEST_F(ConfigReader, RestoredDefaultsGiveTheExactFileAndEveryValueSurvivesARoundTrip) {
    ConfigFields fields;
    fields.IPAddT = "192.168.1.20";
    fields.RunOnTopT = 1;
    RestoreDefaults(fields);
    // The default log folder ends in this system's separator.
    EXPECT_EQ(BuildConfigText(fields, 1, "05-Mar-24 14:07:09"),
              Replaced(ConfigData("written.ini"), "LogPath=Log/", "LogPath=" + DefaultLogPath()));
    fields.DNameT = 1;
    fields.IPAddT = "p";
    RestoreDefaults(fields);
    fields.AvTimeT = "1.5", fields.CPUDelayT = " 0090 s", fields.ShutTimeT = "30 s";
    const std::string text = BuildConfigText(fields, 2, "05-Mar-24 14:07:09");
    for (const char* line : {"CMain=2\r\nDName=2\r\nIPAdd=p\r\n", "AvTime=1.5\r\nCPUDelay=90\r\n",
                             "ShutTime=30\r\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line;
    }
    const Settings original{
        30, 1800, 50, 2,   2, "partner.example", 3, "nodrel-main.log", "/var/log/", 40000,
        2,  3600, 1,  600, 6};
    fields = FieldsFromSettings(original);
    EXPECT_EQ(fields.LogLevelT + "|" + fields.ShutNameT, "Full|Standby") << "lists show names";
    ASSERT_EQ(Read(BuildConfigText(fields, 2, "")), ReadOutcome::Ok);
    EXPECT_EQ(settings, original);
}

// A file that is not UTF-8 is read through the system's encoding, its text values' bytes
// kept; a UTF-8 file never goes through it. Save's text values: an unedited one as it was
// read, an edited one in the file's encoding, and the whole file in UTF-8 once an edited one
// does not fit the file's encoding.
TEST_F(ConfigReader, UneditedTextsKeepTheirBytesEditedOnesFollowTheFile) {
    const Latin1 encoding;
    FileTexts read;
    WriteBytes(file, Replaced(valid, "LogName=Nodrel.log", "LogName=Köln.log"));
    ASSERT_EQ(ReadConfigFile(file, settings, listing, read, encoding), ReadOutcome::Ok);
    EXPECT_TRUE(read.utf8);
    const std::string latin1Name = "K\xF6ln.log";
    const std::string latin1 = Replaced(valid, "LogName=Nodrel.log", "LogName=" + latin1Name);
    WriteBytes(file, Replaced(latin1, "IPAdd=192.168.1.20", "IPAdd=host"));
    ASSERT_EQ(ReadConfigFile(file, settings, listing, read, encoding), ReadOutcome::Ok);
    EXPECT_EQ(settings.LogName, "Köln.log");
    EXPECT_NE(listing.find("\r\nLogName=Köln.log\r\n"), std::string::npos);
    EXPECT_FALSE(read.utf8);
    EXPECT_EQ(read.bytes.at("LogName"), latin1Name);
    const ConfigFields loaded = FieldsFromSettings(settings);
    const struct {
        const char* what;
        std::string address;
        bool fileUtf8, utf8;
        std::string addressBytes, nameBytes;
    } cases[] = {
        {"nothing edited", "host", false, false, "host", latin1Name},
        {"edited, fits", "hôte", false, false, "h\xF4te", latin1Name},
        {"edited, does not fit", "хост", false, true, "хост", "Köln.log"},
        {"edited in a UTF-8 file", "hôte", true, true, "hôte", latin1Name},
    };
    for (const auto& c : cases) {
        ConfigFields fields = loaded;
        fields.IPAddT = c.address;
        const FileTexts written = TextsToWrite(fields, loaded, {c.fileUtf8, read.bytes}, encoding);
        EXPECT_EQ(written.utf8, c.utf8) << c.what;
        EXPECT_EQ(written.bytes.at("IPAdd"), c.addressBytes) << c.what;
        EXPECT_EQ(written.bytes.at("LogName"), c.nameBytes) << c.what;
        const std::string text = BuildConfigText(fields, 1, "", written);
        EXPECT_NE(text.find("\r\nLogName=" + c.nameBytes + "\r\n"), std::string::npos) << c.what;
    }
}

fs::perms Mode(const fs::path& file) {
    return fs::status(file).permissions();
}

#ifndef _WIN32
// The file is replaced by a rename, never rewritten in place, keeping its mode; the system's
// store keeps its owner too (another user's file only when running as root, as in CI). A
// symbolic link at the file is followed: the file it names is replaced, the link stays a
// link. A link planted beside that file, where the temporary file used to be made, is never
// followed: the file it names keeps its text and mode.
TEST(ConfigWriter, FollowsTheFilesLinkButNoLinkPlantedBesideIt) {
    ScratchFolder folder;
    fs::create_directory("Shared");
    WriteBytes("Shared/Nodrel4.ini", "old contents");
    fs::permissions("Shared/Nodrel4.ini", fs::perms(0640));
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown("Shared/Nodrel4.ini", 65534, 65534), 0);
    }
    fs::create_hard_link("Shared/Nodrel4.ini", "old.ini");  // shows a rewrite in place
    fs::create_symlink("../Shared/Nodrel4.ini", "Data/Nodrel4.ini");
    WriteBytes("victim", "precious");
    fs::permissions("victim", fs::perms(0600));
    fs::create_symlink("../victim", "Shared/Nodrel4.ini.new");
    SystemStore system;
    const std::pair<uid_t, gid_t> mine{::geteuid(), ::getegid()}, nobody{65534, 65534};
    const std::tuple<ConfigFileStore*, std::string, std::pair<uid_t, gid_t>> stores[] = {
        {&system, "system\r\n", root ? nobody : mine},
        {&StandardConfigFileStore(), "standard\r\n", mine}};
    for (const auto& [store, text, owner] : stores) {
        EXPECT_TRUE(WriteConfigFile(*store, "Data/Nodrel4.ini", text));
        EXPECT_TRUE(fs::is_symlink("Data/Nodrel4.ini"));
        EXPECT_EQ(ReadBytes("Shared/Nodrel4.ini"), text);
        EXPECT_EQ(ReadBytes("old.ini"), "old contents");
        EXPECT_EQ(Mode("Shared/Nodrel4.ini"), fs::perms(0640));
        struct stat status {};
        ASSERT_EQ(::stat("Shared/Nodrel4.ini", &status), 0);
        EXPECT_EQ(std::pair(status.st_uid, status.st_gid), owner);
        EXPECT_EQ(ReadBytes("victim"), "precious");
        EXPECT_EQ(Mode("victim"), fs::perms(0600));
        EXPECT_EQ(Entries("Shared") + Entries("Data"), 3) << "no temporary file is left";
    }
}
#endif

// A store whose temporary file is written but never moved, as when a crash comes between.
struct NoMoveStore : ConfigFileStore {
    explicit NoMoveStore(ConfigFileStore& wrapped) : real(wrapped) {}
    bool MayWrite(const fs::path& file) override { return real.MayWrite(file); }
    std::unique_ptr<TemporaryConfigFile> CreateTemporary(const fs::path& target) override {
        struct Unmoved : TemporaryConfigFile {
            std::unique_ptr<TemporaryConfigFile> file;
            bool Write(std::string_view text) override { return file && file->Write(text); }
            bool Replace() override {
                EXPECT_EQ(Entries("Data"), 2) << "the temporary file is there";
                return false;
            }
        };
        auto unmoved = std::make_unique<Unmoved>();
        unmoved->file = real.CreateTemporary(target);
        return unmoved;
    }
    ConfigFileStore& real;
};

// A failed write leaves the old state, no temporary file, and has its box.
TEST(ConfigWriter, FailedWriteLeavesTheOldStateAndNoTemporaryFile) {
    ScratchFolder folder;
    SystemStore system;
    ConfigFileStore& standard = StandardConfigFileStore();
    EXPECT_FALSE(WriteConfigFile(system, "None/Nodrel4.ini", "text"));  // no such folder
    WriteBytes("None", "not a folder");
    EXPECT_FALSE(WriteConfigFile(system, "None/Nodrel4.ini", "text"));
    EXPECT_EQ(ReadBytes("None"), "not a folder");
    // A write-protected (on Windows: read-only) file is refused, also by root, who could
    // write it anyway.
    WriteBytes("Data/Nodrel4.ini", "protected");
    fs::permissions("Data/Nodrel4.ini", fs::perms(0444));
    for (ConfigFileStore* store : {static_cast<ConfigFileStore*>(&system), &standard}) {
        EXPECT_FALSE(WriteConfigFile(*store, "Data/Nodrel4.ini", "text"));
        EXPECT_EQ(ReadBytes("Data/Nodrel4.ini"), "protected");
        EXPECT_EQ(Mode("Data/Nodrel4.ini"), fs::perms(0444));
    }
    EXPECT_EQ(Entries("Data"), 1) << "no temporary file is left";
    fs::permissions("Data/Nodrel4.ini", fs::perms(0644));  // writable again
    // Written but not moved: the old file stays byte for byte.
    for (ConfigFileStore* store : {static_cast<ConfigFileStore*>(&system), &standard}) {
        NoMoveStore failing(*store);
        EXPECT_FALSE(WriteConfigFile(failing, "Data/Nodrel4.ini", "text"));
        EXPECT_EQ(ReadBytes("Data/Nodrel4.ini"), "protected");
        EXPECT_EQ(Entries("Data"), 1) << "no temporary file is left";
    }
    EXPECT_EQ(WriteFailureMessage().text,
              "Unable to write to the configuration file. " +
                  fs::path("Data/Nodrel4.ini").make_preferred().string() +
                  "\r\nThis may be a permissions problem.");
}

// Save writes only when the signature changed: it follows every field, not the list texts.
TEST(ConfigFields, SignatureFollowsEveryFieldButNotTheListTexts) {
    ConfigFields base;
    RestoreDefaults(base);
    const std::string before = FieldSignature(base);
    std::vector<ConfigFields> edited(15, base);
    edited[0].AvTimeT = "6", edited[1].CPUDelayT = "61", edited[2].CPULevelT = "21";
    edited[3].DNameT = 1, edited[4].IPAddT = "h", edited[5].LogNameT = "x";
    edited[6].LogPathT = "L/", edited[7].Port1T = "1", edited[8].RunOnTopT = 1;
    edited[9].StartMinT = 0, edited[10].ShutTimeT = "9", edited[11].StartDelayT = "9";
    edited[12].LogLevelCode = 3, edited[13].ShutTypeCode = 2;
    edited[14].AvTimeT = "56", edited[14].CPUDelayT = "0";  // a digit moved to the next field
    for (std::size_t i = 0; i < edited.size(); ++i) {
        EXPECT_NE(FieldSignature(edited[i]), before) << "edit " << i;
    }
    base.ShutNameT = "Reboot";  // Save compares the code, which validation sets from the text
    EXPECT_EQ(FieldSignature(base), before);
}

}  // namespace
}  // namespace nodrel::testing
