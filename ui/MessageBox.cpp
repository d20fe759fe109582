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
    const QString title = QApplication::applicationDisplayName();
    switch (buttons) {
    case MsgButtons::Ok:
        QMessageBox::information(parent, title, text);
        return MsgAnswer::Ok;
    case MsgButtons::YesNo:
        return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
    case MsgButtons::YesNoCancel: {
        auto b = QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        return b == QMessageBox::Yes ? MsgAnswer::Yes : b == QMessageBox::No ? MsgAnswer::No : MsgAnswer::Cancel;
    }
    }
    return MsgAnswer::Ok;
}

} // namespace zr
