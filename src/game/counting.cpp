// Catching the characters and counting them in the row: TouchCharacter, the steps that follow
// a touch (Timer2, Timer6, Timer9) and ShowMessage, the large message in the middle of the screen.

#include "game/basic_math.h"
#include "game/game_screen.h"

namespace {
enum class CountOutcome { Drop, Count, Error, Echo };

// What a touch on character `index` does in the counting phase, when `next` characters have
// been counted so far.
CountOutcome countOutcome(int countMode, int index, int next, int wrongAnswers) {
    switch (countMode) {
        case CountWay::AnyOrder:
            return CountOutcome::Count;
        case CountWay::FromLeftCorrected:
            if (index == next)
                return CountOutcome::Count;
            return index > next ? CountOutcome::Error : CountOutcome::Echo;
        case CountWay::NoCounting:
            // The child counts only after the second wrong answer of the round.
            return (index == next && wrongAnswers >= 2) ? CountOutcome::Count : CountOutcome::Drop;
        case CountWay::FromLeft:
        case CountWay::FromLeftBlinking:
        default:
            return index == next ? CountOutcome::Count : CountOutcome::Drop;
    }
}
}  // namespace

void GameScreen::TouchCharacter(int index) {
    EntryScope scope(*this);
    if (index < 0 || index >= GameScreenModel::kPlaces || m_stopped)
        return;
    // Touches while a sound plays, after the last count, while a correction is pending or while a
    // blinking numeral is still shown are lost, not queued.
    if (m_sound.isPlaying() || CurrentCount == CharacterCount || timerEnabled(6) ||
        timerEnabled(9)) {
        return;
    }

    if (!CountingPhase) {
        // Only the character on show can be caught; those in the row are done.
        if (index != CurrentCount)
            return;
        setTimerEnabled(1, false);
        Control& numeral = m_model.Image2[CurrentCount];
        numeral.Top = m_model.Image1[CurrentCount].Top;
        numeral.Left = m_model.Image1[CurrentCount].Left;
        numeral.Visible = true;
        setTimerEnabled(2, true);
        SoundFile = GameSound::number(CurrentCount + 1);
        PlaySound();
        return;
    }

    const int k = CurrentCount;
    const int mode = m_shared.Settings.CountMode;
    const CountOutcome outcome = countOutcome(mode, index, k, WrongAnswers);
    if (outcome == CountOutcome::Drop)
        return;

    SoundFile = GameSound::number(k + 1);
    PlaySound();
    m_model.Label3.Visible = false;
    // The numeral is always the ordinal of this touch, laid over the touched character.
    Control& numeral = m_model.Image2[k];
    numeral.Top = m_model.Image1[index].Top;
    numeral.Left = m_model.Image1[index].Left;
    numeral.Visible = true;

    switch (outcome) {
        case CountOutcome::Count:
            CurrentCount = k + 1;
            if (CurrentCount == CharacterCount)
                setTimerEnabled(3, true);
            if (mode == CountWay::FromLeftBlinking || mode == CountWay::NoCounting) {
                setTimerEnabled(9, true);
            }
            break;
        case CountOutcome::Error:
            setTimerEnabled(6, true);
            break;
        case CountOutcome::Echo:
        case CountOutcome::Drop:
            break;
    }
}

void GameScreen::Timer2_Timer() {
    setTimerEnabled(2, false);
    m_model.Image2[CurrentCount].Visible = false;
    SoundFile = GameSound::IntoRow;
    PlaySound();
    Control& character = m_model.Image1[CurrentCount];
    character.Top = RowTop;
    character.Left = RowLeft;
    RowLeft += CellSize;
    ++CurrentCount;
    if (CurrentCount < CharacterCount) {
        setTimerEnabled(8, true);
        return;
    }

    // Every character stands in the row.
    WaitForSound();
    CountingPhase = true;
    if (m_shared.Settings.CountMode == CountWay::NoCounting) {
        // No counting: the question follows, and the filter drops every touch meanwhile because
        // CurrentCount stays at CharacterCount.
        setTimerEnabled(3, true);
        return;
    }
    MessageText = GameText::LetsCount;
    ShowMessage();
    SoundFile = GameSound::LetsCount;
    PlaySound();
    CurrentCount = 0;
}

void GameScreen::Timer9_Timer() {
    setTimerEnabled(9, false);
    if (CurrentCount >= 1)
        m_model.Image2[CurrentCount - 1].Visible = false;
}

void GameScreen::Timer6_Timer() {
    setTimerEnabled(6, false);
    SoundFile = GameSound::Wrong;
    PlaySound();
    WaitForSound();
    MessageText = GameText::LetsCount;
    ShowMessage();
    SoundFile = GameSound::OnceMore;
    PlaySound();
    // The numerals counted so far and the one the wrong touch laid on a later character.
    for (int i = 0; i <= CurrentCount && i < GameScreenModel::kPlaces; ++i) {
        m_model.Image2[i].Visible = false;
    }
    CurrentCount = 0;
}

void GameScreen::ShowMessage() {
    EntryScope scope(*this);
    LabelControl& line = m_model.Label3;
    MessageLength = int(MessageText.size());
    MessageCellSize = Int(m_model.Width / double(MessageLength + 1));
    line.Height = MessageCellSize;
    line.Width = MessageLength * MessageCellSize;
    line.Top = Int((m_model.Height - MessageCellSize) / 2.0);
    line.Left = Int((m_model.Width - line.Width) / 2.0);
    line.Caption = MessageText;
    line.FontSize = Int(MessageCellSize / 20.5);
    line.Visible = true;
}
