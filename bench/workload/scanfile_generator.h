// Writes large scan files for the benchmarks and the tests that need one.
#pragma once

#include <cstdint>
#include <string>

struct ScanFileShape {
    uint32_t slots = 1000000;
    uint32_t zones = 50;
    uint32_t slotted = 300000;  // volumes at scattered slots
    uint32_t incoming = 300000; // volumes without a slot
    uint32_t seed = 2026;
};

// Writes the file and returns false when it cannot be written.
bool generateScanFile(const std::string& path, const ScanFileShape& shape);

// The barcode of incoming volume i of a generated file.
std::string incomingBarcode(uint32_t i);
