#pragma once
// A read-only box refuses text from outside as well: Qt's own accessible
// line edit writes the text past the read-only flag (set text, replace text).
// Such boxes get an accessible interface that reads their text and writes none.
#include <QAccessible>
#include <QAccessibleWidget>
#include <QLineEdit>

namespace zr {

class CReadOnlyTextAccessible : public QAccessibleWidget {
public:
    explicit CReadOnlyTextAccessible(QLineEdit* edit) : QAccessibleWidget(edit, QAccessible::EditableText) {}
    QString text(QAccessible::Text t) const override
    {
        const QString own = QAccessibleWidget::text(t);
        return t == QAccessible::Value || (t == QAccessible::Name && own.isEmpty()) ? static_cast<QLineEdit*>(widget())->text() : own;
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = true;
        return s;
    }
    void setText(QAccessible::Text t, const QString& text) override
    {
        if (t != QAccessible::Value) // the name and description may change; the text may not
            QAccessibleWidget::setText(t, text);
    }
};

inline QAccessibleInterface* ReadOnlyTextFactory(const QString&, QObject* object)
{
    auto* edit = qobject_cast<QLineEdit*>(object);
    return edit && edit->property("zrReadOnlyText").toBool() ? new CReadOnlyTextAccessible(edit) : nullptr;
}

inline void MakeReadOnly(QLineEdit* edit)
{
    static const bool installed = (QAccessible::installFactory(&ReadOnlyTextFactory), true);
    (void)installed;
    edit->setReadOnly(true);
    edit->setProperty("zrReadOnlyText", true);
}

} // namespace zr
