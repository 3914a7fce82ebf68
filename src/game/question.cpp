// The question with its number cards, the choice of a card, and the judgement with what follows.

#include "game/basic_math.h"
#include "game/game_screen.h"

void GameScreen::placeCardInRow(int index) {
    const std::int32_t width = m_model.width;
    const std::int32_t height = m_model.height;
    const std::int32_t cell = m_round.cellSize;
    Control& card = m_model.cards[index];
    // One row without gaps, centred, with a twentieth of the screen height free below it.
    card.top = floorToInt(height - cell - height / 20.0);
    card.left = floorToInt((width - cell * m_round.cardCount) / 2.0) + cell * index;
    card.width = cell;
    card.height = cell;
}

void GameScreen::askQuestion() {
    const bool people = m_round.settings.askHowManyPeople;
    showMessage(people ? GameText::HowManyPeople : GameText::HowMany);
    play(people ? Sound::HowManyPeople : Sound::HowMany);
    m_phase = Phase::Asking;
    for (int i = 0; i < m_round.cardCount; ++i) {
        placeCardInRow(i);
        m_model.cards[i].visible = true;
    }
    if (m_listener)
        m_listener->questionAsked();
}

void GameScreen::chooseCard(int index) {
    EntryScope scope(*this);
    if (index < 0 || index >= GameScreenModel::kPlaces)
        return;
    // Only while the question waits; while it is still spoken, clicks are lost.
    if (m_phase != Phase::Asking || m_sound.isPlaying())
        return;

    m_model.message.visible = false;
    m_round.chosenNumber = index + 1;
    play(numberSound(m_round.chosenNumber));

    // The chosen card grows to a third of the card row and stands in the middle of the screen.
    const std::int32_t side = floorToInt(m_round.cellSize * m_round.cardCount / 3.0);
    Control& card = m_model.cards[index];
    card.top = floorToInt((m_model.height - side) / 2.0);
    card.left = floorToInt((m_model.width - side) / 2.0);
    card.width = side;
    card.height = side;

    m_phase = Phase::Judging;
    schedule(Step::Judge);
    if (m_listener)
        m_listener->cardChosen(m_round.chosenNumber,
                               m_round.chosenNumber == m_round.characterCount);
}

void GameScreen::judge() {
    const bool right = m_round.characterCount == m_round.chosenNumber;
    m_model.mark.caption = right ? GameText::RightMark : GameText::WrongMark;
    m_model.mark.visible = true;
    schedule(Step::Feedback);
}

void GameScreen::feedback() {
    if (m_round.characterCount == m_round.chosenNumber) {
        // The mark, the chosen card and the numerals stay until the next round.
        play(Sound::Right);
        endRound(false);
        schedule(Step::NextRound);
        return;
    }

    m_round.current = 0;
    play(Sound::Wrong);
    m_sound.waitForSound();
    m_model.mark.visible = false;
    for (int i = 0; i < m_round.characterCount; ++i)
        m_model.numerals[i].visible = false;

    const bool noCounting = m_round.settings.countWay == CountWay::NoCounting;
    // Without counting, the first wrong answer only asks the question again.
    if (!noCounting || m_round.wrongAnswers > 0)
        showMessage(GameText::LetsCount);
    if (m_round.chosenNumber >= 1 && m_round.chosenNumber <= GameScreenModel::kPlaces)
        placeCardInRow(m_round.chosenNumber - 1);
    ++m_round.wrongAnswers;
    if (noCounting && m_round.wrongAnswers < 2) {
        schedule(Step::Question);
        return;
    }

    // Back to counting from the left; the question returns when the count is complete.
    for (int i = 0; i < m_round.cardCount; ++i)
        m_model.cards[i].visible = false;
    play(Sound::OnceMore);
    m_sound.waitForSound();
    m_phase = Phase::Counting;
    m_lastUncounted = -1;
}
