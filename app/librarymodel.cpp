#include "librarymodel.h"

#include "dose.h"
#include "station.h"
#include "verdict.h"

#include <QBrush>
#include <QColor>

namespace {
QString number(double value)
{
    return QString::number(value, 'f', 1);
}
} // namespace

LibraryModel::LibraryModel(RecordingLibrary *library, QObject *parent)
    : QAbstractTableModel(parent), m_library(library)
{
}

void LibraryModel::setFilter(const RecordingLibrary::Filter &filter)
{
    m_filter = filter;
    m_filter.withSamples = false;
    reload();
}

void LibraryModel::reload()
{
    beginResetModel();
    m_rows.clear();
    const bool open = m_library && m_library->isOpen();
    m_total = open ? m_library->count(m_filter) : 0;
    if (open)
        m_rows = m_library->list(m_filter, 0, PageSize);
    endResetModel();
}

void LibraryModel::setProcessWindow(const std::optional<ProcessWindow> &window)
{
    m_window = window;
    if (!m_rows.isEmpty())
        emit dataChanged(index(0, VerdictColumn), index(rowCount() - 1, VerdictColumn));
}

const Recording *LibraryModel::entry(int row) const
{
    return row >= 0 && row < m_rows.size() ? &m_rows.at(row) : nullptr;
}

int LibraryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int LibraryModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : Columns;
}

QVariant LibraryModel::data(const QModelIndex &index, int role) const
{
    const Recording *r = entry(index.row());
    const bool logger = r && r->family == Recording::Family::Logger;
    if (r && logger && r->doseFlagged && index.column() == Dose && role == Qt::ToolTipRole)
        return tr("Some samples were not numbers, there were none, or the interval was 0: "
                  "the dose counts only what could be counted.");
    // The instrument's clock is the station's local time; the tip says which offset that was.
    if (r && logger && index.column() == When && role == Qt::ToolTipRole && r->utcOffsetSeconds)
        return tr("Instrument clock at a station on UTC%1; %2 UTC")
            .arg(Station::offsetText(*r->utcOffsetSeconds),
                 r->startUtc().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
    if (r && m_window && index.column() == VerdictColumn && role == Qt::ForegroundRole)
        return QBrush(m_window->check(*r).isPass() ? QColor(0x1b7f3a) : QColor(0xc62828));
    if (!r || role != Qt::DisplayRole)
        return role == Qt::TextAlignmentRole ? QVariant(Qt::AlignCenter) : QVariant();
    switch (index.column()) {
    case Id:
        return r->id;
    case Serial:
        return r->serial;
    case Model:
        return r->modelName;
    case Family:
        return logger ? tr("Logger") : tr("Meter");
    case Group:
        return r->group;
    case When:
        return logger
                   ? r->startTime.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))
                   : r->downloadedAt.toLocalTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    case Samples:
        return logger ? QString::number(r->sampleCount()) : r->unit;
    case First:
        return number(logger ? r->powerRec : r->powerRt);
    case Max:
        return number(r->powerMax);
    case Min:
        return number(r->powerMin);
    case Avg:
        return number(r->powerAvg);
    case Dose:
        if (!logger)
            return {};
        return r->doseFlagged ? tr("%1 (flagged)").arg(::Dose::text(r->doseUjCm2))
                              : ::Dose::text(r->doseUjCm2);
    case VerdictColumn:
        return m_window ? m_window->check(*r).text() : QString();
    default:
        return {};
    }
}

QVariant LibraryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case Id:
        return tr("ID");
    case Serial:
        return tr("Serial No");
    case Model:
        return tr("Model");
    case Family:
        return tr("Kind");
    case Group:
        return tr("NO");
    case When:
        return tr("Start / Downloaded");
    case Samples:
        return tr("Samples / Unit");
    case First:
        return tr("REC / RT");
    case Max:
        return tr("MAX");
    case Min:
        return tr("MIN");
    case Avg:
        return tr("AVG");
    case Dose:
        return tr("Dose");
    case VerdictColumn:
        return tr("Verdict");
    default:
        return {};
    }
}

bool LibraryModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && m_rows.size() < m_total;
}

void LibraryModel::fetchMore(const QModelIndex &parent)
{
    if (parent.isValid() || !m_library)
        return;
    const QList<Recording> more =
        m_library->list(m_filter, static_cast<int>(m_rows.size()), PageSize);
    if (more.isEmpty()) {
        m_total = static_cast<int>(m_rows.size()); // the library changed meanwhile
        return;
    }
    const int first = static_cast<int>(m_rows.size());
    beginInsertRows({}, first, first + static_cast<int>(more.size()) - 1);
    m_rows.append(more);
    endInsertRows();
}
