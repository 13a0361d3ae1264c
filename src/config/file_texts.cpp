#include "config/file_texts.h"

#include "config/setting_table.h"

namespace nodrel {

namespace {

class BytesAsTheyAre : public FileEncoding {
public:
    std::string ProgramText(std::string_view bytes) const override { return std::string(bytes); }
    std::optional<std::string> FileBytes(std::string_view text) const override {
        return std::string(text);
    }
};

// Every text key as its field holds it, in UTF-8.
FileTexts AllAsTyped(const ConfigFields& fields) {
    FileTexts texts;
    for (const SettingKey& key : kSettingTable) {
        if (key.kind == FieldKind::Text) texts.bytes[std::string(key.name)] = fields.*key.fieldText;
    }
    return texts;
}

}  // namespace

const FileEncoding& StandardFileEncoding() {
    static const BytesAsTheyAre encoding;
    return encoding;
}

FileTexts TextsToWrite(const ConfigFields& fields, const ConfigFields& loaded,
                       const FileTexts& read, const FileEncoding& encoding) {
    FileTexts written{read.utf8, {}};
    for (const SettingKey& key : kSettingTable) {
        if (key.kind != FieldKind::Text) continue;
        const std::string& text = fields.*key.fieldText;
        const auto bytes = read.bytes.find(key.name);
        std::optional<std::string> value = text;
        if (bytes != read.bytes.end() && text == loaded.*key.fieldText) {
            value = bytes->second;
        } else if (!read.utf8) {
            value = encoding.FileBytes(text);
        }
        if (!value) return AllAsTyped(fields);
        written.bytes[std::string(key.name)] = std::move(*value);
    }
    return written;
}

}  // namespace nodrel
