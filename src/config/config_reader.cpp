#include "config/config_reader.h"

#include <array>
#include <exception>
#include <fstream>
#include <string_view>
#include <system_error>

#include "config/parse_number.h"

namespace nodrel {

namespace {

constexpr int kKeyCount = 15;
constexpr int kSectionCount = 3;
constexpr std::string_view kListingHead = "\r\nConfiguration\r\n-------------";
constexpr std::string_view kUnlistedKey = "CMain=";

enum class ValueKind { Text, Int16, Int32 };

struct Key {
    std::string_view name;  // with its '='
    ValueKind kind;
    std::int16_t Settings::*int16Field;
    std::int32_t Settings::*int32Field;
    std::string Settings::*textField;
};

constexpr Key Int16Key(std::string_view name, std::int16_t Settings::*field) {
    return {name, ValueKind::Int16, field, nullptr, nullptr};
}
constexpr Key TextKey(std::string_view name, std::string Settings::*field) {
    return {name, ValueKind::Text, nullptr, nullptr, field};
}

// In the order the lines are matched. No name is the start of another.
const std::array<Key, kKeyCount> kKeys = {
    Int16Key("AvTime=", &Settings::AvTime),
    TextKey("IPAdd=", &Settings::IPAdd),
    Int16Key("CMain=", &Settings::CMain),
    Int16Key("CPUDelay=", &Settings::CPUDelay),
    Int16Key("CPULevel=", &Settings::CPULevel),
    Int16Key("DName=", &Settings::DName),
    Int16Key("LogLevel=", &Settings::LogLevel),
    TextKey("LogName=", &Settings::LogName),
    TextKey("LogPath=", &Settings::LogPath),
    Key{"Port1=", ValueKind::Int32, nullptr, &Settings::Port1, nullptr},
    Int16Key("RunOnTop=", &Settings::RunOnTop),
    Int16Key("StartMin=", &Settings::StartMin),
    Int16Key("ShutTime=", &Settings::ShutTime),
    Int16Key("ShutType=", &Settings::ShutType),
    Int16Key("StartDelay=", &Settings::StartDelay),
};

constexpr std::array<std::string_view, kSectionCount> kSections = {"[Comms]", "[Run]",
                                                                   "[Shutdown]"};

// Stores the value of a key line; false when a number does not fit its field.
bool StoreValue(const Key& key, std::string_view value, Settings& settings) {
    switch (key.kind) {
        case ValueKind::Text:
            settings.*key.textField = std::string(value);
            return true;
        case ValueKind::Int16:
            return RoundToInt16(ParseLeadingNumber(value), settings.*key.int16Field);
        case ValueKind::Int32:
            return RoundToInt32(ParseLeadingNumber(value), settings.*key.int32Field);
    }
    return false;
}

const Key* MatchKey(std::string_view line) {
    for (const Key& key : kKeys) {
        if (line.starts_with(key.name)) return &key;
    }
    return nullptr;
}

bool IsSection(std::string_view line) {
    for (auto section : kSections) {
        if (line == section) return true;
    }
    return false;
}

// Reading state: the values so far, the listing and how many keys and sections are owed.
struct ReadState {
    Settings settings;
    std::string listing{kListingHead};
    int keysOwed = kKeyCount;
    int sectionsOwed = kSectionCount;
};

// One line as read, without its line end. False when a value does not fit its field.
bool TakeLine(std::string_view raw, ReadState& state) {
    // Both tests look at the line before trimming: "  # note" is no comment.
    if (raw.empty() || raw.front() == '#') return true;
    const std::string_view line = TrimBlanks(raw);
    if (const Key* key = MatchKey(line)) {
        if (!StoreValue(*key, line.substr(key->name.size()), state.settings)) return false;
        --state.keysOwed;
    }
    if (IsSection(line)) --state.sectionsOwed;
    if (line.starts_with('[')) state.listing += CRLF;
    if (!line.starts_with(kUnlistedKey)) {
        state.listing += CRLF;
        state.listing += line;
    }
    return true;
}

// A folder counts as no file at all, as does a path that is not there.
bool FileIsMissing(const std::filesystem::path& file, std::error_code& error) {
    const auto status = std::filesystem::status(file, error);
    if (status.type() == std::filesystem::file_type::not_found) {
        error.clear();
        return true;
    }
    return !error && status.type() == std::filesystem::file_type::directory;
}

ReadOutcome ReadLines(std::istream& in, ReadState& state) {
    std::string raw;
    while (std::getline(in, raw)) {
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        if (!TakeLine(raw, state)) return ReadOutcome::ReadError;
    }
    if (in.bad()) return ReadOutcome::ReadError;
    if (state.keysOwed != 0 || state.sectionsOwed != 0) return ReadOutcome::Corrupted;
    return ReadOutcome::Ok;
}

}  // namespace

ReadOutcome ReadConfig(const std::filesystem::path& file, Settings& settings,
                       std::string& listing) {
    ReadState state;
    state.settings = settings;
    listing = state.listing;
    ReadOutcome outcome = ReadOutcome::ReadError;
    try {
        std::error_code error;
        if (FileIsMissing(file, error)) return ReadOutcome::Missing;
        if (error) return ReadOutcome::ReadError;
        std::ifstream in(file, std::ios::binary);
        if (!in.is_open()) return ReadOutcome::ReadError;
        outcome = ReadLines(in, state);
    } catch (const std::exception&) {
        return ReadOutcome::ReadError;  // for example no memory left for a huge line
    }
    listing = std::move(state.listing);
    // The program stops on any failure, so only a complete read is handed on.
    if (outcome == ReadOutcome::Ok) settings = std::move(state.settings);
    return outcome;
}

Message ReadFailureMessage(ReadOutcome outcome) {
    constexpr std::string_view reinstall = "Reinstall the program to restore the file.";
    constexpr std::string_view terminate = "The program will now terminate.";
    switch (outcome) {
        case ReadOutcome::Missing:
            return {16, " Configuration File Error",
                    JoinLines({"The configuration file is either missing or corrupted.", reinstall,
                               terminate})};
        case ReadOutcome::Corrupted:
            return {16, " Configuration File Error",
                    JoinLines({"The configuration file is corrupted.", reinstall, terminate})};
        case ReadOutcome::ReadError:
            return {48, " Configuration File Read Error",
                    JoinLines({"Unable to read the configuration file.",
                               "This may be a permissions problem.", terminate})};
        case ReadOutcome::Ok:
            break;
    }
    return {};
}

}  // namespace nodrel
