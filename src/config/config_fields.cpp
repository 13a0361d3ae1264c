#include "config/config_fields.h"

#include "config/setting_table.h"

namespace nodrel {

ConfigFields FieldsFromSettings(const Settings& settings) {
    ConfigFields fields;
    for (const SettingKey& key : kSettingTable) ShowInField(key, settings, fields);
    return fields;
}

void RestoreDefaults(ConfigFields& fields) {
    for (const SettingKey& key : kSettingTable) {
        if (!key.restored) continue;
        Settings defaults;
        StoreValue(key, *key.restored, defaults);
        ShowInField(key, defaults, fields);
    }
}

std::string FieldSignature(const ConfigFields& fields) {
    // A separator between the values: without one, moving a digit from one field to the
    // next ("1" and "25" against "12" and "5") would look like no change at all.
    std::string signature;
    for (const SettingKey& key : kSettingTable) {
        if (key.kind != FieldKind::None) signature += SignaturePart(key, fields) + '\x1f';
    }
    return signature;
}

}  // namespace nodrel
