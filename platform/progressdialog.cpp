#include "progressdialog.h"

#include <QApplication>
#include <QProgressDialog>

#include <algorithm>

CProgressDialog::CProgressDialog(QWidget* pOwner, const QString& strLabel, bool bCancellable,
                                 int nShowAfterMs)
    : m_pOwner(pOwner), m_strLabel(strLabel), m_bCancellable(bCancellable),
      m_nShowAfterMs(nShowAfterMs) {
    QApplication::setOverrideCursor(Qt::BusyCursor);
    m_timer.start();
}

CProgressDialog::~CProgressDialog() {
    delete m_pDialog;
    QApplication::restoreOverrideCursor();
}

bool CProgressDialog::report(uint64_t done, uint64_t total) {
    if (m_pDialog == nullptr && m_timer.elapsed() >= m_nShowAfterMs) {
        m_pDialog = new QProgressDialog(
            m_strLabel, m_bCancellable ? QStringLiteral("Cancel") : QString(), 0, 1000, m_pOwner);
        m_pDialog->setWindowModality(Qt::WindowModal);
        m_pDialog->setMinimumDuration(0);
        m_pDialog->setAutoClose(false);
        m_pDialog->setAutoReset(false);
        m_pDialog->show();
    }
    if (m_pDialog != nullptr) {
        // Per mille, so that counts beyond an int's range still move the bar;
        // a total of 0 says the work cannot tell how far it is: a busy bar.
        m_pDialog->setMaximum(total == 0 ? 0 : 1000);
        m_pDialog->setValue(total == 0 ? 0 : int(std::min<uint64_t>(done, total) * 1000 / total));
        m_bCancelled = m_bCancelled || (m_bCancellable && m_pDialog->wasCanceled());
    }
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (m_pDialog != nullptr)
        QApplication::processEvents(); // the Cancel button is user input
    return !m_bCancelled;
}
