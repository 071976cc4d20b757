// The window's answer to long work: a busy cursor at once and, when the work
// takes longer than about half a second, a modal progress dialog over the
// owner, optionally with Cancel. Events are processed at each report, so the
// window stays painted.
#pragma once

#include "progress.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QString>

class QProgressDialog;
class QWidget;

class CProgressDialog final : public ProgressReporter {
  public:
    // label: what is being done ("Opening scan.json"); cancellable: whether
    // the dialog offers Cancel; showAfterMs: how long the work runs before
    // the dialog shows.
    CProgressDialog(QWidget* pOwner, const QString& strLabel, bool bCancellable,
                    int nShowAfterMs = kShowAfterMs);
    ~CProgressDialog() override;
    CProgressDialog(const CProgressDialog&) = delete;
    CProgressDialog& operator=(const CProgressDialog&) = delete;

    // A total of 0 shows a busy bar instead of a share done.
    bool report(uint64_t done, uint64_t total) override;

    // The dialog once it is shown (for tests); null before.
    QProgressDialog* Dialog() const { return m_pDialog; }
    bool WasCancelled() const { return m_bCancelled; }

    static constexpr int kShowAfterMs = 500;

  private:
    QPointer<QWidget> m_pOwner;
    QString m_strLabel;
    bool m_bCancellable;
    bool m_bCancelled = false;
    int m_nShowAfterMs;
    QElapsedTimer m_timer;
    QProgressDialog* m_pDialog = nullptr;
};
