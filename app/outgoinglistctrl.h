// The list of outgoing volumes: one row per entry of the document's
// outgoingVolumes, in file order. Scanning never changes it.
#pragma once

#include "scanlistctrl.h"

class COutgoingListCtrl final : public CScanListCtrl {
    Q_OBJECT
  public:
    explicit COutgoingListCtrl(QWidget* parent = nullptr)
        : CScanListCtrl(ScanList::Outgoing, parent) {}
};
