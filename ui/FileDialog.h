#pragma once
// The file-open seam: QFileDialog in the application, scripted in tests.
#include <QString>
#include <functional>

class QWidget;

namespace zr {

using FileDialogHandler = std::function<QString(const QString& folder, const QString& filter)>;

// The chosen path, or an empty string when the user cancelled.
QString GetOpenFileName(QWidget* parent, const QString& folder, const QString& filter);
void SetFileDialogHandler(FileDialogHandler handler);

} // namespace zr
