// The game screen's frame: start-up sizing, activation, keys, stopping, the steps and the
// routing of the pointer. The round itself lives in round.cpp, counting.cpp and question.cpp.

#include "game/game_screen.h"

#include "game/basic_math.h"

GameScreen::GameScreen(SharedState& shared, TimerService& timers, SoundPlayer& sound,
                       RandomSource& random, CharacterPictures& pictures, GameHost& host)
    : m_shared(shared),
      m_timers(timers),
      m_sound(sound),
      m_random(random),
      m_pictures(pictures),
      m_host(host) {
    m_timers.fired = [this](Step step) { onStepDue(step); };
}

// --- Steps -----------------------------------------------------------------------------------

void GameScreen::schedule(Step step) {
    StepState& s = m_steps[index(step)];
    if (s.pending)
        return;
    s.pending = true;
    m_timers.start(step, s.intervalMs);
}

void GameScreen::cancel(Step step) {
    StepState& s = m_steps[index(step)];
    if (!s.pending)
        return;
    s.pending = false;
    m_timers.stop(step);
}

void GameScreen::setInterval(Step step, int intervalMs) {
    StepState& s = m_steps[index(step)];
    s.intervalMs = intervalMs;
    if (s.pending)
        m_timers.start(step, intervalMs);
}

void GameScreen::onStepDue(Step step) {
    // A step the game has cancelled must not run any more, whatever the service still delivers.
    if (!stepPending(step))
        return;
    EntryScope scope(*this);
    // Every step but the hop runs once.
    if (step != Step::Hop)
        cancel(step);
    switch (step) {
        case Step::Hop:
            hop();
            break;
        case Step::IntoTray:
            intoTray();
            break;
        case Step::Question:
            askQuestion();
            break;
        case Step::Judge:
            judge();
            break;
        case Step::Feedback:
            feedback();
            break;
        case Step::Correction:
            correction();
            break;
        case Step::NextRound:
            nextRound();
            break;
        case Step::NextCharacter:
            nextCharacter();
            break;
        case Step::NumeralOff:
            numeralOff();
            break;
    }
}

// --- Start-up, activation, keys --------------------------------------------------------------

void GameScreen::start(std::int32_t screenWidth, std::int32_t screenHeight) {
    EntryScope scope(*this);
    m_model.width = screenWidth;
    m_model.height = screenHeight;

    // The mark: a square of half the screen width in the middle of the screen.
    TextControl& mark = m_model.mark;
    mark.width = floorToInt(m_model.width / 2.0);
    mark.height = mark.width;
    mark.top = floorToInt((m_model.height - mark.height) / 2.0);
    mark.left = floorToInt((m_model.width - mark.width) / 2.0);
    mark.fontSize = floorToInt(mark.width / 20.5);
}

void GameScreen::activate() {
    EntryScope scope(*this);
    // Activation only ever follows start-up or a key that stopped the round, so no step should
    // be pending here; cancelling them anyway guarantees that no step of a dropped round can
    // reach into the fresh one.
    for (Step step : kAllSteps)
        cancel(step);
    clearScreen();
    // A mixed round needs maxCount different pictures to draw from.
    if (m_shared.playablePictures().size() < m_shared.settings.maxCount) {
        m_shared.settings.mixedCharacters = false;
    }
    newRound();
}

void GameScreen::keyPressed(int keyCode) {
    EntryScope scope(*this);
    if (keyCode == GameKey::Escape) {
        stopAll();
        m_host.endProgram();
        return;
    }
    for (const GameKey::ScreenKey& k : GameKey::kScreenKeys) {
        if (k.key == keyCode) {
            stopAll();
            m_host.showScreen(k.screen);
            return;
        }
    }
}

void GameScreen::stopAll() {
    EntryScope scope(*this);
    m_sound.silence();
    for (Step step : kAllSteps)
        cancel(step);
    endRound(true);
    // The stopped round takes no touch or click until the next round starts: a pointer over the
    // game behind an adult screen must not bring it back to life.
    m_phase = Phase::Stopped;
}

void GameScreen::endRound(bool cutShort) {
    if (!m_roundOpen)
        return;
    m_roundOpen = false;
    if (m_listener)
        m_listener->roundEnded(cutShort);
}

// --- Pointer ---------------------------------------------------------------------------------

void GameScreen::pointerMoved(std::int32_t x, std::int32_t y) {
    EntryScope scope(*this);
    const HitTarget target = m_model.controlAt(x, y);
    // Moving over a card does nothing: cards are chosen by clicking only.
    if (target.kind == ControlKind::Character)
        characterTouched(target.index);
}

void GameScreen::pointerClicked(std::int32_t x, std::int32_t y) {
    EntryScope scope(*this);
    const HitTarget target = m_model.controlAt(x, y);
    if (target.kind == ControlKind::Character)
        characterClicked(target.index);
    if (target.kind == ControlKind::Card)
        cardClicked(target.index);
}

namespace {
bool isPlace(int index) {
    return index >= 0 && index < GameScreenModel::kPlaces;
}
}  // namespace

// Only visible controls take input; the checks hold direct callers to the same rule.
void GameScreen::characterClicked(int index) {
    EntryScope scope(*this);
    if (!isPlace(index) || !m_model.characters[index].visible)
        return;
    if (m_shared.settings.clickToCount)
        touchCharacter(index);
}

void GameScreen::characterTouched(int index) {
    EntryScope scope(*this);
    if (!isPlace(index) || !m_model.characters[index].visible)
        return;
    if (!m_shared.settings.clickToCount)
        touchCharacter(index);
}

void GameScreen::cardClicked(int index) {
    EntryScope scope(*this);
    if (!isPlace(index) || !m_model.cards[index].visible)
        return;
    chooseCard(index);
}
