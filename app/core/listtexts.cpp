#include "listtexts.h"

#include <cjson/cJSON.h>

#include <charconv>
#include <cstdio>
#include <unordered_set>

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

// ------------------------------------------------------------------ widest texts

namespace {

// Keeps the widest of the texts offered.
class WidestKeeper {
  public:
    explicit WidestKeeper(const TextMeasure& measure) : m_measure(measure) {}
    void offer(std::string_view text) {
        if (text.empty())
            return;
        if (const double width = m_measure(text); width > m_best) {
            m_best = width;
            m_text.assign(text);
        }
    }
    std::string take() { return std::move(m_text); }

  private:
    const TextMeasure& m_measure;
    double m_best = -1;
    std::string m_text;
};

// Whether every slot 1..rows lies in exactly the zone that a walk in zone
// order meets it in: zones that follow each other without gaps or overlaps
// (what every well-formed file has).
bool zonesFollowEachOther(const CKVLTOfflineScannerDoc& doc) {
    int64_t next = 1;
    for (const CZone& zone : doc.zones) {
        if (zone.firstSlot != next || int64_t(zone.lastSlot) < int64_t(zone.firstSlot) - 1)
            return false;
        next = int64_t(zone.lastSlot) + 1;
    }
    return true;
}

void offerZoneLabels(const CKVLTOfflineScannerDoc& doc, WidestKeeper& widest) {
    const uint32_t rows = doc.mapRowCount();
    if (!zonesFollowEachOther(doc)) {
        for (uint32_t slot = 1; slot <= rows; ++slot)
            widest.offer(doc.slotLabel(slot));
        return;
    }
    // The labels as slotLabel makes them, written zone by zone into one buffer.
    uint32_t slot = 1;
    for (const CZone& zone : doc.zones) {
        char label[256];
        const size_t nameLength = std::min(zone.name.size(), sizeof label - 32);
        zone.name.copy(label, nameLength);
        for (; slot <= rows && int64_t(slot) <= zone.lastSlot; ++slot) {
            const uint32_t pos = uint32_t(int64_t(slot) - zone.firstSlot + 1);
            const int n = zone.slotsPerLevel <= 0
                              ? std::snprintf(label + nameLength, 32, ":%u", pos)
                              : std::snprintf(label + nameLength, 32, ":%u.%u",
                                              pos / uint32_t(zone.slotsPerLevel) + 1,
                                              pos % uint32_t(zone.slotsPerLevel));
            widest.offer(std::string_view(label, nameLength + size_t(n)));
        }
    }
    if (slot <= rows)
        widest.offer("Logic Error");
}

// repositoryText without a copy: the description of a known id, else the id.
std::string_view repositoryView(const CKVLTOfflineScannerDoc& doc, std::string_view id) {
    if (!id.empty()) {
        auto description = doc.repositoryDescriptions.find(std::string(id));
        if (description != doc.repositoryDescriptions.end())
            return description->second;
    }
    return id;
}

} // namespace

std::string listWidestText(const CKVLTOfflineScannerDoc& doc, ScanList list, int column,
                           const TextMeasure& measure) {
    using Doc = CKVLTOfflineScannerDoc;
    WidestKeeper widest(measure);
    // A repository id is one of a few: each distinct one is looked up and
    // measured once.
    std::unordered_set<std::string_view> seen;
    auto offerRepository = [&](const cJSON* volume, const char* key) {
        const std::string_view id = Doc::stringField(volume, key);
        if (seen.insert(id).second)
            widest.offer(repositoryView(doc, id));
    };
    if (list == ScanList::Map) {
        const uint32_t rows = doc.mapRowCount();
        switch (column) {
        case MAP_ZONE:
            offerZoneLabels(doc, widest);
            break;
        case MAP_SEQ:
            for (uint32_t slot = 1; slot <= rows; ++slot) {
                char digits[16];
                const auto end = std::to_chars(digits, digits + sizeof digits, slot).ptr;
                widest.offer(std::string_view(digits, size_t(end - digits)));
            }
            break;
        default:
            // Only slots that hold a volume have texts in the other columns.
            doc.slotVolumes.forEach([&](uint32_t slot, const cJSON* volume) {
                if (slot == 0 || slot > rows)
                    return;
                switch (column) {
                case MAP_SOURCE:
                    offerRepository(volume, "source");
                    break;
                case MAP_TARGET:
                    offerRepository(volume, "target");
                    break;
                case MAP_VOLUME:
                    widest.offer(Doc::stringField(volume, "id"));
                    break;
                case MAP_ASSIGNED:
                    widest.offer(Doc::stringField(volume, "assigned"));
                    break;
                default:
                    break;
                }
            });
            break;
        }
        return widest.take();
    }
    auto offerVolume = [&](const cJSON* volume) {
        if (column == VOLUME_ID)
            widest.offer(Doc::stringField(volume, "id"));
        else if (column == VOLUME_REPOSITORY)
            offerRepository(volume, list == ScanList::Incoming ? "source" : "target");
    };
    if (list == ScanList::Incoming)
        doc.incomingVolumes.forEach(offerVolume);
    else
        for (const cJSON* volume : doc.outgoingVolumes)
            offerVolume(volume);
    return widest.take();
}
