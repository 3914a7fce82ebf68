#include "sim_game.h"

#include <stdexcept>

#include "state/start_up.h"

void SimTimers::start(int id, int intervalMs) {
    if (id < 1 || id >= int(m_slots.size()))
        return;
    m_slots[id] = {true, intervalMs, m_clock.now + intervalMs};
}

void SimTimers::stop(int id) {
    if (id >= 1 && id < int(m_slots.size()))
        m_slots[id].running = false;
}

void SimTimers::advance(qint64 ms) {
    const qint64 until = m_clock.now + ms;
    for (;;) {
        int next = 0;
        for (int id = 1; id < int(m_slots.size()); ++id) {
            const Slot& s = m_slots[id];
            if (s.running && s.due <= until && (next == 0 || s.due < m_slots[next].due))
                next = id;
        }
        if (next == 0)
            break;
        // A step that waited for its sound may already have moved the clock past this one.
        m_clock.now = std::max(m_clock.now, m_slots[next].due);
        m_slots[next].due += std::max(m_slots[next].interval, 1);
        if (fired)
            fired(next);
    }
    m_clock.now = std::max(m_clock.now, until);
}

SimGame::SimGame(const QString& dataFolder, const GameSettings& settings, int width, int height,
                 quint64 seed)
    : m_random(seed) {
    std::optional<SharedState> loaded = LoadGameData({dataFolder}, nullptr);
    if (!loaded)
        throw std::runtime_error("no pictures in the data folder");
    m_shared = *loaded;
    m_shared.Settings = settings;
    m_game =
        std::make_unique<GameScreen>(m_shared, m_timers, m_sound, m_random, m_pictures, m_host);
    m_window = std::make_unique<GameWindow>(*m_game, m_pictures);
    m_window->resize(width, height);
    const Twips& twips = m_window->twips();
    m_game->Form_Load(twips.fromPixels(width), twips.fromPixels(height));
    m_game->Form_Activate();
}

bool SimGame::cardsWaiting() const {
    const GameScreenModel& model = m_game->model();
    return model.Image3[0].Visible && !m_game->CardsLocked && !m_sound.isPlaying() &&
           !m_game->timerEnabled(4);
}

void SimGame::act() {
    GameScreen& game = *m_game;
    const GameScreenModel& model = game.model();
    if (cardsWaiting()) {
        const Control& card = model.Image3[game.CharacterCount - 1];
        game.pointerClicked(card.Left + card.Width / 2, card.Top + card.Height / 2);
        if (game.CardsLocked)
            ++m_rightAnswers;
        return;
    }
    const int next = game.CurrentCount;
    // A character just caught is on its way into the row: nothing to touch until it is there.
    if (game.timerEnabled(2))
        return;
    if (next >= 0 && next < game.CharacterCount && model.Image1[next].Visible) {
        const Control& character = model.Image1[next];
        game.pointerMoved(character.Left + character.Width / 2,
                          character.Top + character.Height / 2);
    }
}

void SimGame::play(qint64 ms) {
    constexpr qint64 kStep = 50;
    for (qint64 done = 0; done < ms; done += kStep) {
        m_timers.advance(kStep);
        act();
    }
}

bool SimGame::playRounds(int count) {
    const int target = m_rightAnswers + count;
    // A round of ten characters takes well under a minute of simulated time.
    for (int guard = 0; guard < count * 1200 && m_rightAnswers < target; ++guard)
        play(50);
    // Through the mark and the pause to the next round.
    play(3500);
    return m_rightAnswers >= target;
}

bool SimGame::playUntilCards() {
    for (int guard = 0; guard < 2000; ++guard) {
        m_timers.advance(50);
        if (cardsWaiting())
            return true;
        act();
    }
    return false;
}

void SimGame::render(QImage& image) {
    m_window->render(&image);
}
