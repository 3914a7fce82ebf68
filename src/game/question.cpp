// The question with its number cards (Timer3, ChooseCard) and the judgement (Timer4, Timer5).

#include "game/basic_math.h"
#include "game/game_screen.h"

void GameScreen::placeCardInRow(int index) {
    const std::int32_t width = m_model.Width;
    const std::int32_t height = m_model.Height;
    Control& card = m_model.Image3[index];
    // One row without gaps, centred, with a twentieth of the screen height free below it.
    card.Top = Int(height - CellSize - height / 20.0);
    card.Left = Int((width - CellSize * CardCount) / 2.0) + CellSize * index;
    card.Width = CellSize;
    card.Height = CellSize;
}

void GameScreen::Timer3_Timer() {
    setTimerEnabled(3, false);
    const bool people = m_shared.Settings.AskHowManyPeople;
    MessageText = people ? GameText::HowManyPeople : GameText::HowMany;
    SoundFile = people ? GameSound::HowManyPeople : GameSound::HowMany;
    ShowMessage();
    PlaySound();
    CardsLocked = false;
    for (int i = 0; i < CardCount; ++i) {
        placeCardInRow(i);
        m_model.Image3[i].Visible = true;
    }
}

void GameScreen::ChooseCard(int index) {
    EntryScope scope(*this);
    if (index < 0 || index >= GameScreenModel::kPlaces || m_stopped)
        return;
    // While the question is still spoken, and once a card is chosen, clicks are lost.
    if (m_sound.isPlaying() || CardsLocked)
        return;

    m_model.Label3.Visible = false;
    ChosenNumber = index + 1;
    SoundFile = GameSound::number(ChosenNumber);
    PlaySound();

    // The chosen card grows to a third of the card row and stands in the middle of the screen.
    const std::int32_t side = Int(CellSize * CardCount / 3.0);
    Control& card = m_model.Image3[index];
    card.Top = Int((m_model.Height - side) / 2.0);
    card.Left = Int((m_model.Width - side) / 2.0);
    card.Width = side;
    card.Height = side;

    CardsLocked = true;
    setTimerEnabled(4, true);
}

void GameScreen::Timer4_Timer() {
    setTimerEnabled(4, false);
    m_model.Label2.Caption =
        CharacterCount == ChosenNumber ? GameText::RightMark : GameText::WrongMark;
    m_model.Label2.Visible = true;
    setTimerEnabled(5, true);
}

void GameScreen::Timer5_Timer() {
    setTimerEnabled(5, false);
    if (CharacterCount == ChosenNumber) {
        // The mark, the chosen card and the numerals stay until the next round.
        SoundFile = GameSound::Right;
        PlaySound();
        setTimerEnabled(7, true);
        return;
    }

    CurrentCount = 0;
    SoundFile = GameSound::Wrong;
    PlaySound();
    WaitForSound();
    m_model.Label2.Visible = false;
    for (int i = 0; i < CharacterCount; ++i)
        m_model.Image2[i].Visible = false;

    const bool noCounting = m_shared.Settings.CountMode == CountWay::NoCounting;
    // Without counting, the first wrong answer only asks the question again.
    if (!noCounting || WrongAnswers > 0) {
        MessageText = GameText::LetsCount;
        ShowMessage();
    }
    if (ChosenNumber >= 1 && ChosenNumber <= GameScreenModel::kPlaces) {
        placeCardInRow(ChosenNumber - 1);
    }
    ++WrongAnswers;
    if (noCounting && WrongAnswers < 2) {
        setTimerEnabled(3, true);
        return;
    }

    // Back to counting from the left; the question returns when the count is complete.
    for (int i = 0; i < CardCount; ++i)
        m_model.Image3[i].Visible = false;
    SoundFile = GameSound::OnceMore;
    PlaySound();
    WaitForSound();
    CardsLocked = true;
}
