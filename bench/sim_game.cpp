#include "sim_game.h"

#include <stdexcept>

#include "state/start_up.h"

SimGame::SimGame(const QString& dataFolder, const GameSettings& settings, int width, int height,
                 unsigned seed)
    : m_random(seed) {
    m_timers.recordFires = false;
    m_sound.recordPlays = false;
    m_sound.setDefaultLength(kSimSoundMs);
    std::optional<SharedState> loaded = loadGameData({dataFolder}, pictureSuffixes(), nullptr);
    if (!loaded)
        throw std::runtime_error("no pictures in the data folder");
    m_shared = *loaded;
    m_shared.settings = settings;
    m_game =
        std::make_unique<GameScreen>(m_shared, m_timers, m_sound, m_random, m_pictures, m_host);
    m_window = std::make_unique<GameWindow>(*m_game, m_pictures);
    m_window->resize(width, height);
    const Twips& twips = m_window->twips();
    m_game->start(twips.fromPixels(width), twips.fromPixels(height));
    m_game->activate();
}

bool SimGame::cardsWaiting() const {
    return m_game->phase() == Phase::Asking && !m_sound.isPlaying();
}

void SimGame::act() {
    GameScreen& game = *m_game;
    const GameScreenModel& model = game.model();
    const RoundState& round = game.round();
    if (cardsWaiting()) {
        const Control& card = model.cards[round.characterCount - 1];
        game.pointerClicked(card.left + card.width / 2, card.top + card.height / 2);
        if (game.phase() == Phase::Judging)
            ++m_rightAnswers;
        return;
    }
    const int next = round.current;
    // A character just caught is on its way into the tray: nothing to touch until it is there.
    if (game.stepPending(Step::IntoTray))
        return;
    if (next >= 0 && next < round.characterCount && model.characters[next].visible) {
        const Control& character = model.characters[next];
        game.pointerMoved(character.left + character.width / 2,
                          character.top + character.height / 2);
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
