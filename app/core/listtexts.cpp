#include "listtexts.h"

#include <cjson/cJSON.h>

#include <charconv>
#include <cstdio>
#include <cstring>
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
        return doc.MapRowCount();
    case ScanList::Incoming:
        return uint32_t(doc.GetIncomingVolumes().size());
    case ScanList::Outgoing:
        break;
    }
    return uint32_t(doc.GetOutgoingVolumes().size());
}

cJSON* listRowVolume(const CKVLTOfflineScannerDoc& doc, ScanList list, uint32_t row) {
    switch (list) {
    case ScanList::Map: {
        return doc.GetSlotVolumes().find(row + 1);
    }
    case ScanList::Incoming:
        return row < doc.GetIncomingVolumes().size() ? doc.GetIncomingVolumes()[row] : nullptr;
    case ScanList::Outgoing:
        break;
    }
    return row < doc.GetOutgoingVolumes().size() ? doc.GetOutgoingVolumes()[row] : nullptr;
}

std::string listCellText(const CKVLTOfflineScannerDoc& doc, ScanList list, uint32_t row,
                         int column) {
    using Doc = CKVLTOfflineScannerDoc;
    const cJSON* volume = listRowVolume(doc, list, row);
    if (list == ScanList::Map) {
        switch (column) {
        case MAP_ZONE:
            return doc.SlotLabel(row + 1);
        case MAP_SEQ:
            return std::to_string(row + 1u);
        case MAP_SOURCE:
            return doc.RepositoryText(volume, "source");
        case MAP_TARGET:
            return doc.RepositoryText(volume, "target");
        case MAP_VOLUME:
            return Doc::StringField(volume, "id");
        case MAP_ASSIGNED:
            return Doc::StringField(volume, "assigned");
        default:
            return {};
        }
    }
    switch (column) {
    case VOLUME_ID:
        return Doc::StringField(volume, "id");
    case VOLUME_REPOSITORY:
        return doc.RepositoryText(volume, list == ScanList::Incoming ? "source" : "target");
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
    explicit WidestKeeper(const TextMeasure* measure) : m_measure(measure) {}
    void offer(std::string_view text) {
        if (text.empty() || m_measure == nullptr)
            return;
        if (const double width = (*m_measure)(text); width > m_best) {
            m_best = width;
            m_text.assign(text);
        }
    }
    std::string take() { return std::move(m_text); }

  private:
    const TextMeasure* m_measure;
    double m_best = -1;
    std::string m_text;
};

// Whether every slot 1..rows lies in exactly the zone that a walk in zone
// order meets it in: zones that follow each other without gaps or overlaps
// (what every well-formed file has).
bool zonesFollowEachOther(const CKVLTOfflineScannerDoc& doc) {
    int64_t next = 1;
    for (const CZone& zone : doc.GetZones()) {
        if (zone.firstSlot != next || int64_t(zone.lastSlot) < int64_t(zone.firstSlot) - 1)
            return false;
        next = int64_t(zone.lastSlot) + 1;
    }
    return true;
}

char* writeNumber(char* at, uint32_t value) {
    return std::to_chars(at, at + 10, value).ptr;
}

void offerZoneLabels(const CKVLTOfflineScannerDoc& doc, WidestKeeper& widest) {
    const uint32_t rows = doc.MapRowCount();
    if (!zonesFollowEachOther(doc)) {
        for (uint32_t slot = 1; slot <= rows; ++slot)
            widest.offer(doc.SlotLabel(slot));
        return;
    }
    // The labels as slotLabel makes them, written zone by zone into one buffer.
    uint32_t slot = 1;
    for (const CZone& zone : doc.GetZones()) {
        char label[256];
        const size_t nameLength = std::min(zone.name.size(), sizeof label - 32);
        zone.name.copy(label, nameLength);
        label[nameLength] = ':';
        char* const digits = label + nameLength + 1;
        for (; slot <= rows && int64_t(slot) <= zone.lastSlot; ++slot) {
            const uint32_t pos = uint32_t(int64_t(slot) - zone.firstSlot + 1);
            char* end = digits;
            if (zone.slotsPerLevel <= 0) {
                end = writeNumber(end, pos);
            } else {
                end = writeNumber(end, pos / uint32_t(zone.slotsPerLevel) + 1);
                *end++ = '.';
                end = writeNumber(end, pos % uint32_t(zone.slotsPerLevel));
            }
            widest.offer(std::string_view(label, size_t(end - label)));
        }
    }
    if (slot <= rows)
        widest.offer("Logic Error");
}

// repositoryText without a copy: the description of a known id, else the id.
std::string_view repositoryView(const CKVLTOfflineScannerDoc& doc, std::string_view id) {
    if (!id.empty()) {
        auto description = doc.GetRepositoryDescriptions().find(std::string(id));
        if (description != doc.GetRepositoryDescriptions().end())
            return description->second;
    }
    return id;
}

// A repository id is one of a few: each distinct one is looked up and
// measured once.
class RepositoryKeeper {
  public:
    RepositoryKeeper(const CKVLTOfflineScannerDoc& doc, const TextMeasure* measure)
        : m_doc(doc), m_widest(measure) {}
    void offer(std::string_view id) {
        if (m_seen.insert(id).second)
            m_widest.offer(repositoryView(m_doc, id));
    }
    std::string take() { return m_widest.take(); }

  private:
    const CKVLTOfflineScannerDoc& m_doc;
    WidestKeeper m_widest;
    std::unordered_set<std::string_view> m_seen;
};

// The string members of a volume that the lists show, found in one walk
// over its members (the volumes lie scattered in memory: one walk each).
struct VolumeTexts {
    std::string_view id, source, target, assigned;
    explicit VolumeTexts(const cJSON* volume) {
        // The first member of a name counts, as cJSON's own look-up finds it.
        bool seenId = false, seenSource = false, seenTarget = false, seenAssigned = false;
        for (const cJSON* item = volume ? volume->child : nullptr; item; item = item->next) {
            const char* key = item->string;
            if (key == nullptr)
                continue;
            std::string_view* field = nullptr;
            bool* seen = nullptr;
            if (std::strcmp(key, "id") == 0)
                field = &id, seen = &seenId;
            else if (std::strcmp(key, "source") == 0)
                field = &source, seen = &seenSource;
            else if (std::strcmp(key, "target") == 0)
                field = &target, seen = &seenTarget;
            else if (std::strcmp(key, "assigned") == 0)
                field = &assigned, seen = &seenAssigned;
            if (field == nullptr || *seen)
                continue;
            *seen = true;
            if (cJSON_IsString(item) && item->valuestring != nullptr)
                *field = item->valuestring;
        }
    }
};

} // namespace

std::vector<std::string> listWidestTexts(const CKVLTOfflineScannerDoc& doc, ScanList list,
                                         const std::vector<TextMeasure>& measures) {
    const int columns = listColumnCount(list);
    std::vector<std::string> widest(static_cast<size_t>(columns));
    auto measure = [&](int column) {
        return size_t(column) < measures.size() ? &measures[size_t(column)] : nullptr;
    };
    if (list == ScanList::Map) {
        const uint32_t rows = doc.MapRowCount();
        WidestKeeper zone(measure(MAP_ZONE)), seq(measure(MAP_SEQ));
        offerZoneLabels(doc, zone);
        for (uint32_t slot = 1; slot <= rows; ++slot) {
            char digits[16];
            seq.offer(std::string_view(digits, size_t(writeNumber(digits, slot) - digits)));
        }
        // Only slots that hold a volume have texts in the other columns.
        RepositoryKeeper source(doc, measure(MAP_SOURCE)), target(doc, measure(MAP_TARGET));
        WidestKeeper id(measure(MAP_VOLUME)), assigned(measure(MAP_ASSIGNED));
        doc.GetSlotVolumes().forEach([&](uint32_t slot, const cJSON* volume) {
            if (slot == 0 || slot > rows)
                return;
            const VolumeTexts texts(volume);
            source.offer(texts.source);
            target.offer(texts.target);
            id.offer(texts.id);
            assigned.offer(texts.assigned);
        });
        widest[MAP_ZONE] = zone.take();
        widest[MAP_SEQ] = seq.take();
        widest[MAP_SOURCE] = source.take();
        widest[MAP_TARGET] = target.take();
        widest[MAP_VOLUME] = id.take();
        widest[MAP_ASSIGNED] = assigned.take();
        return widest;
    }
    WidestKeeper id(measure(VOLUME_ID));
    RepositoryKeeper repository(doc, measure(VOLUME_REPOSITORY));
    const bool incoming = list == ScanList::Incoming;
    auto offerVolume = [&](const cJSON* volume) {
        const VolumeTexts texts(volume);
        id.offer(texts.id);
        repository.offer(incoming ? texts.source : texts.target);
    };
    if (incoming)
        doc.GetIncomingVolumes().forEach(offerVolume);
    else
        for (const cJSON* volume : doc.GetOutgoingVolumes())
            offerVolume(volume);
    widest[VOLUME_ID] = id.take();
    widest[VOLUME_REPOSITORY] = repository.take();
    return widest;
}
