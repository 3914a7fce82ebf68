#pragma once

#include <functional>
#include <memory>

#include "record/record_report.h"
#include "screens/screen_parts.h"

class QComboBox;
class QLabel;
class Children;
class Clock;
class RecordStore;
class WhoPlays;

// The record screen "きろく" (K on the game screen): one child's progress. Ten tiles for the
// numbers 1 to 10, a chart of the last 30 days, and the kinds of mistake in a teacher's words; for
// a child on おまかせ, their frontier and the last rounds the game chose, with why.
// The adult exports a CSV of the child's (or every child's) rounds and answers, prints one page
// per child to PDF, or deletes the child's whole record after a question that names the child.
class RecordScreen : public ScreenParts::AdultScreen {
public:
    // `clock` says which day is today, the last of the chart's days and the PDF's date.
    RecordScreen(RecordStore& store, Children& children, const WhoPlays& whoPlays,
                 const Clock& clock, std::function<void()> returnToGame,
                 QWidget* parent = nullptr);
    ~RecordScreen() override;

    // Lists the children and shows the first (or the one shown before).
    void load() override;
    // The line saying where the figures come from (this machine, or the class and when its
    // rounds were fetched); the program sets it.
    std::function<QString()> whereFrom;

private:
    class Views;
    void buildControls();
    void showChild();
    void exportCsv(bool everyChild);
    void printPdf();
    void deleteChild();
    void cancel() override;
    qint64 chosenChild() const;

    RecordStore& m_store;
    Children& m_children;
    const WhoPlays& m_whoPlays;
    const Clock& m_clock;
    std::unique_ptr<RecordReport> m_report;
    QComboBox* m_childChoice = nullptr;
    Views* m_views = nullptr;
    QLabel* m_mistakes = nullptr;
    QLabel* m_omakase = nullptr;  // for a child on おまかせ, below a shorter chart
    ScreenParts::MessageLine* m_messageLine = nullptr;
    QLabel* m_whereFrom = nullptr;
};
