// The game screen's frame: start-up sizing, activation, keys, stopping, the timers, the sound
// player and the routing of the pointer. The round itself lives in round.cpp, counting.cpp and
// question.cpp.

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
    m_timers.fired = [this](int id) { onTimerFired(id); };
}

// --- Timers ----------------------------------------------------------------------------------

bool GameScreen::timerEnabled(int id) const {
    return id >= 1 && id <= kTimers && m_timerEnabled[id];
}

int GameScreen::timerInterval(int id) const {
    return (id >= 1 && id <= kTimers) ? m_timerInterval[id] : 0;
}

void GameScreen::setTimerEnabled(int id, bool enabled) {
    if (m_timerEnabled[id] == enabled)
        return;
    m_timerEnabled[id] = enabled;
    if (enabled) {
        m_timers.start(id, m_timerInterval[id]);
    } else {
        m_timers.stop(id);
    }
}

void GameScreen::setTimerInterval(int id, int intervalMs) {
    m_timerInterval[id] = intervalMs;
    if (m_timerEnabled[id])
        m_timers.start(id, intervalMs);
}

void GameScreen::onTimerFired(int id) {
    // A timer the game holds disabled has been stopped: whatever the service still delivers
    // belongs to a step that must not run any more.
    if (!timerEnabled(id))
        return;
    EntryScope scope(*this);
    switch (id) {
        case 1:
            Timer1_Timer();
            break;
        case 2:
            Timer2_Timer();
            break;
        case 3:
            Timer3_Timer();
            break;
        case 4:
            Timer4_Timer();
            break;
        case 5:
            Timer5_Timer();
            break;
        case 6:
            Timer6_Timer();
            break;
        case 7:
            Timer7_Timer();
            break;
        case 8:
            Timer8_Timer();
            break;
        case 9:
            Timer9_Timer();
            break;
        default:
            break;
    }
}

// --- Sound -----------------------------------------------------------------------------------

void GameScreen::PlaySound() {
    m_sound.play(SoundFile);
}

void GameScreen::WaitForSound() {
    m_sound.waitForSound();
}

// --- Start-up, activation, keys --------------------------------------------------------------

void GameScreen::Form_Load(std::int32_t screenWidth, std::int32_t screenHeight) {
    EntryScope scope(*this);
    m_model.Width = screenWidth;
    m_model.Height = screenHeight;

    // The judgement mark: a square of half the screen width in the middle of the screen.
    LabelControl& mark = m_model.Label2;
    mark.Width = Int(m_model.Width / 2.0);
    mark.Height = mark.Width;
    mark.Top = Int((m_model.Height - mark.Height) / 2.0);
    mark.Left = Int((m_model.Width - mark.Width) / 2.0);
    mark.FontSize = Int(mark.Width / 20.5);
}

void GameScreen::Form_Activate() {
    EntryScope scope(*this);
    // Activation only ever follows start-up or a key that stopped the round, so nothing should
    // run here; stopping the timers anyway guarantees that no step of a dropped round can
    // reach into the fresh one.
    for (int id = 1; id <= kTimers; ++id)
        setTimerEnabled(id, false);
    ClearScreen();
    // A mixed round needs MaxCount different pictures to draw from.
    if (m_shared.PlayablePictures().size() < m_shared.Settings.MaxCount) {
        m_shared.Settings.MixedCharacters = false;
    }
    NewRound();
}

void GameScreen::Form_KeyDown(int keyCode) {
    EntryScope scope(*this);
    switch (keyCode) {
        case GameKey::Escape:
            StopAll();
            m_host.endProgram();
            break;
        case GameKey::H:
            StopAll();
            m_host.showSettingsScreen();
            break;
        case GameKey::N:
            StopAll();
            m_host.showSelectionScreen();
            break;
        default:
            break;
    }
}

void GameScreen::StopAll() {
    EntryScope scope(*this);
    m_sound.silence();
    for (int id = 1; id <= kTimers; ++id)
        setTimerEnabled(id, false);
    m_stopped = true;
}

// --- Pointer ---------------------------------------------------------------------------------

void GameScreen::pointerMoved(std::int32_t x, std::int32_t y) {
    EntryScope scope(*this);
    const HitTarget target = m_model.controlAt(x, y);
    // Moving over a card does nothing: cards are chosen by clicking only.
    if (target.kind == ControlKind::Character)
        Image1_MouseMove(target.index);
}

void GameScreen::pointerClicked(std::int32_t x, std::int32_t y) {
    EntryScope scope(*this);
    const HitTarget target = m_model.controlAt(x, y);
    if (target.kind == ControlKind::Character)
        Image1_Click(target.index);
    if (target.kind == ControlKind::Card)
        Image3_Click(target.index);
}

namespace {
bool isPlace(int index) {
    return index >= 0 && index < GameScreenModel::kPlaces;
}
}  // namespace

// The toolkit delivers events only for visible controls; the checks below hold the direct
// callers to the same rule.
void GameScreen::Image1_Click(int index) {
    EntryScope scope(*this);
    if (!isPlace(index) || !m_model.Image1[index].Visible)
        return;
    if (m_shared.Settings.ClickToCount)
        TouchCharacter(index);
}

void GameScreen::Image1_MouseMove(int index) {
    EntryScope scope(*this);
    if (!isPlace(index) || !m_model.Image1[index].Visible)
        return;
    if (!m_shared.Settings.ClickToCount)
        TouchCharacter(index);
}

void GameScreen::Image3_Click(int index) {
    EntryScope scope(*this);
    if (!isPlace(index) || !m_model.Image3[index].Visible)
        return;
    ChooseCard(index);
}
