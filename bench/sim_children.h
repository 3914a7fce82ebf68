#pragma once

// Scripted children with a skill model, playing the real game screen in simulated time with
// おまかせ choosing each round: their rounds go through the real recorder into a real record,
// and the chooser follows them in memory as the program's does.
//
//   A counts reliably to 4, skips a character in 10 % of the rounds of 5 and 6 and in 30 % of
//     those above 6;
//   B counts right, but picks the card of the last number said only half the time (numbers up
//     to 3 are seen at a glance);
//   C counts everything right;
//   D counts, then guesses a card.

#include <QList>
#include <QString>

struct SimChildFigures {
    char child = 'A';
    int trueFrontier = 1;   // the smallest number the child answers cleanly in less than 80 %
    int rounds = 0;         // rounds played to the end
    int untilFrontier = -1; // rounds played when the chooser's frontier first was the true one
    int atFrontierAfter = 0;  // rounds after that with the chooser's frontier at the true one
    int firstTry = 0;         // rounds answered right at the first try
    int inPracticeWay = 0;    // rounds in the way the report advises for the child's mistake
    int highestFrontier = 0;
    int highestNumber = 0;
    int aboveGlance = 0;      // rounds of more than 3 characters
    int recordFrontier = 0;   // the frontier read back from the record at the end
    int memoryFrontier = 0;   // and the one followed in memory
    bool stuck = false;       // the game never came to what the child waited for
    QList<qint64> choiceNs;  // how long おまかせ took to choose each round, on the game's thread
};

// Plays `rounds` rounds of child `who` ('A' to 'D') into a record at `recordPath`.
SimChildFigures playSimChild(char who, int rounds, const QString& recordPath, unsigned seed = 7);

// The figures of A to D, each played with several seeds, as a Markdown table: medians, with the
// smallest and largest in brackets.
QString simChildrenTable(const QList<QList<SimChildFigures>>& byChild);
