#include "drives/smart_check.h"

#include <cstring>

#include "drives/drive_temperature.h"
#include "drives/smart_requests.h"
#include "state/drive_alerts.h"

bool DriveQualifiesForStatus(const DriveRecord &drive)
{
    return !drive.Missing && drive.SMARTSupported && drive.SMARTEnabled && !drive.SMARTError &&
           !drive.OfflineTestRunning && drive.Access != DriveAccess::NotReadable;
}

void ReadAtaCautionHealth(const uint8_t *dataSector, const uint8_t *thresholdSector, DriveHealth &health)
{
    ReadAtaCautionCounts(dataSector, thresholdSector, health.counts, health.thresholdIds);
    health.countsRead = true;
    health.countsUnread = thresholdSector ? 0 : CautionItemBit(CautionItem::AttributesAtThreshold);
    health.checksumBad = !SmartSectorChecksumValid(dataSector) ||
                         (thresholdSector && !SmartSectorChecksumValid(thresholdSector));
}

namespace {

// A reading that failed its checksum may be a sector garbled on its way, or a
// drive that never fills the checksum in: it is believed once the next check
// reads the same counts, and then at every check that does.
bool ReadingConfirmed(DriveRecord &drive, const DriveHealth &health)
{
    bool confirmed = !health.checksumBad ||
                     (drive.CautionUnconfirmedRead &&
                      memcmp(drive.CautionUnconfirmed.value, health.counts.value, sizeof health.counts.value) == 0);
    drive.CautionUnconfirmed = health.counts;
    drive.CautionUnconfirmedRead = health.checksumBad;
    return confirmed;
}

void KeepSeenCounts(DriveRecord &drive, const CautionCounts &counts, const DriveHealth &health)
{
    drive.CautionSeen = counts;
    memcpy(drive.CautionSeenIds, health.thresholdIds, sizeof drive.CautionSeenIds);
    drive.CautionSeenRead = true;
}

}  // namespace

CautionTaking TakeCautionCounts(DriveRecord &drive, const DriveHealth &health)
{
    CautionTaking taking = {};
    if (!ReadingConfirmed(drive, health))
        return taking;
    // What could not be read stands as acknowledged: no rise now, and no fall
    // once a caution's counts are acknowledged.
    CautionCounts counts = health.counts;
    for (int i = 0; i < CautionItemCount; i++) {
        if (health.countsUnread & (1u << i))
            counts.value[i] = drive.CautionAcknowledged.value[i];
    }
    uint32_t unwatched = CautionItemsUnwatched(drive);
    taking.store = FollowCountsBelow(counts, unwatched | health.countsUnread, health.readTime, !drive.SMARTCaution,
                                     drive.CautionAcknowledged, drive.CautionBelowSince);
    if (drive.SMARTCaution) {
        // A caution loaded at start-up has not shown its counts yet.
        if (!drive.CautionSeenRead)
            KeepSeenCounts(drive, counts, health);
        return taking;
    }
    KeepSeenCounts(drive, counts, health);
    if (CautionRises(counts, drive.CautionAcknowledged, unwatched)) {
        drive.SMARTCaution = 1;
        taking.raise = true;
    }
    return taking;
}

void RunSmartCheck(const SmartCheckSteps &steps)
{
    if (DriveCount == 0)
        return;
    bool alertStands = false;
    for (uint8_t i = 0; i < DriveCount; i++) {
        DriveRecord &drive = Drives[i];
        DriveHealth health = {};
        if (DriveQualifiesForStatus(drive) && steps.readHealth(i, health)) {
            // An unplugged USB drive is put away, not failing.
            if (health.gone) {
                drive.Missing = 1;
                drive.Vanished = OnInternalBus(drive);
            }
            // Set before the e-mail and log run: a check nested in their message
            // boxes then finds the alert standing and raises nothing twice.
            drive.SMARTError = health.status == 0 && (!health.gone || drive.Vanished) ? 1 : 0;
            if (drive.SMARTError)
                steps.raiseError(i);
            else if (health.countsRead) {
                CautionTaking taking = TakeCautionCounts(drive, health);
                if (taking.store)
                    steps.storeCautionState(i);
                if (taking.raise)
                    steps.raiseCaution(i);
            }
            if (health.warningTemperature != NoTemperature)
                drive.TemperatureWarning = health.warningTemperature;
            if (TakeTemperature(drive, health.temperature))
                steps.raiseTemperature(i);
        }
        // A drive's dialogs open in this order: it fixes their places in the cascade and which ends in front.
        const struct {
            DriveAlert alert;
            void (*show)(int drive);
        } shown[] = {{DriveAlert::SMARTError, steps.showErrorDialog},
                     {DriveAlert::SMARTCaution, steps.showCautionDialog},
                     {DriveAlert::SimulatedSMARTError, steps.showSimulatedErrorDialog},
                     {DriveAlert::DriveTemperature, steps.showTemperatureDialog}};
        for (const auto &kind : shown) {
            if (drive.*DriveAlertKindOf(kind.alert).flag) {
                CurrentDrive = i;
                alertStands = true;
                kind.show(i);
            }
        }
    }
    if (alertStands)
        steps.beep();
}
