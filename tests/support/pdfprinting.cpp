#include "pdfprinting.h"
#include "hostprocess.h"

#include <QFile>
#include <QPrinter>

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
    return HostProcess::available(QLatin1String(tool));
}

QString PdfPrinting::toolOutput(const char *tool, const QStringList &arguments)
{
    return QString::fromUtf8(HostProcess::run(QLatin1String(tool), arguments, 30000).out);
}
