#pragma once
// The Background Log viewer's event list: a row per event, its text made
// only when the list shows the row, so a log with thousands of events opens
// as fast as one with none.
#include <QAbstractListModel>
#include <vector>

#include "logs/LogEvents.h"

namespace zr {

class CEventListModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;
    void SetEvents(std::vector<LogEvent> events);
    const std::vector<LogEvent>& Events() const { return m_events; }
    // "hh:mm:ss.mmm  kind  duration"
    static QString Text(const LogEvent& e);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    std::vector<LogEvent> m_events;
};

} // namespace zr
