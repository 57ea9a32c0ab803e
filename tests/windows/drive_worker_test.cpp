// The drive worker runs only while it has work: jobs queued before and after
// it ended run in order, and shutdown after its end is immediate.
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "drives/drive_worker.h"

namespace {

struct Ran {
    int job;
    DWORD thread;
};

SRWLOCK RanLock = SRWLOCK_INIT;
std::vector<Ran> RanJobs;

void Record(void *context)
{
    AcquireSRWLockExclusive(&RanLock);
    RanJobs.push_back({static_cast<int>(reinterpret_cast<INT_PTR>(context)), GetCurrentThreadId()});
    ReleaseSRWLockExclusive(&RanLock);
}

// Queues the jobs and waits until none is out; the order and threads they ran on.
std::vector<Ran> RunJobs(const std::vector<int> &jobs)
{
    AcquireSRWLockExclusive(&RanLock);
    RanJobs.clear();
    ReleaseSRWLockExclusive(&RanLock);
    for (int job : jobs)
        EXPECT_TRUE(QueueDriveWork(job, Record, reinterpret_cast<void *>(static_cast<INT_PTR>(job)), nullptr));
    for (int i = 0; i < 200; i++) {
        bool out = false;
        for (int job : jobs)
            out = out || DriveWorkOut(job);
        if (!out)
            break;
        Sleep(50);
    }
    AcquireSRWLockExclusive(&RanLock);
    std::vector<Ran> ran = RanJobs;
    ReleaseSRWLockExclusive(&RanLock);
    return ran;
}

TEST(DriveWorker, EndsWhenIdleAndTheNextJobsRunInOrderOnAnother)
{
    const std::vector<std::vector<int>> rounds = {
        {StatusRoundJob, RescanJob, OfflinePollJob + 3, HealthRefreshJob},
        {HealthRefreshJob, StatusRoundJob},
    };
    for (const std::vector<int> &jobs : rounds) {
        std::vector<Ran> ran = RunJobs(jobs);
        ASSERT_EQ(ran.size(), jobs.size());
        for (size_t i = 0; i < jobs.size(); i++) {
            EXPECT_EQ(ran[i].job, jobs[i]) << "in the order queued";
            EXPECT_EQ(ran[i].thread, ran[0].thread) << "one worker for jobs queued together";
        }
        EXPECT_NE(ran[0].thread, GetCurrentThreadId());
        // Idle, the worker ends: its thread is signalled well after the idle time.
        HANDLE worker = OpenThread(SYNCHRONIZE, FALSE, ran[0].thread);
        ASSERT_NE(worker, nullptr);
        EXPECT_EQ(WaitForSingleObject(worker, DriveWorkerIdleMs * 10), WAIT_OBJECT_0);
        CloseHandle(worker);
    }
    EXPECT_TRUE(StopDriveWorker()) << "nothing to wait for once the worker has ended";
    EXPECT_FALSE(QueueDriveWork(StatusRoundJob, Record, nullptr, nullptr)) << "no work after shutdown";
}

}  // namespace
