#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <set>

#include "ui/help_ids.h"

namespace {

// One control of the shared help table: the template whose number forms its
// topic and the control the topic describes (a label's field). Template 0 marks
// a control without help.
struct ExpectedRow {
    uint32_t control;
    uint32_t templateId;
    uint32_t target;
};

constexpr uint32_t None = 0;

const ExpectedRow ExpectedRows[] = {
    // 107 Drives page
    {1009, 107, 1009}, {1017, 107, 1009}, {1067, 107, 1067}, {1014, 107, 1014}, {1028, 107, 1028},
    {1015, 107, 1015}, {1001, 107, 1001}, {1020, 107, 1001}, {1002, 107, 1002}, {1021, 107, 1002},
    {1003, 107, 1003}, {1022, 107, 1003}, {1004, 107, 1004}, {1023, 107, 1004}, {1005, 107, 1005},
    {1024, 107, 1005}, {1006, 107, 1006}, {1025, 107, 1006}, {1007, 107, 1007}, {1026, 107, 1007},
    {1012, 107, 1012}, {1019, 107, 1012}, {1112, 107, 1117},
    // 119 Health page, its texts beside the Drives page's
    {1141, 107, 1009}, {1140, 107, 1009}, {1142, 107, 1142}, {1143, 107, 1142}, {1144, 107, 1144},
    {1146, 107, 1146}, {1145, 107, 1146}, {1147, 107, 1146}, {1148, 107, 1148}, {1149, 107, 1149},
    {1150, 107, 1150}, {1151, 107, 1151},
    // 108 Volumes page
    {1041, 108, 1041}, {1040, 108, 1041}, {1066, 108, 1066}, {1065, 108, 1066}, {1068, 108, 1068},
    {1043, 108, 1043}, {1062, 108, 1062}, {1064, 108, 1064}, {1063, 108, 1064},
    // 113 Free-space error dialog
    {1042, 113, 1042}, {1045, 113, 1045}, {1044, 113, 1045}, {1047, 113, 1047}, {1046, 113, 1047},
    {1049, 113, 1049}, {1048, 113, 1049}, {1051, 113, 1051}, {1050, 113, 1051}, {1053, 113, 1053},
    {1052, 113, 1053}, {1055, 113, 1055}, {1054, 113, 1055}, {1091, 113, 1091}, {1090, 113, 1091},
    {1061, 113, 1061}, {1056, 113, 1056}, {1057, 113, 1057}, {1058, 113, 1058}, {1092, 113, 1092},
    // 109 Alerts page
    {1069, 109, 1069}, {1011, 109, 1011}, {1016, 109, 1011}, {1013, 109, 1013}, {1018, 109, 1013},
    {1070, 109, 1070}, {1071, 109, 1071}, {1072, 109, 1072}, {1074, 109, 1074}, {1073, 109, 1074},
    {1076, 109, 1076}, {1075, 109, 1076}, {1078, 109, 1078}, {1077, 109, 1078}, {1080, 109, 1080},
    // 110 Logging page
    {1093, 110, 1093}, {1094, 110, 1094}, {1095, 110, 1095}, {1103, None, 0},
    // 111 About page
    {1101, 111, 1101}, {1097, None, 0}, {1098, None, 0}, {1099, None, 0}, {1100, None, 0},
    {1102, None, 0}, {1105, None, 0},
    // 104 SMART error dialog
    {1008, 104, 1008}, {1027, 104, 1008}, {1031, 104, 1031}, {1032, 104, 1032}, {1033, 104, 1033},
    {1034, 104, 1034},
    // 112 Simulated SMART error dialog
    {1106, 112, 1106}, {1010, 112, 1106}, {1036, 112, 1036}, {1037, 112, 1037}, {1038, 112, 1038},
    {1039, 112, 1039},
};

constexpr size_t ExpectedRowCount = sizeof ExpectedRows / sizeof ExpectedRows[0];

uint32_t ExpectedContext(const ExpectedRow &row)
{
    if (row.templateId == None)
        return 0xFFFFFFFFu;
    return 0x80000000u + row.templateId * 0x10000u + row.target;
}

size_t TablePairCount()
{
    size_t count = 0;
    while (HelpIdTable[2 * count] != 0 || HelpIdTable[2 * count + 1] != 0)
        count++;
    return count;
}

std::set<uint32_t> AllHelpNumbers()
{
    std::set<uint32_t> numbers;
    for (uint32_t k = 0; k < WindowTopicCount; k++)
        numbers.insert(FirstWindowTopic + k);
    for (const ExpectedRow &row : ExpectedRows) {
        if (row.templateId != None)
            numbers.insert(ExpectedContext(row));
    }
    return numbers;
}

TEST(HelpIds, TableHoldsEveryRowWithItsFormedContextInOrder)
{
    ASSERT_EQ(TablePairCount(), ExpectedRowCount);
    for (size_t i = 0; i < ExpectedRowCount; i++) {
        const ExpectedRow &row = ExpectedRows[i];
        EXPECT_EQ(HelpIdTable[2 * i], row.control) << "row " << i;
        EXPECT_EQ(HelpIdTable[2 * i + 1], ExpectedContext(row)) << "control " << row.control;
    }
}

TEST(HelpIds, TableEndsWithAPairOfZeros)
{
    size_t count = TablePairCount();
    EXPECT_EQ(HelpIdTable[2 * count], 0u);
    EXPECT_EQ(HelpIdTable[2 * count + 1], 0u);
}

TEST(HelpIds, EachControlIdOccursOnce)
{
    std::set<uint32_t> seen;
    for (size_t i = 0; i < TablePairCount(); i++)
        EXPECT_TRUE(seen.insert(HelpIdTable[2 * i]).second) << "control " << HelpIdTable[2 * i];
}

TEST(HelpIds, FindHelpContextAnswersEveryRowAndZeroForUnlistedIds)
{
    for (const ExpectedRow &row : ExpectedRows)
        EXPECT_EQ(FindHelpContext(row.control), ExpectedContext(row)) << "control " << row.control;
    const uint32_t unlisted[] = {0, 1, 2, 1029, 1030, 1035, 1059, 1060, 1096, 1117, 1119, 0xFFFFFFFF};
    for (uint32_t control : unlisted)
        EXPECT_EQ(FindHelpContext(control), 0u) << "control " << control;
}

TEST(HelpIds, GroupsAndDescriptionTextsWithoutHelpAreMarkedNoHelp)
{
    const uint32_t withoutHelp[] = {1103, 1097, 1098, 1099, 1100, 1102, 1105};
    for (uint32_t control : withoutHelp)
        EXPECT_EQ(FindHelpContext(control), 0xFFFFFFFFu) << "control " << control;
    size_t marked = 0;
    for (size_t i = 0; i < TablePairCount(); i++)
        marked += HelpIdTable[2 * i + 1] == 0xFFFFFFFFu;
    EXPECT_EQ(marked, sizeof withoutHelp / sizeof withoutHelp[0]);
}

TEST(HelpIds, ModelNumberLabelShowsTheDrivesPageModelTopicWhateverTheWindow)
{
    EXPECT_EQ(FindHelpContext(1020), 0x806B03E9u);
    EXPECT_EQ(FindHelpContext(1020), FindHelpContext(1001));
}

TEST(HelpIds, WindowTopicsAreNumberedFromTheAboutPage)
{
    const uint32_t topics[] = {AboutPageTopic,  DrivesPageTopic,          VolumesPageTopic,
                               AlertsPageTopic, LoggingPageTopic,         SMARTErrorTopic,
                               SimulatedSMARTErrorTopic, TrayHelpTopic,   FreeSpaceErrorTopic,
                               MailPasswordTopic, SMARTCautionTopic, DriveTemperatureTopic, HealthPageTopic};
    ASSERT_EQ(sizeof topics / sizeof topics[0], WindowTopicCount);
    for (uint32_t k = 0; k < WindowTopicCount; k++)
        EXPECT_EQ(topics[k], 0x2FFF0u + k);
    EXPECT_STREQ(HelpFileName, "holmvard.hlp");
}

TEST(HelpIds, EveryTopicHasItsOwnStringIdInRange)
{
    std::map<uint16_t, uint32_t> owners;
    for (uint32_t number : AllHelpNumbers()) {
        uint16_t id = HelpTextStringId(number);
        EXPECT_NE(id, 0u) << std::hex << number;
        auto [it, inserted] = owners.emplace(id, number);
        EXPECT_TRUE(inserted) << std::hex << number << " and " << it->second << " share string " << std::dec << id;
    }
    // 77 distinct topics: 13 windows and 64 control contexts.
    EXPECT_EQ(owners.size(), 77u);
}

TEST(HelpIds, NoStringIdForNoHelpOrNumbersOutsideTheTopics)
{
    const uint32_t unknown[] = {
        0,
        0xFFFFFFFFu,
        0x2FFEFu,
        FirstWindowTopic + WindowTopicCount,
        0x80000000u,
        0x806B03F0u,  // template 107, control 1008: well formed but no such topic
        0x807103E9u,  // template 113, control 1001
        0x006B03E9u,  // the model-number topic without its high bit
    };
    for (uint32_t number : unknown)
        EXPECT_EQ(HelpTextStringId(number), 0u) << std::hex << number;
}

}  // namespace
