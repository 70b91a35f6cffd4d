// solvane-cli's command line: any argument vector, the input cut into words at NUL bytes
// (argv can hold no NUL). The parse never crashes, and what it yields fits its action.
#include "cliarguments.h"
#include "clioptions.h"
#include "fuzzcheck.h"

#include <cstdint>

namespace {

bool fitsCommand(const CliOptions &o)
{
    using C = CliOptions::Command;
    const qsizetype ids = o.ids.size();
    // Each command's own options stay with it.
    const bool reasoned = o.command == C::Delete || o.command == C::Restore;
    if (reasoned == o.reason.isEmpty() || (o.command != C::Verify && !o.head.isEmpty()) ||
        (o.command != C::Audit && o.recording != 0) || (o.command != C::List && o.removed))
        return false;
    switch (o.command) {
    case C::Info:
        return ids == 0 && o.serial.isEmpty() && o.format == CliOptions::Format::None;
    case C::Download:
        return ids == 0 && !o.json && o.window.isEmpty();
    case C::List:
        return ids == 0 && o.output.isEmpty();
    case C::Show:
    case C::Delete:
    case C::Restore:
        return ids == 1 && o.output.isEmpty() && (o.command == C::Show || !o.json);
    case C::Verify:
        return ids == 0 && o.output.isEmpty() && (o.head.isEmpty() || o.head.size() == 64);
    case C::Audit:
        return ids == 0 && o.output.isEmpty() && o.window.isEmpty();
    case C::Export:
        return ids >= 1 && o.format != CliOptions::Format::None && !o.output.isEmpty() && !o.json;
    case C::None:
        break;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    QStringList arguments;
    if (!input.isEmpty()) {
        for (const QByteArray &word : input.split('\0')) {
            arguments.append(CliArguments::decode(word));
            // A name goes back to the system byte for byte.
            check(CliArguments::encode(arguments.last()) == word);
            check(CliArguments::holdsRawBytes(arguments.last()) ==
                  (QString::fromUtf8(word).toUtf8() != word));
        }
    }
    const CliOptions o = CliOptions::parse(arguments);
    switch (o.action) {
    case CliOptions::Action::Run:
        check(o.error.isEmpty() && fitsCommand(o));
        check(o.demo.isEmpty() || o.demo == QLatin1String("meter") ||
              o.demo == QLatin1String("logger"));
        for (qsizetype i = 0; i < o.ids.size(); ++i)
            check(o.ids.at(i) > 0 && o.ids.indexOf(o.ids.at(i)) == i);
        break;
    case CliOptions::Action::UsageError:
        check(!o.error.isEmpty() && !o.usageHint().isEmpty());
        break;
    case CliOptions::Action::Help:
        check(arguments.contains(QLatin1String("-h")) ||
              arguments.contains(QLatin1String("--help")));
        break;
    case CliOptions::Action::Version:
        check(arguments.contains(QLatin1String("--version")));
        break;
    }
    // The same words, the same result.
    const CliOptions again = CliOptions::parse(arguments);
    check(again.action == o.action && again.error == o.error && again.ids == o.ids &&
          again.output == o.output && again.library == o.library);
    return 0;
}
