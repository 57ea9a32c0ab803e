// The SMART status check's decisions: which drives are asked, which alerts
// stand, where CurrentDrive ends and whether to beep. The effects are steps
// that the caller supplies, so the same loop serves the program and its tests.
#pragma once

#include "state/drive_table.h"

// What one drive answered at a check.
struct DriveHealth {
    int status;             // 1 healthy; 0 threshold exceeded or request failed
    bool countsRead;        // counts holds the drive's caution counts
    CautionCounts counts;
    uint8_t thresholdIds[CautionThresholdIdsMax] = {};   // the attributes counted at their threshold
    uint32_t countsUnread = 0;  // items this reading could not give: they are neither a rise nor a fall
    bool checksumBad = false;   // a sector failed its checksum
    int64_t readTime = 0;       // seconds since 1970; 0 when not known
    bool gone = false;          // the request failed as for a device that no longer exists
    uint8_t temperature = 0;    // degrees Celsius; 0: none read
    uint8_t warningTemperature = 0;  // the drive's own, where this reading reports one
};

// The health of an ATA drive that answered RETURN STATUS healthy and READ
// DATA, from its data sector and its threshold sector (nullptr when READ
// THRESHOLDS failed: only the item of attributes at their threshold is then
// unread).
void ReadAtaCautionHealth(const uint8_t *dataSector, const uint8_t *thresholdSector, DriveHealth &health);

struct SmartCheckSteps {
    // The device requests of one drive: its status, and its caution counts when
    // healthy. False when the drive has no answer this time (it was not asked),
    // so it is not evaluated.
    bool (*readHealth)(int drive, DriveHealth &health);
    // A new SMART error, already set in the record: time stamp, registry, e-mail, log.
    void (*raiseError)(int drive);
    // A new caution, already set in the record: time stamp, registry, e-mail, log.
    void (*raiseCaution)(int drive);
    // Opens the drive's alert dialog unless one is open.
    void (*showErrorDialog)(int drive);
    void (*showSimulatedErrorDialog)(int drive);
    void (*showCautionDialog)(int drive);
    // Once per check while any alert stands.
    void (*beep)();
    // The acknowledged counts came down, or a count's time below them changed: registry.
    void (*storeCautionState)(int drive);
    // A new drive temperature alert, already set in the record, and its dialog.
    void (*raiseTemperature)(int drive);
    void (*showTemperatureDialog)(int drive);
};

// Only a present, monitored, supported drive without a standing error and not
// busy with an off-line test, whose health can be read at all, is asked for
// its status.
bool DriveQualifiesForStatus(const DriveRecord &drive);

struct CautionTaking {
    bool raise;   // a new caution, already set in the record
    bool store;   // the acknowledged counts or the times below them changed
};

// Takes the counts a healthy drive answered. A reading whose sectors failed
// their checksum is taken only when the next check reads the same counts. A
// standing caution keeps the counts its dialog shows, and the acknowledged
// counts do not come down under it.
CautionTaking TakeCautionCounts(DriveRecord &drive, const DriveHealth &health);

// A drive whose request found no device is not present from now on; one on an
// internal bus has stopped answering, which raises its SMART error.
void RunSmartCheck(const SmartCheckSteps &steps);
