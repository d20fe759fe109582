#pragma once
// "FW Version": the CPU, DSP and FPGA versions read at identification.
#include <QDialog>
#include <QTableWidget>
#include <list>

namespace zr {

class CReceiverLink;

class CFwVerDlg : public QDialog {
    Q_OBJECT
public:
    CFwVerDlg(bool detailMode, QWidget* parent);
    void Fill(const std::list<CReceiverLink*>& links);
    QTableWidget* List() const { return m_list; }

private:
    bool m_detailMode;
    QTableWidget* m_list;
};

} // namespace zr
