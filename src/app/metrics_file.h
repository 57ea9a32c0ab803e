// The metrics file named by the MetricsFile setting.
#pragma once

// Writes the state as Prometheus metrics to a temporary file beside it, then
// renames that over it, so a reader never sees half a file. Nothing happens
// when MetricsFile is empty; a failure leaves the old file and shows nothing.
void WriteMetricsFile();
