#ifndef CALORIVECTRIX_GUI_PLATFORM_MACHINE_H
#define CALORIVECTRIX_GUI_PLATFORM_MACHINE_H

// Facts about the computer the program runs on.

#include <cstdint>

// The memory the program may use at most: the machine's physical memory, or less where a
// limit on the process (ulimit -v) or on its control group (a container) says so.
uint64_t MachineMemoryBytes();

#endif
