#pragma once
// A window's controls while its worker loads a file: the enabled ones are
// disabled and remembered, and only those are enabled again afterwards.
#include <QPointer>
#include <QWidget>
#include <vector>

namespace zr {

class CDisabledChildren {
public:
    CDisabledChildren() = default;
    explicit CDisabledChildren(QWidget* window)
    {
        for (QWidget* w : window->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            if (w->isEnabled()) {
                w->setEnabled(false);
                m_widgets.emplace_back(w);
            }
    }
    void Restore()
    {
        for (const QPointer<QWidget>& w : m_widgets)
            if (w)
                w->setEnabled(true);
        m_widgets.clear();
    }

private:
    std::vector<QPointer<QWidget>> m_widgets;
};

} // namespace zr
