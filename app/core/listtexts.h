// The columns and cell texts of the three lists of the main window: the
// repository map, the incoming and the outgoing volumes. The window's lists,
// kvlt-scan's listings and the reports all take their texts from here.
#pragma once

#include "scanfiledoc.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

enum class ScanList { Map, Incoming, Outgoing };

enum MapColumn {
    MAP_ZONE,
    MAP_SEQ,
    MAP_SOURCE,
    MAP_TARGET,
    MAP_VOLUME,
    MAP_ASSIGNED,
    MAP_COLUMN_COUNT
};
enum VolumeColumn { VOLUME_ID, VOLUME_REPOSITORY, VOLUME_COLUMN_COUNT };

struct ListColumn {
    const char* title;
    bool rightAligned;
    int width; // initial width in pixels
};

// The list's caption: "Repository Map", "Incoming Volumes", "Outgoing Volumes".
const char* listCaption(ScanList list);
int listColumnCount(ScanList list);
const ListColumn& listColumn(ScanList list, int column);
// Number of rows the list shows for the loaded document.
uint32_t listRowCount(const CKVLTOfflineScannerDoc& doc, ScanList list);
// The text of one cell, exactly as the list shows it.
std::string listCellText(const CKVLTOfflineScannerDoc& doc, ScanList list, uint32_t row,
                         int column);
// The image of one cell, -1 for none: the map's zone column shows the slot
// (0) and its volume column a volume (1) when the slot holds one; the volume
// lists show a volume (0) in their first column.
int listCellImage(const CKVLTOfflineScannerDoc& doc, ScanList list, uint32_t row, int column);
// The volume node behind a row (for the map: the slotted volume, or none).
cJSON* listRowVolume(const CKVLTOfflineScannerDoc& doc, ScanList list, uint32_t row);

// The width of a cell text (UTF-8) in whatever unit the caller draws with.
using TextMeasure = std::function<double(std::string_view)>;
// The text of the widest cell of each column over all rows, as the column's
// measure finds it (measures holds one per column): what fitting the columns
// to their contents needs. It walks the document's own arrays once, visiting
// each volume's members a single time, so a million-slot map costs a
// fraction of a second.
std::vector<std::string> listWidestTexts(const CKVLTOfflineScannerDoc& doc, ScanList list,
                                         const std::vector<TextMeasure>& measures);
