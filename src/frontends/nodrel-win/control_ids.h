#pragma once
// The controls' identifiers, named after the controls (IDC_ and the control's name), and
// their names as text: tests read the windows through them.
// The list keeps its own layout, a window's controls together.
// clang-format off
#define NODREL_CONTROL_IDS(X)                                                               \
    X(Title, 1001) X(Counter, 1002) X(CPULoad, 1003) X(Exit, 1004) X(About, 1005)          \
    X(Config, 1006) X(TestS, 1007) X(Reset, 1008) X(Logo, 1009)                             \
    X(ProgName, 1101) X(ProgVersion, 1102) X(WebSite, 1103) X(TMessage, 1104)               \
    X(ExitAbout, 1105) X(Text1, 1106)                                                       \
    X(Image1, 1201) X(ErrorMess, 1202)                                                      \
    X(AvTimeT, 1301) X(AvTimeM, 1302) X(CPUDelayL, 1303) X(CPUDelayT, 1304)                 \
    X(CPUDelayM, 1305) X(CPULevelT, 1306) X(CPULevelM, 1307) X(LogLevelT, 1308)             \
    X(LogLevelM, 1309) X(LogNameT, 1310) X(LogNameM, 1311) X(LogPathT, 1312)                \
    X(LogPathM, 1313) X(StartDelayT, 1314) X(StartDelayM, 1315) X(RunOnTopT, 1316)          \
    X(StartMinT, 1317) X(ShutTimeT, 1318) X(ShutTimeM, 1319) X(ShutNameT, 1320)             \
    X(ShutTypeM, 1321) X(DNameT, 1322) X(IPAddL, 1323) X(IPAddT, 1324) X(IPAddM, 1325)      \
    X(Port1T, 1326) X(Port1M, 1327) X(Status, 1328) X(ViewL, 1329) X(Restore, 1330)         \
    X(Save, 1331) X(ExitConfig, 1332)
// clang-format on

#include <string_view>

namespace nodrel::win {

enum ControlId : int {
#define NODREL_ID_ENUM(name, value) IDC_##name = value,
    NODREL_CONTROL_IDS(NODREL_ID_ENUM)
#undef NODREL_ID_ENUM
};

struct ControlName {
    int id;
    const char* name;
};

inline constexpr ControlName kControlNames[] = {
#define NODREL_ID_NAME(name, value) {value, "IDC_" #name},
    NODREL_CONTROL_IDS(NODREL_ID_NAME)
#undef NODREL_ID_NAME
};

// The identifier of the control named `name` ("IDC_AvTimeT"), 0 for none.
constexpr int IdNamed(std::string_view name) {
    for (const ControlName& control : kControlNames) {
        if (control.name == name) return control.id;
    }
    return 0;
}

// Messages of the main window beyond the system's.
inline constexpr unsigned WM_APP_LINK = 0x8000 + 1;  // WM_APP + 1: the link socket
inline constexpr unsigned WM_APP_TRAY = 0x8000 + 2;  // the tray icon's notifications

}  // namespace nodrel::win
