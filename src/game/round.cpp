// Setting a round up and bringing its characters on: the layout of the tray and the cells, the
// pictures, the hopping character, the next character and the next round.

#include <algorithm>

#include "game/basic_math.h"
#include "game/game_screen.h"

namespace {
// Redraws allowed for one slot of a mixed round before the slot simply takes the first picture
// not used yet. A fair generator never gets near it; it only rules out an endless loop.
constexpr int kMaxRedraws = 1000;
}  // namespace

void GameScreen::newRound() {
    EntryScope scope(*this);
    endRound(true);  // a round dropped on the way
    RoundState& round = m_round;
    round.settings = m_shared.settings;
    if (planRound)
        planRound(round.settings);
    const GameSettings& settings = round.settings;
    const std::int32_t screenWidth = m_model.width;

    round.characterCount =
        roundHalfEven(floorToInt(m_random.uniform() * (settings.maxCount - settings.minCount + 1)) +
                      settings.minCount);
    // Ten places exist for characters, numerals and cards.
    round.characterCount = std::clamp(round.characterCount, 1, GameScreenModel::kPlaces);
    round.cardCount = settings.maxCount > 5 ? 10 : 5;
    round.cellSize = floorToInt(screenWidth / double(round.cardCount + 1));
    round.rowTop = floorToInt(m_model.height / 20.0);
    round.rowLeft =
        roundHalfEven(floorToInt(screenWidth - round.cellSize * round.characterCount) / 2.0);

    // The tray: the row of places into which the caught characters go.
    Control& tray = m_model.tray;
    tray.top = round.rowTop;
    tray.height = round.cellSize;
    tray.width = round.cellSize * round.characterCount;
    tray.left = round.rowLeft;
    tray.visible = true;

    for (int i = 0; i < GameScreenModel::kPlaces; ++i) {
        for (Control* c : {&m_model.characters[i], &m_model.numerals[i], &m_model.cards[i]}) {
            c->width = round.cellSize;
            c->height = round.cellSize;
        }
    }

    round.verticalMargin = roundHalfEven(round.cellSize + tray.top);
    round.leftRange = roundHalfEven(screenWidth - round.cellSize);

    drawPictures();
    m_model.pointerHidden = settings.hidePointer;

    round.current = 0;
    round.wrongAnswers = 0;
    round.chosenNumber = 0;
    m_lastUncounted = -1;
    m_phase = Phase::Catching;
    m_roundOpen = true;
    if (m_listener)
        m_listener->roundBegan(round.characterCount);

    setInterval(Step::Hop, std::max<int>(settings.blinkTime, 1) * 100);
    placeCharacter();
    if (m_listener)
        m_listener->characterShown(0);
    schedule(Step::Hop);
}

// The pictures of the round. An empty selection plays as if every picture were selected.
void GameScreen::drawPictures() {
    RoundState& round = m_round;
    const GameSettings& settings = round.settings;
    const QStringList& pictures = m_shared.playablePictures();
    const int pictureCount = int(pictures.size());
    const int slotCount = std::min<int>(std::max<int>(settings.maxCount, round.characterCount),
                                        GameScreenModel::kPlaces);
    // Activation turns a mixed round off when too few pictures can be drawn; a round started
    // any other way must not hang on it either.
    round.mixed = settings.mixedCharacters && pictureCount >= slotCount;
    round.pictures.fill(QString());
    round.singlePicturePath.clear();
    if (round.mixed) {
        for (int s = 0; s < slotCount; ++s) {
            const auto usedBefore = [&](const QString& name) {
                return std::find(round.pictures.begin(), round.pictures.begin() + s, name) !=
                       round.pictures.begin() + s;
            };
            int redraws = 0;
            do {
                round.pictures[s] = pictures[std::min(floorToInt(m_random.uniform() * pictureCount),
                                                      pictureCount - 1)];
            } while (usedBefore(round.pictures[s]) && ++redraws < kMaxRedraws);
            if (usedBefore(round.pictures[s])) {
                const auto unused = std::find_if(pictures.begin(), pictures.end(),
                                                 [&](const QString& n) { return !usedBefore(n); });
                if (unused != pictures.end())
                    round.pictures[s] = *unused;
            }
        }
    } else if (pictureCount > 0) {
        const int k = std::min(floorToInt(m_random.uniform() * pictureCount), pictureCount - 1);
        round.singlePicturePath = m_shared.pathOf(pictures[k]);
    }
}

// The character on show jumps to a new random place below the tray, with the hop sound.
void GameScreen::placeCharacter() {
    EntryScope scope(*this);
    const int current = m_round.current;
    if (current < 0 || current >= GameScreenModel::kPlaces)
        return;
    const std::int32_t left = floorToInt(m_random.uniform() * m_round.leftRange);
    const std::int32_t top =
        floorToInt(m_random.uniform() * (m_model.height - 2 * m_round.verticalMargin) +
                   m_round.verticalMargin);

    Control& character = m_model.characters[current];
    character.top = top;
    character.left = left;
    character.visible = true;
    // Read from disk every time: a picture changed in the folder shows at the next jump.
    m_pictures.load(current, m_round.mixed ? m_shared.pathOf(m_round.pictures[current])
                                           : m_round.singlePicturePath);
    play(Sound::Hop);
}

void GameScreen::clearScreen() {
    EntryScope scope(*this);
    m_model.mark.visible = false;
    m_model.message.visible = false;
    m_model.tray.visible = false;
    for (int i = 0; i < GameScreenModel::kPlaces; ++i) {
        m_model.characters[i].visible = false;
        m_model.numerals[i].visible = false;
        m_model.cards[i].visible = false;
    }
}

void GameScreen::hop() {
    placeCharacter();
}

void GameScreen::nextCharacter() {
    placeCharacter();
    if (m_listener)
        m_listener->characterShown(m_round.current);
    schedule(Step::Hop);
}

void GameScreen::nextRound() {
    clearScreen();
    newRound();
}
