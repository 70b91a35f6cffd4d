#pragma once

#include "processwindow.h"
#include "recording.h"
#include "recordinglibrary.h"

#include <QAbstractTableModel>
#include <QList>
#include <optional>

// The library's entries for a view, newest first, fetched a page at a time as the view
// scrolls, so that a library of any size opens at once.
class LibraryModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int PageSize = 200;
    // What a reader looks for first comes first: which entry, when, and its dose and verdict;
    // the statistics and the instrument's details follow.
    enum Column {
        Id,
        When,
        Serial,
        Group,
        Dose,
        VerdictColumn,
        Max,
        Avg,
        Min,
        First,
        Samples,
        Model,
        Family,
        Columns
    };

    explicit LibraryModel(RecordingLibrary *library, QObject *parent = nullptr);

    // Starts over with this filter; the first page is read at once.
    void setFilter(const RecordingLibrary::Filter &filter);
    void reload();
    // The entry of a row as listed (without its samples).
    const Recording *entry(int row) const;
    // Every entry the filter matches, not only those read so far.
    int total() const { return m_total; }
    // The window every row is checked against (the Verdict column); none leaves it empty.
    void setProcessWindow(const std::optional<ProcessWindow> &window);
    const std::optional<ProcessWindow> &processWindow() const { return m_window; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

private:
    RecordingLibrary *m_library;
    RecordingLibrary::Filter m_filter;
    QList<Recording> m_rows;
    int m_total = 0;
    std::optional<ProcessWindow> m_window;
};
