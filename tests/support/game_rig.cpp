#include "support/game_rig.h"

namespace {
SharedState makeShared(const GameSettings& settings, const QStringList& selected) {
    SharedState shared;
    shared.DataFolder = QStringLiteral("data/");
    shared.Settings = settings;
    shared.CharacterFiles = tenPictures();
    shared.SelectedFiles = selected;
    return shared;
}

QList<int> visibleOf(const std::array<Control, GameScreenModel::kPlaces>& controls) {
    QList<int> visible;
    for (int i = 0; i < GameScreenModel::kPlaces; ++i) {
        if (controls[i].Visible)
            visible.append(i);
    }
    return visible;
}
}  // namespace

QStringList tenPictures() {
    QStringList names;
    for (int i = 0; i < 10; ++i)
        names.append(QStringLiteral("p%1.gif").arg(i));
    return names;
}

GameRig::GameRig(const GameSettings& settings, int widthPx, int heightPx,
                 const QStringList& selected)
    : shared(makeShared(settings, selected)), game(shared, timers, sound, random, pictures, host) {
    game.modelChanged = [this] { ++modelChanges; };
    game.Form_Load(widthPx * 15, heightPx * 15);
}

void GameRig::scriptCharacterCount(int count) {
    const int range = shared.Settings.MaxCount - shared.Settings.MinCount + 1;
    random.push((count - shared.Settings.MinCount + 0.5) / range);
}

void GameRig::activate(int count) {
    if (count > 0)
        scriptCharacterCount(count);
    game.Form_Activate();
}

bool GameRig::quiet() const {
    if (sound.isPlaying())
        return false;
    for (int id = 2; id <= 9; ++id) {
        if (game.timerEnabled(id))
            return false;
    }
    return true;
}

QList<int> GameRig::visibleCharacters() const {
    return visibleOf(model().Image1);
}
QList<int> GameRig::visibleNumerals() const {
    return visibleOf(model().Image2);
}
QList<int> GameRig::visibleCards() const {
    return visibleOf(model().Image3);
}

void Child::tick() {
    m_rig.timers.advance(m_tickMs);
    if (onTick)
        onTick();
}

bool Child::waitUntil(const std::function<bool()>& ready, qint64 limitMs) {
    const qint64 end = m_rig.clock.now + limitMs;
    while (!ready()) {
        if (m_rig.clock.now >= end)
            return false;
        tick();
    }
    return true;
}

void Child::touch(int index) {
    const Control& c = m_rig.model().Image1[index];
    const std::int32_t x = c.Left + c.Width / 2;
    const std::int32_t y = c.Top + c.Height / 2;
    if (m_rig.shared.Settings.ClickToCount) {
        m_rig.game.pointerClicked(x, y);
    } else {
        m_rig.game.pointerMoved(x, y);
    }
}

void Child::clickCard(int number) {
    const Control& c = m_rig.model().Image3[number - 1];
    m_rig.game.pointerClicked(c.Left + c.Width / 2, c.Top + c.Height / 2);
}

bool Child::catchAll() {
    GameScreen& game = m_rig.game;
    while (!game.CountingPhase) {
        // The character on show: visible, not yet in the row, its hop sound over.
        const bool ready = waitUntil([&] {
            return game.CountingPhase ||
                   (m_rig.quiet() && game.CurrentCount < game.CharacterCount &&
                    m_rig.model().Image1[game.CurrentCount].Visible);
        });
        if (!ready)
            return false;
        if (game.CountingPhase)
            break;
        const int caught = game.CurrentCount;
        touch(caught);
        if (!game.timerEnabled(2))
            return false;  // the touch was not taken
        // The caught character goes into the row.
        if (!waitUntil([&] { return game.CurrentCount != caught || game.CountingPhase; })) {
            return false;
        }
    }
    return waitUntilQuiet();
}

bool Child::count(const QList<int>& indices) {
    for (int index : indices) {
        if (!waitUntilQuiet())
            return false;
        touch(index);
    }
    return true;
}

bool Child::countInOrder() {
    QList<int> all;
    for (int i = 0; i < m_rig.game.CharacterCount; ++i)
        all.append(i);
    return count(all);
}

bool Child::answer(int number) {
    const bool ready = waitUntil([&] {
        return m_rig.model().Image3[number - 1].Visible && !m_rig.game.CardsLocked &&
               !m_rig.sound.isPlaying();
    });
    if (!ready)
        return false;
    clickCard(number);
    return m_rig.game.CardsLocked;
}
