#pragma once

#include <QString>

#include "record/record_problem.h"

// The words the adult reads about the record's file, in the start-up box, at the adult's keys and
// on the screens that change the children.
namespace RecordWords {
// The title of the adult's messages about the record.
extern const QString kTitle;
QString problem(const RecordProblem& problem);
}  // namespace RecordWords
