#include <gtest/gtest.h>

#include <cstring>

#include "drives/smart_check.h"
#include "drives/status_round.h"

namespace {

StatusRound Round;
DriveHealth Answers[MaxDrives];
bool Answered[MaxDrives];
int Raised;
int Cautioned;

// What the worker does: each asked drive answers, or its requests fail (a
// cancelled one included) and it leaves the round's health as it was.
void FakeAsk(RoundDrive &drive)
{
    if (Answered[drive.driveNumber])
        drive.health = Answers[drive.driveNumber];
}
bool RoundAnswer(int drive, DriveHealth &health) { return RoundHealth(Round, drive, health); }
void CountRaise(int) { Raised++; }
void CountCaution(int) { Cautioned++; }
void Nothing(int) {}
void NoBeep() {}

TEST(StatusRound, TheWorkersAnswersDecideTheCheckAndATickWhileARoundIsOutIsDropped)
{
    CautionCounts rising = {};
    rising.value[0] = 8;
    const struct {
        const char *name;
        bool answered;
        DriveHealth health;
        bool monitored;
        int error;     // SMARTError after the check
        int caution;   // SMARTCaution after the check
    } cases[] = {
        {"answered healthy, counts risen", true, {1, true, rising}, true, 0, 1},
        {"answered exceeded", true, {0, false, {}}, true, 1, 0},
        {"failed or timed out", false, {1, true, rising}, true, 1, 0},
        {"not monitored", true, {0, false, {}}, false, 0, 0},
    };
    memset(Drives, 0, sizeof Drives);
    DriveCount = 0;
    for (const auto &c : cases) {
        DriveRecord &d = Drives[DriveCount];
        d.DriveNumber = DriveCount;
        d.SMARTSupported = 1;
        d.SMARTEnabled = c.monitored ? 1 : 0;
        Answered[DriveCount] = c.answered;
        Answers[DriveCount++] = c.health;
    }
    Round = {};
    Raised = Cautioned = 0;
    ASSERT_TRUE(OpenStatusRound(Round));
    // A tick while the worker asks: dropped, the round untouched.
    Drives[0].SMARTEnabled = 0;
    EXPECT_FALSE(OpenStatusRound(Round));
    Drives[0].SMARTEnabled = 1;
    AskStatusRound(Round, FakeAsk);
    const SmartCheckSteps steps = {RoundAnswer, CountRaise, CountCaution, Nothing, Nothing,
                                   Nothing,     NoBeep,     Nothing,      Nothing, Nothing};
    RunSmartCheck(steps);
    CloseStatusRound(Round);
    for (int i = 0; i < DriveCount; i++) {
        EXPECT_EQ(Drives[i].SMARTError, cases[i].error) << cases[i].name;
        EXPECT_EQ(Drives[i].SMARTCaution, cases[i].caution) << cases[i].name;
    }
    EXPECT_EQ(Raised, 2);
    EXPECT_EQ(Cautioned, 1);

    // A drive switched on while the round was out is not evaluated on it; the next round asks it.
    Drives[3].SMARTEnabled = 1;
    DriveHealth health;
    EXPECT_FALSE(RoundHealth(Round, 3, health));
    ASSERT_TRUE(OpenStatusRound(Round));
    EXPECT_TRUE(Round.drives[3].asked);
    CloseStatusRound(Round);
    DriveCount = 0;
}

}  // namespace
