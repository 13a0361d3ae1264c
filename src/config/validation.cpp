#include "config/validation.h"

#include "common/utf8.h"
#include "config/codes.h"
#include "config/parse_number.h"
#include "config/setting_table.h"
#include "link/ip_check.h"

namespace nodrel {

namespace {

constexpr std::size_t kMaxHostNameLength = 100;

bool Outside(double value, Limits range) {
    return !(value >= range.lowest && value <= range.highest);  // NaN counts as outside
}

// Lengths are counted in characters, as the window's notes promise.
bool LengthOutside(const std::string& text, Limits range) {
    return Outside(static_cast<double>(CharacterCount(text)), range);
}

// A text field's value as the window takes it: a pasted line break or other control
// character would be written into the file and split its line, so the window's three text
// fields refuse them (a dotted quad cannot hold one). The check of the settings read at
// start-up leaves them alone, so that every file that loaded before still loads.
bool TextUnfit(const std::string& text, Limits length) {
    return LengthOutside(text, length) || HasControlCharacter(text);
}

bool EndsWithSeparator(const std::string& path) {
    return !path.empty() && IsFolderSeparator(path.back());
}

// What the address rules ask, the same for the settings and for the window's fields.
bool AddressFailsAddressMode(const std::string& address) {
    return !address.empty() && !IsValidIP(address);
}

bool AddressFailsHostNameMode(const std::string& name) {
    return CharacterCount(name) > kMaxHostNameLength || IsDottedQuadWithoutZeros(name);
}

// The limits of the key table, the same for the settings read at start-up and for the
// window's fields.
bool OutsideLimits(const SettingKey& key, const Settings& s) {
    if (key.kind == FieldKind::Text) return LengthOutside(TextIn(key, s), *key.limits);
    return Outside(IntegerIn(key, s), *key.limits);
}

bool FieldOutsideLimits(const SettingKey& key, const ConfigFields& fields) {
    switch (key.kind) {
        case FieldKind::Number:
            return Outside(ParseLeadingNumber(fields.*key.fieldText), *key.limits);
        case FieldKind::Text:
            return TextUnfit(fields.*key.fieldText, *key.limits);
        case FieldKind::List:
            return Outside(fields.*key.fieldNumber, *key.limits);
        case FieldKind::None:
        case FieldKind::TickBox:
            break;  // the window can only produce values in range
    }
    return false;
}

int CountRangeFailures(const Settings& s) {
    const bool failed[] = {
        s.DName == kAddress && AddressFailsAddressMode(s.IPAdd),
        s.DName == kHostName && AddressFailsHostNameMode(s.IPAdd),
        !EndsWithSeparator(s.LogPath),
    };
    int count = 0;
    for (bool fails : failed) count += fails ? 1 : 0;
    for (const SettingKey& key : kSettingTable) {
        if (key.limits && OutsideLimits(key, s)) ++count;
    }
    return count;
}

// The role rules: set this way, the monitoring cycle cannot run.
bool RoleUnconfigured(const Settings& s) {
    const bool validIP = IsValidIP(s.IPAdd);
    const bool monitor = s.ShutType == kMonitor;
    return (!validIP && s.CMain == kMaster && monitor && s.DName == kAddress) ||
           (s.IPAdd.empty() && s.CMain == kMaster && monitor && s.DName == kHostName) ||
           (s.CMain == kSlave && monitor) ||
           (!validIP && s.CMain == kSlave && s.DName == kAddress) ||
           (s.IPAdd.empty() && s.CMain == kSlave && s.DName == kHostName);
}

// Counts failed rules and marks their note labels.
class RuleTally {
public:
    void Check(bool fails, Note note, const char* caption = nullptr) {
        if (!fails) return;
        ++result_.failures;
        NoteMark& mark = result_.notes[static_cast<std::size_t>(note)];
        mark.highlighted = true;
        if (caption != nullptr) mark.caption = caption;
    }
    Validation Result() const { return result_; }

private:
    Validation result_;
};

}  // namespace

CheckResult CheckRanges(Settings& settings) {
    if (settings.LogPath.empty()) settings.LogPath = DefaultLogPath();
    CheckResult result;
    result.failures = CountRangeFailures(settings);
    result.unconfigured = RoleUnconfigured(settings);
    return result;
}

Message CheckFailureMessage() {
    return {box::kCritical, " Configuration File Error",
            JoinLines({"The configuration file is missing or corrupted.",
                       "Reinstall the program to restore the file.",
                       "The program will now terminate."})};
}

Validation ValidateFields(ConfigFields& fields, int cmain, bool portError,
                          const std::function<bool(const std::string&)>& folderExists) {
    fields.ShutTypeCode = ShutTypeCodeOf(fields.ShutNameT);
    if (const int level = LogLevelCodeOf(fields.LogLevelT); level != 0) {
        fields.LogLevelCode = level;
    }

    const std::string& address = fields.IPAddT;
    const bool addressMode = fields.DNameT == TickValue(kAddress);
    const bool hostNameMode = fields.DNameT == TickValue(kHostName);
    const bool validIP = IsValidIP(address);
    const bool monitor = fields.ShutTypeCode == kMonitor;
    const bool folderFound =
        !fields.LogPathT.empty() && folderExists && folderExists(fields.LogPathT);
    const bool masterBadAddress = cmain == kMaster && addressMode && !validIP && monitor;
    const bool addressAsName = IsDottedQuadWithoutZeros(address);
    const bool masterBadHostName =
        cmain == kMaster && hostNameMode && (address.empty() || addressAsName) && monitor;

    RuleTally tally;
    for (const SettingKey& key : kSettingTable) {
        if (key.limits && key.note) {
            tally.Check(FieldOutsideLimits(key, fields), *key.note);
        }
    }
    tally.Check(addressMode && AddressFailsAddressMode(address), Note::IPAddM);
    tally.Check(hostNameMode && (AddressFailsHostNameMode(address) || HasControlCharacter(address)),
                Note::IPAddM);
    tally.Check(!folderFound, Note::LogPathM);
    tally.Check(!EndsWithSeparator(fields.LogPathT), Note::LogPathM);
    tally.Check(cmain == kSlave && addressMode && !validIP, Note::IPAddM);
    tally.Check(cmain == kSlave && hostNameMode && address.empty(), Note::IPAddM);
    tally.Check(masterBadAddress, Note::ShutTypeM);
    tally.Check(masterBadAddress, Note::IPAddM, "Must Be A Valid IP Address");
    tally.Check(masterBadHostName, Note::ShutTypeM);
    tally.Check(masterBadHostName, Note::IPAddM, "Must Be A Valid Domain Name");
    tally.Check(cmain == kSlave && monitor, Note::ShutTypeM, "Invalid Option In Slave Mode");
    tally.Check(cmain == kSlave && portError, Note::Port1M);
    return tally.Result();
}

}  // namespace nodrel
