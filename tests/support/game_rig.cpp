#include "support/game_rig.h"

namespace {
SharedState makeShared(const GameSettings& settings, const QStringList& selected) {
    SharedState shared;
    shared.dataFolder = QStringLiteral("data/");
    shared.settings = settings;
    shared.characterFiles = tenPictures();
    shared.selectedFiles = selected;
    return shared;
}

QList<int> visibleOf(const std::array<Control, GameScreenModel::kPlaces>& controls) {
    QList<int> visible;
    for (int i = 0; i < GameScreenModel::kPlaces; ++i) {
        if (controls[i].visible)
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
                 const QStringList& selected, SoundPlayer* player)
    : shared(makeShared(settings, selected)),
      game(shared, timers, player != nullptr ? *player : sound, random, pictures, host) {
    game.modelChanged = [this] { ++modelChanges; };
    game.setListener(&listener);
    game.start(widthPx * 15, heightPx * 15);
}

void GameRig::scriptCharacterCount(int count) {
    const int range = shared.settings.maxCount - shared.settings.minCount + 1;
    random.push((count - shared.settings.minCount + 0.5) / range);
}

void GameRig::activate(int count) {
    if (count > 0)
        scriptCharacterCount(count);
    game.activate();
}

bool GameRig::quiet() const {
    if (sound.isPlaying())
        return false;
    for (Step step : kAllSteps) {
        if (step != Step::Hop && game.stepPending(step))
            return false;
    }
    return true;
}

QList<int> GameRig::visibleCharacters() const {
    return visibleOf(model().characters);
}
QList<int> GameRig::visibleNumerals() const {
    return visibleOf(model().numerals);
}
QList<int> GameRig::visibleCards() const {
    return visibleOf(model().cards);
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
    const Control& c = m_rig.model().characters[index];
    const std::int32_t x = c.left + c.width / 2;
    const std::int32_t y = c.top + c.height / 2;
    if (m_rig.shared.settings.clickToCount) {
        m_rig.game.pointerClicked(x, y);
    } else {
        m_rig.game.pointerMoved(x, y);
    }
}

void Child::clickCard(int number) {
    const Control& c = m_rig.model().cards[number - 1];
    m_rig.game.pointerClicked(c.left + c.width / 2, c.top + c.height / 2);
}

bool Child::catchAll() {
    const GameScreen& game = m_rig.game;
    const auto catching = [&] { return game.phase() == Phase::Catching; };
    while (catching()) {
        // The character on show: visible, not yet in the tray, its hop sound over.
        const bool ready = waitUntil([&] {
            return !catching() ||
                   (m_rig.quiet() && game.round().current < game.round().characterCount &&
                    m_rig.model().characters[game.round().current].visible);
        });
        if (!ready)
            return false;
        if (!catching())
            break;
        const int caught = game.round().current;
        touch(caught);
        if (!game.stepPending(Step::IntoTray))
            return false;  // the touch was not taken
        // The caught character goes into the tray.
        if (!waitUntil([&] { return game.round().current != caught || !catching(); }))
            return false;
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
    for (int i = 0; i < m_rig.round().characterCount; ++i)
        all.append(i);
    return count(all);
}

bool Child::answer(int number) {
    const bool ready = waitUntil([&] {
        return m_rig.model().cards[number - 1].visible && m_rig.game.phase() == Phase::Asking &&
               !m_rig.sound.isPlaying();
    });
    if (!ready)
        return false;
    clickCard(number);
    return m_rig.game.phase() == Phase::Judging;
}
