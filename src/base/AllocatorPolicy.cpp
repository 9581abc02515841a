#include "AllocatorPolicy.h"

#include <malloc.h>

void useSteadyAllocatorThresholds() {
    mallopt(M_MMAP_THRESHOLD, 512 * 1024);
    mallopt(M_TRIM_THRESHOLD, 1024 * 1024);
    mallopt(M_MXFAST, 0);
}
