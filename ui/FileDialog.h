#pragma once
// The file dialogs' seam: QFileDialog in the application, scripted in tests.
#include <QString>
#include <functional>

class QImage;
class QWidget;

namespace zr {

using FileDialogHandler = std::function<QString(const QString& folder, const QString& filter)>;

// The chosen path, or an empty string when the user cancelled.
QString GetOpenFileName(QWidget* parent, const QString& folder, const QString& filter);
// The path to write, or an empty string when the user cancelled.
QString GetSaveFileName(QWidget* parent, const QString& suggested, const QString& filter);
void SetFileDialogHandler(FileDialogHandler handler);

// "Save image...": asks where, writes a PNG, says so when it cannot.
void SaveImageAs(QWidget* parent, const QImage& image, const QString& suggestedName);

} // namespace zr
