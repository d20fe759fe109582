#include "ui/FileDialog.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QRegularExpression>

#include "ui/MessageBox.h"

namespace zr {

namespace {
FileDialogHandler g_handler;
}

void SetFileDialogHandler(FileDialogHandler handler)
{
    g_handler = std::move(handler);
}

std::string NativePath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

QString PathText(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

QString GetOpenFileName(QWidget* parent, const QString& folder, const QString& filter)
{
    if (g_handler)
        return g_handler(folder, filter);
    return QFileDialog::getOpenFileName(parent, QString(), folder, filter, nullptr, QFileDialog::ReadOnly);
}

QString GetSaveFileName(QWidget* parent, const QString& suggested, const QString& filter)
{
    if (g_handler)
        return g_handler(suggested, filter);
    return QFileDialog::getSaveFileName(parent, QString(), suggested, filter);
}

void SaveImageAs(QWidget* parent, const QImage& image, const QString& suggestedName)
{
    // A window's caption as a file name: "Walk Test > RECEIVER 3" gives Walk_Test_RECEIVER_3.png.
    QString name = suggestedName;
    name.replace(QRegularExpression("[^A-Za-z0-9.()-]+"), "_");
    QString path = GetSaveFileName(parent, QDir::home().filePath(name + ".png"), "PNG image (*.png)");
    if (path.isEmpty())
        return;
    if (!path.endsWith(".png", Qt::CaseInsensitive))
        path += ".png";
    if (!image.save(path, "PNG"))
        ShowMessage(parent, "Cannot save the image.\n" + path);
}

} // namespace zr
