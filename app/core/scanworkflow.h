// The rules of slotting and scanning, without any window: what the map
// list's three commands check, and what one scanned barcode does. The scan
// dialog and the command-line tool both drive these.
#pragma once

#include "scanfiledoc.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct cJSON;

// The chosen slots: the selected rows of the repository map (row r is slot r + 1).
class SlotSelection {
  public:
    virtual ~SlotSelection() = default;
    virtual uint32_t selectedCount() const = 0;
    // The first selected row at or after row, or -1 when there is none.
    virtual int64_t nextSelectedRow(int64_t row) const = 0;
};

// A selection held as a sorted list of rows (the command-line tool's).
class RowSelection final : public SlotSelection {
  public:
    RowSelection() = default;
    explicit RowSelection(std::vector<uint32_t> rows);
    uint32_t selectedCount() const override { return uint32_t(m_rows.size()); }
    int64_t nextSelectedRow(int64_t row) const override;
    const std::vector<uint32_t>& rows() const { return m_rows; }

  private:
    std::vector<uint32_t> m_rows;
};

// The selection check of the map list: warns "You must select one item from
// the list." when nothing is selected and answers 0, else the count.
uint32_t requireSlotSelection(const SlotSelection& selection, void* owner = nullptr);

// "Scan Incoming" with slots picked by hand, after the selection check gave n:
// refuses an occupied slot, and asks when n differs from the number of
// incoming volumes. true when the scan dialog may open.
bool checkHandPickedSlots(const CKVLTOfflineScannerDoc& doc, const SlotSelection& selection,
                          uint32_t n, void* owner = nullptr);

enum class [[nodiscard]] ScanOutcome{
    Accepted,       // the volume got the next chosen slot
    Unknown,        // no volume has this barcode
    AlreadySlotted, // the volume already has a "slot" member
    NoSlotLeft,     // every chosen slot has been used
    JournalFailed,  // the scan could not be put in the journal: nothing changed
};

// What a window does around a scan; the document tells its views about an
// accepted one itself.
class ScanListener {
  public:
    virtual ~ScanListener() = default;
    // Bring the map row of the slot about to be written into view.
    virtual void makeRowVisible(uint32_t) {}
    // A refused scan, with the text and caption of its message. true when
    // the listener showed it itself, so that no message box takes the
    // keyboard away from the next barcode; false leaves it to a message box.
    virtual bool scanRefused(ScanOutcome, const std::string& /*text*/,
                             const std::string& /*caption*/) {
        return false;
    }
};

// ---- taking scans back ----

// The message of a take-back that was refused (empty for Done), quoting the
// volume's id; its caption in caption.
std::string takeBackRefusalText(TakeBackResult result, const std::string& id,
                                const std::string& journalError, std::string& caption);

// Takes back the most recent scan of this run (the last of
// slottedSinceOpened): NotSlotted when there is none. The volume and the
// slot it left come back in volume and slot when it was Done.
TakeBackResult undoLastScan(CKVLTOfflineScannerDoc& doc, std::string& error,
                            cJSON** volume = nullptr, uint32_t* slot = nullptr);

// One scan dialog's worth of scanning: walks the chosen slots in ascending
// row order, one per accepted barcode.
class ScanSession {
  public:
    ScanSession(CKVLTOfflineScannerDoc& doc, const SlotSelection& selection,
                ScanListener* listener = nullptr, void* owner = nullptr);

    // Trims white space from both ends of the barcode (some scanners send a
    // trailing blank; no volume id holds one), upper-cases it, looks it up
    // and applies it once it is in the journal. A refusal changes nothing and
    // goes to the listener, or to a message box when the listener does not
    // show it. Barcodes quoted in messages are cut to a readable length.
    ScanOutcome scan(const std::string& barcode);
    // Barcodes that are ready together (a batch scanner's file, the lines a
    // scanner typed while the last batch was being written), with one journal
    // write and one disk sync: each is decided as scan() would in turn, the
    // accepted ones go into the journal together, and only then are they
    // applied. Afterwards, in order, each barcode's refusal is shown and
    // reported(outcome) is called, with statusText() as of that barcode.
    void scanBatch(const std::vector<std::string>& barcodes,
                   const std::function<void(ScanOutcome)>& reported);

    // Takes back the most recent scan of this run (undoLastScan); when this
    // session made it, its slot is the session's again: the next accepted
    // scan goes there, and the count goes back by one.
    TakeBackResult undoLast(std::string& error, cJSON** volume = nullptr, uint32_t* slot = nullptr);

    // "%u of %u selected slots remain"
    std::string statusText() const;
    uint32_t selectedCount() const { return m_selectedCount; }
    uint32_t assignedCount() const { return m_assignedCount; }
    // 1 + the row of the next slot to use; 0 when none is left.
    int64_t nextPosition() const { return m_nextPosition; }

  private:
    ScanOutcome refuse(ScanOutcome outcome, const std::string& text, const char* caption);

    CKVLTOfflineScannerDoc& m_doc;
    const SlotSelection& m_selection;
    ScanListener* m_listener;
    void* m_owner;
    uint32_t m_selectedCount = 0;
    uint32_t m_assignedCount = 0;
    int64_t m_nextPosition = 0;
    std::vector<uint32_t> m_assignedSlots; // the slots this session gave, in order
};
