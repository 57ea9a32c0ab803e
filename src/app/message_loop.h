#pragma once

// Runs until the quit message; offers every message to the command window and
// the open alert dialogs before dispatching it.
void RunMessageLoop();

// The same loop while start-up waits for the drive worker, until done()
// answers true. False when the quit message came first. Until the drive table
// is filled (offerAlertDialogs false) only the command window is offered
// messages: the worker is still writing the table.
bool RunMessageLoopUntil(bool (*done)(), bool offerAlertDialogs);
