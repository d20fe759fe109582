#include "ui/FileDialog.h"

#include <QFileDialog>

namespace zr {

namespace {
FileDialogHandler g_handler;
}

void SetFileDialogHandler(FileDialogHandler handler)
{
    g_handler = std::move(handler);
}

QString GetOpenFileName(QWidget* parent, const QString& folder, const QString& filter)
{
    if (g_handler)
        return g_handler(folder, filter);
    return QFileDialog::getOpenFileName(parent, QString(), folder, filter, nullptr, QFileDialog::ReadOnly);
}

} // namespace zr
