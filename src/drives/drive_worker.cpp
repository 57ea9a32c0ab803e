#include "drives/drive_worker.h"

#include <cstdint>

#include "base/guards.h"
#include "drives/device_control.h"

namespace {

struct Job {
    bool queued;
    bool running;
    uint32_t order;     // when it was queued: the worker takes the oldest first
    void (*work)(void *);
    void *context;
    HWND window;
};

SRWLOCK Lock = SRWLOCK_INIT;
Job Jobs[DriveWorkJobs];
uint32_t Queued;
HANDLE Wake;
HANDLE Worker;
// The worker has ended, or is ending and touches nothing more.
bool WorkerEnded;
bool Stopping;


// The oldest queued job, marked running; -1 when none is queued.
int TakeJob()
{
    ExclusiveLock locked(Lock);
    if (Stopping)
        return -1;
    int oldest = -1;
    for (int i = 0; i < DriveWorkJobs; i++) {
        if (Jobs[i].queued && (oldest < 0 || static_cast<int32_t>(Jobs[i].order - Jobs[oldest].order) < 0))
            oldest = i;
    }
    if (oldest >= 0) {
        Jobs[oldest].queued = false;
        Jobs[oldest].running = true;
    }
    return oldest;
}

// Whether a job is queued. Under the lock.
bool AnyQueued()
{
    for (const Job &job : Jobs) {
        if (job.queued)
            return true;
    }
    return false;
}

// How long the worker kept alive only by a request given up on waits before
// it looks again whether the request has completed since.
constexpr DWORD AbandonedRecheckMs = 60000;

DWORD WINAPI RunDriveWork(void *)
{
    DWORD idle = DriveWorkerIdleMs;
    for (;;) {
        DWORD waited = WaitForSingleObject(Wake, idle);
        for (int job = TakeJob(); job >= 0; job = TakeJob()) {
            Jobs[job].work(Jobs[job].context);
            HWND window;
            {
                ExclusiveLock locked(Lock);
                Jobs[job].running = false;
                window = Jobs[job].window;
            }
            // A window gone meanwhile (a cancelled test, shutdown) takes nothing.
            PostMessageA(window, DriveWorkDoneMessage, static_cast<WPARAM>(job), 0);
        }
        ExclusiveLock locked(Lock);
        if (Stopping)
            return 0;
        // Idle for a while: the thread ends, and the next job queued starts
        // another. Decided under the lock, so no job is left without a thread.
        // Not while a request it gave up on is still out: Windows cancels a
        // thread's pending requests as it exits and, from a driver that
        // ignores the cancel, may never deliver the completion that gives
        // the request's buffers back.
        if (waited == WAIT_TIMEOUT && !AnyQueued()) {
            if (!AnyDeviceRequestAbandoned()) {
                WorkerEnded = true;
                return 0;
            }
            idle = AbandonedRecheckMs;
        } else {
            idle = DriveWorkerIdleMs;
        }
    }
}

}  // namespace

bool QueueDriveWork(int job, void (*work)(void *), void *context, HWND window)
{
    if (job < 0 || job >= DriveWorkJobs)
        return false;
    ExclusiveLock locked(Lock);
    if (Stopping || Jobs[job].queued || Jobs[job].running)
        return false;
    if (!Wake && !(Wake = CreateEventA(nullptr, FALSE, FALSE, nullptr)))
        return false;
    if (!Worker || WorkerEnded) {
        HANDLE worker = CreateThread(nullptr, 0, RunDriveWork, nullptr, 0, nullptr);
        if (!worker)
            return false;
        if (Worker)
            CloseHandle(Worker);
        Worker = worker;
        WorkerEnded = false;
    }
    Jobs[job] = {true, false, ++Queued, work, context, window};
    SetEvent(Wake);
    return true;
}

bool DriveWorkOut(int job)
{
    if (job < 0 || job >= DriveWorkJobs)
        return false;
    ExclusiveLock locked(Lock);
    return Jobs[job].queued || Jobs[job].running;
}

bool StopDriveWorker()
{
    {
        ExclusiveLock locked(Lock);
        Stopping = true;
        if (!Worker || WorkerEnded)
            return true;
        SetEvent(Wake);
    }
    CancelDeviceRequests();
    // A request that ignores its cancel is given up on within the grace.
    return WaitForSingleObject(Worker, DeviceCancelGraceMs + 1000) == WAIT_OBJECT_0;
}
