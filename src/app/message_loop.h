#pragma once

// Runs until the quit message; offers every message to the command window and
// the open alert dialogs before dispatching it.
void RunMessageLoop();
