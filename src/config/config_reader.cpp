#include "config/config_reader.h"

#include <algorithm>
#include <exception>
#include <fstream>
#include <iterator>
#include <string_view>
#include <system_error>

#include "common/utf8.h"
#include "config/setting_table.h"

namespace nodrel {

namespace {

constexpr std::string_view kListingHead = "\r\nConfiguration\r\n-------------";

// The key the line sets: its name immediately followed by '='. No key's name and '=' is the
// start of another's.
const SettingKey* MatchKey(std::string_view line) {
    for (const SettingKey& key : kSettingTable) {
        if (line.starts_with(key.name) && line.substr(key.name.size()).starts_with('=')) {
            return &key;
        }
    }
    return nullptr;
}

bool IsSection(std::string_view line) {
    return std::find(kSectionHeadings.begin(), kSectionHeadings.end(), line) !=
           kSectionHeadings.end();
}

// Reading state: the values so far, the listing and how many keys and sections are owed.
struct ReadState {
    Settings settings;
    FileTexts texts;
    std::string listing{kListingHead};
    int keysOwed = static_cast<int>(kSettingTable.size());
    int sectionsOwed = static_cast<int>(kSectionHeadings.size());
};

// One line as read, without its line end. False when a value does not fit its field.
bool TakeLine(std::string_view raw, ReadState& state) {
    // Both tests look at the line before trimming: "  # note" is no comment.
    if (raw.empty() || raw.front() == '#') return true;
    const std::string_view line = TrimBlanks(raw);
    const SettingKey* key = MatchKey(line);
    if (key) {
        const std::string_view value = line.substr(key->name.size() + 1);
        if (!StoreValue(*key, value, state.settings)) return false;
        if (key->kind == FieldKind::Text) state.texts.bytes[std::string(key->name)] = value;
        --state.keysOwed;
    }
    if (IsSection(line)) --state.sectionsOwed;
    if (line.starts_with('[')) state.listing += CRLF;
    if (!key || key->listed) {
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

ReadOutcome ReadLines(std::string_view text, ReadState& state) {
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view raw = text.substr(0, end);
        if (raw.ends_with('\r')) raw.remove_suffix(1);
        if (!TakeLine(raw, state)) return ReadOutcome::ReadError;
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    if (state.keysOwed != 0 || state.sectionsOwed != 0) return ReadOutcome::Corrupted;
    return ReadOutcome::Ok;
}

// A file that is not UTF-8 is in the system's 8-bit encoding: its texts and its listing
// become the program's UTF-8.
void DecodeTexts(const FileEncoding& encoding, ReadState& state) {
    if (state.texts.utf8) return;
    for (const auto& [name, bytes] : state.texts.bytes) {
        state.settings.*SettingNamed(name).text = encoding.ProgramText(bytes);
    }
    state.listing = encoding.ProgramText(state.listing);
}

}  // namespace

ReadOutcome ReadConfigFile(const std::filesystem::path& file, Settings& settings,
                           std::string& listing, FileTexts& texts, const FileEncoding& encoding) {
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
        const std::string text{std::istreambuf_iterator<char>(in), {}};
        if (in.bad()) return ReadOutcome::ReadError;
        state.texts.utf8 = IsValidUtf8(text);
        outcome = ReadLines(text, state);
        DecodeTexts(encoding, state);
    } catch (const std::exception&) {
        return ReadOutcome::ReadError;  // for example no memory left for a huge file
    }
    listing = std::move(state.listing);
    // The program stops on any failure, so only a complete read is handed on.
    if (outcome != ReadOutcome::Ok) return outcome;
    settings = std::move(state.settings);
    texts = std::move(state.texts);
    return outcome;
}

ReadOutcome ReadConfigFile(const std::filesystem::path& file, Settings& settings,
                           std::string& listing) {
    FileTexts ignored;
    return ReadConfigFile(file, settings, listing, ignored, StandardFileEncoding());
}

Message ReadFailureMessage(ReadOutcome outcome) {
    constexpr std::string_view reinstall = "Reinstall the program to restore the file.";
    constexpr std::string_view terminate = "The program will now terminate.";
    switch (outcome) {
        case ReadOutcome::Missing:
            return {box::kCritical, " Configuration File Error",
                    JoinLines({"The configuration file is either missing or corrupted.", reinstall,
                               terminate})};
        case ReadOutcome::Corrupted:
            return {box::kCritical, " Configuration File Error",
                    JoinLines({"The configuration file is corrupted.", reinstall, terminate})};
        case ReadOutcome::ReadError:
            return {box::kExclamation, " Configuration File Read Error",
                    JoinLines({"Unable to read the configuration file.",
                               "This may be a permissions problem.", terminate})};
        case ReadOutcome::Ok:
            break;
    }
    return {};
}

}  // namespace nodrel
