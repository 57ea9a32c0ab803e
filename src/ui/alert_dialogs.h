// What every alert dialog shares: the beep of a check, and the record field
// through which a dialog is found and cleared.
#pragma once

#include <windows.h>

#include <cstdint>

// The exclamation sound a check makes once while any alert stands
// (MessageBeep; the Win32 Beep would sound the speaker).
void MessageBeepExclamation();

// Whether the field names a dialog that is still open.
bool AlertDialogOpen(HWND field);

// The index of the record whose field holds the dialog; -1 while the dialog is
// still being created, because the field is set only when creation returns.
template <typename Record>
int FindRecordByDialog(const Record *records, uint8_t count, HWND Record::*field, HWND dialog)
{
    for (uint8_t i = 0; i < count; i++) {
        if (records[i].*field == dialog)
            return i;
    }
    return -1;
}

// Destroys the dialog and clears its record's field.
void CloseAlertDialog(HWND dialog, HWND &field);
