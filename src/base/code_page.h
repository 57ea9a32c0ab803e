// The process's ANSI code page, as the bounded-text helpers need to know it.
#pragma once

// Tells the bounded-text helpers how the ANSI code page encodes characters:
// UTF-8 where the manifest's activeCodePage took effect (Windows 10 1903 and
// later), otherwise the system's code page, single- or double-byte. Call once
// at start-up, before any other thread.
void AdoptProcessCodePage();
