#include "app/ViewReport.h"

#include <QFile>

void AppendViewReport(const QString& line)
{
    static const QString path = qEnvironmentVariable(kViewReportVariable);
    if (path.isEmpty()) return;
    QFile file(path);
    if (file.open(QIODevice::Append | QIODevice::Text)) file.write(line.toUtf8());
}
