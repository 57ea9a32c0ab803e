// Context help in the running program: F1 over a control and the Help commands.
#include <gtest/gtest.h>

#include "e2e/e2e_driver.h"
#include "resources/resource_ids.h"
#include "ui/help_ids.h"

namespace {

using namespace e2e;

const char HelpPopup[] = "HOLMVARD Help";
const char DriveKey[] = "Software\\Tessmere\\HOLMVARD\\Drives\\HELPH1";

// The topic text as the program's own resources hold it.
std::string TopicText(const Scenario &scenario, uint32_t context)
{
    HMODULE module = LoadLibraryExA(scenario.executable.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    EXPECT_NE(module, nullptr);
    char text[1024] = "";
    LoadStringA(module, HelpTextStringId(context), text, sizeof text);
    FreeLibrary(module);
    return text;
}

class Help : public ::testing::Test {
protected:
    void SetUp() override
    {
        CleanRegistry();
        WriteRegistryFlag(DriveKey, "SMARTEnabled", 1);
        WriteRegistryFlag(DriveKey, "SMARTError", 1);
        WriteRegistryText(DriveKey, "SMARTErrorTime", "Tuesday, January 01, 2002 09:05:03");
    }

    // Presses F1 over a control, as the keyboard would, and returns the pop-up's text.
    std::string HelpFor(Program &program, HWND dialog, int control)
    {
        HWND old = program.FindWindowNow(HelpPopup, nullptr);
        if (old) {
            PostKey(old, VK_ESCAPE);
            program.WaitForWindowGone(HelpPopup, nullptr);
        }
        PostMessageA(GetDlgItem(dialog, control), WM_KEYF1_MESSAGE, 0, 0);
        HWND popup = program.WaitForWindow(HelpPopup, nullptr, 3000);
        return popup ? WindowText(popup) : "";
    }

    // WM_KEYF1: what the system sends for the F1 key, turned into WM_HELP by the control.
    static constexpr UINT WM_KEYF1_MESSAGE = 0x004D;
};

TEST_F(Help, F1OverAControlShowsItsTopicAndALabelShowsItsFieldsTopic)
{
    Scenario scenario = PrepareForThisTest("drive 0\nmodel HELP\nserial H1\n");
    Program program;
    ASSERT_TRUE(program.Start(scenario));
    HWND dialog = program.WaitForWindow("#32770", "SMART Error Detected");
    ASSERT_NE(dialog, nullptr);

    std::string model = TopicText(scenario, 0x806B03E9);
    ASSERT_FALSE(model.empty());
    EXPECT_EQ(HelpFor(program, dialog, IDC_MODEL), model);
    EXPECT_EQ(HelpFor(program, dialog, IDC_MODEL_LABEL), model);
    std::string acknowledge = TopicText(scenario, 0x80680000 + IDC_ACKNOWLEDGE);
    ASSERT_FALSE(acknowledge.empty());
    EXPECT_EQ(HelpFor(program, dialog, IDC_ACKNOWLEDGE), acknowledge);

    // The dialog's own Help button shows the dialog's topic.
    PostKey(program.FindWindowNow(HelpPopup, nullptr), VK_ESCAPE);
    ASSERT_TRUE(program.WaitForWindowGone(HelpPopup, nullptr));
    ClickButton(dialog, IDC_ERROR_HELP);
    HWND popup = program.WaitForWindow(HelpPopup, nullptr, 3000);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(WindowText(popup), TopicText(scenario, SMARTErrorTopic));
    PostKey(popup, VK_ESCAPE);
    EXPECT_TRUE(program.WaitForWindowGone(HelpPopup, nullptr));
    CloseProgram(program);
}

TEST_F(Help, TrayHelpCommandShowsTheProgramTopic)
{
    Scenario scenario = PrepareForThisTest("drive 0\nmodel HELP\nserial H1\n");
    Program program;
    HWND command = program.StartAndWait(scenario);
    ASSERT_NE(command, nullptr);
    PostMessageA(command, WM_COMMAND, IDM_HELP, 0);
    HWND popup = program.WaitForWindow(HelpPopup, nullptr, 3000);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(WindowText(popup), TopicText(scenario, TrayHelpTopic));
    CloseProgram(program);
}

}  // namespace
