#pragma once

#include <array>
#include <functional>

#include "screens/screen_parts.h"
#include "state/shared_state.h"

class QButtonGroup;
class QLabel;
class QRadioButton;
class QScrollBar;

// The settings screen (H on the game screen): the eight game settings as option buttons and
// scroll bars. "実行" checks the entries, keeps what changed in memory and in "Pimo.txt" and
// goes back to the game; "キャンセル" goes back without keeping anything.
class SettingsScreen : public ScreenParts::AdultScreen {
public:
    SettingsScreen(SharedState& state, std::function<void()> returnToGame,
                   QWidget* parent = nullptr);

    // Loads every control from the stored settings; entries left from an earlier visit go.
    void load() override;
    // The child who plays when they are on おまかせ (the screen then says that the game chooses
    // their fewest, most and counting way); empty for anyone else.
    void setOmakaseChild(const QString& name);

private:
    void buildControls();
    void showBarValues();
    // "実行": checks the entries, keeps them and goes back to the game.
    void apply();
    void cancel() override;
    // Keeps the entries in memory and in "Pimo.txt" when any differs from the stored settings.
    void applySettings();

    SharedState& m_state;
    // The counting way as it stood when the screen was last loaded.
    qint16 m_countWayOnEntry = 0;

    // One button per counting way, at the index of its CountWay value.
    std::array<QRadioButton*, CountWay::NoCounting + 1> m_countWays{};
    QButtonGroup* m_countWayGroup = nullptr;
    QRadioButton* m_touchByPointer = nullptr;
    QRadioButton* m_touchByClick = nullptr;
    QRadioButton* m_sameCharacters = nullptr;
    QRadioButton* m_variousCharacters = nullptr;
    QRadioButton* m_askHowMany = nullptr;
    QRadioButton* m_askHowManyPeople = nullptr;
    QRadioButton* m_pointerShown = nullptr;
    QRadioButton* m_pointerHidden = nullptr;
    QScrollBar* m_blinkTimeBar = nullptr;
    QScrollBar* m_minimumCountBar = nullptr;
    QScrollBar* m_maximumCountBar = nullptr;
    QLabel* m_blinkTimeValue = nullptr;
    QLabel* m_minimumCountValue = nullptr;
    QLabel* m_maximumCountValue = nullptr;
    QLabel* m_omakaseLine = nullptr;
};
