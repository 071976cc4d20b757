#include "scanfile_generator.h"

#include <cjson/cJSON.h>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <random>
#include <vector>

std::string incomingBarcode(uint32_t i) {
    char text[32];
    std::snprintf(text, sizeof text, "IN%07uL8", i);
    return text;
}

bool generateScanFile(const std::string& path, const ScanFileShape& shape) {
    std::mt19937 random(shape.seed);
    cJSON* root = cJSON_CreateObject();
    cJSON* repository = cJSON_AddObjectToObject(root, "repository");
    cJSON_AddNumberToObject(repository, "slots", shape.slots);
    cJSON* zones = cJSON_AddArrayToObject(repository, "zones");
    uint32_t perZone = shape.slots / shape.zones;
    for (uint32_t z = 0; z < shape.zones; ++z) {
        cJSON* zone = cJSON_CreateObject();
        char name[16];
        std::snprintf(name, sizeof name, "Z%02u", z + 1);
        cJSON_AddStringToObject(zone, "zone", name);
        uint32_t size = z + 1 == shape.zones ? shape.slots - perZone * z : perZone;
        cJSON_AddNumberToObject(zone, "slot_start", 1);
        cJSON_AddNumberToObject(zone, "slot_end", size);
        if (z % 2 == 0)
            cJSON_AddNumberToObject(zone, "slots_per_level", 50);
        cJSON_AddItemToArray(zones, zone);
    }
    cJSON* repositories = cJSON_AddArrayToObject(repository, "repositories");
    const char* ids[] = {"DC1", "DC2", "DC3", "OFF1"};
    for (const char* id : ids) {
        cJSON* entry = cJSON_CreateObject();
        cJSON_AddStringToObject(entry, "id", id);
        cJSON_AddStringToObject(entry, "description", (std::string("Repository ") + id).c_str());
        cJSON_AddItemToArray(repositories, entry);
    }

    std::vector<uint32_t> slots(shape.slots);
    std::iota(slots.begin(), slots.end(), 1u);
    std::shuffle(slots.begin(), slots.end(), random);

    cJSON* volumes = cJSON_AddArrayToObject(root, "volumes");
    for (uint32_t i = 0; i < shape.slotted; ++i) {
        cJSON* v = cJSON_CreateObject();
        char id[32];
        std::snprintf(id, sizeof id, "SL%07uL8", i);
        cJSON_AddStringToObject(v, "id", id);
        cJSON_AddStringToObject(v, "source", ids[random() % 4]);
        if (i % 10 == 0)
            cJSON_AddStringToObject(v, "target", "OFF1");
        cJSON_AddNumberToObject(v, "slot", slots[i]);
        cJSON_AddStringToObject(v, "assigned", "Monday, November 30, 2026 - 08:04:11 (UTC)");
        cJSON_AddItemToArray(volumes, v);
    }
    for (uint32_t i = 0; i < shape.incoming; ++i) {
        cJSON* v = cJSON_CreateObject();
        cJSON_AddStringToObject(v, "id", incomingBarcode(i).c_str());
        cJSON_AddStringToObject(v, "source", ids[random() % 4]);
        cJSON_AddStringToObject(v, "media", "LTO8");
        cJSON_AddItemToArray(volumes, v);
    }

    char* text = cJSON_Print(root);
    cJSON_Delete(root);
    if (text == nullptr)
        return false;
    FILE* file = std::fopen(path.c_str(), "wb");
    bool ok = file && std::fputs(text, file) >= 0;
    if (file)
        ok = std::fclose(file) == 0 && ok;
    cJSON_free(text);
    return ok;
}
