// How the process hands freed memory back to the system.
#pragma once

// glibc raises its trim and mapping thresholds after every large free, up to 32 and 64 MB, so that
// after one large sync round the process kept twice its working size for the rest of its run.
// Fixed thresholds keep large blocks in mappings of their own, given back when freed, and let the
// trim after a large round return most of the rest. Called once, first thing in main().
void useSteadyAllocatorThresholds();
