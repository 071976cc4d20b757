// The list of incoming volumes: one row per entry of the document's
// incomingVolumes, in file order. A volume leaves it as soon as it is slotted.
#pragma once

#include "scanlistctrl.h"

class CIncomingListCtrl final : public CScanListCtrl {
    Q_OBJECT
  public:
    explicit CIncomingListCtrl(QWidget* parent = nullptr);

    // After an accepted scan, which has taken the volume off the document's
    // incoming volumes: the list shows one row less at once.
    void volumeSlotted();
};
