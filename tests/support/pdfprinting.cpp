#include "pdfprinting.h"

#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>

UserPrompts::Handler PdfPrinting::into(const QString &path, bool accept, int *asked)
{
    return [=](const UserPrompts::Prompt &prompt) {
        ++*asked;
        UserPrompts::Answer answer;
        answer.accepted = accept && prompt.kind == UserPrompts::Kind::Print && prompt.printer;
        if (prompt.printer) {
            prompt.printer->setOutputFormat(QPrinter::PdfFormat);
            prompt.printer->setOutputFileName(path);
        }
        return answer;
    };
}

bool PdfPrinting::hasPage(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(4) == "%PDF" &&
           file.readAll().contains("/Type /Page");
}

bool PdfPrinting::haveTool(const char *tool)
{
    return !QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty();
}

QString PdfPrinting::toolOutput(const char *tool, const QStringList &arguments)
{
    if (!haveTool(tool))
        return QString();
    QProcess process;
    process.start(QStandardPaths::findExecutable(QLatin1String(tool)), arguments);
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}
