// How the process hands freed memory back to the system.
#pragma once

// glibc raises its trim and mapping thresholds after every large free, up to 32 and 64 MB, so that
// after one large sync round the process kept twice its working size for the rest of its run.
// Fixed thresholds keep large blocks in mappings of their own, given back when freed, and let the
// trim after a large round return most of the rest.
// Small blocks freed into glibc's fast bins are merged into the free end of their arena only by
// the trim itself, which then gives back nothing of that end in the arenas of the sync threads:
// after reading 100,000 tombstones half the runs kept 60 MB more. Without fast bins every free
// merges at once and the arena shrinks; the per-thread cache keeps small allocations as quick.
// Called once, first thing in main().
void useSteadyAllocatorThresholds();
