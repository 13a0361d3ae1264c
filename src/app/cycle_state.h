#pragma once
// The cycle's state, named as the rest of the program knows it. The program owns it; front
// ends and tests read it through Nodrel::State().
#include <cstdint>
#include <string>

#include "config/settings.h"
#include "cpu/load_average.h"

namespace nodrel {

inline constexpr std::int16_t PhaseInitialise = 0;
inline constexpr std::int16_t PhaseRun = 1;
inline constexpr std::int16_t PhaseCountdown = 2;

struct CycleState {
    Settings settings;
    // The settings as read and checked, before "-InhibitShutdown" shortens the running
    // cycle's delays: what the configuration window shows and saves.
    Settings fileSettings;
    std::int16_t Phase = PhaseInitialise;
    std::int16_t Count = 0;
    std::int16_t ConditionMet = 1;
    std::int16_t TriggerDelay = 0;
    std::int16_t TickDivider = 2;
    bool TestMode = false;
    std::int16_t InhibitShutdown = 0;
    bool Unconfigured = false;
    bool PortError = false;
    bool DialogOpen = false;
    std::int16_t DialogTimeout = 0;
    bool MinimiseOnRestart = true;
    bool WindowOverride = false;
    bool SettingsSaved = false;
    std::string ProgTitle = "Nodrel";
    std::string ShutName;
    std::string SendMsg;
    LoadRing LoadSamples{};  // [0] is the number of samples
    std::int16_t SampleIndex = 0;
    std::string LoadText;
    std::string AvLoadText;
    std::string CommsText;
    std::string ConfigListing;
};

}  // namespace nodrel
