// The about dialog of the Help menu: the about picture, the maker's three
// statements, and a read-only property grid naming the product, its build
// and where to get support.
#pragma once

#include <QDialog>

class CKVLTPropertyGridCtrl;

class CAboutDlg final : public QDialog {
    Q_OBJECT
  public:
    CAboutDlg(const QString& strAppName, const QString& strBuildDate, QWidget* parent = nullptr);

    CKVLTPropertyGridCtrl* PropertyGrid() const { return m_pGrid; }

    static constexpr const char* kSupportEmail = "support@orvalen.com";
    static constexpr const char* kSupportPhone = "+44 113 496 0721";
    static constexpr const char* kSupportWebsite = "https://support.orvalen.com/strovane";

  private:
    CKVLTPropertyGridCtrl* m_pGrid = nullptr;
};
