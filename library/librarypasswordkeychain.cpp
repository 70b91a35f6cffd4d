#include "librarypassword.h"

#include <QEventLoop>
#include <QTimer>
#include <memory>
#include <qt6keychain/keychain.h>

namespace {

const char *const kService = "solvane";

struct Outcome {
    bool finished = false;
    QKeychain::Error error = QKeychain::OtherError;
    QString errorString;
    QString text;
};

// Runs a keyring job to its end or for at most the time-out. A job that outlives the wait
// deletes itself when it ends; what it says then is dropped.
template <class Job, class Prepare> Outcome run(const LibraryLocation &location, Prepare prepare)
{
    auto *job = new Job(QLatin1String(kService));
    job->setAutoDelete(true);
    job->setInsecureFallback(false);
    job->setKey(LibraryPassword::keyFor(location));
    prepare(*job);
    auto outcome = std::make_shared<Outcome>();
    QEventLoop loop;
    QObject::connect(job, &QKeychain::Job::finished, &loop, [job, outcome, &loop] {
        outcome->finished = true;
        outcome->error = job->error();
        outcome->errorString = job->errorString();
        if constexpr (std::is_same_v<Job, QKeychain::ReadPasswordJob>)
            outcome->text = job->textData();
        loop.quit();
    });
    QTimer::singleShot(LibraryPassword::TimeoutMs, &loop, &QEventLoop::quit);
    job->start();
    if (!outcome->finished)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    return *outcome;
}

QString why(const Outcome &outcome)
{
    if (!outcome.finished)
        return LibraryPassword::tr("The keyring did not answer within %1 seconds.")
            .arg(LibraryPassword::TimeoutMs / 1000);
    if (outcome.error == QKeychain::NoBackendAvailable)
        return LibraryPassword::tr("No keyring runs in this session.");
    return LibraryPassword::tr("The keyring refused: %1").arg(outcome.errorString);
}

} // namespace

QString LibraryPassword::passwordFile()
{
    return QStringLiteral("~/.pgpass");
}

QString LibraryPassword::storeName()
{
    return tr("the desktop keyring");
}

bool LibraryPassword::read(const LibraryLocation &location, QString &password, QString *error)
{
    const Outcome outcome = run<QKeychain::ReadPasswordJob>(location, [](auto &) {});
    const bool found = outcome.finished && outcome.error == QKeychain::NoError;
    if (error)
        *error = found || (outcome.finished && outcome.error == QKeychain::EntryNotFound)
                     ? QString()
                     : why(outcome);
    password = found ? outcome.text : QString();
    return found && !password.isEmpty();
}

bool LibraryPassword::write(const LibraryLocation &location, const QString &password,
                            QString *error)
{
    const Outcome outcome = run<QKeychain::WritePasswordJob>(
        location, [&password](QKeychain::WritePasswordJob &job) { job.setTextData(password); });
    const bool kept = outcome.finished && outcome.error == QKeychain::NoError;
    if (error)
        *error = kept ? QString() : why(outcome);
    return kept;
}

bool LibraryPassword::forget(const LibraryLocation &location, QString *error)
{
    const Outcome outcome = run<QKeychain::DeletePasswordJob>(location, [](auto &) {});
    const bool gone = outcome.finished && (outcome.error == QKeychain::NoError ||
                                           outcome.error == QKeychain::EntryNotFound);
    if (error)
        *error = gone ? QString() : why(outcome);
    return gone;
}
