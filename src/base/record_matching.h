// Matching the things a scan found with the records a table keeps of them.
// Portable.
#pragma once

#include <cstdint>

// recordOf[f] receives the record found thing f is, or -1 for a new one. A
// thing is known by its identity; of two with one identity, each keeps the
// record at its own place first, then takes those left in table order.
// taken[r] tells which records were matched. Both arrays hold limit entries.
template <typename SameIdentity, typename SamePlace>
void MatchFoundRecords(int tableCount, int foundCount, int limit, int8_t *recordOf, bool *taken,
                       SameIdentity sameIdentity, SamePlace samePlace)
{
    for (int i = 0; i < limit; i++) {
        recordOf[i] = -1;
        taken[i] = false;
    }
    for (int pass = 0; pass < 2; pass++) {
        for (int f = 0; f < foundCount && f < limit; f++) {
            for (int r = 0; r < tableCount && r < limit && recordOf[f] < 0; r++) {
                if (taken[r] || !sameIdentity(r, f) || (pass == 0 && !samePlace(r, f)))
                    continue;
                taken[r] = true;
                recordOf[f] = static_cast<int8_t>(r);
            }
        }
    }
}
