// info, list and select: commands that read a scan file and print.
#include "commands.h"
#include "listfilters.h"
#include "listtexts.h"
#include "scanfiledoc.h"

#include <cjson/cJSON.h>

#include <algorithm>
#include <cstdio>

namespace {

// Volume objects whose "id" is a string, duplicates included.
size_t countVolumes(const CKVLTOfflineScannerDoc& doc) {
    const cJSON* volumes = cJSON_GetObjectItemCaseSensitive(doc.GetRootNode(), "volumes");
    size_t count = 0;
    const cJSON* element = nullptr;
    if (cJSON_IsArray(volumes)) {
        cJSON_ArrayForEach(element, volumes) {
            bool found = false;
            CKVLTOfflineScannerDoc::StringField(element, "id", &found);
            count += found;
        }
    }
    return count;
}

} // namespace

int cmdInfo(const Arguments& args) {
    if (args.size() != 1)
        return usageError("info takes one FILE");
    CKVLTOfflineScannerDoc doc;
    if (!loadScanFile(doc, args[0]))
        return EXIT_FILE_ERROR;
    std::printf("slots: %d\nzones: %zu\nvolumes: %zu\nincoming: %zu\noutgoing: %zu\nslotted: %zu\n",
                doc.GetSlotCount(), doc.GetZones().size(), countVolumes(doc),
                doc.GetIncomingVolumes().size(), doc.GetOutgoingVolumes().size(),
                doc.GetSlotVolumes().size());
    return finishOutput();
}

int cmdList(const Arguments& arguments) {
    Arguments args = arguments;
    std::vector<std::string> specs;
    if (!takeFilterSpecs(args, specs))
        return usageError("--filter takes COLUMN=PATTERN");
    ScanList list;
    if (args.size() != 2 || !parseList(args[0], list))
        return usageError("list takes map, incoming or outgoing, and one FILE");
    std::vector<ColumnFilter> filters(specs.size());
    for (size_t i = 0; i < specs.size(); ++i)
        if (std::string error; !parseColumnFilter(list, specs[i], filters[i], error))
            return usageError(error);
    CKVLTOfflineScannerDoc doc;
    if (!loadScanFile(doc, args[1]))
        return EXIT_FILE_ERROR;
    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    int columns = listColumnCount(list);
    std::string line;
    for (uint32_t row : filteredListRows(doc, list, filters)) {
        line.clear();
        for (int column = 0; column < columns; ++column) {
            if (column > 0)
                line += '\t';
            line += listCellText(doc, list, row, column);
        }
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    return finishOutput();
}

int cmdSelect(const Arguments& args) {
    bool firstAvailable = true;
    if (args.size() != 3 || args[1] != "--mode" || !parseMode(args[2], firstAvailable))
        return usageError("select takes FILE --mode first|intelli");
    CKVLTOfflineScannerDoc doc;
    if (!loadScanFile(doc, args[0]))
        return EXIT_FILE_ERROR;
    std::vector<uint32_t> rows = doc.AutoSelectSlots(firstAvailable);
    std::sort(rows.begin(), rows.end());
    for (uint32_t row : rows)
        std::printf("%u\n", row + 1);
    return finishOutput();
}
