#pragma once
// "ID View": each receiver's ID, polled while the window is open.
#include <QDialog>
#include <QTableWidget>
#include <cstdint>

#include "link/Owner.h"

namespace zr {

class CIdDlg : public QDialog {
    Q_OBJECT
public:
    CIdDlg(IMessageOwner* owner, QWidget* parent);
    // From an F6 reply (10 characters), into row recNo.
    void SetId(const uint8_t* reply, int recNo);
    QTableWidget* List() const { return m_list; }

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    IMessageOwner* m_owner;
    QTableWidget* m_list;
};

} // namespace zr
