// Setting a round up and bringing its characters on: NewRound, PlaceCharacter, ClearScreen and
// the timers of appearance (Timer1, Timer8) and of the step to the next round (Timer7).

#include <algorithm>

#include "game/basic_math.h"
#include "game/game_screen.h"

namespace {
// Redraws allowed for one slot of a mixed round before the slot simply takes the first picture
// not used yet. A fair generator never gets near it; it only rules out an endless loop.
constexpr int kMaxRedraws = 1000;
}  // namespace

void GameScreen::NewRound() {
    EntryScope scope(*this);
    const GameSettings& settings = m_shared.Settings;
    const std::int32_t formWidth = m_model.Width;
    const std::int32_t formHeight = m_model.Height;

    CharacterCount = Round(Int(m_random.Rnd() * (settings.MaxCount - settings.MinCount + 1)) +
                           settings.MinCount);
    // Ten places exist for characters, numerals and cards.
    CharacterCount = std::clamp(CharacterCount, 1, GameScreenModel::kPlaces);
    CardCount = settings.MaxCount > 5 ? 10 : 5;
    CellSize = Int(formWidth / double(CardCount + 1));
    RowTop = Int(formHeight / 20.0);
    RowLeft = Round(Int(formWidth - CellSize * CharacterCount) / 2.0);

    // The tray: the row of CharacterCount places into which the caught characters go.
    Control& tray = m_model.Shape1;
    tray.Top = RowTop;
    tray.Height = CellSize;
    tray.Width = CellSize * CharacterCount;
    tray.Left = RowLeft;
    tray.Visible = true;

    for (int i = 0; i < GameScreenModel::kPlaces; ++i) {
        for (Control* c : {&m_model.Image1[i], &m_model.Image2[i], &m_model.Image3[i]}) {
            c->Width = CellSize;
            c->Height = CellSize;
        }
    }

    VerticalMargin = Round(CellSize + tray.Top);
    LeftRange = Round(formWidth - CellSize);

    // The pictures. An empty selection plays as if every picture were selected.
    const QStringList& pictures = m_shared.PlayablePictures();
    const int pictureCount = int(pictures.size());
    const int slotCount =
        std::min<int>(std::max<int>(settings.MaxCount, CharacterCount), GameScreenModel::kPlaces);
    // Activation turns a mixed round off when too few pictures can be drawn; a round started
    // any other way must not hang on it either.
    m_roundMixed = settings.MixedCharacters && pictureCount >= slotCount;
    RoundPictures.fill(QString());
    SinglePicturePath.clear();
    if (m_roundMixed) {
        for (int s = 0; s < slotCount; ++s) {
            const auto usedBefore = [&](const QString& name) {
                return std::find(RoundPictures.begin(), RoundPictures.begin() + s, name) !=
                       RoundPictures.begin() + s;
            };
            int redraws = 0;
            do {
                RoundPictures[s] =
                    pictures[std::min(Int(m_random.Rnd() * pictureCount), pictureCount - 1)];
            } while (usedBefore(RoundPictures[s]) && ++redraws < kMaxRedraws);
            if (usedBefore(RoundPictures[s])) {
                const auto unused = std::find_if(pictures.begin(), pictures.end(),
                                                 [&](const QString& n) { return !usedBefore(n); });
                if (unused != pictures.end())
                    RoundPictures[s] = *unused;
            }
        }
    } else if (pictureCount > 0) {
        const int k = std::min(Int(m_random.Rnd() * pictureCount), pictureCount - 1);
        SinglePicturePath = m_shared.PathOf(pictures[k]);
    }

    m_model.PointerHidden = settings.HideCursor;

    CurrentCount = 0;
    WrongAnswers = 0;
    CountingPhase = false;
    CardsLocked = false;
    m_stopped = false;

    setTimerInterval(1, std::max<int>(settings.BlinkTime, 1) * 100);
    PlaceCharacter();
    setTimerEnabled(1, true);
}

void GameScreen::PlaceCharacter() {
    EntryScope scope(*this);
    if (CurrentCount < 0 || CurrentCount >= GameScreenModel::kPlaces)
        return;
    AppearLeft = Int(m_random.Rnd() * LeftRange);
    AppearTop = Int(m_random.Rnd() * (m_model.Height - 2 * VerticalMargin) + VerticalMargin);

    Control& character = m_model.Image1[CurrentCount];
    character.Top = AppearTop;
    character.Left = AppearLeft;
    character.Visible = true;
    // Read from disk every time: a picture changed in the folder shows at the next jump.
    m_pictures.load(CurrentCount, m_roundMixed ? m_shared.PathOf(RoundPictures[CurrentCount])
                                               : SinglePicturePath);

    SoundFile = GameSound::Hop;
    PlaySound();
}

void GameScreen::ClearScreen() {
    EntryScope scope(*this);
    m_model.Label1.Visible = false;
    m_model.Label2.Visible = false;
    m_model.Label3.Visible = false;
    m_model.Shape1.Visible = false;
    for (int i = 0; i < GameScreenModel::kPlaces; ++i) {
        m_model.Image1[i].Visible = false;
        m_model.Image2[i].Visible = false;
        m_model.Image3[i].Visible = false;
    }
}

void GameScreen::Timer1_Timer() {
    PlaceCharacter();
}

void GameScreen::Timer8_Timer() {
    setTimerEnabled(8, false);
    PlaceCharacter();
    setTimerEnabled(1, true);
}

void GameScreen::Timer7_Timer() {
    setTimerEnabled(7, false);
    ClearScreen();
    NewRound();
}
