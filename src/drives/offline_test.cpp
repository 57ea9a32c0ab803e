#include "drives/offline_test.h"

#include "base/bounded_text.h"

void FormatTimeRemaining(uint32_t remaining, char (&text)[32])
{
    uint32_t hours = remaining / 3600;
    uint32_t minutes = (remaining - 3600 * hours) / 60;
    uint32_t seconds = remaining - 3600 * hours - 60 * minutes;
    FormatInto(text, "Time remaining: %.2u:%.2u:%.2u", hours, minutes, seconds);
}

uint16_t OfflineElapsed(int64_t now, int64_t start)
{
    return static_cast<uint16_t>(now - start);
}

bool OfflineCountdown(uint16_t seconds, uint16_t elapsed, char (&text)[32])
{
    if (elapsed > seconds)
        return false;
    FormatTimeRemaining(seconds - elapsed, text);
    return true;
}

const char *ReadOfflineStatus(uint8_t status, uint8_t attempts)
{
    // Bit 7 only says whether the collection was automatic.
    switch (status & 0x7F) {
    case 2:
        return "No errors encountered";
    case 6:
        return "Aborted with fatal error";
    case 4:
    case 5:
        return attempts > MostOfflineTestAttempts ? "Aborted by host interruption" : nullptr;
    }
    return "Unknown error";
}

uint16_t RestartSeconds(uint16_t announced, uint8_t attempts)
{
    uint32_t seconds = announced < LeastOfflineTestSeconds ? LeastOfflineTestSeconds : announced;
    if (attempts > 1)
        seconds += 20u * (attempts - 1u);
    // A 16-bit countdown: a drive announcing nearly 18 hours cannot wrap it round.
    return static_cast<uint16_t>(seconds > 0xFFFF ? 0xFFFF : seconds);
}
