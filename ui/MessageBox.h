#pragma once
// The one seam for every message box: the application shows QMessageBox,
// tests script the answers and read the texts.
#include <QString>
#include <functional>

class QWidget;

namespace zr {

enum class MsgButtons { Ok, YesNo, YesNoCancel };
enum class MsgAnswer { Ok, Yes, No, Cancel };

struct MessageBoxRequest {
    QString text;
    MsgButtons buttons = MsgButtons::Ok;
};

using MessageBoxHandler = std::function<MsgAnswer(const MessageBoxRequest&)>;

// Shows a message box (on the user-interface thread) and returns the answer.
MsgAnswer ShowMessage(QWidget* parent, const QString& text, MsgButtons buttons = MsgButtons::Ok);
// Replaces the real boxes (tests). An empty handler restores them.
void SetMessageBoxHandler(MessageBoxHandler handler);

} // namespace zr
