// SPDX-License-Identifier: GPL-3.0-or-later
// The shared library's own object: the C functions themselves come from the runtime,
// linked in whole; the linker's version script keeps everything else out of sight.
#include "ornsearch/ornsearch.h"
