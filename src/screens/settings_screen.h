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
    void Form_Activate() override;

    // The counting way as it stood when the screen was last loaded.
    qint16 EntryCountMode = 0;

private:
    void buildControls();
    void HScroll1_Change();
    void HScroll2_Change();
    void HScroll3_Change();
    void HScroll1_Scroll();
    void HScroll2_Scroll();
    void HScroll3_Scroll();
    static void showValue(QLabel* box, int value);
    void Command1_Click();
    void Command2_Click() override;
    void ApplySettings();
    void setPair(int falseOption, int trueOption, bool value);

    SharedState& m_state;

    // Option1 .. Option13 at indices 1 .. 13 (index 0 unused).
    std::array<QRadioButton*, 14> m_options{};
    QButtonGroup* m_countWays = nullptr;
    QScrollBar* m_blinkTime = nullptr;  // HScroll1
    QScrollBar* m_minCount = nullptr;   // HScroll2
    QScrollBar* m_maxCount = nullptr;   // HScroll3
    QLabel* m_blinkTimeBox = nullptr;   // Label4
    QLabel* m_minCountBox = nullptr;    // Label6
    QLabel* m_maxCountBox = nullptr;    // Label7
};
