#pragma once

#include <QList>
#include <QString>

#include "record/children.h"

class QDate;
class RecordReport;

// The report printed for a parent meeting: one A4 page per child with the child's name, the
// period played, the ten tiles, the chart and the kinds of mistake.
namespace ReportPdf {
// Writes the PDF at `path`, made on `today`; returns an empty text when done, else a message for
// the adult.
QString write(const QString& path, const RecordReport& report, const QList<ChildEntry>& children,
              const QDate& today);
}  // namespace ReportPdf
