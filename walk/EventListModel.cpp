#include "walk/EventListModel.h"

#include "logs/TimeText.h"

namespace zr {

void CEventListModel::SetEvents(std::vector<LogEvent> events)
{
    beginResetModel();
    m_events = std::move(events);
    endResetModel();
}

QString CEventListModel::Text(const LogEvent& e)
{
    std::string text;
    CTimeText('-', ' ').Append(text, e.start);
    text.erase(0, 11); // the clock time: the date is in the graph's title
    text += "  ";
    text += LogEventName(e.kind);
    text += "  ";
    text += SpanText(e.end - e.start);
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

int CEventListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_events.size());
}

QVariant CEventListModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= static_cast<int>(m_events.size()))
        return {};
    return Text(m_events[static_cast<std::size_t>(index.row())]);
}

} // namespace zr
