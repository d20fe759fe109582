#pragma once
// The file dialogs' seam: QFileDialog in the application, scripted in tests.
#include <QString>
#include <functional>
#include <string>

class QImage;
class QWidget;

namespace zr {

using FileDialogHandler = std::function<QString(const QString& folder, const QString& filter)>;

// The chosen path, or an empty string when the user cancelled.
QString GetOpenFileName(QWidget* parent, const QString& folder, const QString& filter);
// The path to write, or an empty string when the user cancelled.
QString GetSaveFileName(QWidget* parent, const QString& suggested, const QString& filter);
void SetFileDialogHandler(FileDialogHandler handler);

// File names inside the program are the system's own bytes: a name that is
// not valid in the locale's encoding still opens. QString only at the edges.
std::string NativePath(const QString& path);
QString PathText(const std::string& path);

// "Save image...": asks where, writes a PNG, says so when it cannot.
void SaveImageAs(QWidget* parent, const QImage& image, const QString& suggestedName);

} // namespace zr
