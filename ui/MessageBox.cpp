#include "ui/MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <mutex>

namespace zr {

namespace {

std::mutex g_handlerMutex;
MessageBoxHandler g_handler;

} // namespace

void SetMessageBoxHandler(MessageBoxHandler handler)
{
    std::lock_guard lock(g_handlerMutex);
    g_handler = std::move(handler);
}

MsgAnswer ShowMessage(QWidget* parent, const QString& text, MsgButtons buttons)
{
    {
        std::lock_guard lock(g_handlerMutex);
        if (g_handler)
            return g_handler({text, buttons});
    }
    // Plain boxes: the text and the buttons, no icon.
    const QMessageBox::StandardButtons standard = buttons == MsgButtons::Ok      ? QMessageBox::Ok
                                                  : buttons == MsgButtons::YesNo ? QMessageBox::Yes | QMessageBox::No
                                                                                 : QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), text, standard, parent);
    switch (box.exec()) {
    case QMessageBox::Yes: return MsgAnswer::Yes;
    case QMessageBox::No: return MsgAnswer::No;
    case QMessageBox::Cancel: return MsgAnswer::Cancel;
    default: return buttons == MsgButtons::Ok ? MsgAnswer::Ok : buttons == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::Cancel;
    }
}

} // namespace zr
