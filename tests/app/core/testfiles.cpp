#include "testfiles.h"

const char* const kExampleScanFile = R"({
  "exported": "2026-12-01",
  "repository": {
    "slots": 30,
    "zones": [
      {"zone": "A", "slot_start": 1, "slot_end": 20, "slots_per_level": 10},
      {"zone": "B", "slot_start": 101, "slot_end": 110}
    ],
    "repositories": [{"id": "DC1", "description": "Main data centre"}]
  },
  "volumes": [
    {"id": "V1", "source": "DC1", "weight": 1.5},
    {"id": "V2", "slot": 12, "source": "DC9"},
    {"id": "V3", "target": "DC1"}
  ]
})";
