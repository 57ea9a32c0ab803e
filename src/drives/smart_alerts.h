// The SMART status check and its alert dialogs: the SMART error, the simulated
// error and the caution of rising counts.
#pragma once

#include <windows.h>

#include "state/drive_alerts.h"

// Asks every qualifying drive for its SMART status, raises new errors and keeps
// an alert dialog open, with one beep, for every standing alert. owner becomes
// the owner of the dialogs. The drives are asked on this thread: for the
// benchmark, which times the check without the worker's hand-over.
void CheckSMARTStatus(HWND owner);

// The same check with the drives asked on the drive worker: the window thread
// goes on, and FinishSMARTCheck does the rest when the worker's answers come
// to owner. Dropped while the last check is still out; one that finished
// but was never taken is taken first. Held while a rescan is out.
void RequestSMARTCheck(HWND owner);

// On the worker's answers: raises, shows and beeps as CheckSMARTStatus does.
// False when no finished check was out, while the taking runs already, or
// while the property sheet is open (the next RequestSMARTCheck takes it).
bool FinishSMARTCheck(HWND owner);

// Whether a check is out: asked on the worker, or its answers not yet taken
// up. Once the window thread takes them, the check is as a check always was.
bool SMARTCheckOut();

// Whether a round is out at all, its answers being taken included.
bool SMARTRoundOut();

// When a rescan's answers are applied: the check that was held back while it
// was out, or one for the drives that came, went or moved.
void RequestSMARTCheckAfterRescan(HWND owner, bool tableChanged);

// An alert already set in the drive's record: time stamp, registry, tray
// notification, e-mail when asked for, and log record. owner owns the boxes
// of the e-mail and log. The next check shows its dialog.
void RaiseDriveAlert(DriveAlert alert, int drive, HWND owner);

// A drive on an internal bus that a rescan no longer finds, its SMART error
// already set in the record: time stamp, registry, e-mail and a log record
// saying it stopped answering. The next check shows its dialog.
void RaiseVanishedDriveError(int drive, HWND owner);

INT_PTR CALLBACK SMARTErrorDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SimulatedSMARTErrorDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SMARTCautionDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK DriveTemperatureDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
