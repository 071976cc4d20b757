#include "listtexts.h"

#include <cjson/cJSON.h>

namespace {

const ListColumn kMapColumns[MAP_COLUMN_COUNT] = {
    {"Zone", false, 100},   {"Seq.", true, 50},     {"Source", false, 100},
    {"Target", false, 100}, {"Volume", false, 100}, {"Assigned", false, 100},
};
const ListColumn kIncomingColumns[VOLUME_COLUMN_COUNT] = {{"Volume", false, 100},
                                                          {"Source", false, 100}};
const ListColumn kOutgoingColumns[VOLUME_COLUMN_COUNT] = {{"Volume", false, 100},
                                                          {"Target", false, 100}};

} // namespace

const char* listCaption(ScanList list) {
    switch (list) {
    case ScanList::Map:
        return "Repository Map";
    case ScanList::Incoming:
        return "Incoming Volumes";
    case ScanList::Outgoing:
        return "Outgoing Volumes";
    }
    return "";
}

int listColumnCount(ScanList list) {
    return list == ScanList::Map ? int(MAP_COLUMN_COUNT) : int(VOLUME_COLUMN_COUNT);
}

const ListColumn& listColumn(ScanList list, int column) {
    switch (list) {
    case ScanList::Map:
        return kMapColumns[column];
    case ScanList::Incoming:
        return kIncomingColumns[column];
    case ScanList::Outgoing:
        break;
    }
    return kOutgoingColumns[column];
}

uint32_t listRowCount(const CKVLTOfflineScannerDoc& doc, ScanList list) {
    switch (list) {
    case ScanList::Map:
        return doc.mapRowCount();
    case ScanList::Incoming:
        return uint32_t(doc.incomingVolumes.size());
    case ScanList::Outgoing:
        break;
    }
    return uint32_t(doc.outgoingVolumes.size());
}

cJSON* listRowVolume(const CKVLTOfflineScannerDoc& doc, ScanList list, uint32_t row) {
    switch (list) {
    case ScanList::Map: {
        return doc.slotVolumes.find(row + 1);
    }
    case ScanList::Incoming:
        return row < doc.incomingVolumes.size() ? doc.incomingVolumes[row] : nullptr;
    case ScanList::Outgoing:
        break;
    }
    return row < doc.outgoingVolumes.size() ? doc.outgoingVolumes[row] : nullptr;
}

std::string listCellText(const CKVLTOfflineScannerDoc& doc, ScanList list, uint32_t row,
                         int column) {
    using Doc = CKVLTOfflineScannerDoc;
    const cJSON* volume = listRowVolume(doc, list, row);
    if (list == ScanList::Map) {
        switch (column) {
        case MAP_ZONE:
            return doc.slotLabel(row + 1);
        case MAP_SEQ:
            return std::to_string(row + 1u);
        case MAP_SOURCE:
            return doc.repositoryText(volume, "source");
        case MAP_TARGET:
            return doc.repositoryText(volume, "target");
        case MAP_VOLUME:
            return Doc::stringField(volume, "id");
        case MAP_ASSIGNED:
            return Doc::stringField(volume, "assigned");
        default:
            return {};
        }
    }
    switch (column) {
    case VOLUME_ID:
        return Doc::stringField(volume, "id");
    case VOLUME_REPOSITORY:
        return doc.repositoryText(volume, list == ScanList::Incoming ? "source" : "target");
    default:
        return {};
    }
}

int listCellImage(const CKVLTOfflineScannerDoc& doc, ScanList list, uint32_t row, int column) {
    if (list != ScanList::Map)
        return column == VOLUME_ID ? 0 : -1;
    if (column == MAP_ZONE)
        return 0;
    if (column == MAP_VOLUME &&
        cJSON_IsString(cJSON_GetObjectItemCaseSensitive(listRowVolume(doc, list, row), "id")))
        return 1;
    return -1;
}
