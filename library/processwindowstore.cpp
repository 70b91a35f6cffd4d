#include "processwindowstore.h"

#include "programsettings.h"
#include "recordinglibrary.h"
#include <QCoreApplication>
#include <QJsonObject>
#include <QSet>

namespace {

const char *const kArray = "processWindows/windows";
const char *const kChosen = "processWindows/chosen";
const char *const kBounds[] = {"minPeak", "maxPeak", "minDose", "maxDose"};

std::optional<double> *bound(ProcessWindow &window, int index)
{
    std::optional<double> *bounds[] = {&window.minPeak, &window.maxPeak, &window.minDose,
                                       &window.maxDose};
    return bounds[index];
}

} // namespace

QList<ProcessWindow> ProcessWindowStore::all()
{
    ProgramSettings settings;
    QList<ProcessWindow> windows;
    const int count = settings.beginReadArray(QLatin1String(kArray));
    for (int i = 0; i < count; ++i) {
        settings.setArrayIndex(i);
        ProcessWindow window;
        window.name = settings.value(QStringLiteral("name")).toString();
        for (int b = 0; b < 4; ++b) {
            bool ok = false;
            const double value = settings.value(QLatin1String(kBounds[b])).toDouble(&ok);
            if (ok)
                *bound(window, b) = value;
        }
        // A hand-edited entry that cannot be used is left out rather than checked against.
        if (window.problem().isEmpty())
            windows << window;
    }
    settings.endArray();
    return windows;
}

namespace {

QJsonObject limits(ProcessWindow window)
{
    QJsonObject object;
    for (int b = 0; b < 4; ++b) {
        if (const auto *value = bound(window, b); *value)
            object.insert(QLatin1String(kBounds[b]), **value);
    }
    return object;
}

// The windows added, changed and removed between `before` and `after`, each an entry.
void recordChanges(const QList<ProcessWindow> &before, const QList<ProcessWindow> &after,
                   RecordingLibrary &library)
{
    auto find = [](const QList<ProcessWindow> &list, const QString &name) -> const ProcessWindow * {
        for (const ProcessWindow &w : list)
            if (w.name == name)
                return &w;
        return nullptr;
    };
    for (const ProcessWindow &w : after) {
        const ProcessWindow *old = find(before, w.name);
        if (!old)
            library.record(QLatin1String(AuditEntry::WindowAdded), w.name,
                           {{QStringLiteral("new"), limits(w)}});
        else if (limits(*old) != limits(w))
            library.record(
                QLatin1String(AuditEntry::WindowChanged), w.name,
                {{QStringLiteral("old"), limits(*old)}, {QStringLiteral("new"), limits(w)}});
    }
    for (const ProcessWindow &w : before) {
        if (!find(after, w.name))
            library.record(QLatin1String(AuditEntry::WindowRemoved), w.name,
                           {{QStringLiteral("old"), limits(w)}});
    }
}

} // namespace

bool ProcessWindowStore::save(const QList<ProcessWindow> &windows, QString &error,
                              RecordingLibrary *trail)
{
    const QList<ProcessWindow> before = trail ? all() : QList<ProcessWindow>();
    QSet<QString> names;
    for (const ProcessWindow &window : windows) {
        error = window.problem();
        if (!error.isEmpty())
            return false;
        if (names.contains(window.name)) {
            error = QCoreApplication::translate("ProcessWindow",
                                                "There are two process windows called \"%1\".")
                        .arg(window.name);
            return false;
        }
        names.insert(window.name);
    }
    ProgramSettings settings;
    settings.remove(QLatin1String(kArray));
    settings.beginWriteArray(QLatin1String(kArray), int(windows.size()));
    for (int i = 0; i < windows.size(); ++i) {
        settings.setArrayIndex(i);
        ProcessWindow window = windows[i];
        settings.setValue(QStringLiteral("name"), window.name);
        for (int b = 0; b < 4; ++b) {
            if (const auto *value = bound(window, b); *value)
                settings.setValue(QLatin1String(kBounds[b]), **value);
        }
    }
    settings.endArray();
    if (!names.contains(chosenName()))
        settings.remove(QLatin1String(kChosen));
    settings.sync();
    if (settings.status() == QSettings::NoError) {
        if (trail && trail->isOpen())
            recordChanges(before, all(), *trail);
        return true;
    }
    error =
        QCoreApplication::translate("ProcessWindow", "The process windows cannot be kept in %1.")
            .arg(settings.fileName());
    return false;
}

QString ProcessWindowStore::chosenName()
{
    return ProgramSettings().value(QLatin1String(kChosen)).toString();
}

void ProcessWindowStore::setChosenName(const QString &name)
{
    ProgramSettings settings;
    if (name.isEmpty())
        settings.remove(QLatin1String(kChosen));
    else
        settings.setValue(QLatin1String(kChosen), name);
}

bool ProcessWindowStore::find(const QString &name, ProcessWindow &window)
{
    for (const ProcessWindow &candidate : all()) {
        if (candidate.name == name) {
            window = candidate;
            return true;
        }
    }
    return false;
}

bool ProcessWindowStore::chosen(ProcessWindow &window)
{
    const QString name = chosenName();
    return !name.isEmpty() && find(name, window);
}
