// Help context numbers: the window topics, the one control-to-topic table that
// every window shares, and where each topic's text lives among the string
// resources. Portable: no <windows.h>.
#pragma once

#include <cstdint>

// Passed to the help engine by every caller; the built-in engine ignores it.
constexpr char HelpFileName[] = "holmvard.hlp";

// Window topics, shown as a pop-up by a page's or dialog's own Help.
constexpr uint32_t AboutPageTopic = 0x2FFF0;
constexpr uint32_t DrivesPageTopic = 0x2FFF1;
constexpr uint32_t VolumesPageTopic = 0x2FFF2;
constexpr uint32_t AlertsPageTopic = 0x2FFF3;
constexpr uint32_t LoggingPageTopic = 0x2FFF4;
constexpr uint32_t SMARTErrorTopic = 0x2FFF5;
constexpr uint32_t SimulatedSMARTErrorTopic = 0x2FFF6;
constexpr uint32_t TrayHelpTopic = 0x2FFF7;
constexpr uint32_t FreeSpaceErrorTopic = 0x2FFF8;
constexpr uint32_t MailPasswordTopic = 0x2FFF9;
constexpr uint32_t SMARTCautionTopic = 0x2FFFA;
constexpr uint32_t DriveTemperatureTopic = 0x2FFFB;
constexpr uint32_t HealthPageTopic = 0x2FFFC;

constexpr uint32_t FirstWindowTopic = AboutPageTopic;
constexpr uint32_t WindowTopicCount = 13;

// A control whose help context is this value has no help.
constexpr uint32_t NoHelpContext = 0xFFFFFFFF;

// Pairs of (control id, help context id), ended by a pair of zeros; a control id
// occurs once. Laid out as the DWORD pairs that HELP_WM_HELP and
// HELP_CONTEXTMENU take.
extern const uint32_t HelpIdTable[];

// Help context of a control id: NoHelpContext for a control without help, 0 for
// an id that the table does not list.
uint32_t FindHelpContext(uint32_t controlId);

// String-resource id of the text of a window topic or of a control context that
// HelpIdTable uses; 0 for NoHelpContext and for any other number.
uint16_t HelpTextStringId(uint32_t helpContext);
