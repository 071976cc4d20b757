// Scan files of the document tests.
#pragma once

#include "testsupport.h"

// The scan file of the documented example: zones A (1-20, 10 per level) and
// B (101-110), "slots" 30, repository DC1 "Main data centre", volumes V1
// (incoming from DC1), V2 (slot 12) and V3 (outgoing to DC1).
extern const char* const kExampleScanFile;
