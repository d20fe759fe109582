#include "ui/ToolWindow.h"

#include <QHideEvent>
#include <QKeyEvent>

namespace zr {

CToolWindow::CToolWindow(QWidget* parent, const char* objectName, const QString& caption, DialogKeys keys) : QDialog(parent), m_keys(keys)
{
    setObjectName(objectName);
    setWindowTitle(caption);
    setModal(false);
}

void CToolWindow::OnPollReply(const ReceiverReply&) {}
void CToolWindow::OnReceiverMode(int, int32_t) {}
void CToolWindow::OnOneShot(int, int, bool) {}
void CToolWindow::OnReceiverLost(int) {}

void CToolWindow::keyPressEvent(QKeyEvent* e)
{
    const bool dialogKey = e->key() == Qt::Key_Escape || e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
    if (!dialogKey) {
        QDialog::keyPressEvent(e);
        return;
    }
    e->accept();
    if (m_keys == DialogKeys::Ignored)
        return; // neither closes the window nor presses a button
    // As a plain dialog: Enter is OK and Escape is Cancel, and both close it,
    // with or without buttons.
    if (e->key() == Qt::Key_Escape)
        reject();
    else
        accept();
}

void CToolWindow::hideEvent(QHideEvent* e)
{
    QDialog::hideEvent(e);
    // A spontaneous hide is the window system's (the main window minimised):
    // the window has not gone away.
    if (!e->spontaneous())
        WindowGone();
}

} // namespace zr
