#include "monkey/monkey.h"

#include <QList>
#include <QMap>
#include <QSet>
#include <QStringList>

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <random>
#include <vector>

#include "support/game_rig.h"

namespace {

struct Violation {
    QString text;
};

// The game's own sounds and their lengths in milliseconds, as the files that ship with it last.
QMap<Sound, int> realSoundLengths() {
    QMap<Sound, int> lengths{
        {Sound::Hop, 82},       {Sound::IntoTray, 106},      {Sound::LetsCount, 833},
        {Sound::HowMany, 1016}, {Sound::HowManyPeople, 900}, {Sound::Right, 986},
        {Sound::Wrong, 477},    {Sound::OnceMore, 855},
    };
    const std::array<int, 10> numbers{392, 286, 391, 407, 354, 469, 471, 427, 450, 425};
    for (int n = 1; n <= 10; ++n)
        lengths.insert(numberSound(n), numbers[n - 1]);
    return lengths;
}

QString soundName(std::optional<Sound> sound) {
    if (!sound)
        return QStringLiteral("nothing");
    const std::unique_ptr<char[]> name(toString(*sound));
    return QString::fromLatin1(name.get());
}

const char* stepName(Step step) {
    static const char* const names[] = {"Hop",       "IntoTray",      "Question",
                                        "Judge",     "Feedback",      "Correction",
                                        "NextRound", "NextCharacter", "NumeralOff"};
    return names[static_cast<int>(step)];
}

const char* phaseName(Phase phase) {
    static const char* const names[] = {"Catching", "Counting", "Asking", "Judging", "Stopped"};
    return names[static_cast<int>(phase)];
}

enum class Voices { Real, Missing, SomeMissing };
enum class Selection { All, Fewer, Empty };

struct Combination {
    GameSettings settings;
    Selection selection = Selection::All;
    Voices voices = Voices::Real;
    int widthPx = 1024;
    int heightPx = 768;

    QString describe() const {
        const GameSettings& s = settings;
        static const char* const selections[] = {"all pictures selected",
                                                 "fewer selected than maxCount", "empty selection"};
        static const char* const voiceNames[] = {"real sound lengths", "every sound missing",
                                                 "some sounds missing"};
        return QStringLiteral(
                   "way %1, %2, %3, %4, %5/%6, blinkTime %7, %8 pointer, %9x%10, %11, %12")
            .arg(s.countWay)
            .arg(s.clickToCount ? "click" : "touch")
            .arg(s.mixedCharacters ? "mixed" : "same")
            .arg(s.askHowManyPeople ? "people" : "things")
            .arg(s.minCount)
            .arg(s.maxCount)
            .arg(s.blinkTime)
            .arg(s.hidePointer ? "hidden" : "shown")
            .arg(widthPx)
            .arg(heightPx)
            .arg(selections[int(selection)])
            .arg(voiceNames[int(voices)]);
    }
};

// Everything of the game that an event can change, to tell whether one changed anything.
struct Snapshot {
    std::vector<qint64> numbers;
    QStringList texts;
    bool operator==(const Snapshot&) const = default;
};

// One settings combination played on one game screen.
class Session {
public:
    Session(const Combination& combination, std::mt19937& rng, MonkeyFigures& figures,
            const QString& where, const std::function<void(GameRig&, qint64)>& afterEvent)
        : m_combination(combination),
          m_rng(rng),
          m_figures(figures),
          m_where(where),
          m_afterEvent(afterEvent),
          m_folder(pickFolder()),
          m_rig(std::make_unique<GameRig>(combination.settings, combination.widthPx,
                                          combination.heightPx, pickSelection())) {
        m_rig->shared.characterFiles = m_folder;
        m_rig->random = ScriptedRandom(unsigned(m_rng()));
        const QMap<Sound, int> lengths = realSoundLengths();
        for (auto it = lengths.begin(); it != lengths.end(); ++it) {
            int length = it.value();
            if (combination.voices == Voices::Missing ||
                (combination.voices == Voices::SomeMissing && chance(0.3))) {
                length = 0;
            }
            m_rig->sound.setLength(it.key(), length);
        }
        // The game's own steps go through the monkey, which checks after each one.
        m_gameStep = m_rig->timers.fired;
        m_rig->timers.fired = [this](Step step) { roundStep(step); };
    }

    void play(int rounds) {
        const qint64 startMs = m_rig->clock.now;
        m_rig->game.activate();
        note("activate");
        startRound();
        finishEvent();
        while (m_finished < rounds)
            step();
        m_figures.simulatedMs += m_rig->clock.now - startMs;
    }

private:
    // --- The monkey's choices -------------------------------------------------------------------
    double unit() { return std::uniform_real_distribution<double>(0.0, 1.0)(m_rng); }
    bool chance(double p) { return unit() < p; }
    int between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_rng); }

    // The pictures in the data folder: 1 to 14, at least maxCount when all are selected.
    QStringList pickFolder() {
        const int low =
            m_combination.selection == Selection::All ? int(m_combination.settings.maxCount) : 1;
        QStringList names;
        for (int i = between(low, 14); i > 0; --i)
            names.prepend(QStringLiteral("p%1.gif").arg(i - 1));
        return names;
    }

    QStringList pickSelection() {
        const QStringList& all = m_folder;
        switch (m_combination.selection) {
            case Selection::All:
                return all;
            case Selection::Empty:
                return {};
            case Selection::Fewer:
                break;
        }
        // Some pictures, fewer than maxCount (none when maxCount is 1), in the folder's order.
        const int wanted =
            between(0, std::min<int>(m_combination.settings.maxCount - 1, int(all.size())));
        QList<int> order;
        for (int i = 0; i < all.size(); ++i)
            order.append(i);
        std::shuffle(order.begin(), order.end(), m_rng);
        order = order.mid(0, wanted);
        std::sort(order.begin(), order.end());
        QStringList chosen;
        for (int i : order)
            chosen.append(all[i]);
        return chosen;
    }

    void step() {
        const double r = unit();
        if (r < 0.001) {
            leaveAndReturn(GameKey::H);
        } else if (r < 0.002) {
            leaveAndReturn(GameKey::N);
        } else if (r < 0.008) {
            otherKey();
        } else if (r < 0.06) {
            randomPointer();
        } else if (r < 0.22) {
            waitAWhile();
        } else {
            purposeful();
        }
    }

    // What a child who plays along would do now: catch or count the right character, or choose
    // a card, and now and then the wrong one.
    void purposeful() {
        const std::optional<HitTarget> target = inputThatMovesOn();
        if (!target) {
            if (chance(0.3)) {
                poke();
            } else {
                waitAWhile();
            }
            return;
        }
        if (m_rig->sound.isPlaying() && chance(0.85)) {
            wait(m_rig->sound.endsAt() - m_rig->clock.now + between(0, 30));
            return;
        }
        const GameScreen& g = game();
        if (target->kind == ControlKind::Card) {
            const int number =
                chance(0.8) ? g.round().characterCount : between(1, g.round().cardCount);
            // Now and then only hovering over it, which never chooses a card.
            pointAt(model().cards[number - 1], !chance(0.1));
            return;
        }
        int index = target->index;
        const QList<int> visible = m_rig->visibleCharacters();
        const bool anyOrder = counting() && settings().countWay == CountWay::AnyOrder;
        if ((anyOrder || chance(0.1)) && !visible.isEmpty())
            index = visible[between(0, int(visible.size()) - 1)];
        const bool click = chance(0.05) ? !settings().clickToCount : settings().clickToCount;
        pointAt(model().characters[index], click);
    }

    // An impatient child touches a character or clicks a card while the game is busy.
    void poke() {
        const QList<int> characters = m_rig->visibleCharacters();
        const QList<int> cards = m_rig->visibleCards();
        if (!cards.isEmpty() && (characters.isEmpty() || chance(0.5))) {
            pointAt(model().cards[cards[between(0, int(cards.size()) - 1)]], chance(0.9));
        } else if (!characters.isEmpty()) {
            const bool click = chance(0.9) == settings().clickToCount;
            pointAt(model().characters[characters[between(0, int(characters.size()) - 1)]], click);
        } else {
            waitAWhile();
        }
    }

    void waitAWhile() {
        const int bucket = between(0, 9);
        if (bucket < 4) {
            wait(between(1, 60));
        } else if (bucket < 8) {
            wait(between(60, 600));
        } else {
            wait(between(600, 3000));
        }
    }

    void randomPointer() {
        pointer(chance(0.4), between(0, model().width - 1), between(0, model().height - 1));
    }

    // A place inside `control`, clicked or moved over.
    void pointAt(const Control& control, bool click) {
        pointer(click, control.left + between(0, std::max(control.width - 1, 0)),
                control.top + between(0, std::max(control.height - 1, 0)));
    }

    // --- Events ---------------------------------------------------------------------------------
    void wait(qint64 ms) {
        m_rig->timers.advance(std::max<qint64>(ms, 0));
        note("wait", int(ms));
        finishEvent();
    }

    void pointer(bool click, std::int32_t x, std::int32_t y) {
        const GameScreen& g = game();
        const HitTarget hit = model().controlAt(x, y);
        bool taken = false;
        if (hit.kind == ControlKind::Character && click == settings().clickToCount)
            taken = rulesTakeCharacter(hit.index, false);
        if (hit.kind == ControlKind::Card && click)
            taken = rulesTakeCard(false);
        const Snapshot before = snapshot();
        const qsizetype plays = m_rig->sound.plays.size();
        const int k = g.round().current;
        const bool countingBefore = counting();

        if (click) {
            m_rig->game.pointerClicked(x, y);
        } else {
            m_rig->game.pointerMoved(x, y);
        }
        ++m_figures.inputs;
        note(click ? "click" : "move", x, y, hit);

        const QString on = hit.kind == ControlKind::Card        ? QStringLiteral("card")
                           : hit.kind == ControlKind::Character ? QStringLiteral("character")
                                                                : QStringLiteral("nothing");
        if (!taken) {
            if (snapshot() != before) {
                fail(QStringLiteral("a %1 on %2 %3 that the rules drop changed the game")
                         .arg(click ? "click" : "move", on)
                         .arg(hit.index));
            }
        } else {
            checkTaken(hit, k, countingBefore, plays);
        }
        finishEvent();
    }

    // The game took an input that the rules take: it must have done what the rules say.
    void checkTaken(const HitTarget& hit, int k, bool countingBefore, qsizetype playsBefore) {
        const GameScreen& g = game();
        const RoundState& r = g.round();
        const auto& plays = m_rig->sound.plays;
        const std::optional<Sound> heard =
            plays.size() > playsBefore ? std::optional(plays.last().sound) : std::nullopt;
        const auto expect = [&](bool ok, const QString& what) {
            if (!ok)
                fail(QStringLiteral("an input the rules take: ") + what);
        };
        const auto numeralOver = [&](int numeral, int character) {
            const Control& n = model().numerals[numeral];
            const Control& c = model().characters[character];
            return n.visible && n.top == c.top && n.left == c.left;
        };
        if (hit.kind == ControlKind::Card) {
            expect(heard == numberSound(hit.index + 1), "card: its number is not spoken");
            expect(r.chosenNumber == hit.index + 1 && g.phase() == Phase::Judging &&
                       g.stepPending(Step::Judge),
                   "card: not chosen, cards still taken or no judgement to come");
            return;
        }
        expect(
            heard == numberSound(k + 1),
            QStringLiteral("touch: heard %1, not the number %2").arg(soundName(heard)).arg(k + 1));
        if (!countingBefore) {
            expect(
                g.stepPending(Step::IntoTray) && !g.stepPending(Step::Hop) && numeralOver(k, k),
                "catch: the character does not stop with its numeral, or will not go to the tray");
            return;
        }
        expect(numeralOver(k, hit.index) && !model().message.visible,
               "count: no numeral on the touched character, or the message stays");
        const int mode = settings().countWay;
        if (mode == CountWay::FromLeftCorrected && hit.index != k) {
            const bool error = hit.index > k;
            expect(r.current == k && g.stepPending(Step::Correction) == error,
                   error ? "a touch too far right is not corrected"
                         : "a touch on a counted character changes the count");
            return;
        }
        expect(r.current == k + 1, "count: the count did not go up by one");
        expect(r.current < r.characterCount || g.stepPending(Step::Question),
               "count: the last count does not bring the question");
        const bool blinking = mode == CountWay::FromLeftBlinking || mode == CountWay::NoCounting;
        expect(g.stepPending(Step::NumeralOff) == blinking,
               "count: the numeral blinks in the wrong way");
    }

    void otherKey() {
        int key = 0;
        do {
            key = between(0, 255);
        } while (GameKey::isAdultKey(key));
        const Snapshot before = snapshot();
        m_rig->game.keyPressed(key);
        ++m_figures.inputs;
        note("key", key);
        if (snapshot() != before)
            fail(QStringLiteral("key %1 changed the game").arg(key));
        finishEvent();
    }

    // H or N: the game stops and the adult's screen shows; some time later that screen shows the
    // game screen again, which activates it.
    void leaveAndReturn(int key) {
        const qsizetype calls = m_rig->host.calls.size();
        m_stoppedIn = game().phase();
        m_rig->game.keyPressed(key);
        ++m_figures.inputs;
        note(key == GameKey::H ? "H" : "N");
        const QString expected =
            key == GameKey::H ? QStringLiteral("settings") : QStringLiteral("selection");
        if (m_rig->host.calls.size() != calls + 1 || m_rig->host.calls.last() != expected)
            fail(QStringLiteral("the %1 screen was not shown").arg(expected));
        ++m_figures.interruptedRounds;
        m_stopped = true;
        m_stoppedAt = snapshot();
        finishEvent();

        // The game screen stands behind the adult's screen: time passes, the pointer may still
        // pass over it, keys come.
        for (int n = between(0, 4); n > 0; --n) {
            const int what = between(0, 2);
            if (what == 0) {
                waitAWhile();
            } else if (what == 1) {
                randomPointer();
            } else {
                otherKey();
            }
        }
        if (key == GameKey::H && chance(0.3)) {
            GameSettings& s = m_rig->settings();
            s.blinkTime = qint16(between(1, 40));
            s.hidePointer = !s.hidePointer;
            if (chance(0.3)) {
                // The adult changes the way of play as well.
                s.countWay = qint16(between(CountWay::AnyOrder, CountWay::NoCounting));
                s.clickToCount = chance(0.5);
                s.mixedCharacters = chance(0.5);
                s.askHowManyPeople = chance(0.5);
                s.maxCount = qint16(between(1, 10));
                s.minCount = qint16(between(1, s.maxCount));
            }
        }
        if (key == GameKey::N && chance(0.3))
            m_rig->shared.selectedFiles = pickSelection();

        m_stopped = false;
        m_rig->game.activate();
        note("activate");
        startRound();
        finishEvent();
    }

    void roundStep(Step step) {
        if (m_stopped)
            fail(QStringLiteral("step %1 came after the round was stopped").arg(stepName(step)));
        const GameScreen& g = game();
        const bool judging = step == Step::Feedback && g.stepPending(Step::Feedback);
        const bool wrong = g.round().chosenNumber != g.round().characterCount;
        m_gameStep(step);
        ++m_figures.timerSteps;
        note("step", int(step));
        if (step == Step::Question)
            m_questionAsked = true;
        if (step == Step::Correction)
            ++m_figures.countingErrors;
        if (judging && wrong) {
            ++m_figures.wrongAnswers;
            if (m_rig->visibleCards().isEmpty())
                m_questionAsked = false;  // back to counting: no cards until the next question
        }
        if (step == Step::NextRound) {
            ++m_finished;
            ++m_figures.rounds;
            startRound();
        }
        finishEvent();
    }

    void startRound() {
        m_roundStartEvent = m_figures.events;
        m_roundStartMs = m_rig->clock.now;
        m_questionAsked = false;
        m_roundPaths.clear();
        const QStringList& playable = m_rig->shared.playablePictures();
        m_playablePaths.clear();
        for (const QString& name : playable)
            m_playablePaths.insert(m_rig->shared.pathOf(name));
        m_roundMixed = settings().mixedCharacters && playable.size() >= settings().maxCount;
    }

    void finishEvent() {
        ++m_figures.events;
        if (m_afterEvent)
            m_afterEvent(*m_rig, m_figures.events);
        check();
    }

    // --- What must always hold ------------------------------------------------------------------
    void check() {
        ++m_figures.checks;
        const GameScreen& g = game();
        const RoundState& r = g.round();
        const GameScreenModel& m = model();
        const GameSettings& s = settings();

        // The round stands still exactly while the adult's screen is in front of the game.
        if (m_stopped != (g.phase() == Phase::Stopped))
            fail(m_stopped
                     ? QStringLiteral("the round is %1, not stopped, behind the adult's screen")
                           .arg(phaseName(g.phase()))
                     : QStringLiteral("the round stopped with no key pressed"));
        // What moves the game on: the steps the timer service will run, and the sound.
        const bool stepsRunning = m_rig->timers.anyRunning();
        if (m_stopped) {
            bool anyPending = false;
            for (Step step : kAllSteps)
                anyPending = anyPending || g.stepPending(step);
            if (anyPending || stepsRunning || m_rig->sound.isPlaying())
                fail(QStringLiteral("a step is due or a sound plays after the round was stopped"));
            if (snapshot() != m_stoppedAt)
                fail(QStringLiteral("the stopped round changed"));
        }

        if (r.characterCount < s.minCount || r.characterCount > s.maxCount)
            fail(QStringLiteral("%1 characters, outside minCount..maxCount %2..%3")
                     .arg(r.characterCount)
                     .arg(s.minCount)
                     .arg(s.maxCount));
        if (r.current < 0 || r.current > r.characterCount)
            fail(QStringLiteral("the count %1 runs outside 0..%2")
                     .arg(r.current)
                     .arg(r.characterCount));
        if (r.cardCount != (s.maxCount > 5 ? 10 : 5))
            fail(QStringLiteral("%1 cards with maxCount %2").arg(r.cardCount).arg(s.maxCount));
        if (!m.tray.visible || m.tray.width != r.cellSize * r.characterCount)
            fail(QStringLiteral("the tray is hidden or does not hold the round's characters"));

        checkCharacters();
        checkNumerals();
        checkCardsAndTexts();
        checkPictures();

        if (m_stopped)
            return;  // nothing moves until the game screen is activated again
        if (!stepsRunning && !m_rig->sound.isPlaying() && !inputThatMovesOn()) {
            fail(
                QStringLiteral("the game stands still: no step to come, no sound and no input that "
                               "the rules would take"));
        }
        if (m_figures.events - m_roundStartEvent > 20000 ||
            m_rig->clock.now - m_roundStartMs > 3600 * 1000) {
            fail(QStringLiteral("the round does not finish"));
        }
    }

    void checkCharacters() {
        const GameScreen& g = game();
        const RoundState& r = g.round();
        const GameScreenModel& m = model();
        const bool countingNow = counting();
        int inField = 0;
        int fieldIndex = -1;
        for (int i = 0; i < GameScreenModel::kPlaces; ++i) {
            const Control& c = m.characters[i];
            if (!c.visible) {
                if (countingNow && i < r.characterCount)
                    fail(QStringLiteral("character %1 is missing from the tray").arg(i));
                continue;
            }
            if (i >= r.characterCount)
                fail(QStringLiteral("character %1 shown in a round of %2")
                         .arg(i)
                         .arg(r.characterCount));
            if (c.top == r.rowTop) {
                if (c.left != m.tray.left + i * r.cellSize)
                    fail(QStringLiteral("character %1 is not in its place in the tray").arg(i));
                if (!countingNow && i >= r.current)
                    fail(QStringLiteral("character %1 is in the tray before it was caught").arg(i));
                continue;
            }
            ++inField;
            fieldIndex = i;
            // The whole character on the screen, below the tray, clear of the bottom edge.
            if (c.left < 0 || c.left + c.width > m.width || c.top < r.rowTop + r.cellSize ||
                c.top + c.height > m.height - r.rowTop) {
                fail(QStringLiteral("character %1 stands outside its band at %2,%3")
                         .arg(i)
                         .arg(c.left)
                         .arg(c.top));
            }
        }
        if (inField > 1)
            fail(QStringLiteral("%1 characters in the field at once").arg(inField));
        if (inField == 1 && (countingNow || fieldIndex != r.current)) {
            fail(QStringLiteral("character %1 is in the field, not the one to catch")
                     .arg(fieldIndex));
        }
        // The character on show hops until it is caught.
        if (inField == 1 && g.phase() == Phase::Catching && !g.stepPending(Step::Hop) &&
            !g.stepPending(Step::IntoTray))
            fail(QStringLiteral("the character on show stands still"));
    }

    void checkNumerals() {
        const GameScreen& g = game();
        const RoundState& r = g.round();
        const GameScreenModel& m = model();
        const bool countingNow = counting();
        for (int k = 0; k < GameScreenModel::kPlaces; ++k) {
            const Control& n = m.numerals[k];
            if (!n.visible)
                continue;
            if (k >= r.characterCount || (!countingNow && k != r.current))
                fail(QStringLiteral("numeral %1 shown out of turn").arg(k + 1));
            bool over = false;
            for (const Control& c : m.characters)
                over = over || (c.visible && c.top == n.top && c.left == n.left);
            if (!over)
                fail(QStringLiteral("numeral %1 lies over no character").arg(k + 1));
        }
        if (m_stopped)
            return;  // a stopped round keeps its pictures as they were

        // Which numerals show: the caught character's own until it goes into the tray; when
        // counting, one for each character counted, except that the blinking ways take each one
        // away again and that a touch out of order in the corrected way lays the next one.
        QList<int> expected;
        int optional = -1;
        const int k = r.current;
        if (!countingNow) {
            if (g.stepPending(Step::IntoTray))
                expected.append(k);
        } else if (settings().countWay == CountWay::FromLeftBlinking ||
                   settings().countWay == CountWay::NoCounting) {
            if (g.stepPending(Step::NumeralOff) && k >= 1)
                expected.append(k - 1);
        } else {
            for (int i = 0; i < k; ++i)
                expected.append(i);
            if (settings().countWay == CountWay::FromLeftCorrected)
                optional = k;
        }
        QList<int> visible = m_rig->visibleNumerals();
        visible.removeOne(optional);
        // Compared element by element: Qt 6.4 hands two empty lists to memcmp with null pointers.
        if (!std::ranges::equal(visible, expected)) {
            QStringList shown;
            for (int i : m_rig->visibleNumerals())
                shown.append(QString::number(i + 1));
            fail(QStringLiteral("numerals shown: %1; counted so far: %2")
                     .arg(shown.join(QLatin1Char(' ')))
                     .arg(k));
        }
    }

    void checkCardsAndTexts() {
        const GameScreen& g = game();
        const RoundState& r = g.round();
        const GameScreenModel& m = model();
        const QList<int> cards = m_rig->visibleCards();
        if (!cards.isEmpty()) {
            if (!m_questionAsked || !counting())
                fail(QStringLiteral("cards are shown before the question"));
            for (int i = 0; i < r.characterCount; ++i) {
                if (rulesTakeCharacter(i, true))
                    fail(QStringLiteral("cards are shown while the child counts"));
            }
            QList<int> all;
            for (int i = 0; i < r.cardCount; ++i)
                all.append(i);
            if (!std::ranges::equal(cards, all))
                fail(QStringLiteral("%1 of the %2 cards are shown")
                         .arg(cards.size())
                         .arg(r.cardCount));
        } else if (g.phase() == Phase::Asking) {
            fail(QStringLiteral("the game waits for a card, and none is shown"));
        }
        if (m.message.visible) {
            const QString question =
                settings().askHowManyPeople ? GameText::HowManyPeople : GameText::HowMany;
            if (m.message.caption != GameText::LetsCount && m.message.caption != question)
                fail(QStringLiteral("the message line shows \"%1\"").arg(m.message.caption));
        }
        if (m.mark.visible) {
            const bool right = r.chosenNumber == r.characterCount;
            if (m.mark.caption != (right ? GameText::RightMark : GameText::WrongMark))
                fail(QStringLiteral("the mark \"%1\" for the answer %2 to %3")
                         .arg(m.mark.caption)
                         .arg(r.chosenNumber)
                         .arg(r.characterCount));
        }
    }

    // Each character shows a picture in play; a same-picture round one picture for all, a mixed
    // round a different one for each character.
    void checkPictures() {
        const auto& loads = m_rig->pictures.loads;
        for (; m_loadsSeen < loads.size(); ++m_loadsSeen) {
            const RecordingPictures::Load& load = loads[m_loadsSeen];
            if (!m_playablePaths.contains(load.path))
                fail(QStringLiteral("character %1 shows \"%2\", not a picture in play")
                         .arg(load.index)
                         .arg(load.path));
            for (auto it = m_roundPaths.begin(); it != m_roundPaths.end(); ++it) {
                const bool same = it.value() == load.path;
                if (it.key() == load.index ? !same : same == m_roundMixed)
                    fail(QStringLiteral("character %1 shows \"%2\", character %3 \"%4\"")
                             .arg(load.index)
                             .arg(load.path)
                             .arg(it.key())
                             .arg(it.value()));
            }
            m_roundPaths.insert(load.index, load.path);
        }
    }

    // --- The rules, as a child meets them -----------------------------------------------------
    // Whether the characters are all in the tray: counting, the question or the judgement. A
    // stopped round is taken as what it was when it stopped.
    bool counting() const {
        const Phase phase = game().phase() == Phase::Stopped ? m_stoppedIn : game().phase();
        return phase != Phase::Catching;
    }

    // Whether a touch on character `index` would be taken now (or once the sound has ended).
    bool rulesTakeCharacter(int index, bool ignoreSound) const {
        const GameScreen& g = game();
        const RoundState& r = g.round();
        if (g.phase() == Phase::Stopped || (!ignoreSound && m_rig->sound.isPlaying()))
            return false;
        if (r.current >= r.characterCount || g.stepPending(Step::Correction) ||
            g.stepPending(Step::NumeralOff))
            return false;
        if (g.phase() == Phase::Catching)
            return index == r.current;
        switch (settings().countWay) {
            case CountWay::AnyOrder:
            case CountWay::FromLeftCorrected:
                return true;
            case CountWay::NoCounting:
                return index == r.current && r.wrongAnswers >= 2;
            default:
                return index == r.current;
        }
    }

    bool rulesTakeCard(bool ignoreSound) const {
        return game().phase() == Phase::Asking && (ignoreSound || !m_rig->sound.isPlaying());
    }

    // An input that moves the game on and that the pointer can reach: a character to catch or
    // count, or a card to choose. The right one when there is one.
    std::optional<HitTarget> inputThatMovesOn() const {
        const GameScreenModel& m = model();
        const auto reachable = [&](ControlKind kind, int index) {
            const Control& c = kind == ControlKind::Card ? m.cards[index] : m.characters[index];
            const HitTarget hit = m.controlAt(c.left + c.width / 2, c.top + c.height / 2);
            return c.visible && hit.kind == kind && hit.index == index;
        };
        const int right = game().round().characterCount - 1;
        if (rulesTakeCard(true)) {
            if (right < GameScreenModel::kPlaces && reachable(ControlKind::Card, right))
                return HitTarget{ControlKind::Card, right};
            for (int i = 0; i < GameScreenModel::kPlaces; ++i) {
                if (reachable(ControlKind::Card, i))
                    return HitTarget{ControlKind::Card, i};
            }
        }
        const int next = game().round().current;
        if (next < GameScreenModel::kPlaces && rulesTakeCharacter(next, true) &&
            reachable(ControlKind::Character, next)) {
            return HitTarget{ControlKind::Character, next};
        }
        for (int i = 0; i < GameScreenModel::kPlaces; ++i) {
            if (rulesTakeCharacter(i, true) && reachable(ControlKind::Character, i))
                return HitTarget{ControlKind::Character, i};
        }
        return std::nullopt;
    }

    // --- Bookkeeping ----------------------------------------------------------------------------
    Snapshot snapshot() const {
        Snapshot s;
        const GameScreen& g = game();
        const RoundState& r = g.round();
        const GameScreenModel& m = model();
        auto& n = s.numbers;
        n.reserve(180);
        const auto add = [&](const Control& c) {
            n.insert(n.end(), {c.left, c.top, c.width, c.height, c.visible});
        };
        add(m.tray);
        for (int i = 0; i < GameScreenModel::kPlaces; ++i) {
            add(m.characters[i]);
            add(m.numerals[i]);
            add(m.cards[i]);
        }
        for (const TextControl* text : {&m.mark, &m.message}) {
            add(*text);
            n.push_back(text->fontSize);
            s.texts.append(text->caption);
        }
        n.insert(n.end(), {r.current, int(g.phase()), r.characterCount, r.chosenNumber,
                           r.wrongAnswers, r.rowLeft, r.cellSize, r.cardCount, m.pointerHidden});
        for (Step step : kAllSteps)
            n.push_back(g.stepPending(step));
        n.insert(n.end(), {m_rig->sound.plays.size(), m_rig->sound.isPlaying(),
                           m_rig->pictures.loads.size(), m_rig->host.calls.size()});
        return s;
    }

    struct Note {
        const char* what = "";
        int a = 0;
        int b = 0;
        HitTarget hit;
        qint64 at = 0;
    };

    void note(const char* what, int a = 0, int b = 0, HitTarget hit = {}) {
        m_recent[m_noteCount++ % m_recent.size()] = Note{what, a, b, hit, m_rig->clock.now};
    }

    static QString describe(const Note& n) {
        QString text = QStringLiteral("%1 ms %2").arg(n.at).arg(QLatin1String(n.what));
        if (qstrcmp(n.what, "click") == 0 || qstrcmp(n.what, "move") == 0) {
            text += QStringLiteral(" at %1,%2").arg(n.a).arg(n.b);
            if (n.hit.kind != ControlKind::None)
                text += QStringLiteral(" on %1 %2")
                            .arg(n.hit.kind == ControlKind::Card ? "card" : "character")
                            .arg(n.hit.index);
        } else if (qstrcmp(n.what, "step") == 0) {
            text += QStringLiteral(" %1").arg(QLatin1String(stepName(Step(n.a))));
        } else if (qstrcmp(n.what, "key") == 0 || qstrcmp(n.what, "wait") == 0) {
            text += QStringLiteral(" %1").arg(n.a);
        }
        return text;
    }

    [[noreturn]] void fail(const QString& what) const {
        const GameScreen& g = game();
        const RoundState& r = g.round();
        const qint64 round = m_figures.rounds + m_figures.interruptedRounds + 1;
        QString text =
            QStringLiteral("%1, round %2, event %3 (%4): %5\n")
                .arg(m_where)
                .arg(round)
                .arg(m_figures.events)
                .arg(m_noteCount > 0 ? describe(m_recent[(m_noteCount - 1) % m_recent.size()])
                                     : QStringLiteral("start"))
                .arg(what);
        text += QStringLiteral(
                    "  phase %1, %2 characters, count %3, %4 wrong answers, card %5 chosen, "
                    "sound %6\n")
                    .arg(QLatin1String(phaseName(g.phase())))
                    .arg(r.characterCount)
                    .arg(r.current)
                    .arg(r.wrongAnswers)
                    .arg(r.chosenNumber)
                    .arg(soundName(m_rig->sound.current()));
        text += QStringLiteral("  recent events:");
        const qsizetype first = std::max<qsizetype>(0, m_noteCount - qsizetype(m_recent.size()));
        for (qsizetype i = first; i < m_noteCount; ++i)
            text += QStringLiteral("\n    ") + describe(m_recent[i % m_recent.size()]);
        throw Violation{text};
    }

    const GameScreen& game() const { return m_rig->game; }
    const GameScreenModel& model() const { return m_rig->model(); }
    const GameSettings& settings() const { return m_rig->shared.settings; }

    Combination m_combination;
    std::mt19937& m_rng;
    MonkeyFigures& m_figures;
    QString m_where;
    const std::function<void(GameRig&, qint64)>& m_afterEvent;
    QStringList m_folder;
    std::unique_ptr<GameRig> m_rig;
    std::function<void(Step)> m_gameStep;

    int m_finished = 0;
    // H or N stopped the round and the adult's screen is in front of the game.
    bool m_stopped = false;
    Snapshot m_stoppedAt;
    Phase m_stoppedIn = Phase::Catching;  // the phase the round was stopped in
    bool m_questionAsked = false;
    qint64 m_roundStartEvent = 0;
    qint64 m_roundStartMs = 0;
    bool m_roundMixed = false;
    QSet<QString> m_playablePaths;
    QMap<int, QString> m_roundPaths;
    qsizetype m_loadsSeen = 0;

    std::array<Note, 16> m_recent{};
    qsizetype m_noteCount = 0;
};

// Every combination of the settings that change the rules of play.
QList<GameSettings> everyCombination() {
    const QList<QPair<int, int>> counts{{1, 1}, {10, 10}, {1, 10}, {2, 5}, {3, 3}, {5, 6}, {4, 8}};
    QList<GameSettings> all;
    for (int mode = CountWay::AnyOrder; mode <= CountWay::NoCounting; ++mode) {
        for (bool click : {false, true}) {
            for (bool mixed : {false, true}) {
                for (bool people : {false, true}) {
                    for (const auto& [low, high] : counts) {
                        GameSettings s;
                        s.countWay = qint16(mode);
                        s.clickToCount = click;
                        s.mixedCharacters = mixed;
                        s.askHowManyPeople = people;
                        s.minCount = qint16(low);
                        s.maxCount = qint16(high);
                        all.append(s);
                    }
                }
            }
        }
    }
    return all;
}

}  // namespace

QString Monkey::play(int rounds) {
    m_figures = MonkeyFigures{};
    std::mt19937 rng(m_seed);
    const QList<GameSettings> combinations = everyCombination();
    const int perCombination =
        std::max(1, int((rounds + combinations.size() - 1) / combinations.size()));
    const QList<QPair<int, int>> screens{{1024, 768}, {800, 600},  {1920, 1080},
                                         {640, 480},  {1366, 768}, {1280, 1024}};
    const std::array<qint16, 7> blinkTimes{1, 2, 3, 5, 10, 15, 40};
    const int selectionOffset = int(rng() % 3);

    try {
        for (int c = 0; c < combinations.size(); ++c) {
            Combination combination;
            combination.settings = combinations[c];
            combination.settings.blinkTime = blinkTimes[rng() % blinkTimes.size()];
            combination.settings.hidePointer = rng() % 2 == 0;
            combination.selection = Selection((c + selectionOffset) % 3);
            const unsigned voices = rng() % 10;
            combination.voices =
                voices < 5 ? Voices::Real : (voices < 8 ? Voices::Missing : Voices::SomeMissing);
            const auto& [width, height] = screens[rng() % screens.size()];
            combination.widthPx = width;
            combination.heightPx = height;

            const QString where = QStringLiteral("seed %1, combination %2 of %3 [%4]")
                                      .arg(m_seed)
                                      .arg(c + 1)
                                      .arg(combinations.size())
                                      .arg(combination.describe());
            Session session(combination, rng, m_figures, where, afterEvent);
            session.play(perCombination);
            ++m_figures.combinations;
        }
    } catch (const Violation& violation) {
        return violation.text;
    }
    return QString();
}
