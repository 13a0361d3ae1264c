// Once a second in phase Run: one load reading with its moving average on a master, the
// count of silent seconds on a slave, and the switch to the countdown.
#include "app/nodrel.h"
#include "cpu/load_average.h"

namespace nodrel {

bool Nodrel::ReadCPULoad() {
    const int value = CPUUsage.Query();
    if (value == -1) {
        window_.CPULoad.caption = "Error";
        LoadText = "Err ";
        AvLoadText = "Err ";
        LoadSamples[0] = 0;
        SampleIndex = 0;
        CPUUsage.Initialize();
        return false;
    }
    const int sample = value < 0 ? -value : value;
    const LoadAverage average =
        AddLoadSample(LoadSamples, SampleIndex, settings.AvTime, sample, settings.CPULevel);
    ConditionMet = average.belowLevel ? 1 : 0;
    LoadText = PercentText(sample);
    AvLoadText = PercentText(average.wholePercent);
    window_.CPULoad.caption = "CPU Load: " + AvLoadText;
    return true;
}

void Nodrel::CheckCondition() {
    // A second whose load could not be read leaves the run where it was: a passing failure
    // does not break it, and a machine whose load can never be read never counts down.
    const bool measured = settings.CMain != kMaster || ReadCPULoad();
    if (measured) {
        Count = ConditionMet == 1 ? static_cast<std::int16_t>(Count + 1) : std::int16_t{0};
    }
    window_.Counter.bold = true;
    if (settings.CMain != kMaster) {
        if (ConditionMet == 0) {
            window_.Counter.caption = "Connected";
            window_.Counter.fore = kGreen;
        } else {
            window_.Counter.caption = "Not connected for the last " + std::to_string(Count) + "s";
            window_.Counter.fore = kOrange;
        }
    } else {
        window_.Counter.fore = kOrange;
        window_.Counter.caption = "CPU less than " + std::to_string(settings.CPULevel) +
                                  "% for the last " + std::to_string(Count) + "s";
    }
    if (Count >= TriggerDelay) {
        Phase = PhaseCountdown;
        Count = 0;
    } else if (settings.LogLevel == kLogFull) {
        WriteLog("Run", "");
    }
    ConditionMet = 1;
    CommsText = "Fail";
}

}  // namespace nodrel
