// The list of incoming volumes: one row per entry of the document's
// incomingVolumes, in file order. A volume leaves it as soon as it is
// slotted and comes back, at its place, when its scan is taken back; the
// selection and the focus stay on their volumes meanwhile.
#pragma once

#include "scanlistctrl.h"

#include <vector>

struct cJSON;

class CIncomingListCtrl final : public CScanListCtrl {
    Q_OBJECT
  public:
    explicit CIncomingListCtrl(QWidget* parent = nullptr);

    // After a load: the rows are the document's incoming volumes anew.
    void Reload();
    // After an accepted scan, which has taken the volume off the document's
    // incoming volumes: the list shows one row less at once.
    void OnVolumeSlotted(const cJSON* volume);
    // After a take-back, which has listed the volume as incoming again.
    void OnVolumeReturned(const cJSON* volume);

  private:
    // The volumes the rows show, in row order: the document tells of a
    // removal after it happened, so the row it had is found here.
    std::vector<const cJSON*> m_arrRows;
};
