#include "ui/help_ids.h"

#include "resources/help_topic_ids.h"

namespace {

// The topic of a control: the template that owns the topic and the control it
// describes (a label's topic is its field's).
constexpr uint32_t Topic(uint32_t templateId, uint32_t targetId)
{
    return 0x80000000u + templateId * 0x10000u + targetId;
}

constexpr uint32_t DrivesPage = 107;
constexpr uint32_t VolumesPage = 108;
constexpr uint32_t AlertsPage = 109;
constexpr uint32_t LoggingPage = 110;
constexpr uint32_t AboutPage = 111;
constexpr uint32_t SMARTErrorDialog = 104;
constexpr uint32_t SimulatedSMARTErrorDialog = 112;
constexpr uint32_t FreeSpaceErrorDialog = 113;

}  // namespace

constexpr uint32_t HelpIdTable[] = {
    // Drives page
    1009, Topic(DrivesPage, 1009),  // drive list
    1017, Topic(DrivesPage, 1009),  // "Select Drive:"
    1067, Topic(DrivesPage, 1067),  // "Drive Settings" group
    1014, Topic(DrivesPage, 1014),  // enable SMART status monitoring
    1028, Topic(DrivesPage, 1028),  // simulate SMART error
    1015, Topic(DrivesPage, 1015),  // "IDE/ATA Parameters" group
    1001, Topic(DrivesPage, 1001),  // model number
    1020, Topic(DrivesPage, 1001),
    1002, Topic(DrivesPage, 1002),  // serial number
    1021, Topic(DrivesPage, 1002),
    1003, Topic(DrivesPage, 1003),  // firmware revision
    1022, Topic(DrivesPage, 1003),
    1004, Topic(DrivesPage, 1004),  // C/H/S
    1023, Topic(DrivesPage, 1004),
    1005, Topic(DrivesPage, 1005),  // LBA sectors
    1024, Topic(DrivesPage, 1005),
    1006, Topic(DrivesPage, 1006),  // capacity
    1025, Topic(DrivesPage, 1006),
    1007, Topic(DrivesPage, 1007),  // SMART status of the drive
    1026, Topic(DrivesPage, 1007),
    1012, Topic(DrivesPage, 1012),  // system SMART status
    1019, Topic(DrivesPage, 1012),
    1112, Topic(DrivesPage, 1117),  // off-line test button

    // Health page: its texts sit with the Drives page's, whose template numbers stay in range.
    1141, Topic(DrivesPage, 1009),  // drive list, as the Drives page's
    1140, Topic(DrivesPage, 1009),
    1142, Topic(DrivesPage, 1142),  // the table of what the drive answered
    1143, Topic(DrivesPage, 1142),
    1144, Topic(DrivesPage, 1144),  // temperature and limit
    1146, Topic(DrivesPage, 1146),  // alert at
    1145, Topic(DrivesPage, 1146),
    1147, Topic(DrivesPage, 1146),
    1148, Topic(DrivesPage, 1148),  // automatic limit
    1149, Topic(DrivesPage, 1149),  // Refresh
    1150, Topic(DrivesPage, 1150),  // Copy
    1151, Topic(DrivesPage, 1151),  // History...

    // Volumes page
    1041, Topic(VolumesPage, 1041),  // volume list
    1040, Topic(VolumesPage, 1041),
    1066, Topic(VolumesPage, 1066),  // system free space status
    1065, Topic(VolumesPage, 1066),
    1068, Topic(VolumesPage, 1068),  // "Volume Settings" group
    1043, Topic(VolumesPage, 1043),  // enable free space monitoring
    1062, Topic(VolumesPage, 1062),  // minimum slider
    1064, Topic(VolumesPage, 1064),  // minimum text
    1063, Topic(VolumesPage, 1064),

    // Free-space error dialog; the volume fields carry these topics on the Volumes page too.
    1042, Topic(FreeSpaceErrorDialog, 1042),  // volume information group
    1045, Topic(FreeSpaceErrorDialog, 1045),  // volume
    1044, Topic(FreeSpaceErrorDialog, 1045),
    1047, Topic(FreeSpaceErrorDialog, 1047),  // serial number
    1046, Topic(FreeSpaceErrorDialog, 1047),
    1049, Topic(FreeSpaceErrorDialog, 1049),  // file system
    1048, Topic(FreeSpaceErrorDialog, 1049),
    1051, Topic(FreeSpaceErrorDialog, 1051),  // total space
    1050, Topic(FreeSpaceErrorDialog, 1051),
    1053, Topic(FreeSpaceErrorDialog, 1053),  // used space
    1052, Topic(FreeSpaceErrorDialog, 1053),
    1055, Topic(FreeSpaceErrorDialog, 1055),  // free space
    1054, Topic(FreeSpaceErrorDialog, 1055),
    1091, Topic(FreeSpaceErrorDialog, 1091),  // error time
    1090, Topic(FreeSpaceErrorDialog, 1091),
    1061, Topic(FreeSpaceErrorDialog, 1061),  // acknowledge
    1056, Topic(FreeSpaceErrorDialog, 1056),  // OK
    1057, Topic(FreeSpaceErrorDialog, 1057),  // Cancel
    1058, Topic(FreeSpaceErrorDialog, 1058),  // Help
    1092, Topic(FreeSpaceErrorDialog, 1092),  // new minimum slider

    // Alerts page
    1069, Topic(AlertsPage, 1069),  // "Polling Period Settings" group
    1011, Topic(AlertsPage, 1011),  // SMART polling period
    1016, Topic(AlertsPage, 1011),
    1013, Topic(AlertsPage, 1013),  // free-space polling period
    1018, Topic(AlertsPage, 1013),
    1070, Topic(AlertsPage, 1070),  // "E-mail Settings" group
    1071, Topic(AlertsPage, 1071),  // e-mail SMART errors
    1072, Topic(AlertsPage, 1072),  // e-mail free-space errors
    1074, Topic(AlertsPage, 1074),  // from
    1073, Topic(AlertsPage, 1074),
    1076, Topic(AlertsPage, 1076),  // to
    1075, Topic(AlertsPage, 1076),
    1078, Topic(AlertsPage, 1078),  // server
    1077, Topic(AlertsPage, 1078),
    1080, Topic(AlertsPage, 1080),  // send test e-mail

    // Logging page
    1093, Topic(LoggingPage, 1093),  // log list
    1094, Topic(LoggingPage, 1094),  // Clear
    1095, Topic(LoggingPage, 1095),  // Print
    1103, NoHelpContext,             // "Commands" group

    // About page: only the website button has help.
    1101, Topic(AboutPage, 1101),
    1097, NoHelpContext,
    1098, NoHelpContext,
    1099, NoHelpContext,
    1100, NoHelpContext,
    1102, NoHelpContext,
    1105, NoHelpContext,

    // SMART error dialog
    1008, Topic(SMARTErrorDialog, 1008),  // error time
    1027, Topic(SMARTErrorDialog, 1008),
    1031, Topic(SMARTErrorDialog, 1031),  // acknowledge
    1032, Topic(SMARTErrorDialog, 1032),  // OK
    1033, Topic(SMARTErrorDialog, 1033),  // Cancel
    1034, Topic(SMARTErrorDialog, 1034),  // Help

    // Simulated SMART error dialog
    1106, Topic(SimulatedSMARTErrorDialog, 1106),  // error time
    1010, Topic(SimulatedSMARTErrorDialog, 1106),
    1036, Topic(SimulatedSMARTErrorDialog, 1036),  // acknowledge
    1037, Topic(SimulatedSMARTErrorDialog, 1037),  // OK
    1038, Topic(SimulatedSMARTErrorDialog, 1038),  // Cancel
    1039, Topic(SimulatedSMARTErrorDialog, 1039),  // Help

    0, 0,
};

namespace {

// Every control topic must land in the control range of the string ids, below
// the window topics' texts.
constexpr bool EveryControlTopicHasAStringId()
{
    for (const uint32_t *pair = HelpIdTable; pair[0] != 0; pair += 2) {
        if (pair[1] == NoHelpContext)
            continue;
        uint32_t templateId = (pair[1] >> 16) & 0x7FFFu;
        uint32_t targetId = pair[1] & 0xFFFFu;
        if ((pair[1] & 0x80000000u) == 0 || templateId <= HELP_CONTROL_TEMPLATE_BASE ||
            targetId >= HELP_CONTROL_TEMPLATE_STRIDE ||
            HELP_CONTROL_TEXT(templateId, targetId) >= HELP_WINDOW_TEXT_BASE)
            return false;
    }
    return true;
}

static_assert(EveryControlTopicHasAStringId());
static_assert(HELP_WINDOW_TEXT(WindowTopicCount - 1) <= 0xFFFF);

}  // namespace

uint32_t FindHelpContext(uint32_t controlId)
{
    if (controlId == 0)
        return 0;
    for (const uint32_t *pair = HelpIdTable; pair[0] != 0; pair += 2) {
        if (pair[0] == controlId)
            return pair[1];
    }
    return 0;
}

namespace {

bool TableUsesContext(uint32_t helpContext)
{
    for (const uint32_t *pair = HelpIdTable; pair[0] != 0; pair += 2) {
        if (pair[1] == helpContext)
            return true;
    }
    return false;
}

}  // namespace

uint16_t HelpTextStringId(uint32_t helpContext)
{
    if (helpContext >= FirstWindowTopic && helpContext < FirstWindowTopic + WindowTopicCount)
        return static_cast<uint16_t>(HELP_WINDOW_TEXT(helpContext - FirstWindowTopic));
    // Only the table's own contexts have texts; anything else is a caller's mistake.
    if (helpContext == NoHelpContext || (helpContext & 0x80000000u) == 0 || !TableUsesContext(helpContext))
        return 0;
    uint32_t templateId = (helpContext >> 16) & 0x7FFFu;
    uint32_t targetId = helpContext & 0xFFFFu;
    return static_cast<uint16_t>(HELP_CONTROL_TEXT(templateId, targetId));
}
