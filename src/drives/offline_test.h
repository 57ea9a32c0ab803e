// The off-line test's arithmetic: the countdown text, how a polled status
// reads, and how long a restarted routine is given. Portable.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int MostOfflineTestAttempts = 10;
constexpr uint16_t LeastOfflineTestSeconds = 10;

// "Time remaining: 01:01:01".
void FormatTimeRemaining(uint32_t remaining, char (&text)[32]);

// While the elapsed seconds have not passed the routine's, the countdown text
// and true; false when the status is to be polled.
bool OfflineCountdown(uint16_t seconds, uint16_t elapsed, char (&text)[32]);

// Whole seconds since start, compared as the dialog compares them: 16 bits.
uint16_t OfflineElapsed(int64_t now, int64_t start);

// The outcome text of a polled status byte (bit 7 ignored) after the poll
// counted attempts; null when the routine is to be restarted.
const char *ReadOfflineStatus(uint8_t status, uint8_t attempts);

// The countdown of a restarted routine: at least 10 seconds, plus 20 for each
// attempt after the first.
uint16_t RestartSeconds(uint16_t announced, uint8_t attempts);
