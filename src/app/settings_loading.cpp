// Loading the settings into the running program; a bad file ends it with a message.
#include "app/nodrel.h"
#include "config/config_reader.h"
#include "config/validation.h"

namespace nodrel {

void Nodrel::ReadConfig() {
    const FileEncoding& encoding =
        outside_.configEncoding ? *outside_.configEncoding : StandardFileEncoding();
    const ReadOutcome outcome =
        ReadConfigFile(kConfigFilePath, settings, ConfigListing, fileTexts_, encoding);
    if (outcome != ReadOutcome::Ok) Fatal(ReadFailureMessage(outcome));
}

void Nodrel::CheckSettings() {
    const CheckResult result = CheckRanges(settings);
    if (result.unconfigured) Unconfigured = true;
    if (result.failures > 0) Fatal(CheckFailureMessage());
    fileSettings = settings;
}

}  // namespace nodrel
